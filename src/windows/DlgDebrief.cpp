#include "windows/DlgDebrief.h"

#include "platform/FileIo.h"
#include "platform/LocalClock.h"
#include "platform/Translation.h"
#include "res/Resource.h"
#include "state/DataFolders.h"
#include "widgets/SystemColours.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QTableWidget>

#include <algorithm>
#include <cstring>

namespace {

const QColor kHintColour(0xb3, 0xd4, 0xff);

const QString kReplayHint = QStringLiteral(QT_TRANSLATE_NOOP(
    "Aviluma", "← → 上一次 / 下一次      ↑ ↓ 上一局 / 下一局      Tab 选择按钮      Esc 关闭"));
const QString kProgressHint =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "← → 切换关卡与模式      Tab 选择按钮      Esc 关闭"));
const QString kChartHint = QStringLiteral(
    QT_TRANSLATE_NOOP("Aviluma", "← → 选择对局      空格 打开回放      Tab 选择按钮      Esc 关闭"));
const QString kNoGamesHint = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Tab 选择按钮      Esc 关闭"));
const QString kOverviewHint =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Tab 选择按钮      表格中 ↑ ↓ ← → 逐格阅读      Esc 关闭"));

// The overview's columns.
enum OverviewColumn { kPlayerColumn, kLevelColumn, kGamesColumn, kRateColumn, kMedianColumn, kChangeColumn };
const QColor kQuicker(0x81, 0xc7, 0x84);
const QColor kSlower(0xff, 0x8a, 0x80);

// A line of the last games: its text on the panel like the replay's facts, pressed like any button.
class CGameLineButton : public CPlateButton {
public:
    explicit CGameLineButton(QWidget* parent) : CPlateButton(parent) { setFont(MakeCellFont(18)); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (isDown() || IsHover()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0x5f, 0xa8, 0xff, isDown() ? 90 : 50));
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
        }
        painter.setPen(kLabelWhite);
        const QRect text = rect().adjusted(CColorStatic::kTextMargin, 0, -CColorStatic::kTextMargin, 0);
        // A longer line (another language's words, a large total) is drawn smaller, as the labels do,
        // before it is cut.
        QFont face = font();
        const int size = face.pixelSize();
        for (int pixels = size; pixels >= size * CColorStatic::kSmallestFit; --pixels) {
            face.setPixelSize(pixels);
            if (QFontMetrics(face).horizontalAdvance(this->text()) <= text.width())
                break;
        }
        painter.setFont(face);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(this->text(), Qt::ElideRight, text.width()));
        if (ShowsFocusRing())
            DrawFocusRing(painter);
    }
};

QString PlayFilterText(const std::optional<PlayType>& play) {
    if (!play)
        return Aviluma::tr("练习与比赛");
    return *play == PlayType::Practice ? Aviluma::tr("只看练习")
                                       : Aviluma::tr("只看比赛");
}

QString ModeLine(const GameRecord& game) {
    if (game.mode == GameMode::Level)
        return Aviluma::tr("闯关模式 · 关卡 %1").arg(game.level);
    // Whole lines rather than the mode's name and the way of play: English says them shorter so.
    const bool competition = game.playType && *game.playType == PlayType::Competition;
    if (game.mode == GameMode::Wild)
        return competition ? Aviluma::tr("狂野模式 · 比赛")
                           : Aviluma::tr("狂野模式 · 练习");
    return competition ? Aviluma::tr("无尽模式 · 比赛")
                       : Aviluma::tr("无尽模式 · 练习");
}

// How a game ended, in a word for the list of the last games; told apart from the same words
// elsewhere. A game cut short goes by the name it has everywhere.
QString GameEndWord(const GameRecord& game) {
    if (game.end != GameEnd::Finished)
        return Tr(CutShortText(game.end));
    struct Word {
        const char* source;
        const char* comment;
    };
    static constexpr Word kWords[] = {
        QT_TRANSLATE_NOOP3("Aviluma", "成功", "how a game ended, in the list of the last games"),
        QT_TRANSLATE_NOOP3("Aviluma", "失败", "how a game ended, in the list of the last games"),
        QT_TRANSLATE_NOOP3("Aviluma", "完成", "how a game ended, in the list of the last games"),
    };
    const Word& word = kWords[!game.passed ? 2 : *game.passed ? 0 : 1];
    return QCoreApplication::translate(kTextContext, word.source, word.comment);
}

// One line of the last games: "12-07  关卡3  29  成功".
QString GameLine(const GameRecord& game) {
    const QString mode = game.mode == GameMode::Level
                             ? Aviluma::tr("关卡%1").arg(game.level)
                         : game.mode == GameMode::Wild
                             ? Aviluma::tr("狂野")
                             : Aviluma::tr("无尽");
    return QStringLiteral("%1  %2  %3  %4")
        .arg(game.started.toString(QStringLiteral("MM-dd")), mode)
        .arg(game.total)
        .arg(GameEndWord(game));
}

