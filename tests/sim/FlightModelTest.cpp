#include "sim/FlightModel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kDt = 0.01f;

GameCommand Command(std::uint8_t action, std::uint8_t difficulty, std::uint8_t attempt = 0) {
    GameCommand c;
    c.action = action;
    c.difficulty = difficulty;
    c.attempt = attempt;
    return c;
}

// The game's verdict on one attempt: sampled every 100 ms after a 100 ms answer, level means roll and
// pitch within ±5° for ten samples in a row; the seconds it took, or -1 when the budget ran out.
float PlayAttempt(std::uint32_t seed, int difficulty, bool autopilot) {
    CFlightModel model(seed);
    CAutopilot pilot;
    model.OnCommand(Command(1, static_cast<std::uint8_t>(difficulty)));
    const int budgetMs = difficulty == 9 ? 6000 : difficulty == 8 ? 8000 : 10000;
    auto fly = [&](int ms) {
        for (int i = 0; i < ms / 10; ++i)
            model.Step(kDt, autopilot ? pilot.Update(kDt, model.State()) : Stick{});
    };
    fly(100);
    int remaining = budgetMs;
    int streak = 0;
    while (remaining > 0) {
        fly(100);
        remaining -= 100;
        const bool level = std::fabs(model.State().roll) <= 5.0f && std::fabs(model.State().pitch) <= 5.0f;
        streak = level ? streak + 1 : 0;
        if (streak == 10)
            return remaining > 0 ? static_cast<float>(budgetMs - remaining - 1000) / 1000.0f : -1.0f;
    }
    return -1.0f;
}

TEST(FlightModel, TheSameSeedFliesTheSameFlight) {
    CFlightModel a(7), b(7), c(8);
    for (CFlightModel* m : {&a, &b, &c})
        m->OnCommand(Command(1, 6));
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
            EXPECT_LT(PlayAttempt(seed, difficulty, false), 0.0f)
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

    model.OnCommand(Command(1, 9));
    EXPECT_EQ(model.Difficulty(), 9);
    EXPECT_GT(std::fabs(model.State().roll), 5.0f); // tilted at the start
    model.OnCommand(Command(0, 9, 2));
    EXPECT_EQ(model.Difficulty(), -1);
    for (int i = 0; i < 300; ++i)
        model.Step(kDt, {});
    const float roll = model.State().roll;
    for (int i = 0; i < 300; ++i)
        model.Step(kDt, {});
    EXPECT_NEAR(model.State().roll, roll, 0.01f); // calm air: nothing moves it any more
}

TEST(FlightModel, TheAutopilotLevelsEasyAttemptsAlwaysAndHardOnesMostly) {
    int easy = 0, hard = 0;
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
        const float t1 = PlayAttempt(seed, 0, true);
        easy += t1 >= 0.0f && t1 < 10.0f;
        const float t10 = PlayAttempt(seed, 9, true);
        hard += t10 >= 0.0f && t10 < 6.0f;
    }
    EXPECT_EQ(easy, 10);
    EXPECT_GE(hard, 7);
}

} // namespace
