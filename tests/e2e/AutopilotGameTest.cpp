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
class AutopilotGame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_drone.Start());
        m_flight.SetAutopilot(true);
        m_flight.Start();
        ASSERT_TRUE(m_machine.ConnectDrone());
        g_bLinkActive = true;
    }
    // The actions of the command frames the drone received.
    std::vector<std::uint8_t> Actions() const {
        std::vector<std::uint8_t> actions;
        for (const SimReceivedFrame& frame : m_drone.Received())
            if (frame.nMessageId == kMsgCommand)
                actions.push_back(frame.payload[0]);
        return actions;
    }

    CSimulatedMachine m_machine;
    CSimDrone m_drone;
    CFlightLoop m_flight{m_drone, 11};
    CRecordingWindow m_window;
    CGameDrivers m_game{m_window};
};

TEST_F(AutopilotGame, PassesLevelOne) {
    g_nGameMode = GameMode::Level;
    g_nLevel = 1;
    g_nLevelResult = 0;
    m_game.RunLevelGame();
    EXPECT_EQ(m_window.results, QStringList{kLevelPassedText});
    EXPECT_EQ(g_nLevelResult, 1);
    EXPECT_EQ(Actions(), (std::vector<std::uint8_t>{kActionStart, kActionStart, kActionStart, kActionStart,
                                                    kActionStop}));
}

// About two minutes: the longest test there is, run once (under AddressSanitizer).
TEST_F(AutopilotGame, ScoresAWildGameUntilItEnds) {
    g_nGameMode = GameMode::Wild;
    g_nPlayType = PlayType::Practice;
    m_game.RunWildGame();
    ASSERT_FALSE(m_window.scores.empty());
    EXPECT_EQ(ReadTopList(RecordCfgPath(), TopListSection(GameMode::Wild))[0].score, m_window.scores.back());
    const std::vector<std::uint8_t> actions = Actions();
    ASSERT_GE(actions.size(), 3u);          // opening, at least one attempt, stop
    EXPECT_EQ(actions.back(), kActionStop); // the stop command closes the game
    EXPECT_EQ(std::count(actions.begin(), actions.end(), kActionStop), 1);
}

} // namespace
