// Flies the simulated drone: a hundred times a second it applies the commands the drone received,
// steps the flight model with the pilot's stick (or the autopilot's), and gives the drone the new
// attitude to stream.
#pragma once

#include "platform/WorkerThread.h"
#include "sim/FlightModel.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

class CSimDrone;

class CFlightLoop {
public:
    static constexpr std::chrono::milliseconds kStep{10};

    CFlightLoop(CSimDrone& drone, std::uint32_t seed);
    ~CFlightLoop();
    CFlightLoop(const CFlightLoop&) = delete;
    CFlightLoop& operator=(const CFlightLoop&) = delete;

    void Start();
    void Stop(); // safe to repeat

    // The pilot's stick, read on the loop's thread at every step.
    void SetInput(std::function<Stick()> input);
    void SetAutopilot(bool on) { m_bAutopilot = on; }
    bool Autopilot() const { return m_bAutopilot; }

    // What the window shows.
    FlightState State() const;
    Stick LastStick() const;
    std::optional<GameCommand> LastCommand() const;

private:
    void Run();

    CSimDrone& m_drone;
    CFlightModel m_model;
    CAutopilot m_pilot;
    std::atomic<bool> m_bAutopilot{false};
    std::atomic<bool> m_bRun{false};

    mutable std::mutex m_mutex; // the fields below
    std::condition_variable m_wake;
    std::function<Stick()> m_input;
    std::deque<GameCommand> m_commands;
    std::optional<GameCommand> m_lastCommand;
    FlightState m_state;
    Stick m_stick;

    CWorkerThread m_thread;
};
