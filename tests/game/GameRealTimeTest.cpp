#include "game/GameDrivers.h"
#include "records/Records.h"
#include "sim/SimDrone.h"
#include "support/RecordingWindow.h"
#include "support/SimulatedMachine.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A whole level game in real time, over the link, against the simulated drone held level.
TEST(GameRealTime, ALevelOneGamePassesWithFullPointsOverTheLink) {
    CSimulatedMachine machine;

    CSimDrone drone; // 20 frames a second, level, answers 1
    ASSERT_TRUE(drone.Start());
    ASSERT_TRUE(machine.ConnectDrone());

    g_bLinkActive = true;
    g_nLevel = 1;
    g_nLevelResult = 0;
    CRecordingWindow window;
    CGameDrivers game(window);
    game.RunLevelGame();

    EXPECT_EQ(window.scores, (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(window.results, QStringList{kLevelPassedText});
    EXPECT_EQ(g_nLevelResult, 1);
    EXPECT_EQ(ReadBestScore(1), 30);

    // Every command was answered at the first frame: opening, three attempt starts, stop.
    ASSERT_TRUE(WaitUntil([&] { return drone.CountReceived(kMsgCommand) == 5; }, 2s));
    std::vector<std::vector<std::uint8_t>> commands;
    for (const SimReceivedFrame& f : drone.Received())
        if (f.nMessageId == kMsgCommand)
            commands.push_back(f.payload);
    EXPECT_EQ(commands,
              (std::vector<std::vector<std::uint8_t>>{{1, 100}, {1}, {1, 0, 1}, {1, 0, 2}, {0, 0, 2}}));
}

} // namespace