QString SecondsText(double seconds) {
    return Aviluma::tr("%1 秒").arg(DecimalText(seconds, 2));
}

// How much quicker the later half of a level's games came level than the earlier half.
QString ChangeText(const LevelStats& level) {
    const std::optional<double> change = level.Improvement();
    if (!change)
        return QStringLiteral("—");
    if (level.Improved())
        return Aviluma::tr("快了 %1 秒").arg(DecimalText(*change, 2));
    if (*change < 0)
        return Aviluma::tr("慢了 %1 秒").arg(DecimalText(-*change, 2));
    return Aviluma::tr("持平");
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment = Qt::AlignHCenter) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    return item;
}

// An export's file name for a player: their name, less what a file name (on this system or a
// Windows PC the folder is carried to) cannot hold; a second of the same name gets a number.
QString ExportFileName(const QString& name, QStringList& taken) {
    QString base;
    for (const QChar c : name)
        base += c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c) ? QLatin1Char('_') : c;
    while (base.startsWith(QLatin1Char('.')) || base.endsWith(QLatin1Char('.')) ||
           base.endsWith(QLatin1Char(' ')))
        base = base.startsWith(QLatin1Char('.')) ? base.mid(1) : base.chopped(1);
    if (base.isEmpty())
        base = QStringLiteral("玩家");
    QString file = base + QStringLiteral(".csv");
    for (int n = 2; taken.contains(file, Qt::CaseInsensitive); ++n)
        file = base + QLatin1Char('-') + QString::number(n) + QStringLiteral(".csv");
    taken << file;
    return file;
}

} // namespace

CDlgDebrief::CDlgDebrief() : CPictureDialog(IDD_DLG_DEBRIEF, IDB_DEBRIEF) {}

CDlgDebrief::~CDlgDebrief() {
    // The focus moves while the controls go, after this window's own members are gone.
    disconnect(m_focusWatch);
}

void CDlgDebrief::OpenAt(View view, const QString& gamePath) {
    m_view = view;
    m_strOpenAt = gamePath;
}

QWidget* CDlgDebrief::CreateControl(const ControlTemplate& control) {
    if (control.id == IDC_STC_CHART)
        return new CChartView(this);
    if (control.kind == ControlKind::PushButton && control.id != IDC_BTN_CLOSE)
        return new CPlateButton(this, Tr(QString::fromUtf16(control.text)));
    return CPictureDialog::CreateControl(control);
}

