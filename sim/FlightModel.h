// How the simulated drone flies: roll and pitch rates follow the stick with some lag, the angles follow
// the rates, and nothing levels the drone but the pilot. An attempt start tilts it and brings wind and
// gusts whose strength grows with the difficulty; the opening and stop commands calm it again.
// Deterministic for a given seed.
#pragma once

#include "link/LinkRecords.h"

#include <cstdint>
#include <random>
#include <vector>

// Stick deflections, -1..1: roll right positive, pitch nose-up positive.
struct Stick {
    float roll = 0.0f;
    float pitch = 0.0f;
};

struct FlightState {
    float roll = 0.0f; // degrees, right wing down positive
    float pitch = 0.0f;
    float yaw = 0.0f;      // degrees, 0..360
    float rollRate = 0.0f; // degrees per second
    float pitchRate = 0.0f;
};

class CFlightModel {
public:
    static constexpr float kMaxRate = 120.0f; // degrees per second at full stick
    static constexpr float kResponse = 0.25f; // seconds for a rate to follow the stick

    explicit CFlightModel(std::uint32_t seed = 1);

    // What the drone does on each command of the game.
    void OnCommand(const GameCommand& command);
    // Advances the flight by dt seconds with the stick held as given.
    void Step(float dt, Stick stick);

    const FlightState& State() const { return m_state; }
    // Difficulty index of the attempt under way; -1 when calm.
    int Difficulty() const { return m_nDifficulty; }

private:
    struct Axis {
        float wind = 0.0f; // steady push, degrees per second squared
    };
    void ScheduleGust();

    std::mt19937 m_random;
    FlightState m_state;
    int m_nDifficulty = -1;
    Axis m_roll, m_pitch;
    float m_fGustKick = 0.0f; // size of a gust, degrees per second
    float m_fGustRate = 0.0f; // gusts a second
    float m_fToNextGust = 0.0f;
    float m_fYawDrift = 0.0f; // degrees per second
};

// A pilot model: sees the attitude a reaction time late, steers the angles back to level, overshoots a
// little and corrects. With a quarter-second reaction it flies like a decent pilot (the demonstration
// and the whole-game tests); slower reactions stand for people still learning.
class CAutopilot {
public:
    static constexpr float kReactionTime = 0.25f; // seconds

    explicit CAutopilot(float reactionTime = kReactionTime) : m_fReactionTime(reactionTime) {}

    Stick Update(float dt, const FlightState& state);
    // A new attempt: what was seen and held during the last one is forgotten.
    void Reset();

private:
    struct Seen {
        float age;
        FlightState state;
    };
    float m_fReactionTime;
    std::vector<Seen> m_seen;
    float m_fRollSum = 0.0f; // what has been held against a steady wind so far
    float m_fPitchSum = 0.0f;
};
