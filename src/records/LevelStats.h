// What a coach asks first of a player's level games over a period: how often each level was passed,
// how quickly the player brought the drone level, and whether that got quicker.
//
// Plainly: a level's pass rate is its passed games among those that came to a verdict (passed or
// failed); a game closed or cut short by a lost drone says nothing of the player and counts in neither.
// The time to level is the game's own measure of an attempt (the time before the held second), taken
// from every attempt that came level in time, in any game of the level. Improvement compares the
// median time to level of the later half of the games with such an attempt against the earlier half,
// in the order they were played (the middle game of an odd number in neither half): quicker is better.
#pragma once

#include "records/History.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

struct LevelStats {
    int level = 0;
    int games = 0; // every game of the level in the period, however it ended
    int passed = 0;
    int failed = 0;
    int cutShort = 0;                    // closed or lost their drone
    std::optional<double> passRate;      // passed / (passed + failed), 0..1; none without a verdict
    std::optional<double> medianSeconds; // none without an attempt that came level
    std::optional<double> earlierSeconds, laterSeconds; // the halves' medians; none with fewer than two games
    // Seconds quicker in the later half (negative: slower); none without both halves.
    std::optional<double> Improvement() const;
    bool Improved() const { return Improvement().value_or(0.0) > 0.0; }
};

// The middle value; of an even number, the mean of the two middle ones. values must not be empty.
double Median(std::vector<double> values);

// The level games among games (whole, with their attempts; in any order, other modes passed over)
// started within [from, before), an invalid bound leaving that side open: one entry per level played,
// by level.
std::vector<LevelStats> SummariseLevels(const std::vector<GameRecord>& games, const QDateTime& from = {},
                                        const QDateTime& before = {});

// One player's figures, by the name the sheet gives them (empty on a PC without players).
struct PlayerLevelStats {
    QString player;
    std::vector<LevelStats> levels;
};

// The figures as a sheet for a coach, one row per player and level, with the period's first and last
// day in every row: in the score sheets' code page, line ends and quoting. Columns are read by
// position: a new one goes at the end.
QByteArray LevelStatsCsv(const std::vector<PlayerLevelStats>& players, const QDate& firstDay,
                         const QDate& lastDay);
