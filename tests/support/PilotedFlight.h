// The simulated drone's flight model, flown by its autopilot, in the game's virtual time: each of the
// game's commands reaches the model at the moment it is sent, and every sample the game takes reads
// the flight's attitude at that moment (as the drone sends it, in radians). Used by the flight tests and
// by the benchmark that measures how learnable the drone is.
#pragma once

#include "sim/FlightModel.h"
#include "support/VirtualDrone.h"

#include <cstdint>
#include <optional>
#include <utility>

class CPilotedFlight {
public:
    // reactionTime: the autopilot's; nullopt leaves the stick alone.
    CPilotedFlight(CVirtualDrone& drone, std::uint32_t seed, std::optional<float> reactionTime);

private:
    std::pair<float, float> Fly();

    CVirtualDrone& m_drone;
    CFlightModel m_model;
    std::optional<CAutopilot> m_pilot;
    long long m_nFlownMs = 0;
    std::size_t m_nCommandsApplied = 0;
};
