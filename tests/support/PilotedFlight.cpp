#include "support/PilotedFlight.h"

#include "link/Protocol.h"

#include <numbers>

namespace {

constexpr long long kStepMs = 10;
constexpr float kStep = 0.01f;

// What the game stores of an angle the drone sends: degrees to radians on the drone, back on the PC.
float AsReceived(float degrees) {
    return static_cast<float>(degrees * std::numbers::pi_v<float> / 180.0f * kDegreesPerRadian);
}

} // namespace

CPilotedFlight::CPilotedFlight(CVirtualDrone& drone, std::uint32_t seed, std::optional<float> reactionTime)
    : m_drone(drone), m_model(seed) {
    if (reactionTime)
        m_pilot.emplace(*reactionTime);
    m_drone.attitude = [this](int, long long) { return Fly(); };
}

std::pair<float, float> CPilotedFlight::Fly() {
    for (; m_nFlownMs < m_drone.nowMs; m_nFlownMs += kStepMs) {
        while (m_nCommandsApplied < m_drone.sent.size() &&
               m_drone.sent[m_nCommandsApplied].timeMs <= m_nFlownMs) {
            m_model.OnCommand(m_drone.sent[m_nCommandsApplied++].command);
            if (m_pilot && m_model.Difficulty() >= 0)
                m_pilot->Reset(); // an attempt starts
        }
        m_model.Step(kStep, m_pilot ? m_pilot->Update(kStep, m_model.State()) : Stick{});
    }
    return {AsReceived(m_model.State().roll), AsReceived(m_model.State().pitch)};
}
