#include "windows/DlgRun.h"

#include "game/Scoring.h"
#include "instruments/Attitude.h"
#include "instruments/HeightMeter.h"
#include "link/Heartbeat.h"
#include "platform/MessageBox.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "records/Records.h"
#include "res/Resource.h"
#include "state/Globals.h"
#include "widgets/Announcer.h"
#include "widgets/SystemColours.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kInstrumentPeriodMs = 300;
constexpr int kReadoutPeriodMs = 200;
constexpr float kRepaintThreshold = 0.5f; // smaller moves of an instrument are not drawn
// A close waits this long at most for the game to end: one sample, a command exchange with its three
// tries and the stop command fit well inside.
constexpr std::chrono::milliseconds kGameEndBound{3000};
constexpr std::chrono::milliseconds kHeartbeatEndBound{1000};

constexpr int kStatusInset = 10; // pixels clear of the status box's frame
const QColor kRed(255, 0, 0);
const QColor kGuideGold(0xff, 0xd5, 0x4f);

} // namespace

QString RunCaption(GameMode gameMode, PlayType playType) {
    const QString kind = playType == PlayType::Competition
                             ? Aviluma::tr("比赛模式")
                             : Aviluma::tr("练习模式");
    switch (gameMode) {
    case GameMode::Level:
        return Aviluma::tr("Aviluma—闯关模式—模拟器");
    case GameMode::Wild:
        return Aviluma::tr("Aviluma—狂野模式—%1—模拟器").arg(kind);
    case GameMode::Endless:
        return Aviluma::tr("Aviluma—无尽模式—%1—模拟器").arg(kind);
    }
    return QString();
}

QString ScoreText(int total) {
    if (total > 99)
        return QString::asprintf("%d", total);
    if (total >= 10)
        return QString::asprintf(" %d", total);
    return QString::asprintf("  %d", total);
}

QString ReadoutText(float roll, float pitch, float yaw) {
    auto degrees = [](float value) {
        constexpr float kShownLimit = 9999.0f;
        return std::isnan(value) ? 0 : static_cast<int>(std::clamp(value, -kShownLimit, +kShownLimit));
    };
    return QString::asprintf("%2d | %2d | %2d", degrees(roll), degrees(pitch), degrees(yaw));
}

CDlgRun::CDlgRun() : CPictureDialog(IDD_DLG_RUN, IDB_RUN) {
    // The instruments decode their pictures once, here, and live as long as the window does.
    m_attitude = new CAttitude(this);
    m_heightMeter = new CHeightMeter(this);
    m_attitude->hide();
    m_heightMeter->hide();
    m_announcer = new CAnnouncer(this);
}

CDlgRun::~CDlgRun() {
    if (m_workerThread.Running()) {
        StopHeartbeat(); // the game sees the window closing and ends
        WaitForGameEnd(kGameEndBound);
    }
    m_workerThread.Join(true);
}

void CDlgRun::PlaceInstrument(QWidget* instrument, int placeholderId, QSize size) {
    // At the placeholder's top-left corner, at the pictures' own size whatever the placeholder's.
    QWidget* placeholder = Control<QWidget>(placeholderId);
    instrument->setGeometry(QRect(placeholder->geometry().topLeft(), size));
    placeholder->hide();
    instrument->show();
    instrument->raise();
}

