// The game's basic kinds and counts, shared by every layer that reads the shared state.
#pragma once

#include <array>

// The mode of the game being played. The numbers are those of the settings files: the top list of a
// mode is kept under "TopListMode<number + 1>".
enum class GameMode : int {
    Level = 0,   // the ten-level map
    Wild = 1,    // difficulties 1 to 10, three attempts each
    Endless = 2, // a random difficulty for every attempt
};

// How a wild or endless game is played.
enum class PlayType : int {
    Practice = 0,
    Competition = 1, // asks the name and writes a score-sheet line
};

// The link's quality, as the link monitor last judged it from the rate of verified ATTITUDE frames.
enum class LinkState : int {
    Good = 0, // enough for every window to open
    Weak = 1, // a game may still be played
    None = 2, // too few, or no link: no attempt starts, and one in progress ends
};

inline constexpr int kLevelCount = 10;      // levels on the map
inline constexpr int kAttemptsPerLevel = 3; // attempts at each level's (or wild difficulty's) difficulty

// One difficulty: the time budget and the points factor. Points are (budget in seconds - t) x factor,
// so an attempt that runs out of its budget scores exactly 0. Difficulty n is row n - 1. The class
// server holds games to the same table.
struct DifficultyRow {
    int budgetMs;
    int factor;
    constexpr int MostPoints() const { return budgetMs / 1000 * factor; }
};
inline constexpr std::array<DifficultyRow, 10> kDifficultyTable = {{
    {10000, 1},
    {10000, 2},
    {10000, 3},
    {10000, 4},
    {10000, 5},
    {10000, 6},
    {10000, 7},
    {10000, 10},
    {8000, 20},
    {6000, 50},
}};

// An attempt below this counts as failed, and ends the game.
inline constexpr double kPassPoints = 0.1;
