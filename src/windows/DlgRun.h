// The window in which every game is played: the two instruments fed from the drone, the live
// attitude readout, the difficulty and attempt, the running total, the records lines, and the start,
// clear and close buttons. The game itself runs on a worker thread through the game drivers.
#pragma once

#include "game/GameDrivers.h"
#include "platform/Translation.h"
#include "platform/WorkerThread.h"
#include "records/Records.h"
#include "windows/DlgDebrief.h"
#include "windows/DlgRecord.h"
#include "windows/PictureDialog.h"

#include <array>
#include <atomic>

class CAnnouncer;
class CAttitude;
class CHeightMeter;

inline const QString kCloseDuringGameText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "游戏尚未结束，是否关闭并退出？\n选择\"是\"关闭并退出"));
inline const QString kClearRecordsText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "将清空所有记录信息？\n选择\"是\"清空记录"));
inline const QString kGameRunningTip = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "游戏进行中"));
inline const QString kReadoutAtRest = QStringLiteral("00 | 00 | 00");
inline const QString kLinkFaultText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "PC-无人机连接异常，请检查连接并确认连接正常后开始游戏"));
inline const QString kNewRecordText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "恭喜你打破了本关记录！"));
inline const QString kCloseSheetText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "成绩写入失败，请关闭打开的成绩单后点确认！"));

// What the name entry says the name is for: a total that enters the top three (rank 1..3) or, in a
// competition, only the score sheet (rank 0).
QString NameEntryReason(int total, int rank);
// The caption of the window for a mode and play type; empty for an unknown mode.
QString RunCaption(GameMode gameMode, PlayType playType);
// The total as the score label shows it: right-aligned in three characters up to 999.
QString ScoreText(int total);
// Roll, pitch and yaw in whole degrees, truncated: "12 | -3 | 145". Values past ±9999 show as ±9999 and
// non-numbers as 0: the readout never turns a float into an int it cannot hold.
QString ReadoutText(float roll, float pitch, float yaw);
// A top-list line: "Top1    120    玩家一" ("1st    120    Alice" in English).
QString TopListLine(int rank, int score, const QString& name);
// Timer 10 feeds the instruments during a game, timer 11 the readout while the window is open.
inline constexpr int kTimerInstruments = 10;
inline constexpr int kTimerReadout = 11;
// The readout while the drone sends no attitude.
inline const QString kStaleReadoutText = QStringLiteral("-- | -- | --");

class CDlgRun : public CPictureDialog, public IGameWindow {
public:
    CDlgRun();
    ~CDlgRun() override;

    // The games of the three modes, run by the worker.
    void RunLevelGame() { m_drivers.RunLevelGame(); }
    void RunWildGame() { m_drivers.RunWildGame(); }
    void RunEndlessGame() { m_drivers.RunEndlessGame(); }

    // IGameWindow, called from the worker thread: each hands its work to the UI thread.
    void SetStatusText(const QString& text) override;
    void ShowScore(int total) override;
    void SetResultText(const QString& text) override;
    void RefreshRecords() override;
    void ShowNameEntry(int total, int rank) override;
    void ShowGuide(const QString& text) override;
    void ShowNewRecord() override;
    void AskToCloseSheet() override;
    void ShowLinkLost() override;
    void AnnounceResult(const QString& text) override;

    // Waits until the game worker has ended, running the UI thread's queue meanwhile; true when no
    // game runs. The owner calls it before the program ends.
    bool WaitForGameEnd(std::chrono::milliseconds bound);
    bool Playing() const { return m_bPlaying; }

    // Controls of the current opening; valid while the window is open and until it opens again.
    CAttitude* m_attitude = nullptr;
    CHeightMeter* m_heightMeter = nullptr;
    CColorStatic* m_stcTitle = nullptr;
    CColorStatic* m_stcScore = nullptr;
    CColorStatic* m_stcStatus = nullptr;
    CColorStatic* m_stcAttitude = nullptr;
    CColorStatic* m_stcGuide = nullptr;                    // what comes next, how a game ended
    std::array<CColorStatic*, kTopListSize> m_stcRecord{}; // top list lines; a level's best and result
    CButtonST* m_btnStart = nullptr;
    CButtonST* m_btnClose = nullptr;
    CButtonST* m_btnClear = nullptr;
    CAnnouncer* m_announcer = nullptr; // each result, said to a screen reader; lives with the window

    CDlgRecord m_dlgRecord;
    CDlgDebrief m_dlgDebrief;

    // Timer 10 feeds the instruments during a game, timer 11 the readout while the window is open.
    void OnTimer(int id);
    CDialogTimer m_timerInstruments{*this, [this] { OnTimer(kTimerInstruments); }};
    CDialogTimer m_timerReadout{*this, [this] { OnTimer(kTimerReadout); }};

protected:
    void OnInitDialog() override;
    void OnCancel() override;
    // The replay of the last game: from the background's context menu, or F2, while no game runs.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenDebrief();
    void OnStart();
    void OnClose();
    void OnClearRecords();
    void ShowRecords(); // UI thread
    void GameWorker();
    void EndCancel(); // the cancel step: timer 11 stopped, the window ends
    void PlaceInstrument(QWidget* instrument, int placeholderId, QSize size);

    CGameDrivers m_drivers{*this};

public:
    std::atomic<float>& m_fTotalScore = m_drivers.m_fTotalScore;

private:
    std::atomic<bool> m_bPlaying{false};
    CWorkerThread m_workerThread;
};