void CDlgDebrief::OnInitDialog() {
    m_btnClose = SetUpButton(IDC_BTN_CLOSE, IDI_CLOSE);
    m_btnClose->setAccessibleName(Aviluma::tr("关闭"));
    m_stcTitle = SetUpLabel(IDC_STC_TITLE, 20, false, kLabelWhite);
    m_chart = Control<CChartView>(IDC_STC_CHART);
    auto plate = [this](int id) { return Control<CPlateButton>(id); };
    m_btnReplay = plate(IDC_BTN_TAB_REPLAY);
    m_btnProgress = plate(IDC_BTN_TAB_PROGRESS);
    m_btnOverview = plate(IDC_BTN_TAB_OVERVIEW);
    m_btnPrev = plate(IDC_BTN_PREV);
    m_btnNext = plate(IDC_BTN_NEXT);
    m_btnPrevGame = plate(IDC_BTN_PREV_GAME);
    m_btnNextGame = plate(IDC_BTN_NEXT_GAME);
    m_btnExportGame = plate(IDC_BTN_EXPORT_GAME);
    m_btnExportAll = plate(IDC_BTN_EXPORT_ALL);
    m_btnReplay->setCheckable(true);
    m_btnProgress->setCheckable(true);
    m_btnOverview->setCheckable(true);
    connect(m_btnClose, &QAbstractButton::clicked, this, [this] { EndDialog(QDialog::Rejected); });
    connect(m_btnReplay, &QAbstractButton::clicked, this, [this] { ShowView(View::Replay); });
    connect(m_btnProgress, &QAbstractButton::clicked, this, [this] { ShowView(View::Progress); });
    connect(m_btnOverview, &QAbstractButton::clicked, this, [this] { ShowView(View::Overview); });
    connect(m_btnPrev, &QAbstractButton::clicked, this, &CDlgDebrief::OnPrev);
    connect(m_btnNext, &QAbstractButton::clicked, this, &CDlgDebrief::OnNext);
    connect(m_btnPrevGame, &QAbstractButton::clicked, this, [this] { StepGame(-1); });
    connect(m_btnNextGame, &QAbstractButton::clicked, this, [this] { StepGame(1); });
    connect(m_btnExportGame, &QAbstractButton::clicked, this, [this] { Export(false); });
    connect(m_btnExportAll, &QAbstractButton::clicked, this, [this] { Export(true); });
    for (int i = 0; i < kDebriefInfoLines; ++i) {
        CColorStatic* line = SetUpLabel(IDC_STC_INFO1 + i, 22, false, i == 0 ? kArtGold : kLabelWhite);
        line->SetLayout(true, true);
        m_stcInfo[static_cast<std::size_t>(i)] = line;
    }
    m_stcHint = SetUpLabel(IDC_STC_HINT, 18, false, kHintColour);
    m_stcHint->SetLayout(true, true);
    m_stcExported = SetUpLabel(IDC_STC_EXPORTED, 18, false, kLabelWhite);
    m_stcExported->SetLayout(true, true);

    m_players = ReadPlayers();
    m_shown = CurrentPlayer();
    m_allGames.reset(); // read again at this opening's first overview
    delete m_cmbPlayer;
    m_cmbPlayer = nullptr;
    if (m_players.size() > 1) {
        m_cmbPlayer = new QComboBox(this);
        m_cmbPlayer->setAccessibleName(Aviluma::tr("玩家"));
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
    CreateOwnControls();
    LoadGames();
}

void CDlgDebrief::CreateOwnControls() {
    // Made at every opening, like the template's controls.
    for (QWidget* old :
         std::initializer_list<QWidget*>{m_btnOverlay, m_cmbSeries, m_btnPlay, m_btnUncounted, m_tblOverview})
        delete old;
    for (CPlateButton*& period : m_btnPeriods) {
        delete period;
        period = nullptr;
    }
    for (CPlateButton*& line : m_btnGames) {
        delete line;
        line = nullptr;
    }
    // The view's own switch sits in the chart's top right corner, beside its heading.
    const QRect chart = ControlRect(IDC_STC_CHART);
    const QRect corner(chart.right() - 8 - 110, chart.top() + 4, 110, 26);
    m_btnOverlay = new CPlateButton(this, Aviluma::tr("叠加同难度"));
    m_btnOverlay->setCheckable(true);
    m_btnOverlay->setAccessibleName(Aviluma::tr("叠加同难度的其他几次"));
    m_btnOverlay->setGeometry(corner);
    connect(m_btnOverlay, &QAbstractButton::toggled, this, [this] { ShowReplay(); });

    m_cmbSeries = new QComboBox(this);
    m_cmbSeries->setAccessibleName(Aviluma::tr("关卡与模式"));
    for (const ProgressSeries& series : AllProgressSeries())
        m_cmbSeries->addItem(SeriesTitle(series));
    m_cmbSeries->setGeometry(corner);
    connect(m_cmbSeries, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index != m_nSeries)
            StepSeries(index - m_nSeries);
    });

    // The way of play and the uncounted games take the places the replay's game buttons leave free.
    m_btnPlay = new CPlateButton(this, PlayFilterText(m_filter.play));
    m_btnPlay->setAccessibleName(Aviluma::tr("练习或比赛"));
    connect(m_btnPlay, &QAbstractButton::clicked, this, [this] { CyclePlay(); });
    // The games that do not count, by the board's word for them: failed levels and games cut short.
    m_btnUncounted = new CPlateButton(this, Aviluma::tr("不计成绩"));
    m_btnUncounted->setCheckable(true);
    m_btnUncounted->setChecked(m_filter.uncounted);
    m_btnUncounted->setAccessibleName(
        Aviluma::tr("显示不计成绩的对局：%1、%2、%3")
            .arg(ProgressMarkText(ProgressMark::Failed), ProgressMarkText(ProgressMark::LinkLost),
                 ProgressMarkText(ProgressMark::Closed)));
    PlaceFilters();
    connect(m_btnUncounted, &QAbstractButton::toggled, this, [this](bool shown) {
        m_filter.uncounted = shown;
        ShowProgress();
    });

    for (std::size_t i = 0; i < m_btnGames.size(); ++i) {
        m_btnGames[i] = new CGameLineButton(this);
        m_btnGames[i]->setGeometry(m_stcInfo[i + 1]->geometry());
        connect(m_btnGames[i], &QAbstractButton::clicked, this, [this, i] { OpenReplay(m_lineGames[i]); });
    }
    m_chart->SetOnPick([this](int game) { OpenReplay(game); });

    // The overview: a table where the chart is, in the game's colours, read cell by cell from the keys
    // (and by a screen reader); its periods where the steps through attempts are in the replay.
    m_tblOverview = new QTableWidget(0, 6, this);
    m_tblOverview->setGeometry(chart.adjusted(8, 8, -8, -8));
    m_tblOverview->setAccessibleName(Tr(kOverviewItemText));
    m_tblOverview->setFont(MakeCellFont(16));
    m_tblOverview->setStyleSheet(
        QStringLiteral(
            "QTableWidget { background: transparent; color: white; border: none; gridline-color: "
            "transparent; }"
            "QTableWidget::item:focus { border: 1px solid %1; }"
            "QHeaderView { background: transparent; }"
            "QHeaderView::section { background: rgba(95, 168, 255, 45); color: %2; border: none; padding: "
            "4px; }"
            "QTableCornerButton::section { background: transparent; }"
            "QScrollBar:vertical { background: transparent; width: 8px; }"
            "QScrollBar::handle:vertical { background: rgba(95, 168, 255, 120); border-radius: 4px; }"
            "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }")
            .arg(kArtGold.name(), kHintColour.name()));
    m_tblOverview->setHorizontalHeaderLabels({Aviluma::tr("玩家"),
                                              Aviluma::tr("关卡"),
                                              Aviluma::tr("对局"),
                                              Aviluma::tr("通过率"),
                                              Aviluma::tr("用时中位数"),
                                              Aviluma::tr("变化")});
    m_tblOverview->verticalHeader()->hide();
    m_tblOverview->verticalHeader()->setDefaultSectionSize(28);
    m_tblOverview->setShowGrid(false);
    m_tblOverview->setSelectionMode(QAbstractItemView::NoSelection);
    m_tblOverview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tblOverview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tblOverview->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tblOverview->horizontalHeader()->setSectionResizeMode(kPlayerColumn, QHeaderView::Stretch);
    m_tblOverview->hide();
    const std::array<std::pair<QString, BoardPeriod>, 3> periods{
        std::pair{Aviluma::tr("今天"), BoardPeriod::Today},
        std::pair{Aviluma::tr("本周"), BoardPeriod::Week},
        std::pair{Aviluma::tr("全部"), BoardPeriod::All}};
    const std::array<int, 3> places{IDC_BTN_PREV, IDC_BTN_NEXT, IDC_BTN_PREV_GAME};
    for (std::size_t i = 0; i < periods.size(); ++i) {
        const auto& [text, period] = periods[i];
        CPlateButton* button = m_btnPeriods[i] = new CPlateButton(this, text);
        button->setCheckable(true);
        button->setChecked(period == m_period);
        button->setAccessibleName(Aviluma::tr("时段：%1").arg(text));
        button->setGeometry(ControlRect(places[i]));
        button->hide();
        connect(button, &QAbstractButton::clicked, this, [this, period = period] { SetPeriod(period); });
    }

    // Tab goes as the eye reads: the top row, the tabs, the chart's corner and the chart, the list, the
    // buttons below.
    std::vector<QWidget*> order{m_cmbPlayer,  m_btnClose,  m_btnReplay, m_btnProgress, m_btnOverview,
                                m_btnOverlay, m_cmbSeries, m_chart,     m_tblOverview};
    order.insert(order.end(), m_btnGames.begin(), m_btnGames.end());
    order.insert(order.end(), {m_btnPrev, m_btnNext});
    order.insert(order.end(), m_btnPeriods.begin(), m_btnPeriods.end());
    order.insert(order.end(),
                 {m_btnPrevGame, m_btnPlay, m_btnNextGame, m_btnUncounted, m_btnExportGame, m_btnExportAll});
    QWidget* previous = nullptr;
    for (QWidget* widget : order) {
        if (widget == nullptr)
            continue;
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
    }
    disconnect(m_focusWatch);
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this] { UpdateHint(); });
}

