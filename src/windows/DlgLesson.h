// The first-flight lesson's window: the dot and the box (the drone's lean and level flight), what to do
// now in a line of its own, the time left in the try, and how to fly it. The lesson starts as the window
// opens and runs on a worker thread (game/LessonDriver.h); it ends the window by itself once the player
// has levelled (accepted: on to level 1). Esc, the close button or the window manager's close leave it
// at any time, without a question: the lesson keeps nothing.
#pragma once

#include "game/LessonDriver.h"
#include "platform/WorkerThread.h"
#include "windows/PictureDialog.h"

#include <atomic>
#include <chrono>

class CAnnouncer;
class CLevelTarget;

inline const QString kLessonCaption = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Aviluma—新手试飞"));
inline const QString kLessonOutOfBoxText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "把圆点移进方框"));
inline const QString kLessonHoldText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "保持… 1 秒"));
inline const QString kLessonLevelledText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "做得好！这就是水平飞行。"));
inline const QString kLessonLinkLostText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无人机没有信号了"));

// "还剩 7 秒": the whole seconds left of a try, rounded up, so it reads 1 until the very end.
QString LessonCountdownText(int leftMs);
// What to do now, for a step of a try.
QString LessonLineText(LessonStep step);

class CDlgLesson : public CPictureDialog, public ILessonWindow {
public:
    CDlgLesson();
    ~CDlgLesson() override;

    // ILessonWindow, called from the lesson's thread: each hands its work to the UI thread.
    void ShowTry(int number, int budgetMs) override;
    void ShowProgress(const LessonProgress& progress) override;
    void ShowLessonEnd(LessonEnd end) override;

    // Waits until the lesson has ended, running the UI thread's queue meanwhile; true when none runs.
    // The owner calls it before the program ends.
    bool WaitForLessonEnd(std::chrono::milliseconds bound);
    bool Running() const { return m_workerThread.Running(); }
    // How the last lesson ended; Closed until one has ended otherwise. And its tries.
    LessonEnd LastEnd() const { return m_end; }
    int Tries() const { return m_driver.Tries(); }

    // Controls of the current opening.
    CLevelTarget* m_target = nullptr;
    CColorStatic* m_stcTitle = nullptr;
    CColorStatic* m_stcTry = nullptr;
    CColorStatic* m_stcLine = nullptr;
    CColorStatic* m_stcCountdown = nullptr;
    CColorStatic* m_stcHelp = nullptr;
    CColorStatic* m_stcHint = nullptr;
    CButtonST* m_btnClose = nullptr;
    CAnnouncer* m_announcer = nullptr;

    // The dot follows the drone's attitude on a timer of its own.
    void OnTargetTimer();
    CDialogTimer m_timerTarget{*this, [this] { OnTargetTimer(); }};
    // After the player has levelled: the praise stays this long before level 1 opens.
    static constexpr std::chrono::milliseconds kLevelledPause{2500};

protected:
    void OnInitDialog() override;
    void OnCancel() override;
    std::vector<int> TabOrder() const override;

private:
    void Leave(); // ends a lesson under way, then the window

    CLessonDriver m_driver{*this};
    CWorkerThread m_workerThread;
    std::atomic<LessonEnd> m_end{LessonEnd::Closed};
    int m_nOpening = 0; // counts the openings, so a praise timer of an earlier one does nothing
};
