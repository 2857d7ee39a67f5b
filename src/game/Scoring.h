// Timing one attempt and turning the time into points.
#pragma once

#include "link/Protocol.h"
#include "records/History.h"
#include "state/Globals.h"
#include "state/LinkReading.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>

inline constexpr std::chrono::milliseconds kSamplePeriod{100};
inline constexpr float kLevelLimitDeg = 5.0f; // roll and pitch both within +-5 degrees, bounds included
inline constexpr int kHoldSamples = 10;       // held for ten samples in a row: one second
inline constexpr int kHoldTimeMs = 1000;      // not counted against the player

static_assert(kDifficultyTable.size() == kDifficultyCount);

// True when the link stored a valid attitude within kAttitudeFreshFor of the game's clock.
bool AttitudeIsFresh();

// Whether a game may go on, judged on the published reading at the game's clock (LinkReading::LossFor):
// the drone is still the one of the connection the game started on, the monitor does not judge the
// link below weak, and its attitude is fresh.
LinkLoss LinkLossFor(const LinkReading& reading, std::uint64_t gameLink);
bool LinkHolds(std::uint64_t gameLink);

// What a measurement has seen so far, after each of its samples: for a player watching the attempt
// as it goes (the first-flight lesson).
struct SampleSeen {
    int elapsedMs = 0;   // since the measurement began: 100 for the first sample
    int remainingMs = 0; // of the budget
    int streak = 0;      // level samples in a row up to this one; kHoldSamples ends the measurement
};
using SampleWatcher = std::function<void(const SampleSeen&)>;

// Samples the drone's attitude every 100 ms until roll and pitch have stayed level for ten samples in
// a row, the budget is used up, the run window closes, or the link no longer holds for gameLink
// (then *linkLost is set, when given). Returns the seconds it took the player to get level (the time
// before the final ten samples); the whole budget when time ran out or the measurement was cut short.
// Every sample taken is appended to samples, when given, its angles rounded to 0.01 degree, and shown
// to watch, when given.
float MeasureStabilisation(int budgetMs, bool* linkLost = nullptr,
                           std::vector<AttitudeSample>* samples = nullptr,
                           std::uint64_t gameLink = g_Link.Generation(), const SampleWatcher& watch = {});

// Measures one attempt at the difficulty index (0..9) and returns its points; 0 when the link stopped
// holding (*linkLost set, when given). record, when given, receives the attempt as the history keeps
// it: difficulty, budget, samples, the hold, time to level, points and how it ended. watch sees every
// sample as it is taken.
float ScoreAttempt(unsigned difficultyIndex, bool* linkLost = nullptr, AttemptRecord* record = nullptr,
                   std::uint64_t gameLink = g_Link.Generation(), const SampleWatcher& watch = {});
