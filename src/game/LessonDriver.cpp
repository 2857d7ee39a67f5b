#include "game/LessonDriver.h"

#include "game/CommandExchange.h"
#include "game/GameClock.h"
#include "game/Scoring.h"
#include "state/Globals.h"
#include "state/Log.h"

namespace {

// Before the first try: time to read what the lesson asks before the drone tilts.
constexpr std::chrono::milliseconds kGetReady{2000};
// After a try that ran out of time: long enough to read that it did, before the next tilts the drone.
constexpr std::chrono::milliseconds kPauseBetweenTries{1500};

// Waits, in sample periods, so that a closing window is not kept waiting for the whole pause.
void PauseWhileOpen(std::chrono::milliseconds pause) {
    for (auto waited = std::chrono::milliseconds(0); waited < pause && g_Link.Read().active;
         waited += kSamplePeriod)
        GameSleep(kSamplePeriod);
}

} // namespace

LessonEnd CLessonDriver::Run() {
    const std::uint64_t link = g_Link.Generation(); // the lesson belongs to this connection
    m_nTries = 0;
    const int budgetMs = kDifficultyTable[kLessonDifficulty].budgetMs;
    GameCommand command = OpeningCommand();
    SendGameCommand(command, link);
    PauseWhileOpen(kGetReady);

    LessonEnd end = LessonEnd::Closed;
    for (;;) {
        if (!g_Link.Read().active)
            break;
        if (!LinkHolds(link)) {
            end = LessonEnd::LinkLost; // no try starts on an attitude nobody can vouch for
            break;
        }
        const int tries = ++m_nTries;
        m_window.ShowTry(tries, budgetMs);
        command.action = kActionStart;
        command.difficulty = static_cast<std::uint8_t>(kLessonDifficulty);
        command.attempt = static_cast<std::uint8_t>((tries - 1) % kAttemptsPerLevel);
        SendGameCommand(command, link);
        bool lost = false;
        const float points =
            ScoreAttempt(kLessonDifficulty, &lost, nullptr, link, [this](const SampleSeen& seen) {
                const bool holding = seen.streak > 0;
                m_window.ShowProgress({holding ? LessonStep::Holding : LessonStep::OutOfBox,
                                       holding ? seen.streak * static_cast<int>(kSamplePeriod.count()) : 0,
                                       seen.remainingMs});
            });
        if (!g_Link.Read().active)
            break;
        if (lost) {
            end = LessonEnd::LinkLost;
            break;
        }
        qCDebug(lcGame, "lesson, try %d: %s", tries,
                static_cast<double>(points) >= kPassPoints ? "level and held" : "out of time");
        if (static_cast<double>(points) >= kPassPoints) {
            end = LessonEnd::Levelled;
            break;
        }
        m_window.ShowProgress({LessonStep::OutOfTime, 0, 0});
        PauseWhileOpen(kPauseBetweenTries);
    }
    command.action = kActionStop;
    PostGameCommand(command, link);
    if (end == LessonEnd::LinkLost)
        qCWarning(lcGame, "the lesson ended: %s",
                  g_Link.Generation() != link ? "the drone it started on was lost" : "the drone went quiet");
    if (end != LessonEnd::Closed)
        m_window.ShowLessonEnd(end);
    return end;
}