void CDlgDebrief::OpenReplay(int game) {
    if (game < 0 || game >= static_cast<int>(m_games.size()))
        return;
    SelectGame(game);
    ShowView(View::Replay);
}

void CDlgDebrief::CyclePlay() {
    m_filter.play = !m_filter.play                         ? std::optional(PlayType::Practice)
                    : *m_filter.play == PlayType::Practice ? std::optional(PlayType::Competition)
                                                           : std::nullopt;
    m_btnPlay->setText(PlayFilterText(m_filter.play));
    PlaceFilters();
    ShowProgress();
}

void CDlgDebrief::PlaceFilters() {
    // In the places of the replay's game buttons, each widened where its words need it (another
    // language's are longer), the two side by side and clear of the export buttons.
    constexpr int kGap = 10;
    constexpr int kPadding = 24; // the plate's rounded ends
    const QRect play = ControlRect(IDC_BTN_PREV_GAME), uncounted = ControlRect(IDC_BTN_NEXT_GAME);
    const auto width = [&](CPlateButton* button, const QRect& place) {
        return std::max(place.width(), button->fontMetrics().horizontalAdvance(button->text()) + kPadding);
    };
    m_btnPlay->setGeometry(QRect(play.topLeft(), QSize(width(m_btnPlay, play), play.height())));
    const int left = std::max(uncounted.left(), m_btnPlay->geometry().right() + 1 + kGap);
    const int room = ControlRect(IDC_BTN_EXPORT_GAME).left() - kGap - left;
    m_btnUncounted->setGeometry(left, uncounted.top(), std::min(width(m_btnUncounted, uncounted), room),
                                uncounted.height());
}