void CDlgRun::OnInitDialog() {
    m_btnClose = SetUpButton(IDC_BTN_CLOSE, IDI_CLOSE);
    m_btnStart = SetUpButton(IDC_BTN_START, IDI_START);
    m_btnClear = SetUpButton(IDC_BTN_CLEAR, IDI_CLEAR);
    m_btnClose->setAccessibleName(Aviluma::tr("关闭"));
    m_btnStart->setAccessibleName(Aviluma::tr("开始"));
    m_btnClear->setAccessibleName(Aviluma::tr("清除记录"));
    connect(m_btnStart, &QAbstractButton::clicked, this, &CDlgRun::OnStart);
    connect(m_btnClose, &QAbstractButton::clicked, this, &CDlgRun::OnClose);
    connect(m_btnClear, &QAbstractButton::clicked, this, &CDlgRun::OnClearRecords);
    m_announcer->Withdraw(); // the last game's result is not said again as the window opens

    // The status box's frame is drawn inside the label's left edge; the records boxes are taller than
    // a line. Texts sit in the middle of their boxes, and a records line too long for its box is cut
    // (the whole line is the tooltip).
    // Both are drawn smaller where a longer language needs it.
    Label(IDC_STC_STATUS)->SetLayout(true, true, kStatusInset);
    m_stcStatus = SetUpLabel(IDC_STC_STATUS, 30, false, kLabelWhite, DifficultyAttemptText(10, 3));
    m_stcStatus->SetText(QString());
    m_stcTitle = SetUpLabel(IDC_STC_TITLE, 20, false, kLabelWhite);
    m_stcTitle->SetLayout(false, true);
    const QString caption = RunCaption(g_nGameMode, g_nPlayType);
    if (!caption.isEmpty()) {
        m_stcTitle->SetText(caption);
        setWindowTitle(caption);
    }
    // Digits of one width, so the readout does not jitter as its values change.
    m_stcAttitude = SetUpLabel(IDC_STC_ATTITUDE, 25, false, kLabelWhite, {}, kDigitsFaceName);
    m_stcAttitude->SetLayout(true, false);
    m_stcAttitude->SetText(kReadoutAtRest);
    m_stcAttitude->SetSpokenLabel(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "横滚 | 俯仰 | 航向")));
    for (int i = 0; i < kTopListSize; ++i) {
        m_stcRecord[static_cast<std::size_t>(i)] = SetUpLabel(IDC_STC_RECORD1 + i, 25, true, kLabelWhite);
        m_stcRecord[static_cast<std::size_t>(i)]->SetLayout(true, true);
    }
    // What the first attempt will be; the game tells each next one and how it ended.
    m_stcGuide = SetUpLabel(IDC_STC_GUIDE, 16, false, kGuideGold);
    m_stcGuide->SetLayout(true, true);
    const int level = std::clamp(g_nLevel.load(), 1, kLevelCount);
    m_stcGuide->SetText(g_nGameMode == GameMode::Level  ? AttemptGuideText(GameMode::Level, level, level - 1)
                        : g_nGameMode == GameMode::Wild ? AttemptGuideText(GameMode::Wild, 0, 0)
                        : g_nGameMode == GameMode::Endless
                            ? Aviluma::tr("无尽模式 · 每次难度随机")
                            : QString());
    m_stcScore = SetUpLabel(IDC_STC_SCORE, 50, true, kRed);
    m_stcScore->SetSpokenLabel(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "得分")));
    m_stcScore->SetText(QString::asprintf("  %d", static_cast<int>(m_fTotalScore.load())));
    ShowRecords();

    PlaceInstrument(m_attitude, IDC_STC_ATTITUDE_FRAME, CAttitude::kSize);
    PlaceInstrument(m_heightMeter, IDC_STC_METER_FRAME, CHeightMeter::kSize);

    g_bLinkActive = true;
    StartHeartbeat(); // keeps a sender that is still running from an earlier opening
    m_timerReadout.start(kReadoutPeriodMs);
    m_btnStart->setFocus();
}

void CDlgRun::OnStart() {
    if (m_bPlaying)
        return;
    // No game on an attitude the drone stopped sending (it would measure the past), nor on a link
    // too thin to sample: below weak, a frame would stand in for several samples.
    const LinkReading link = g_Link.Read();
    if (LinkLossFor(link, link.generation) != LinkLoss::Holds) {
        MessageBoxOk(kLinkFaultText);
        return;
    }
    m_fTotalScore = 0.0f;
    m_bPlaying = true;
    m_stcScore->SetText(QString::asprintf("  %d", static_cast<int>(m_fTotalScore.load())));
    m_btnStart->SetStateIcons(LoadIconResource(IDI_START_RUNNING));
    m_btnStart->SetHoverBorder(false);
    m_btnStart->setToolTip(Tr(kGameRunningTip));
    m_timerInstruments.start(kInstrumentPeriodMs);
    m_workerThread.Start([this] { GameWorker(); });
}

