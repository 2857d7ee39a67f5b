#include "windows/DlgDebrief.h"

#include "platform/FileIo.h"
#include "platform/LocalClock.h"
#include "res/Resource.h"
#include "state/DataFolders.h"
#include "widgets/SystemColours.h"

#include <QComboBox>
#include <QDir>
#include <QKeyEvent>

#include <algorithm>
#include <cstring>

namespace {

const QColor kGold(0xff, 0xd5, 0x4f);
const QColor kHintColour(0xb3, 0xd4, 0xff);

const QString kReplayHint =
    QStringLiteral("← → 上一次 / 下一次      ↑ ↓ 上一局 / 下一局      Tab 选择按钮      Esc 关闭");
const QString kProgressHint = QStringLiteral("← → 切换关卡与模式      Tab 选择按钮      Esc 关闭");

QString ModeLine(const GameRecord& game) {
    if (game.mode == GameMode::Level)
        return QStringLiteral("闯关模式 · 关卡 %1").arg(game.level);
    const bool competition = game.playType && *game.playType == PlayType::Competition;
    return GameModeText(game) + (competition ? QStringLiteral(" · 比赛") : QStringLiteral(" · 练习"));
}

// One line of the last games: "12-07 关卡3 29 成功".
QString GameLine(const GameRecord& game) {
    const QString mode = game.mode == GameMode::Level  ? QStringLiteral("关卡%1").arg(game.level)
                         : game.mode == GameMode::Wild ? QStringLiteral("狂野")
                                                       : QStringLiteral("无尽");
    return QStringLiteral("%1  %2  %3  %4")
        .arg(game.started.toString(QStringLiteral("MM-dd")), mode)
        .arg(game.total)
        .arg(GameEndText(game).right(2));
}

} // namespace

CDlgDebrief::CDlgDebrief() : CPictureDialog(IDD_DLG_DEBRIEF, IDB_DEBRIEF) {}

void CDlgDebrief::OpenAt(View view, const QString& gamePath) {
    m_view = view;
    m_strOpenAt = gamePath;
}

QWidget* CDlgDebrief::CreateControl(const ControlTemplate& control) {
    if (control.id == IDC_STC_CHART)
        return new CChartView(this);
    if (control.kind == ControlKind::PushButton && control.id != IDC_BTN_CLOSE)
        return new CPlateButton(this, QString::fromUtf16(control.text));
    return CPictureDialog::CreateControl(control);
}

void CDlgDebrief::OnInitDialog() {
    m_btnClose = SetUpButton(IDC_BTN_CLOSE, IDI_CLOSE);
    m_stcTitle = SetUpLabel(IDC_STC_TITLE, 20, false, kLabelWhite);
    m_chart = dynamic_cast<CChartView*>(GetDlgItem(IDC_STC_CHART));
    auto plate = [this](int id) { return dynamic_cast<CPlateButton*>(GetDlgItem(id)); };
    m_btnReplay = plate(IDC_BTN_TAB_REPLAY);
    m_btnProgress = plate(IDC_BTN_TAB_PROGRESS);
    m_btnPrev = plate(IDC_BTN_PREV);
    m_btnNext = plate(IDC_BTN_NEXT);
    m_btnPrevGame = plate(IDC_BTN_PREV_GAME);
    m_btnNextGame = plate(IDC_BTN_NEXT_GAME);
    m_btnExportGame = plate(IDC_BTN_EXPORT_GAME);
    m_btnExportAll = plate(IDC_BTN_EXPORT_ALL);
    m_btnReplay->setCheckable(true);
    m_btnProgress->setCheckable(true);
    for (int i = 0; i < kDebriefInfoLines; ++i) {
        CColorStatic* line = SetUpLabel(IDC_STC_INFO1 + i, 22, false, i == 0 ? kGold : kLabelWhite);
        line->SetLayout(true, true);
        m_stcInfo[static_cast<std::size_t>(i)] = line;
    }
    m_stcHint = SetUpLabel(IDC_STC_HINT, 18, false, kHintColour);
    m_stcHint->SetLayout(true, true);
    m_stcExported = SetUpLabel(IDC_STC_EXPORTED, 18, false, kLabelWhite);
    m_stcExported->SetLayout(true, true);

    m_players = ReadPlayers();
    m_shown = CurrentPlayer();
    delete m_cmbPlayer;
    m_cmbPlayer = nullptr;
    if (m_players.size() > 1) {
        m_cmbPlayer = new QComboBox(this);
        m_cmbPlayer->setAccessibleName(QStringLiteral("玩家"));
        for (const Player& player : m_players) {
            m_cmbPlayer->addItem(player.name);
            if (m_shown && player.folder == m_shown->folder)
                m_cmbPlayer->setCurrentIndex(m_cmbPlayer->count() - 1);
        }
        m_cmbPlayer->adjustSize();
        m_cmbPlayer->move(width() - m_cmbPlayer->width() - 64, 14);
        m_cmbPlayer->show();
        connect(m_cmbPlayer, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (index < 0 || index >= static_cast<int>(m_players.size()))
                return;
            m_shown = m_players[static_cast<std::size_t>(index)];
            m_strOpenAt.clear();
            LoadGames();
        });
    }
    LoadGames();
}