void CDlgDebrief::UpdateHint() {
    if (m_view == View::Overview)
        m_stcHint->SetText(m_tblOverview->isHidden() ? kNoGamesHint : kOverviewHint);
    else if (m_games.empty())
        m_stcHint->SetText(kNoGamesHint);
    else if (m_view == View::Replay)
        m_stcHint->SetText(kReplayHint);
    else
        m_stcHint->SetText(m_chart->hasFocus() ? kChartHint : kProgressHint);
}

bool CDlgDebrief::AnyGames() const {
    if (m_players.empty())
        return CountHistoryGames(HistoryFolder()) > 0;
    return std::any_of(m_players.begin(), m_players.end(), [](const Player& player) {
        return CountHistoryGames(PlayerHistoryFolder(player)) > 0;
    });
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
    m_btnOverview->setChecked(view == View::Overview);
    const bool replay = view == View::Replay, overview = view == View::Overview;
    for (CPlateButton* button : {m_btnPrevGame, m_btnNextGame, m_btnExportGame, m_btnOverlay})
        button->setVisible(replay);
    for (QWidget* control : std::initializer_list<QWidget*>{m_cmbSeries, m_btnPlay, m_btnUncounted})
        control->setVisible(view == View::Progress);
    for (QWidget* control : std::initializer_list<QWidget*>{m_btnPrev, m_btnNext, m_chart})
        control->setVisible(!overview);
    for (CPlateButton* period : m_btnPeriods)
        period->setVisible(overview);
    m_tblOverview->setVisible(false); // the overview shows it when it has rows
    if (m_cmbPlayer != nullptr)       // the overview is every player's
        m_cmbPlayer->setVisible(!overview);
    for (std::size_t i = 0; i < m_btnGames.size(); ++i) {
        m_stcInfo[i + 1]->setVisible(view != View::Progress);
        m_btnGames[i]->setVisible(false); // the progress shows those it fills
    }
    m_btnPrev->setText(replay ? Aviluma::tr("◀ 上一次")
                              : Aviluma::tr("◀ 上一项"));
    m_btnNext->setText(replay ? Aviluma::tr("下一次 ▶")
                              : Aviluma::tr("下一项 ▶"));
    // Read without the arrows.
    m_btnPrev->setAccessibleName(replay ? Aviluma::tr("上一次尝试")
                                        : Aviluma::tr("上一项"));
    m_btnNext->setAccessibleName(replay ? Aviluma::tr("下一次尝试")
                                        : Aviluma::tr("下一项"));
    m_chart->setAccessibleName(replay ? Aviluma::tr("横滚与俯仰")
                               : overview ? Tr(kOverviewItemText)
                                          : Aviluma::tr("每局总分"));
    const QString caption = QStringLiteral("Aviluma—") + Tr(replay     ? kReplayItemText
                                                            : overview ? kOverviewItemText
                                                                       : kProgressItemText);
    m_stcTitle->SetText(caption);
    setWindowTitle(caption);
    if (replay)
        ShowReplay();
    else if (overview)
        ShowOverview();
    else
        ShowProgress();
    UpdateHint();
}

