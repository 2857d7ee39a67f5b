// The games of the three modes, run on the game worker thread.
//
// A level game is three attempts at the level's difficulty, all of which must score. Wild climbs
// difficulties 1 to 10, three attempts each; endless draws a random difficulty for every attempt; both
// go on until an attempt fails, then record the total (score sheet in competition, top three lists).
//
// A game is cut short, with nothing recorded, when its window closes or when the link stops holding
// (LinkHolds, on the published link reading): no attempt starts, and none is measured, on an attitude older
// than kAttitudeFreshFor, on another connection than the game's (the drone lost, even when another
// took its place at once), or on a link the monitor judges below weak. The stop command is still
// sent (to the game's own drone: a drone connected in its place gets none of the game's commands), and
// in the second case the player is told.
//
// Every game, also one cut short, goes into the history when it ends (records/History.h): each
// attempt's samples, hold, time to level and points, and how the game ended.
#pragma once

#include "link/LinkRecords.h"
#include "platform/Translation.h"
#include "records/History.h"
#include "state/GameTypes.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

// What a game needs of the window it is played in. The calls come from the game worker thread; the
// window hands them to its own thread. The last four return once the player has answered.
class IGameWindow {
public:
    virtual ~IGameWindow() = default;
    virtual void SetStatusText(const QString& text) = 0; // difficulty and attempt
    virtual void ShowScore(int total) = 0;               // the running total, truncated
    virtual void SetResultText(const QString& text) = 0; // outcome of a level game
    virtual void RefreshRecords() = 0;                   // the records lines, after a new record
    // Asks for the name of a game of total points (rank: its place in the top list, 0 for none);
    // g_strPlayerName holds the name after.
    virtual void ShowNameEntry(int total, int rank) = 0;
    // What comes next or how the game came to end, in a line of its own.
    virtual void ShowGuide(const QString& text) = 0;
    virtual void ShowNewRecord() = 0;   // a level's best total was beaten
    virtual void AskToCloseSheet() = 0; // the score sheet is held by another program
    virtual void ShowLinkLost() = 0;    // the game ended: the drone went quiet or away
    // How an attempt or a game ended, for a screen reader to say as it happens (a game cut short
    // says so in its message box).
    virtual void AnnounceResult(const QString& text) = 0;
};

inline const QString kLevelPassedText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "恭喜你，闯关成功！"));
inline const QString kLevelFailedText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "闯关失败，请继续努力！"));

// "难度：3 — 次数：1" and "难度：7".
QString DifficultyAttemptText(int difficulty, int attempt);
QString DifficultyText(int difficulty);
// What the next attempt is: "第 3 关 · 难度 3 · 时限 10 秒", "狂野模式 · 难度 4 · 时限 10 秒".
QString AttemptGuideText(GameMode mode, int level, int difficultyIndex);
// How a wild or endless game came to its end: "第 6 次：10 秒内未能稳定 · 游戏结束 · 总分 330".
QString GameEndGuideText(const std::vector<AttemptRecord>& attempts, int total);
// Why a level game failed: "第 2 次：10 秒内未能稳定".
QString LevelFailedGuideText(const std::vector<AttemptRecord>& attempts);
// What a screen reader says of an attempt that levelled, total: the game's total after it:
// "第 2 次成功，2.3 秒稳定，总分 200".
QString AttemptPassedSpeech(const AttemptRecord& attempt, int total);
// ... and of a level game's end: "恭喜你，闯关成功！ 总分 300",
// "闯关失败，请继续努力！ 第 2 次：10 秒内未能稳定".
QString LevelEndSpeech(bool passed, const std::vector<AttemptRecord>& attempts, int total);

// The difficulty index (0..9) of an endless attempt: a fresh, uniform draw for every attempt, from a
// 64-bit generator seeded once per run from the system's entropy and the clock, so nobody can read the
// next difficulty off a clock. Tests fix the draws with a function, or seed the generator.
int DrawEndlessDifficulty();
void SetEndlessDraw(std::function<int()> draw); // an empty function restores the generator
void SeedEndlessDraws(std::uint64_t seed);

class CGameDrivers {
public:
    explicit CGameDrivers(IGameWindow& window) : m_window(window) {}

    void RunLevelGame();
    void RunWildGame();
    void RunEndlessGame();

    // The running total of the current game; the start button sets it to 0.
    std::atomic<float> m_fTotalScore{0.0f};

    // The history file of the last game played, empty before the first or when it could not be kept.
    QString LastHistoryPath() const;

private:
    // One attempt: its status text, the start command with difficulty index and attempt byte, the
    // measurement; a scoring attempt's points join the total, followed by the pause. False when the
    // attempt failed.
    bool PlayAttempt(GameCommand& command, int difficulty, int attempt, const QString& status);
    // Where the current game stands. Playing until an attempt finds the link no longer holding
    // (LinkLost); a window that closed ends the game as Closed whatever else happened, which Settle
    // folds in wherever the game asks.
    enum class GameState { Playing, LinkLost, Closed };
    GameState Settle();
    // The common end of every game: the stop command, and true when the game may be recorded.
    bool FinishGame(GameCommand& command);
    // The common end of wild and endless: stop command, sheet line, top list.
    void FinishListGame(GameCommand& command, GameMode mode, const QString& sheetText);

    // The game's history: begun with the game, written when it ends, however it ends.
    void BeginHistory(GameMode mode, int level);
    void KeepHistory(std::optional<bool> passed);

    IGameWindow& m_window;
    GameState m_state = GameState::Playing; // of the current game; the worker thread's own
    std::uint64_t m_nGameLink = 0;          // the link's generation when the current game started
    GameRecord m_history;                   // the worker thread's own
    bool m_bNameAsked = false;
    mutable std::mutex m_historyMutex;
    QString m_strLastHistory;
};