QString CDlgDebrief::ShownHistoryFolder() const {
    return m_shown ? PlayerHistoryFolder(*m_shown) : HistoryFolder();
}

void CDlgDebrief::LoadGames() {
    m_games = ReadHistory(true, ShownHistoryFolder());
    m_game.reset();
    m_nGame = m_nAttempt = -1;
    m_strLastExport.clear();
    int open = static_cast<int>(m_games.size()) - 1;
    for (int i = 0; i < static_cast<int>(m_games.size()); ++i)
        if (!m_strOpenAt.isEmpty() && m_games[static_cast<std::size_t>(i)].path == m_strOpenAt)
            open = i;
    // The progress opens at the series of the game shown, else where it was.
    const std::vector<ProgressSeries> all = AllProgressSeries();
    if (open >= 0) {
        const GameRecord& game = m_games[static_cast<std::size_t>(open)];
        const ProgressSeries series{game.mode, game.mode == GameMode::Level ? game.level : 0};
        m_nSeries = static_cast<int>(std::find(all.begin(), all.end(), series) - all.begin()) %
                    static_cast<int>(all.size());
    }
    SelectGame(open);
    ShowView(m_view);
}

void CDlgDebrief::SelectGame(int index) {
    m_nGame = index;
    m_game.reset();
    if (index >= 0)
        m_game = ReadGameRecord(m_games[static_cast<std::size_t>(index)].path);
    m_nAttempt = m_game && !m_game->attempts.empty() ? static_cast<int>(m_game->attempts.size()) - 1 : -1;
}

void CDlgDebrief::ShowView(View view) {
    m_view = view;
    m_btnReplay->setChecked(view == View::Replay);
    m_btnProgress->setChecked(view == View::Progress);
    const bool replay = view == View::Replay;
    for (CPlateButton* button : {m_btnPrevGame, m_btnNextGame, m_btnExportGame})
        button->setVisible(replay);
    m_btnPrev->setText(replay ? QStringLiteral("◀ 上一次") : QStringLiteral("◀ 上一项"));
    m_btnNext->setText(replay ? QStringLiteral("下一次 ▶") : QStringLiteral("下一项 ▶"));
    m_stcHint->SetText(replay ? kReplayHint : kProgressHint);
    const QString caption = QStringLiteral("Aviluma—") + (replay ? kReplayItemText : kProgressItemText);
    m_stcTitle->SetText(caption);
    setWindowTitle(caption);
    replay ? ShowReplay() : ShowProgress();
}

void CDlgDebrief::ShowReplay() {
    const int games = static_cast<int>(m_games.size());
    m_btnPrevGame->setEnabled(m_nGame > 0);
    m_btnNextGame->setEnabled(m_nGame >= 0 && m_nGame + 1 < games);
    m_btnExportGame->setEnabled(m_game.has_value());
    m_btnExportAll->setEnabled(games > 0);
    const int attempts = m_game ? static_cast<int>(m_game->attempts.size()) : 0;
    m_btnPrev->setEnabled(m_nAttempt > 0);
    m_btnNext->setEnabled(m_nAttempt >= 0 && m_nAttempt + 1 < attempts);
    if (!m_game) {
        m_chart->SetModel(games == 0 ? kNoHistoryText : QStringLiteral("这一局的记录无法读取。"));
        SetInfo({});
        return;
    }
    const GameRecord& game = *m_game;
    QStringList info{ModeLine(game), game.started.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                     QStringLiteral("%1 · 总分 %2").arg(GameEndText(game)).arg(game.total),
                     QStringLiteral("第 %1 局 / 共 %2 局").arg(m_nGame + 1).arg(games)};
    if (m_nAttempt < 0) {
        m_chart->SetModel(QStringLiteral("这一局没有开始任何一次尝试。"));
        SetInfo(info);
        return;
    }
    const AttemptRecord& attempt = game.attempts[static_cast<std::size_t>(m_nAttempt)];
    const TraceChartModel trace = TraceChart(attempt);
    info << QStringLiteral("第 %1 次 / 共 %2 次").arg(m_nAttempt + 1).arg(attempts)
         << QStringLiteral("难度 %1 · 时限 %2 秒").arg(attempt.difficulty).arg(attempt.budgetMs / 1000)
         << trace.timeText << trace.pointsText;
    if (!game.player.isEmpty())
        info << QStringLiteral("姓名：") + game.player;
    m_chart->SetModel(trace);
    SetInfo(info);
}