void CDlgDebrief::ShowReplay() {
    const int games = static_cast<int>(m_games.size());
    m_btnPrevGame->setEnabled(m_nGame > 0);
    m_btnNextGame->setEnabled(m_nGame >= 0 && m_nGame + 1 < games);
    m_btnExportGame->setEnabled(m_game.has_value());
    m_btnExportAll->setEnabled(AnyGames());
    const int attempts = m_game ? static_cast<int>(m_game->attempts.size()) : 0;
    m_btnPrev->setEnabled(m_nAttempt > 0);
    m_btnNext->setEnabled(m_nAttempt >= 0 && m_nAttempt + 1 < attempts);
    m_btnOverlay->setEnabled(false);
    if (!m_game) {
        m_chart->SetModel(Tr(games == 0
                                 ? kNoHistoryText
                                 : QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "这一局的记录无法读取。"))));
        SetInfo({});
        return;
    }
    const GameRecord& game = *m_game;
    QStringList info{
        ModeLine(game), game.started.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
        Aviluma::tr("%1 · 总分 %2")
            .arg(Tr(GameEndText(game)))
            .arg(game.total),
        Aviluma::tr("第 %1 局 / 共 %2 局").arg(m_nGame + 1).arg(games)};
    if (m_nAttempt < 0) {
        m_chart->SetModel(Aviluma::tr("这一局没有开始任何一次尝试。"));
        SetInfo(info);
        return;
    }
    const AttemptRecord& attempt = game.attempts[static_cast<std::size_t>(m_nAttempt)];
    // The attempts to compare with: those of the same difficulty (a level's three, a step of the others).
    std::vector<const AttemptRecord*> others;
    for (const AttemptRecord& other : game.attempts)
        if (&other != &attempt && other.difficulty == attempt.difficulty)
            others.push_back(&other);
    m_btnOverlay->setEnabled(!others.empty());
    if (!m_btnOverlay->isChecked())
        others.clear();
    const TraceChartModel trace = TraceChart(attempt, game.end, others);
    info << Aviluma::tr("第 %1 次 / 共 %2 次")
                .arg(m_nAttempt + 1)
                .arg(attempts)
         << Aviluma::tr("难度 %1 · 时限 %2 秒")
                .arg(attempt.difficulty)
                .arg(attempt.budgetMs / 1000)
         << trace.timeText << trace.pointsText;
    if (!game.player.isEmpty())
        info << Aviluma::tr("姓名：%1").arg(game.player);
    m_chart->SetModel(trace);
    SetInfo(info);
}

void CDlgDebrief::ShowProgress() {
    const std::vector<ProgressSeries> all = AllProgressSeries();
    const ProgressSeries& series = all[static_cast<std::size_t>(m_nSeries)];
    const bool games = !m_games.empty();
    // Without games there is nothing to step through or narrow.
    m_btnPrev->setEnabled(games && m_nSeries > 0);
    m_btnNext->setEnabled(games && m_nSeries + 1 < static_cast<int>(all.size()));
    m_btnExportAll->setEnabled(AnyGames());
    m_cmbSeries->setEnabled(games);
    m_btnUncounted->setEnabled(games);
    m_btnPlay->setEnabled(games && series.mode != GameMode::Level); // a level is played one way
    {
        const QSignalBlocker quiet(m_cmbSeries);
        m_cmbSeries->setCurrentIndex(m_nSeries);
    }
    ProgressChartModel progress = ProgressChart(m_games, series, m_filter);
    if (!games) {
        progress.title = Tr(kProgressItemText);
        progress.note = Tr(kNoProgressText);
        m_chart->SetModel(progress);
    } else if (progress.totals.isEmpty() && progress.uncounted.empty()) {
        // Games the filter hides are not "no games": say how many there are.
        const auto hidden = std::count_if(m_games.begin(), m_games.end(), [&](const GameRecord& game) {
            return InProgress(game, series, ProgressFilter{}) && !InProgress(game, series, m_filter);
        });
        m_chart->SetModel(
            hidden > 0
                ? Aviluma::tr("%1：没有符合筛选的对局（隐藏了 %2 局）。")
                      .arg(progress.title)
                      .arg(hidden)
                : Aviluma::tr("%1：还没有打完的对局。")
                      .arg(progress.title));
    } else {
        m_chart->SetModel(progress);
    }
    // The list follows the chart: the newest games it shows.
    const QString recent = Aviluma::tr("最近的对局");
    SetInfo({recent});
    std::size_t lines = 0;
    for (int i = static_cast<int>(m_games.size()) - 1; i >= 0 && lines < m_btnGames.size(); --i) {
        const GameRecord& game = m_games[static_cast<std::size_t>(i)];
        if (!InProgress(game, series, m_filter))
            continue;
        m_lineGames[lines] = i;
        m_btnGames[lines]->setText(GameLine(game));
        m_btnGames[lines]->setAccessibleName(
            Aviluma::tr("回放 %1").arg(GameLine(game)));
        m_btnGames[lines]->show();
        ++lines;
    }
    for (; lines < m_btnGames.size(); ++lines)
        m_btnGames[lines]->hide();
    if (m_btnGames[0]->isHidden())
        SetInfo({recent, games ? Aviluma::tr("没有符合的对局。")
                               : Aviluma::tr("还没有对局。")});
    m_stcInfo[1]->setVisible(m_btnGames[0]->isHidden());
    UpdateHint();
}

