#include "sim/FlightModel.h"

#include "link/Protocol.h"

#include <algorithm>
#include <cmath>

namespace {

// Strengths by difficulty index d (0..9); each is drawn between 60% and all of its top value.
float TiltDegrees(int d) {
    return 10.0f + 3.0f * static_cast<float>(d); // 10 to 37 degrees off level at the start
}
float WindAcceleration(int d) {
    return (2.0f + 1.5f * static_cast<float>(d)) /
           CFlightModel::kResponse; // drifts of 2 to 15 degrees a second
}
float GustKick(int d) {
    return 4.0f + 1.8f * static_cast<float>(d);
}
float GustsPerSecond(int d) {
    return 0.3f + 0.15f * static_cast<float>(d);
}

float Wrap360(float degrees) {
    degrees = std::fmod(degrees, 360.0f);
    return degrees < 0.0f ? degrees + 360.0f : degrees;
}

} // namespace

CFlightModel::CFlightModel(std::uint32_t seed) : m_random(seed) {
    m_state.yaw = std::uniform_real_distribution<float>(0.0f, 360.0f)(m_random);
}

void CFlightModel::OnCommand(const GameCommand& command) {
    const bool attemptStart = command.action == kActionStart && command.difficulty < kDifficultyCount;
    if (!attemptStart) {
        // The opening, a stop, or anything unknown: the air is calm again; the drone stays as it is.
        m_nDifficulty = -1;
        m_roll.wind = m_pitch.wind = 0.0f;
        m_fGustKick = m_fGustRate = 0.0f;
        m_fYawDrift = 0.0f;
        return;
    }
    const int d = command.difficulty;
    m_nDifficulty = d;
    std::uniform_real_distribution<float> share(0.6f, 1.0f);
    std::bernoulli_distribution flip(0.5);
    auto signedShare = [&](float top) { return (flip(m_random) ? top : -top) * share(m_random); };
    m_state.roll = signedShare(TiltDegrees(d));
    m_state.pitch = signedShare(TiltDegrees(d));
    m_state.rollRate = m_state.pitchRate = 0.0f;
    // The wind leans on the drone the way it is already tilted: left alone, it only tips further.
    m_roll.wind = std::copysign(WindAcceleration(d) * share(m_random), m_state.roll);
    m_pitch.wind = std::copysign(WindAcceleration(d) * share(m_random), m_state.pitch);
    m_fGustKick = GustKick(d);
    m_fGustRate = GustsPerSecond(d);
    m_fYawDrift = signedShare(5.0f + static_cast<float>(d));
    ScheduleGust();
}

void CFlightModel::ScheduleGust() {
    m_fToNextGust = m_fGustRate > 0.0f ? std::exponential_distribution<float>(m_fGustRate)(m_random) : 0.0f;
}

void CFlightModel::Step(float dt, Stick stick) {
    stick.roll = std::clamp(stick.roll, -1.0f, 1.0f);
    stick.pitch = std::clamp(stick.pitch, -1.0f, 1.0f);
    if (m_fGustRate > 0.0f) {
        m_fToNextGust -= dt;
        if (m_fToNextGust <= 0.0f) {
            std::uniform_real_distribution<float> kick(-m_fGustKick, m_fGustKick);
            m_state.rollRate += kick(m_random);
            m_state.pitchRate += kick(m_random);
            ScheduleGust();
        }
    }
    // Each rate moves towards what the stick asks for, pushed by the wind; no force levels the drone.
    m_state.rollRate += ((stick.roll * kMaxRate - m_state.rollRate) / kResponse + m_roll.wind) * dt;
    m_state.pitchRate += ((stick.pitch * kMaxRate - m_state.pitchRate) / kResponse + m_pitch.wind) * dt;
    m_state.roll += m_state.rollRate * dt;
    m_state.pitch += m_state.pitchRate * dt;
    m_state.yaw = Wrap360(m_state.yaw + m_fYawDrift * dt);
    // The angles as an attitude reports them: pitched over the vertical, the drone is upside down
    // and facing back, pitching down the other side; a roll past half a turn is the other way round.
    if (std::fabs(m_state.pitch) > 90.0f) {
        m_state.pitch = std::copysign(180.0f, m_state.pitch) - m_state.pitch;
        m_state.pitchRate = -m_state.pitchRate;
        m_state.roll += 180.0f;
        m_state.yaw = Wrap360(m_state.yaw + 180.0f);
    }
    m_state.roll = Wrap360(m_state.roll + 180.0f) - 180.0f;
}

void CAutopilot::Reset() {
    m_seen.clear();
    m_fRollSum = m_fPitchSum = 0.0f;
}

Stick CAutopilot::Update(float dt, const FlightState& state) {
    for (Seen& seen : m_seen)
        seen.age += dt;
    m_seen.push_back({0.0f, state});
    // Acts on what it saw a reaction time ago: the later sights are still on their way.
    // Until its first sight is a reaction time old (just after a reset, when the drone has just been
    // tipped) it has not reacted yet: the stick stays where the hands left it, in the middle.
    if (m_seen.front().age < m_fReactionTime)
        return {0.0f, 0.0f};
    auto seen = m_seen.begin();
    while (seen + 1 != m_seen.end() && (seen + 1)->age >= m_fReactionTime)
        ++seen;
    const FlightState view = seen->state;
    m_seen.erase(m_seen.begin(), seen);

    // A pilot who sees late steers gently, or would chase his own corrections: the gains shrink with the
    // reaction time (for a quarter second, 2.2 degrees a second of rate for each degree off level).
    const float angleGain = 0.55f / m_fReactionTime;
    constexpr float kRateGain = 0.18f;             // a little damping against the swing
    const float holdGain = 0.3f / m_fReactionTime; // what it learns to hold against a steady wind
    m_fRollSum += view.roll * dt;
    m_fPitchSum += view.pitch * dt;
    const float roll = -(angleGain * view.roll + kRateGain * view.rollRate + holdGain * m_fRollSum);
    const float pitch = -(angleGain * view.pitch + kRateGain * view.pitchRate + holdGain * m_fPitchSum);
    return {std::clamp(roll / CFlightModel::kMaxRate, -1.0f, 1.0f),
            std::clamp(pitch / CFlightModel::kMaxRate, -1.0f, 1.0f)};
}
