#include "game/Scoring.h"

#include "game/GameClock.h"
#include "state/Globals.h"

#include <cmath>

bool AttitudeIsFresh() {
    return g_Link.Read().Fresh(GameNowMs());
}

LinkLoss LinkLossFor(const LinkReading& reading, std::uint64_t gameLink) {
    return reading.LossFor(gameLink, GameNowMs());
}

bool LinkHolds(std::uint64_t gameLink) {
    return LinkLossFor(g_Link.Read(), gameLink) == LinkLoss::Holds;
}

namespace {

float Hundredths(float degrees) {
    return static_cast<float>(std::round(static_cast<double>(degrees) * 100.0) / 100.0);
}

} // namespace

float MeasureStabilisation(int budgetMs, bool* linkLost, std::vector<AttitudeSample>* samples,
                           std::uint64_t gameLink, const SampleWatcher& watch) {
    if (budgetMs == 0)
        return 0.0f;
    if (samples != nullptr)
        samples->reserve(samples->size() + static_cast<std::size_t>(budgetMs / kSamplePeriod.count()));
    const int sampleMs = static_cast<int>(kSamplePeriod.count());
    int remaining = budgetMs;
    int streak = 0;
    bool stable = false;
    for (;;) {
        if (!g_Link.Read().active)
            return static_cast<float>(budgetMs / 1000); // whole seconds: the attempt counts as lost
        GameSleep(kSamplePeriod);
        remaining -= sampleMs;
        // The last values the drone sent say nothing of where it is now, nor do another drone's, nor
        // a value repeated for lack of new ones: no sample is taken from them.
        const LinkReading reading = g_Link.Read();
        if (LinkLossFor(reading, gameLink) != LinkLoss::Holds) {
            if (linkLost != nullptr)
                *linkLost = true;
            return static_cast<float>(budgetMs / 1000);
        }
        // Time is counted in samples, not read from a clock: each stands for exactly 100 ms.
        const float roll = reading.roll;
        const float pitch = reading.pitch;
        if (samples != nullptr)
            samples->push_back(
                {budgetMs - remaining, Hundredths(roll), Hundredths(pitch), Hundredths(reading.yaw)});
        const bool level = !(roll > kLevelLimitDeg || roll < -kLevelLimitDeg || pitch > kLevelLimitDeg ||
                             pitch < -kLevelLimitDeg);
        streak = level ? streak + 1 : 0;
        if (watch)
            watch({budgetMs - remaining, remaining, streak});
        if (streak == kHoldSamples) {
            stable = true;
            break;
        }
        if (remaining <= 0)
            break;
    }
    // Becoming stable on the very last sample of the budget counts as running out of time.
    const int elapsedMs = (stable && remaining > 0) ? budgetMs - remaining - kHoldTimeMs : budgetMs;
    float elapsed = static_cast<float>(elapsedMs);
    if (elapsed < 0.0f)
        elapsed = 0.0f;
    return static_cast<float>(static_cast<double>(elapsed) / 1000.0);
}

float ScoreAttempt(unsigned difficultyIndex, bool* linkLost, AttemptRecord* record, std::uint64_t gameLink,
                   const SampleWatcher& watch) {
    if (difficultyIndex >= kDifficultyTable.size())
        return 0.0f; // no such difficulty: nothing to earn
    const DifficultyRow& row = kDifficultyTable[difficultyIndex];
    bool lost = false;
    const float t = MeasureStabilisation(row.budgetMs, &lost, record != nullptr ? &record->samples : nullptr,
                                         gameLink, watch);
    if (lost && linkLost != nullptr)
        *linkLost = true;
    const float left = static_cast<float>(row.budgetMs / 1000) - t;
    // Multiplied in double precision and rounded back; for the factor 1 this is exactly left itself.
    const float points = static_cast<float>(static_cast<double>(left) * row.factor);
    if (record != nullptr) {
        record->difficulty = static_cast<int>(difficultyIndex) + 1;
        record->budgetMs = row.budgetMs;
        record->secondsToLevel = t;
        record->points = points;
        // Level in time: the hold is the second before the last sample.
        const bool active = g_Link.Read().active;
        const bool level = !lost && active && static_cast<double>(t) * 1000.0 < row.budgetMs;
        record->end = lost || !active ? AttemptEnd::Cut : level ? AttemptEnd::Level : AttemptEnd::OutOfTime;
        if (level && !record->samples.empty()) {
            record->holdEndMs = record->samples.back().timeMs;
            record->holdStartMs = record->holdEndMs - kHoldTimeMs;
        }
    }
    return points;
}