void CDlgDebrief::LoadOverviewGames() {
    // Read whole for the times to level, kept without the samples: a coach's PC may hold thousands.
    std::vector<std::pair<QString, std::vector<GameRecord>>> all;
    const auto slim = [](std::vector<GameRecord> games) {
        for (GameRecord& game : games)
            for (AttemptRecord& attempt : game.attempts)
                attempt.samples = {};
        return games;
    };
    if (m_players.empty())
        all.emplace_back(QString(), slim(ReadHistory(false, HistoryFolder())));
    for (const Player& player : m_players)
        all.emplace_back(player.name, slim(ReadHistory(false, PlayerHistoryFolder(player))));
    m_allGames = std::move(all);
}

void CDlgDebrief::SetPeriod(BoardPeriod period) {
    m_period = period;
    ShowOverview();
}

std::pair<QDateTime, QDateTime> CDlgDebrief::ComputeOverview() {
    if (!m_allGames)
        LoadOverviewGames();
    const QDateTime now = CurrentLocalTime();
    const QDateTime from = PeriodStart(m_period, now),
                    before = from.isValid() ? PeriodEnd(m_period, now) : QDateTime();
    m_overview.clear();
    for (const auto& [name, games] : *m_allGames)
        if (std::vector<LevelStats> levels = SummariseLevels(games, from, before); !levels.empty())
            m_overview.push_back({name, std::move(levels)});
    return {from, before};
}

void CDlgDebrief::ShowOverview() {
    ComputeOverview();
    for (std::size_t i = 0; i < m_btnPeriods.size(); ++i) // in the order of BoardPeriod
        m_btnPeriods[i]->setChecked(static_cast<int>(i) == static_cast<int>(m_period));
    m_btnExportAll->setEnabled(AnyGames());

    // A row per player and level; the players' column only where the PC has players.
    int rows = 0;
    for (const PlayerLevelStats& player : m_overview)
        rows += static_cast<int>(player.levels.size());
    m_tblOverview->setRowCount(rows);
    m_tblOverview->setColumnHidden(kPlayerColumn, m_players.empty());
    struct Quicker {
        double seconds;
        QString line;
    };
    std::vector<Quicker> quicker;
    bool comparable = false;
    int row = 0;
    for (const PlayerLevelStats& player : m_overview) {
        for (const LevelStats& level : player.levels) {
            m_tblOverview->setItem(row, kPlayerColumn, Cell(player.player, Qt::AlignLeft));
            m_tblOverview->setItem(row, kLevelColumn, Cell(QString::number(level.level)));
            m_tblOverview->setItem(row, kGamesColumn, Cell(QString::number(level.games)));
            m_tblOverview->setItem(row, kRateColumn,
                                   Cell(level.passRate
                                            ? Aviluma::tr("%1%（%2/%3）")
                                                  .arg(std::lround(*level.passRate * 100.0))
                                                  .arg(level.passed)
                                                  .arg(level.passed + level.failed)
                                            : QStringLiteral("—")));
            m_tblOverview->setItem(
                row, kMedianColumn,
                Cell(level.medianSeconds ? SecondsText(*level.medianSeconds) : QStringLiteral("—")));
            QTableWidgetItem* change = Cell(ChangeText(level));
            if (const std::optional<double> by = level.Improvement()) {
                comparable = true;
                change->setToolTip(
                    Aviluma::tr("前半 %1 → 后半 %2")
                        .arg(SecondsText(*level.earlierSeconds), SecondsText(*level.laterSeconds)));
                change->setData(Qt::AccessibleTextRole, ChangeText(level) + QStringLiteral("（") +
                                                            change->toolTip() + QStringLiteral("）"));
                if (level.Improved()) {
                    change->setForeground(kQuicker);
                    const QString who =
                        player.player.isEmpty() ? QString() : player.player + QStringLiteral(" · ");
                    quicker.push_back({*by, who + SeriesTitle({GameMode::Level, level.level}) +
                                                QStringLiteral(" · ") + ChangeText(level)});
                } else if (*by < 0) {
                    change->setForeground(kSlower);
                }
            }
            m_tblOverview->setItem(row, kChangeColumn, change);
            ++row;
        }
    }
    m_tblOverview->setVisible(rows > 0);
    m_chart->setVisible(rows == 0);
    if (rows == 0)
        m_chart->SetModel(Aviluma::tr("这段时间还没有闯关模式的对局。"));

    // Who got quicker, the most first.
    std::stable_sort(quicker.begin(), quicker.end(),
                     [](const Quicker& a, const Quicker& b) { return a.seconds > b.seconds; });
    QStringList info{Aviluma::tr("谁更快了")};
    for (std::size_t i = 0; i < quicker.size() && info.size() < kDebriefInfoLines; ++i) {
        if (info.size() == kDebriefInfoLines - 1 && quicker.size() - i > 1) {
            info << Aviluma::tr("还有 %1 项").arg(quicker.size() - i);
            break;
        }
        info << quicker[i].line;
    }
    if (quicker.empty())
        info << (comparable ? Aviluma::tr("这段时间没有人更快。")
                            : Aviluma::tr("一关打过两局才能比较。"));
    SetInfo(info);
    UpdateHint();
}

