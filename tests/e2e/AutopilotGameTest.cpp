#include "app/Globals.h"
#include "game/GameDrivers.h"
#include "link/LinkService.h"
#include "platform/DeviceList.h"
#include "platform/MessageBox.h"
#include "records/Records.h"
#include "sim/FlightLoop.h"
#include "sim/SimDrone.h"
#include "support/SimulatedMachine.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class CScoreWindow : public IGameWindow {
public:
    void SetStatusText(const QString& text) override { status = text; }
    void ShowScore(int total) override { score = total; }
    void SetResultText(const QString& text) override { result = text; }
    void RefreshRecords() override {}
    void ShowNameEntry() override { g_strPlayerName.Set(QStringLiteral("自动驾驶")); }
    QString status, result;
    int score = 0;
};

// Whole games in real time against the simulated drone flown by its autopilot, over the real link.
TEST(AutopilotGame, PassesLevelOneAndScoresAWildGameUntilItEnds) {
    CSimulatedMachine machine;

    CSimDrone drone;
    ASSERT_TRUE(drone.Start());
    CFlightLoop flight(drone, 11);
    flight.SetAutopilot(true);
    flight.Start();
    ASSERT_TRUE(machine.ConnectDrone());
    g_bLinkActive = true;

    CScoreWindow window;
    CGameDrivers game(window);
    g_nGameMode = 0;
    g_nLevel = 1;
    g_nLevelResult = 0;
    game.RunLevelGame();
    EXPECT_EQ(window.result, kLevelPassedText);
    EXPECT_EQ(g_nLevelResult, 1);
    EXPECT_GT(window.score, 0);
    std::printf("level 1 on autopilot: %d points\n", window.score);

    window = CScoreWindow();
    game.m_fTotalScore = 0.0f;
    g_nGameMode = 1;
    g_nPlayType = 0;
    const auto start = std::chrono::steady_clock::now();
    game.RunWildGame();
    std::printf("wild game on autopilot: %d points, last %s, %lld s\n", window.score,
                qPrintable(window.status),
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
                        .count()));
    EXPECT_GT(window.score, 0);
    EXPECT_EQ(ReadTopList(RecordCfgPath(), TopListSection(1))[0].score, window.score);
    const auto commands = drone.Received();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back().payload[0], 0); // the stop command closes the game

    flight.Stop();
    machine.Link().StopLink();
    drone.Stop();
}

} // namespace
