// Every game the player plays, kept for the debrief: one file per game in history/ of the settings
// folder, named after its start time and mode and then its number in the order games were written
// ("2026-12-07-16-05-01-250-wild.17.jsonl"); the kHistoryKeepGames written last are kept.
//
// A file is JSON Lines, UTF-8, one object per line, so a coach's tools read it line by line and a new
// field never breaks an old reader:
//
//   {"format":"aviluma-history","version":1,"mode":"level","level":3,"play":null,
//    "started":"2026-12-07T16:05:01.250+01:00","ended":"...","end":"finished","result":"passed",
//    "total":29,"attempts":3,"player":null}
//   {"attempt":1,"difficulty":3,"budget_ms":10000,"end":"level","seconds_to_level":0.4,"points":28.8,
//    "hold_start_ms":400,"hold_end_ms":1400,"samples":[[100,12.5,-3.25,145],...]}
//
// mode: level, wild, endless. play: practice or competition (wild and endless), null for levels.
// end: finished, closed (the player closed the window mid-game) or link-lost (the drone went quiet).
// result: passed or failed for a finished level game, null otherwise. An attempt's end: level (held
// level for a second within the budget), out-of-time, or cut. samples: [ms since the attempt's start,
// roll, pitch, yaw in degrees], one every 100 ms as the game took them. hold_*_ms: the second of the
// hold the game counted, -1 when there was none. A reader skips files of another format or of a
// newer version.
#pragma once

#include "state/GameTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

inline constexpr int kHistoryFormatVersion = 1;
inline constexpr int kHistoryKeepGames = 1000;

struct AttitudeSample {
    int timeMs = 0; // since the attempt's start command
    float roll = 0.0f;
    float pitch = 0.0f;
    float yaw = 0.0f;
    bool operator==(const AttitudeSample&) const = default;
};

enum class AttemptEnd { Level, OutOfTime, Cut };
enum class GameEnd { Finished, Closed, LinkLost };

struct AttemptRecord {
    int number = 0;     // 1 for the game's first attempt
    int difficulty = 0; // 1..10
    int budgetMs = 0;
    AttemptEnd end = AttemptEnd::OutOfTime;
    float secondsToLevel = 0.0f; // as the game measured it: the time before the hold
    float points = 0.0f;
    int holdStartMs = -1;
    int holdEndMs = -1;
    std::vector<AttitudeSample> samples;
    bool operator==(const AttemptRecord&) const = default;
};

struct GameRecord {
    GameMode mode = GameMode::Level;
    int level = 0;                    // 1..10 for a level game, 0 otherwise
    std::optional<PlayType> playType; // wild and endless
    QDateTime started;                // local time with its offset
    QDateTime ended;
    GameEnd end = GameEnd::Finished;
    std::optional<bool> passed; // a finished level game
    int total = 0;
    QString player;                      // the name given after the game, if one was asked
    int attemptCount = 0;                // the summary's count; the attempts themselves when read whole
    std::vector<AttemptRecord> attempts; // empty in a summary
    QString path;                        // the file it was read from
    bool operator==(const GameRecord&) const = default;
};

// The file's bytes, and a file's bytes read back: nullopt (and why, when asked) for anything that is
// not a history file of a version this program reads. summaryOnly reads the first line alone.
QByteArray GameRecordBytes(const GameRecord& game);
std::optional<GameRecord> ParseGameRecord(const QByteArray& bytes, bool summaryOnly = false,
                                          QString* why = nullptr);

QString HistoryFolder();

// Writes the game into the history folder (made when missing), whole, under a name from its start
// time, then prunes the folder to the keep games written last (never the one just written, whatever
// the clock said). A failure is logged and changes nothing else.
// Returns the file's path, empty on failure.
QString WriteGameRecord(const GameRecord& game, int keep = kHistoryKeepGames);

// Every game of the folder, oldest first: summaries (the first line of each file) or whole games. A file
// that cannot be read or is no history file is skipped with a log line.
std::vector<GameRecord> ReadHistory(bool summaryOnly = true, const QString& folder = HistoryFolder());
// How many games a history folder keeps.
int CountHistoryGames(const QString& folder);
std::optional<GameRecord> ReadGameRecord(const QString& path);

// A measured value to the places it really has, without trailing zeros: DecimalText(25.199999f, 1) is
// "25.2", DecimalText(-0.04, 1) is "0".
QString DecimalText(double value, int places);

// The one name of each way a game is cut short, the same in the run window, the debrief (its replay,
// list and chart), the exports and the class board: "连接中断" (the drone's link was lost) and
// "中途关闭" (the game's window was closed mid-game); empty for a finished game. Source texts: windows
// show them through Tr, the exports keep them as they are.
QString CutShortText(GameEnd end);
// A game's end from its code as history files and the class server store it ("finished", "closed",
// "link-lost"); nothing for any other text.
std::optional<GameEnd> GameEndFromCode(const QString& code);

// The game's mode and how it ended as the export writes them: "闯关模式", "闯关成功", "连接中断". The
// export keeps them Chinese whatever the language; the debrief shows how a game ended in the player's
// (Tr).
QString GameModeText(const GameRecord& game);
QString GameEndText(const GameRecord& game);
// How an attempt of the game ended: "成功" (level in time), "超时", or, for an attempt cut short, the
// name of what cut the game short.
QString AttemptResultText(const GameRecord& game, const AttemptRecord& attempt);

// Games as one CSV table for a coach, one row per sample (an attempt without samples gets one row),
// with a header row: in the score sheets' code page and line ends, names quoted as they are there.
// Spreadsheets and scripts read the columns by position: a new column goes at the end. 稳定用时 is
// empty for an attempt that never reached level (its time to level would read as a real one); 结果
// says how each attempt ended.
QByteArray HistoryCsv(const std::vector<GameRecord>& games, const QString& playerName = {});
