#include "game/CommandExchange.h"
#include "game/GameClock.h"
#include "game/Scoring.h"
#include "state/Globals.h"
#include "state/LinkReading.h"
#include "support/LogCapture.h"
#include "support/VirtualDrone.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

GameCommand Command(std::uint8_t action, std::uint8_t difficulty, std::uint8_t attempt) {
    GameCommand c;
    c.action = action;
    c.difficulty = difficulty;
    c.attempt = attempt;
    return c;
}

TEST(CommandExchange, ADroneThatNeverAnswersGetsThreeFramesHalfASecondApart) {
    CLogCapture log;
    CVirtualDrone drone;
    drone.ackNever = true;
    g_nSeqCommand = 40;
    EXPECT_FALSE(SendGameCommand(Command(kActionStart, kOpeningDifficulty, 0)));
    EXPECT_EQ(log.Lines(),
              QStringList{QStringLiteral(
                  "game: the drone did not answer the game command (action 1, difficulty 100, attempt 0)")});
    EXPECT_EQ(drone.nowMs, 1500);
    ASSERT_EQ(drone.sent.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(drone.sent[i].timeMs, 500 * i);
        EXPECT_EQ(drone.sent[i].sequence, 40 + i); // every try is a new frame
        EXPECT_EQ(drone.sent[i].payload, (std::vector<std::uint8_t>{0x01, 0x64}));
    }
}

TEST(CommandExchange, OnlyANonZeroAnswerAfterTheFrameCounts) {
    {
        CVirtualDrone drone; // answers byte 0: no acknowledgement
        drone.ackByte = 0;
        EXPECT_FALSE(SendGameCommand(Command(kActionStart, 3, 1)));
        EXPECT_EQ(drone.sent.size(), 3u);
    }
    {
        CVirtualDrone drone; // answers 250 ms later: seen at the third poll
        drone.ackDelayMs = 250;
        EXPECT_TRUE(SendGameCommand(Command(kActionStart, 3, 1)));
        EXPECT_EQ(drone.nowMs, 300);
        EXPECT_EQ(drone.sent.size(), 1u);
    }
    {
        CVirtualDrone drone; // a stale answer from before the frame is cleared away
        drone.ackNever = true;
        g_nAckStatus = 1;
        EXPECT_FALSE(SendGameCommand(Command(kActionStart, 3, 1)));
    }
}

TEST(CommandExchange, TheStopCommandIsOneFrameWithItsBytes) {
    CVirtualDrone drone;
    drone.ackNever = true;
    PostGameCommand(Command(kActionStop, 4, 2));
    EXPECT_EQ(drone.nowMs, 0); // no waiting
    ASSERT_EQ(drone.sent.size(), 1u);
    EXPECT_EQ(drone.sent[0].payload, (std::vector<std::uint8_t>{0x00, 0x04, 0x02}));
}

// Feeds one (roll, pitch) pair per 100 ms sample; level once the list is used up.
class Stabilisation : public ::testing::Test {
protected:
    void SetUp() override {
        g_bLinkActive = true;
        g_Link.SetState(LinkState::Good);
        SetGameSleep([this](std::chrono::milliseconds) {
            ++m_samples;
            const auto [roll, pitch] = m_script.empty() ? std::pair{0.0f, 0.0f} : m_script.front();
            if (!m_script.empty())
                m_script.pop_front();
            g_Link.StoreAttitude(roll, pitch, 0.0f, GameNowMs());
            if (m_samples == m_closeAtSample)
                g_bLinkActive = false;
        });
    }
    void TearDown() override {
        SetGameSleep({});
        g_Link.SetState(LinkState::None);
    }
    void Script(int count, float roll, float pitch) {
        for (int i = 0; i < count; ++i)
            m_script.push_back({roll, pitch});
    }
    std::deque<std::pair<float, float>> m_script;
    int m_samples = 0;
    int m_closeAtSample = -1;
};

TEST_F(Stabilisation, LevelFromTheStartTakesNoTimeAndTheBoundsCount) {
    Script(10, 5.0f, -5.0f);
    EXPECT_EQ(MeasureStabilisation(10000), 0.0f);
    EXPECT_EQ(m_samples, 10);
    Script(10, -5.0f, 5.0f);
    EXPECT_EQ(ScoreAttempt(9), 300.0f);
    Script(1, 5.01f, 0.0f);
    EXPECT_FLOAT_EQ(MeasureStabilisation(10000), 0.1f);
}

TEST_F(Stabilisation, TheStreakStartsOverAfterABadSample) {
    Script(9, 0.0f, 0.0f);
    Script(1, 0.0f, 6.0f);
    EXPECT_FLOAT_EQ(MeasureStabilisation(10000), 1.0f); // nine good, one bad, ten good
    EXPECT_EQ(m_samples, 20);
}

TEST_F(Stabilisation, RunningOutOfBudgetScoresNothing) {
    Script(80, 20.0f, 0.0f);
    EXPECT_EQ(ScoreAttempt(8), 0.0f); // difficulty 9: 80 samples, t = 8.0
    EXPECT_EQ(m_samples, 80);

    // The tenth good sample is the last of the budget: as good as running out.
    m_samples = 0;
    Script(90, 20.0f, 0.0f);
    EXPECT_EQ(MeasureStabilisation(10000), 10.0f);
    EXPECT_EQ(m_samples, 100);
}

TEST_F(Stabilisation, TheLatestPassAndTheClosestPointsStillCount) {
    // Stable on sample 99 of 100, the last one before the budget ends: t = 8.9, 1.1 points.
    Script(89, 20.0f, 0.0f);
    EXPECT_FLOAT_EQ(ScoreAttempt(0), 1.1f);
    EXPECT_EQ(m_samples, 99);
    // Points are single precision: 10 - 9.9 gives 0.1000004, which is not below the pass mark.
    EXPECT_FALSE(static_cast<double>(10.0f - 9.9f) < kPassPoints);
}

TEST_F(Stabilisation, AFactorIsAppliedInDoublePrecision) {
    Script(15, 20.0f, 0.0f);                                                                // t = 1.5
    EXPECT_EQ(ScoreAttempt(7), static_cast<float>(static_cast<double>(10.0f - 1.5f) * 10)); // 85
    Script(3, 20.0f, 0.0f);                                                                 // t = 0.3
    EXPECT_EQ(ScoreAttempt(1), static_cast<float>(static_cast<double>(10.0f - 0.3f) * 2));
}

TEST_F(Stabilisation, AClosedWindowEndsTheAttemptWithTheWholeBudget) {
    Script(100, 20.0f, 0.0f);
    m_closeAtSample = 4;
    EXPECT_EQ(MeasureStabilisation(6000), 6.0f);
    EXPECT_EQ(m_samples, 4); // within one sample of the close
    EXPECT_EQ(MeasureStabilisation(0), 0.0f);
}

} // namespace