void CDlgDebrief::ShowProgress() {
    const std::vector<ProgressSeries> all = AllProgressSeries();
    m_btnPrev->setEnabled(m_nSeries > 0);
    m_btnNext->setEnabled(m_nSeries + 1 < static_cast<int>(all.size()));
    m_btnExportAll->setEnabled(!m_games.empty());
    const ProgressChartModel progress = ProgressChart(m_games, all[static_cast<std::size_t>(m_nSeries)]);
    if (m_games.empty())
        m_chart->SetModel(kNoHistoryText);
    else if (progress.totals.isEmpty())
        m_chart->SetModel(progress.title + QStringLiteral("：还没有打完的对局。"));
    else
        m_chart->SetModel(progress);
    QStringList info{QStringLiteral("最近的对局")};
    for (auto game = m_games.rbegin(); game != m_games.rend() && info.size() < kDebriefInfoLines; ++game)
        info << GameLine(*game);
    SetInfo(info);
}

void CDlgDebrief::SetInfo(const QStringList& lines) {
    // The list of games takes a smaller face than the replay's few facts.
    const QFont line = MakeCellFont(m_view == View::Replay ? 22 : 18);
    for (int i = 0; i < kDebriefInfoLines; ++i) {
        CColorStatic* label = m_stcInfo[static_cast<std::size_t>(i)];
        if (i > 0)
            label->SetOwnFont(line);
        label->SetText(i < lines.size() ? lines[i] : QString());
    }
}

void CDlgDebrief::StepAttempt(int by) {
    const int attempts = m_game ? static_cast<int>(m_game->attempts.size()) : 0;
    const int next = m_nAttempt + by;
    if (next < 0 || next >= attempts)
        return;
    m_nAttempt = next;
    ShowReplay();
}

void CDlgDebrief::StepGame(int by) {
    const int next = m_nGame + by;
    if (m_nGame < 0 || next < 0 || next >= static_cast<int>(m_games.size()))
        return;
    SelectGame(next);
    ShowReplay();
}

void CDlgDebrief::StepSeries(int by) {
    const int next = m_nSeries + by;
    if (next < 0 || next >= static_cast<int>(AllProgressSeries().size()))
        return;
    m_nSeries = next;
    ShowProgress();
}

void CDlgDebrief::Export(bool all) {
    std::vector<GameRecord> games;
    QString name;
    if (all) {
        games = ReadHistory(false, ShownHistoryFolder());
        name =
            QStringLiteral("训练记录-") + CurrentLocalTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    } else if (m_game) {
        games = {*m_game};
        name = kReplayItemText + QLatin1Char('-') +
               m_game->started.toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    }
    const QString folder = RecordFolder();
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".csv");
    int error = 0;
    const bool written = QDir().mkpath(folder) && ReplaceFileAtomically(path, HistoryCsv(games, m_shown ? m_shown->name : QString()), &error);
    m_strLastExport = written ? path : QString();
    m_stcExported->SetTextColour(written ? kLabelWhite : QColor(0xff, 0x8a, 0x80));
    m_stcExported->SetText(
        written ? QStringLiteral("已导出：") + path
                : QStringLiteral("无法导出到 %1：%2")
                      .arg(folder, QString::fromLocal8Bit(std::strerror(error != 0 ? error : EACCES))));
}

void CDlgDebrief::OnCommand(int id) {
    const bool replay = m_view == View::Replay;
    switch (id) {
    case IDC_BTN_CLOSE:
        EndDialog(QDialog::Rejected);
        break;
    case IDC_BTN_TAB_REPLAY:
        ShowView(View::Replay);
        break;
    case IDC_BTN_TAB_PROGRESS:
        ShowView(View::Progress);
        break;
    case IDC_BTN_PREV:
        replay ? StepAttempt(-1) : StepSeries(-1);
        break;
    case IDC_BTN_NEXT:
        replay ? StepAttempt(1) : StepSeries(1);
        break;
    case IDC_BTN_PREV_GAME:
        StepGame(-1);
        break;
    case IDC_BTN_NEXT_GAME:
        StepGame(1);
        break;
    case IDC_BTN_EXPORT_GAME:
        Export(false);
        break;
    case IDC_BTN_EXPORT_ALL:
        Export(true);
        break;
    default:
        break;
    }
}

void CDlgDebrief::keyPressEvent(QKeyEvent* event) {
    const bool replay = m_view == View::Replay;
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Left:
            replay ? StepAttempt(-1) : StepSeries(-1);
            return;
        case Qt::Key_Right:
            replay ? StepAttempt(1) : StepSeries(1);
            return;
        case Qt::Key_Up:
            if (replay)
                StepGame(-1);
            return;
        case Qt::Key_Down:
            if (replay)
                StepGame(1);
            return;
        default:
            break;
        }
    }
    CPictureDialog::keyPressEvent(event);
}
