// How learnable the simulated drone is: whole level games and wild games, played in the game's virtual
// time with the game's own rules, by the autopilot standing in for players of different reaction
// times. Prints the pass rate of each level and the median wild total per reaction time, and how much
// a 10 ms slower or faster reaction changes any pass rate. Asserts nothing.
//
//   bench_pilot [games per level]      (default 1000)
#include "game/GameDrivers.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "support/PilotedFlight.h"
#include "support/VirtualDrone.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class CSilentWindow : public IGameWindow {
public:
    void SetStatusText(const QString&) override {}
    void ShowScore(int) override {}
    void SetResultText(const QString&) override {}
    void RefreshRecords() override {}
    void ShowNameEntry(int, int) override {}
    void ShowGuide(const QString&) override {}
    void ShowNewRecord() override {}
    void AskToCloseSheet() override {}
    void ShowLinkLost() override {}
    void AnnounceResult(const QString&) override {}
};

struct Results {
    std::array<double, kLevelCount> levelPassRate{};
    double wildMedian = 0.0;
};

// Game g of a series flies its own wind and gusts.
std::uint32_t Seed(int level, int game) {
    return static_cast<std::uint32_t>(1000003 * level + 7919 * game + 17);
}

bool PlayLevel(int level, int game, float reaction) {
    CVirtualDrone drone;
    CPilotedFlight flight(drone, Seed(level, game), reaction);
    CSilentWindow window;
    CGameDrivers drivers(window);
    g_nLevel = level;
    g_nLevelResult = 0;
    drivers.RunLevelGame();
    return g_nLevelResult == 1;
}

int PlayWild(int game, float reaction) {
    CVirtualDrone drone;
    CPilotedFlight flight(drone, Seed(0, game), reaction);
    CSilentWindow window;
    CGameDrivers drivers(window);
    g_nGameMode = GameMode::Wild;
    g_nPlayType = PlayType::Practice;
    drivers.RunWildGame();
    return static_cast<int>(drivers.m_fTotalScore.load());
}

Results Measure(float reaction, int games) {
    Results results;
    for (int level = 1; level <= kLevelCount; ++level) {
        int passed = 0;
        for (int game = 0; game < games; ++game)
            passed += PlayLevel(level, game, reaction);
        results.levelPassRate[static_cast<std::size_t>(level - 1)] = 100.0 * passed / games;
    }
    std::vector<int> totals;
    for (int game = 0; game < games; ++game)
        totals.push_back(PlayWild(game, reaction));
    std::sort(totals.begin(), totals.end());
    results.wildMedian = totals[totals.size() / 2];
    return results;
}

double LargestChange(const Results& a, const Results& b) {
    double largest = 0.0;
    for (std::size_t i = 0; i < a.levelPassRate.size(); ++i)
        largest = std::max(largest, std::fabs(a.levelPassRate[i] - b.levelPassRate[i]));
    return largest;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int games = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    QTemporaryDir data; // the games record their best scores and top lists somewhere
    SetDataFolders({data.path(), data.path()});

    std::printf("%d games per level and %d wild games per reaction time\n\n", games, games);
    std::printf("| pilot reaction | level 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8 | 9 | 10 | wild, median total | "
                "largest change at +-10 ms |\n|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const float reaction : {0.25f, 0.35f, 0.5f}) {
        const Results at = Measure(reaction, games);
        const double change = std::max(LargestChange(at, Measure(reaction - 0.01f, games)),
                                       LargestChange(at, Measure(reaction + 0.01f, games)));
        std::printf("| %.2f s |", static_cast<double>(reaction));
        for (const double rate : at.levelPassRate)
            std::printf(" %.0f%% |", rate);
        std::printf(" %.0f | %.1f points |\n", at.wildMedian, change);
        std::fflush(stdout);
    }
    return 0;
}
