#include "game/GameDrivers.h"
#include "link/FrameCodec.h"
#include "link/SerialTransport.h"
#include "records/Records.h"
#include "sim/SimDrone.h"
#include "support/RecordingWindow.h"
#include "support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

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

// Two drones over the real link. One plugged in while the game's drone is connected takes nothing
// over; the game's drone lost mid-attempt ends the game with nothing recorded, although the link has
// the other one connected within milliseconds.
TEST(GameRealTime, AGameBelongsToTheDroneItStartedOn) {
    CSimulatedMachine machine;
    CSimDrone flown;
    ASSERT_TRUE(flown.Start());
    ASSERT_TRUE(machine.ConnectDrone());
    const std::uint64_t connection = g_Link.Generation();
    SimOptions spare;
    spare.fRollDeg = 2.0f; // level: a pass, if it were taken for the flown one
    CSimDrone other(spare);
    ASSERT_TRUE(other.Start());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(g_Link.Generation(), connection);

    flown.SetAttitudeDegrees(30.0f, 0.0f, 0.0f); // held tilted: the attempt runs on
    std::thread unplug([&] {
        std::this_thread::sleep_for(500ms);
        flown.Vanish();
    });
    g_bLinkActive = true;
    g_nLevel = 1;
    g_nLevelResult = 0;
    CRecordingWindow window;
    CGameDrivers game(window);
    game.RunLevelGame();
    unplug.join();
    EXPECT_EQ(window.linkLosses, 1);
    EXPECT_TRUE(window.scores.empty());
    EXPECT_TRUE(window.results.isEmpty());
    EXPECT_EQ(g_nLevelResult, 0);
    EXPECT_EQ(ReadBestScore(1), 0);
    ASSERT_TRUE(WaitUntil([&] { return g_bDroneConnected.load(); }, 3s)); // the other one, now
    // The game's stop was the flown drone's: the other has none when a frame written after it arrives.
    std::array<std::uint8_t, kHeartbeatFrameMax> beat{};
    WritePort(beat.data(), static_cast<std::uint8_t>(BuildHeartbeatFrame({}, beat)));
    ASSERT_TRUE(WaitUntil([&] { return other.CountReceived(kMsgHeartbeat) > 0; }, 3s));
    EXPECT_EQ(other.CountReceived(kMsgCommand), 0);
}

// A game on a drone sending 2, 3 or 5 frames a second (a run window opened while the link was good,
// say): no attempt starts, and so none scores.
TEST(GameRealTime, NoAttemptOnAFewFramesASecond) {
    for (const int rate : {2, 3, 5}) {
        SCOPED_TRACE(rate);
        CSimulatedMachine machine;
        SimOptions options;
        options.nFrameRate = rate;
        CSimDrone drone(options);
        ASSERT_TRUE(drone.Start());
        ASSERT_EQ(machine.Link().Connect().outcome, ConnectOutcome::Connected);
        std::this_thread::sleep_for(1200ms); // the monitor's first whole period
        ASSERT_EQ(machine.Link().State(), LinkState::None);
        g_bLinkActive = true;
        g_nLevel = 1;
        CRecordingWindow window;
        CGameDrivers game(window);
        game.RunLevelGame();
        EXPECT_EQ(window.linkLosses, 1);
        EXPECT_TRUE(window.scores.empty());
        ASSERT_TRUE(WaitUntil([&] { return drone.CountReceived(kMsgCommand) >= 2; }, 2s));
        EXPECT_EQ(drone.CountReceived(kMsgCommand), 2); // the opening and the stop: no attempt start
    }
}

} // namespace