void CDlgRun::GameWorker() {
    switch (g_nGameMode) {
    case GameMode::Level:
        SetResultText(QString());
        RunLevelGame();
        break;
    case GameMode::Wild:
        RunWildGame();
        break;
    case GameMode::Endless:
        RunEndlessGame();
        break;
    }
    // Back to rest, as one step on the UI thread, so a start pressed meanwhile cannot interleave.
    OnUiThread([this] {
        m_btnStart->SetStateIcons(LoadIconResource(IDI_START));
        m_btnStart->SetHoverBorder(true);
        m_btnStart->setToolTip(QString());
        m_bPlaying = false;
        m_timerInstruments.stop();
        if (std::fabs(m_attitude->m_fRoll) > kRepaintThreshold ||
            std::fabs(m_attitude->m_fHeading) > kRepaintThreshold) {
            m_attitude->m_fRoll = 0.0f;
            m_attitude->m_fHeading = 0.0f;
            m_attitude->Invalidate();
        }
        if (std::fabs(m_heightMeter->m_fOffset) > kRepaintThreshold) {
            m_heightMeter->m_fOffset = 0.0f;
            m_heightMeter->Invalidate();
        }
        m_stcAttitude->SetText(kReadoutAtRest); // timer 11 brings the live values back
    });
}

void CDlgRun::OnTimer(int id) {
    if (id == kTimerInstruments) {
        const float roll = g_fRoll;
        const float yaw = g_fYaw;
        if (std::fabs(m_attitude->m_fRoll - roll) > kRepaintThreshold ||
            std::fabs(m_attitude->m_fHeading - yaw) > kRepaintThreshold) {
            m_attitude->m_fRoll = roll;
            m_attitude->m_fHeading = yaw;
            m_attitude->Invalidate();
        }
        const float offset = CHeightMeter::OffsetForPitch(g_fPitch, m_heightMeter->m_fScale);
        if (std::fabs(offset - m_heightMeter->m_fOffset) > kRepaintThreshold) {
            m_heightMeter->m_fOffset = offset;
            m_heightMeter->Invalidate();
        }
    } else if (id == kTimerReadout) {
        // Angles the drone stopped sending are not where it is now. Repaints only on a change.
        m_stcAttitude->SetText(AttitudeIsFresh() ? ReadoutText(g_fRoll, g_fPitch, g_fYaw)
                                                 : kStaleReadoutText);
    }
}

void CDlgRun::ShowScore(int total) {
    OnUiThread([this, total] { m_stcScore->SetText(ScoreText(total)); });
}

void CDlgRun::SetStatusText(const QString& text) {
    OnUiThread([this, text] { m_stcStatus->SetText(text); });
}

void CDlgRun::SetResultText(const QString& text) {
    OnUiThread([this, text] { m_stcRecord[2]->SetText(text); });
}

void CDlgRun::AnnounceResult(const QString& text) {
    // The lines' " · " would be read out as "middle dot" at every punctuation level: a pause instead.
    QString spoken = text;
    spoken.replace(QStringLiteral(" · "), Aviluma::tr("，"));
    OnUiThread([this, spoken] { m_announcer->Announce(spoken); });
}

void CDlgRun::RefreshRecords() {
    OnUiThread([this] { ShowRecords(); });
}

void CDlgRun::ShowNewRecord() {
    MessageBoxOk(kNewRecordText);
}

void CDlgRun::AskToCloseSheet() {
    MessageBoxOk(kCloseSheetText);
}

void CDlgRun::ShowLinkLost() {
    MessageBoxOk(kLinkFaultText);
}

