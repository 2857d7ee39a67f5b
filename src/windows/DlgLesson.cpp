#include "windows/DlgLesson.h"

#include "game/Scoring.h"
#include "instruments/LevelTarget.h"
#include "link/Heartbeat.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "res/Resource.h"
#include "state/Globals.h"
#include "widgets/Announcer.h"
#include "widgets/SystemColours.h"

#include <QTimer>

namespace {

constexpr int kTargetPeriodMs = 100; // the dot moves as often as the lesson samples
// A close waits this long at most for the lesson to end: one sample, a command exchange with its
// three tries and the stop command fit well inside.
constexpr std::chrono::milliseconds kLessonEndBound{3000};
constexpr std::chrono::milliseconds kHeartbeatEndBound{1000};

const QColor kGold(0xff, 0xd5, 0x4f);
const QColor kHelpBlue(0xcf, 0xe5, 0xff);
const QColor kHintBlue(0xb3, 0xd4, 0xff);

QString HelpText() {
    return Aviluma::tr("圆点是无人机倾斜的方向：\n"
                                                          "向右横滚就往右，抬头就往上。\n"
                                                          "用摇杆把圆点移进绿色方框（±%1°），\n"
                                                          "在框里停住 1 秒。")
        .arg(static_cast<int>(kLevelLimitDeg));
}

} // namespace

QString LessonCountdownText(int leftMs) {
    const int seconds = (std::max(leftMs, 0) + 999) / 1000;
    return Aviluma::tr("还剩 %1 秒").arg(seconds);
}

QString LessonLineText(LessonStep step) {
    switch (step) {
    case LessonStep::OutOfBox:
        return Tr(kLessonOutOfBoxText);
    case LessonStep::Holding:
        return Tr(kLessonHoldText);
    case LessonStep::OutOfTime:
        return Aviluma::tr("时间到，再来一次");
    }
    return {};
}

CDlgLesson::CDlgLesson() : CPictureDialog(IDD_DLG_LESSON, IDB_LESSON) {
    m_target = new CLevelTarget(this);
    m_announcer = new CAnnouncer(this); // the lesson's end, said as it comes
    m_target->hide();
}

CDlgLesson::~CDlgLesson() {
    if (m_workerThread.Running()) {
        StopHeartbeat(); // the lesson sees the window closing and ends
        WaitForLessonEnd(kLessonEndBound);
    }
    m_workerThread.Join(true);
}

void CDlgLesson::OnInitDialog() {
    ++m_nOpening;
    m_end = LessonEnd::Closed;
    m_btnClose = SetUpButton(IDC_BTN_CLOSE, IDI_CLOSE);
    m_btnClose->setAccessibleName(Aviluma::tr("退出试飞"));
    connect(m_btnClose, &QAbstractButton::clicked, this, &CDlgLesson::OnCancel);
    m_stcTitle = SetUpLabel(IDC_STC_TITLE, 20, false, kLabelWhite);
    m_stcTitle->SetLayout(false, true);
    m_stcTitle->SetText(kLessonCaption);
    setWindowTitle(Tr(kLessonCaption));

    m_stcTry = SetUpLabel(IDC_STC_LESSON_TRY, 20, false, kGold);
    m_stcTry->SetLayout(true, true);
    m_stcTry->SetText(Aviluma::tr("无人机马上会倾斜")); // then the try
    // What to do now: large, and where a screen reader is (it has the focus), so each change is read.
    m_stcLine = SetUpLabel(IDC_STC_LESSON_LINE, 34, false, kLabelWhite);
    m_stcLine->SetLayout(true, true);
    m_stcLine->SetText(Aviluma::tr("准备……"));
    m_stcLine->setFocusPolicy(Qt::StrongFocus);
    m_stcCountdown = SetUpLabel(IDC_STC_COUNTDOWN, 40, false, kLabelWhite);
    m_stcCountdown->SetLayout(true, true);
    m_stcCountdown->SetText(LessonCountdownText(kDifficultyTable[kLessonDifficulty].budgetMs));
    m_stcHelp = SetUpLabel(IDC_STC_LESSON_HELP, 17, false, kHelpBlue);
    m_stcHelp->SetLayout(true, true);
    m_stcHelp->SetText(HelpText());
    m_stcHint = SetUpLabel(IDC_STC_HINT, 17, false, kHintBlue);
    m_stcHint->SetLayout(true, true);
    m_stcHint->SetText(Aviluma::tr("试飞不计分，也不留下任何记录；成功一次就直接进入第 1 关。\nEsc 随时退出"));

    QWidget* placeholder = Control<QWidget>(IDC_STC_TARGET);
    m_target->setGeometry(placeholder->geometry());
    placeholder->hide();
    m_target->SetLimit(kLevelLimitDeg);
    m_target->SetHold(0.0f);
    m_target->SetLive(AttitudeIsFresh());
    m_target->SetAttitude(g_fRoll, g_fPitch);
    m_target->show();
    m_target->raise();

    // The drone is driven as in a game: the heartbeat while the window is open, the lesson at once.
    g_bLinkActive = true;
    StartHeartbeat(); // keeps a sender that is still running from an earlier window
    m_timerTarget.start(kTargetPeriodMs);
    m_workerThread.Start([this] { m_end = m_driver.Run(); });
    m_stcLine->setFocus();
    m_announcer->Withdraw();
}