void CDlgDebrief::SetInfo(const QStringList& lines) {
    // The list of games and the overview take a smaller face than the replay's few facts.
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
    if (m_games.empty() || next < 0 || next >= static_cast<int>(AllProgressSeries().size()))
        return;
    m_nSeries = next;
    ShowProgress();
}

void CDlgDebrief::Export(bool all) {
    if (all) {
        ExportEverything();
        return;
    }
    std::vector<GameRecord> games;
    QString name;
    if (m_game) {
        games = {*m_game};
        name = kReplayItemText + QLatin1Char('-') +
               m_game->started.toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    }
    const QString folder = RecordFolder();
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".csv");
    int error = 0;
    const bool written =
        QDir().mkpath(folder) &&
        ReplaceFileAtomically(path, HistoryCsv(games, m_shown ? m_shown->name : QString()), &error);
    m_strLastExport = written ? path : QString();
    m_stcExported->SetTextColour(written ? kLabelWhite : QColor(0xff, 0x8a, 0x80));
    m_stcExported->SetText(
        written ? Aviluma::tr("已导出：%1").arg(path)
                : Aviluma::tr("无法导出到 %1：%2")
                      .arg(folder, QString::fromLocal8Bit(std::strerror(error != 0 ? error : EACCES))));
}

// Every player's games, a file each (a class's samples in one sheet would pass the rows a spreadsheet
// opens, and one player's are what a coach looks into), and the overview of the period chosen, in a
// folder of their own.
void CDlgDebrief::ExportEverything() {
    const QDateTime now = CurrentLocalTime();
    const QString record = RecordFolder();
    const QString base =
        record + QStringLiteral("/训练记录-") + now.toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = base + QLatin1Char('-') + QString::number(n);
    int error = 0;
    bool made = false;
    const auto fail = [&] {
        if (made)
            QDir(folder).removeRecursively(); // made here, just now: nothing half exported stays
        m_strLastExport.clear();
        m_stcExported->SetTextColour(QColor(0xff, 0x8a, 0x80));
        m_stcExported->SetText(
            Aviluma::tr("无法导出到 %1：%2")
                .arg(record, QString::fromLocal8Bit(std::strerror(error != 0 ? error : EACCES))));
    };
    if (!QDir().mkpath(record) || (error = CheckFolders(folder, true)) != 0 || !QFileInfo(folder).isDir()) {
        fail();
        return;
    }
    made = true;
    QStringList taken{kOverviewFileName};
    const auto write = [&](const QString& file, const QByteArray& bytes) {
        return ReplaceFileAtomically(folder + QLatin1Char('/') + file, bytes, &error);
    };
    if (m_players.empty() &&
        !write(ExportFileName(kProgressItemText, taken), HistoryCsv(ReadHistory(false, HistoryFolder())))) {
        fail();
        return;
    }
    for (const Player& player : m_players) {
        if (!write(ExportFileName(player.name, taken),
                   HistoryCsv(ReadHistory(false, PlayerHistoryFolder(player)), player.name))) {
            fail();
            return;
        }
    }
    // The overview's days: the period's, or for all time those of the first and last game.
    const auto [from, before] = ComputeOverview();
    QDate first = from.date(), last = before.addMSecs(-1).date();
    if (!from.isValid())
        for (const auto& [name, games] : *m_allGames)
            for (const GameRecord& game : games) {
                const QDate day = game.started.date();
                first = first.isValid() ? std::min(first, day) : day;
                last = last.isValid() ? std::max(last, day) : day;
            }
    if (!write(kOverviewFileName, LevelStatsCsv(m_overview, first, last))) {
        fail();
        return;
    }
    m_strLastExport = folder;
    m_stcExported->SetTextColour(kLabelWhite);
    m_stcExported->SetText(Aviluma::tr("已导出：%1（%2 个文件）")
                               .arg(folder)
                               .arg(taken.size()));
}

void CDlgDebrief::OnPrev() {
    m_view == View::Replay ? StepAttempt(-1) : StepSeries(-1);
}

void CDlgDebrief::OnNext() {
    m_view == View::Replay ? StepAttempt(1) : StepSeries(1);
}

void CDlgDebrief::keyPressEvent(QKeyEvent* event) {
    const bool replay = m_view == View::Replay;
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && m_view != View::Overview) {
        switch (event->key()) {
        case Qt::Key_Left:
            OnPrev();
            return;
        case Qt::Key_Right:
            OnNext();
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
