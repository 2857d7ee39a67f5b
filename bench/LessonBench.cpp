// How many tries the first-flight lesson takes: whole lessons played in the game's virtual time with the
// lesson's own rules, by the autopilot standing in for a new player, each lesson with wind and gusts of
// its own seed. Prints the mean, median and largest number of tries, the share levelled at the first try
// and the median time to level in the try that passed, for a pilot of 0.35 s reaction time and, beside
// it, for quicker and slower ones; and, to show the lesson can be failed, for nobody at the stick. A
// lesson still going after kGiveUpAfter tries is stopped and counted apart. Asserts nothing.
//
//   bench_lesson [lessons per reaction time]      (default 2000)
#include "game/LessonDriver.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "support/PilotedFlight.h"
#include "support/VirtualDrone.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <vector>

namespace {

constexpr int kGiveUpAfter = 100;

// Stops a lesson that has gone on for kGiveUpAfter tries, as a player closing the window would, and
// keeps the time left when the hold was complete.
class CPatientWindow : public ILessonWindow {
public:
    void ShowTry(int number, int budgetMs) override {
        m_nBudgetMs = budgetMs;
        if (number > kGiveUpAfter)
            g_bLinkActive = false;
    }
    void ShowProgress(const LessonProgress& progress) override {
        if (progress.step == LessonStep::Holding && progress.heldMs == kHoldMs)
            secondsToLevel = static_cast<double>(m_nBudgetMs - progress.leftMs - kHoldMs) / 1000.0;
    }
    void ShowLessonEnd(LessonEnd) override {}
    double secondsToLevel = 0.0;

private:
    static constexpr int kHoldMs = 1000;
    int m_nBudgetMs = 0;
};

// Lesson k of a series flies its own wind and gusts.
std::uint32_t Seed(int lesson) {
    return static_cast<std::uint32_t>(7919 * lesson + 104729);
}

struct Played {
    int tries = 0; // 0 when it was given up
    double secondsToLevel = 0.0;
};

Played PlayLesson(int lesson, std::optional<float> reaction) {
    CVirtualDrone drone;
    CPilotedFlight flight(drone, Seed(lesson), reaction);
    CPatientWindow window;
    CLessonDriver driver(window);
    const bool levelled = driver.Run() == LessonEnd::Levelled;
    return {levelled ? driver.Tries() : 0, window.secondsToLevel};
}

void Measure(std::optional<float> reaction, int lessons) {
    std::vector<int> tries;
    std::vector<double> seconds;
    int givenUp = 0;
    for (int lesson = 0; lesson < lessons; ++lesson) {
        const Played played = PlayLesson(lesson, reaction);
        if (played.tries == 0) {
            ++givenUp;
            continue;
        }
        tries.push_back(played.tries);
        seconds.push_back(played.secondsToLevel);
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(tries.begin(), tries.end());
    const double mean =
        tries.empty() ? 0.0
                      : std::accumulate(tries.begin(), tries.end(), 0.0) / static_cast<double>(tries.size());
    const int median = tries.empty() ? 0 : tries[tries.size() / 2];
    const int largest = tries.empty() ? 0 : tries.back();
    const auto first = std::count(tries.begin(), tries.end(), 1);
    const QByteArray pilot =
        reaction ? QByteArray::number(static_cast<double>(*reaction), 'f', 2) + " s" : QByteArray("nobody");
    std::printf("| %s | %d | %.2f | %d | %d | %.1f%% | %.1f s | %d |\n", pilot.constData(), lessons, mean,
                median, largest, 100.0 * static_cast<double>(first) / lessons,
                seconds.empty() ? 0.0 : seconds[seconds.size() / 2], givenUp);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int lessons = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    QTemporaryDir data; // the lesson writes nothing, but would write here
    SetDataFolders({data.path(), data.path()});

    std::printf("%d lessons per reaction time, difficulty %d\n\n", lessons, kLessonDifficulty + 1);
    std::printf("| pilot reaction | lessons | tries, mean | median | most | levelled at the first try | "
                "time to level, median | given up after %d tries |\n|---|---|---|---|---|---|---|---|\n",
                kGiveUpAfter);
    for (const float reaction : {0.35f, 0.25f, 0.5f, 1.0f, 2.0f})
        Measure(reaction, lessons);
    Measure(std::nullopt, std::max(1, lessons / 100)); // each plays every try out: a hundred times longer
    return 0;
}
