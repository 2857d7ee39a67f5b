#include "game/GameDrivers.h"
#include "records/Records.h"
#include "sim/FlightLoop.h"
#include "sim/SimDrone.h"
#include "support/RecordingWindow.h"
#include "support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

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

    CRecordingWindow window;
    CGameDrivers game(window);
    g_nGameMode = GameMode::Level;
    g_nLevel = 1;
    g_nLevelResult = 0;
    game.RunLevelGame();
    EXPECT_EQ(window.results, QStringList{kLevelPassedText});
    EXPECT_EQ(g_nLevelResult, 1);

    window = CRecordingWindow();
    game.m_fTotalScore = 0.0f;
    g_nGameMode = GameMode::Wild;
    g_nPlayType = PlayType::Practice;
    game.RunWildGame();
    ASSERT_FALSE(window.scores.empty());
    EXPECT_EQ(ReadTopList(RecordCfgPath(), TopListSection(GameMode::Wild))[0].score, window.scores.back());
    std::vector<std::uint8_t> actions; // of the command frames only
    for (const SimReceivedFrame& frame : drone.Received())
        if (frame.nMessageId == kMsgCommand)
            actions.push_back(frame.payload[0]);
    ASSERT_GE(actions.size(), 3u);          // opening, at least one attempt, stop
    EXPECT_EQ(actions.back(), kActionStop); // the stop command closes the game
    EXPECT_EQ(std::count(actions.begin(), actions.end(), kActionStop), 2); // one at the end of each game
}

} // namespace
