#include "sim/FlightModel.h"
#include "game/CommandExchange.h"
#include "game/Scoring.h"
#include "support/PilotedFlight.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

constexpr float kDt = 0.01f;

GameCommand Command(std::uint8_t action, std::uint8_t difficulty, std::uint8_t attempt = 0) {
    GameCommand c;
    c.action = action;
    c.difficulty = difficulty;
    c.attempt = attempt;
    return c;
}

// The game's own verdict on one attempt of the flight at difficulty, flown by a pilot of the given
// reaction time (or nobody): true when it scored.
bool AttemptScores(std::uint32_t seed, int difficulty, std::optional<float> reaction) {
    CVirtualDrone drone;
    CPilotedFlight flight(drone, seed, reaction);
    SendGameCommand(Command(kActionStart, static_cast<std::uint8_t>(difficulty)));
    return static_cast<double>(ScoreAttempt(static_cast<unsigned>(difficulty))) >= kPassPoints;
}

TEST(FlightModel, TheSameSeedFliesTheSameFlight) {
    CFlightModel a(7), b(7), c(8);
    for (CFlightModel* m : {&a, &b, &c})
        m->OnCommand(Command(kActionStart, 6));
    for (int i = 0; i < 1000; ++i) {
        const Stick stick{std::sin(i * 0.01f) * 0.3f, 0.1f};
        a.Step(kDt, stick);
        b.Step(kDt, stick);
        c.Step(kDt, stick);
    }
    EXPECT_EQ(a.State().roll, b.State().roll);
    EXPECT_EQ(a.State().pitch, b.State().pitch);
    EXPECT_EQ(a.State().yaw, b.State().yaw);
    EXPECT_NE(a.State().roll, c.State().roll);
}

TEST(FlightModel, LeftAloneAfterAnAttemptStartItNeverComesLevel) {
    for (int difficulty = 0; difficulty < 10; ++difficulty)
        for (std::uint32_t seed = 1; seed <= 5; ++seed)
            EXPECT_FALSE(AttemptScores(seed, difficulty, std::nullopt))
                << "difficulty " << difficulty << ", seed " << seed;
}

TEST(FlightModel, TheStickTurnsTheDroneItsWayAndTheStopCalmsIt) {
    CFlightModel model(3);
    for (int i = 0; i < 50; ++i)
        model.Step(kDt, {1.0f, -0.5f});
    EXPECT_GT(model.State().rollRate, 0.0f);
    EXPECT_GT(model.State().roll, 0.0f);
    EXPECT_LT(model.State().pitchRate, 0.0f);
    EXPECT_LT(model.State().pitch, 0.0f);

    model.OnCommand(Command(kActionStart, 9));
    EXPECT_EQ(model.Difficulty(), 9);
    EXPECT_GT(std::fabs(model.State().roll), 5.0f); // tilted at the start
    model.OnCommand(Command(kActionStop, 9, 2));
    EXPECT_EQ(model.Difficulty(), -1);
    for (int i = 0; i < 300; ++i)
        model.Step(kDt, {});
    const float roll = model.State().roll;
    for (int i = 0; i < 300; ++i)
        model.Step(kDt, {});
    EXPECT_NEAR(model.State().roll, roll, 0.01f); // calm air: nothing moves it any more

    // Turned over and over, it reports its attitude as a drone does: within half a turn of roll and
    // a quarter of pitch, never "-335°" for a drone 24° off level.
    for (const Stick stick : {Stick{1.0f, 0.0f}, Stick{-1.0f, 0.0f}, Stick{0.0f, 1.0f}, Stick{0.0f, -1.0f}})
        for (int i = 0; i < 2000; ++i) {
            model.Step(kDt, stick);
            ASSERT_LE(std::fabs(model.State().roll), 180.0f) << i;
            ASSERT_LE(std::fabs(model.State().pitch), 90.0f) << i;
        }
}

TEST(FlightModel, TheAutopilotLevelsEasyAttemptsAlwaysAndHardOnesMostly) {
    int easy = 0, hard = 0;
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
        easy += AttemptScores(seed, 0, CAutopilot::kReactionTime);
        hard += AttemptScores(seed, 9, CAutopilot::kReactionTime);
    }
    EXPECT_EQ(easy, 10);
    EXPECT_GE(hard, 7);
}

// The pilot sees a tilt a reaction time late, the first one after a reset too: until then the stick
// stays in the middle.
TEST(FlightModel, TheAutopilotReactsToANewTiltOnlyAReactionTimeLater) {
    CAutopilot pilot(0.35f);
    pilot.Reset();
    const FlightState tipped{20.0f, -10.0f, 0.0f, 0.0f, 0.0f};
    float t = 0.0f;
    for (; t < 0.3f; t += 0.05f) {
        const Stick stick = pilot.Update(0.05f, tipped);
        EXPECT_EQ(stick.roll, 0.0f) << t;
        EXPECT_EQ(stick.pitch, 0.0f) << t;
    }
    for (; t < 0.5f; t += 0.05f)
        pilot.Update(0.05f, tipped);
    const Stick stick = pilot.Update(0.05f, tipped);
    EXPECT_LT(stick.roll, 0.0f);
    EXPECT_GT(stick.pitch, 0.0f);
}

} // namespace