void CDlgRun::ShowRecords() {
    const GameMode mode = g_nGameMode;
    if (mode == GameMode::Level) {
        const int level = g_nLevel;
        m_stcRecord[1]->SetText(QString());
        m_stcRecord[2]->SetText(QString());
        const int best = ReadBestScore(level);
        m_stcRecord[0]->SetText(
            best > 0 ? Aviluma::tr("关卡 %1 最高得分 : %2")
                           .arg(level)
                           .arg(best)
                     : QString());
        return;
    }
    const auto list = ReadTopList(TopListFilePath(g_nPlayType), TopListSection(mode));
    for (int rank = 1; rank <= kTopListSize; ++rank) {
        const TopListEntry& entry = list[static_cast<std::size_t>(rank - 1)];
        m_stcRecord[static_cast<std::size_t>(rank - 1)]->SetText(
            entry.score > 0 ? TopListLine(rank, entry.score, entry.name) : QString());
    }
}

QString TopListLine(int rank, int score, const QString& name) {
    // One text a rank, so that a language may say "1st" where the game says "Top1".
    static const std::array<QString, kTopListSize> kLines{
        QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Top1    %1    %2")),
        QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Top2    %1    %2")),
        QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Top3    %1    %2"))};
    return Tr(kLines[static_cast<std::size_t>(std::clamp(rank, 1, kTopListSize) - 1)]).arg(score).arg(name);
}

QString NameEntryReason(int total, int rank) {
    return rank > 0
               ? Aviluma::tr("本局 %1 分，进入前三名").arg(total)
               : Aviluma::tr("本局 %1 分，记入比赛成绩表").arg(total);
}

void CDlgRun::ShowNameEntry(int total, int rank) {
    CUiThread::Invoke([this, total, rank] {
        m_dlgRecord.SetReason(NameEntryReason(total, rank));
        m_dlgRecord.DoModal();
    });
}

void CDlgRun::ShowGuide(const QString& text) {
    OnUiThread([this, text] {
        if (m_stcGuide != nullptr)
            m_stcGuide->SetText(text);
    });
}

void CDlgRun::OnClearRecords() {
    if (!MessageBoxYesNo(kClearRecordsText))
        return;
    const GameMode mode = g_nGameMode;
    bool cleared = true;
    if (mode == GameMode::Level)
        cleared = ClearBestScore(g_nLevel);
    else if (mode == GameMode::Wild || mode == GameMode::Endless)
        cleared = ClearTopList(TopListFilePath(g_nPlayType), TopListSection(mode));
    if (!cleared) {
        ShowRecords(); // the player has been told; the lines keep showing what is still stored
        return;
    }
    m_stcStatus->SetText(QString());
    m_stcScore->SetText(QStringLiteral("  0"));
    for (CColorStatic* record : m_stcRecord)
        record->SetText(QString());
}

bool CDlgRun::WaitForGameEnd(std::chrono::milliseconds bound) {
    return CUiThread::WaitForWorker(m_workerThread, bound); // its last word too: the window back at rest
}

void CDlgRun::OnClose() {
    if (m_bPlaying) {
        // A game that ends while the question stands takes the question with it.
        if (!MessageBoxYesNoWhile(kCloseDuringGameText, [this] { return m_bPlaying.load(); }))
            return;
        StopHeartbeat(); // clears g_bLinkActive: the measurement under way ends within one sample
        m_timerInstruments.stop();
        // Rather than a fixed second: the game's own end, so nothing of it outlives the window.
        WaitForGameEnd(kGameEndBound);
        WaitHeartbeatEnd(kHeartbeatEndBound);
    }
    EndCancel();
}

void CDlgRun::OpenDebrief() {
    if (m_bPlaying)
        return;
    m_dlgDebrief.OpenAt(CDlgDebrief::View::Replay, m_drivers.LastHistoryPath());
    m_dlgDebrief.DoModal();
}

void CDlgRun::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* replay = menu.addAction(Tr(kReplayItemText));
    replay->setEnabled(!m_bPlaying);
    if (menu.exec(event->globalPos()) == replay)
        OpenDebrief();
}

void CDlgRun::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        OpenDebrief();
        return;
    }
    CPictureDialog::keyPressEvent(event);
}

void CDlgRun::OnCancel() {
    // Esc and the close command during a game ask first, as the close button does.
    if (m_bPlaying)
        OnClose();
    else
        EndCancel();
}

void CDlgRun::EndCancel() {
    m_timerReadout.stop();
    EndDialog(QDialog::Rejected);
}