std::vector<int> CDlgLesson::TabOrder() const {
    return {IDC_STC_LESSON_LINE, IDC_BTN_CLOSE};
}

void CDlgLesson::OnTargetTimer() {
    m_target->SetLive(AttitudeIsFresh());
    m_target->SetAttitude(g_fRoll, g_fPitch);
}

void CDlgLesson::ShowTry(int number, int budgetMs) {
    OnUiThread([this, number, budgetMs] {
        m_stcTry->SetText(Aviluma::tr("第 %1 次").arg(number));
        m_stcLine->SetText(LessonLineText(LessonStep::OutOfBox));
        m_stcCountdown->SetText(LessonCountdownText(budgetMs));
        m_target->SetHold(0.0f);
    });
}

void CDlgLesson::ShowProgress(const LessonProgress& progress) {
    OnUiThread([this, progress] {
        m_stcLine->SetText(LessonLineText(progress.step));
        m_stcCountdown->SetText(LessonCountdownText(progress.leftMs));
        m_target->SetHold(static_cast<float>(progress.heldMs) / static_cast<float>(kHoldTimeMs));
    });
}

void CDlgLesson::ShowLessonEnd(LessonEnd end) {
    OnUiThread([this, end] {
        m_stcCountdown->SetText(QString());
        if (end == LessonEnd::LinkLost) {
            m_stcLine->SetText(Tr(kLessonLinkLostText));
            m_announcer->Announce(Tr(kLessonLinkLostText));
            m_stcHelp->SetText(Aviluma::tr("试飞已停止。\n请检查无人机和连接，\n然后从右键菜单再开始试飞。"));
            return;
        }
        m_stcLine->SetText(Tr(kLessonLevelledText));
        m_announcer->Announce(Tr(kLessonLevelledText));
        m_stcTry->SetText(Aviluma::tr("接下来：第 1 关"));
        QTimer::singleShot(kLevelledPause, this, [this, opening = m_nOpening] {
            if (opening != m_nOpening || !isVisible())
                return; // left meanwhile, or another lesson since
            WaitForLessonEnd(kLessonEndBound);
            m_timerTarget.stop();
            EndDialog(QDialog::Accepted);
        });
    });
}

bool CDlgLesson::WaitForLessonEnd(std::chrono::milliseconds bound) {
    return CUiThread::WaitForWorker(m_workerThread, bound);
}

void CDlgLesson::OnCancel() {
    Leave();
}

void CDlgLesson::Leave() {
    if (m_workerThread.Running()) {
        StopHeartbeat(); // clears g_bLinkActive: the try under way ends within one sample
        m_timerTarget.stop();
        WaitForLessonEnd(kLessonEndBound);
        WaitHeartbeatEnd(kHeartbeatEndBound);
    }
    m_timerTarget.stop();
    ++m_nOpening; // a praise still waiting to open level 1 opens nothing now
    EndDialog(QDialog::Rejected);
}
