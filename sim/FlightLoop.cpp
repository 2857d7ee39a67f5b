#include "sim/FlightLoop.h"

#include "sim/SimDrone.h"

CFlightLoop::CFlightLoop(CSimDrone& drone, std::uint32_t seed) : m_drone(drone), m_model(seed) {
    m_state = m_model.State();
}

CFlightLoop::~CFlightLoop() {
    Stop();
}

void CFlightLoop::Start() {
    m_drone.SetCommandObserver([this](const GameCommand& command) {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(command);
    });
    m_bRun = true;
    m_thread.Start([this] { Run(); });
}

void CFlightLoop::Stop() {
    m_drone.SetCommandObserver({});
    {
        std::lock_guard lock(m_mutex);
        m_bRun = false;
    }
    m_wake.notify_all();
    m_thread.Join(true);
}

void CFlightLoop::SetInput(std::function<Stick()> input) {
    std::lock_guard lock(m_mutex);
    m_input = std::move(input);
}

FlightState CFlightLoop::State() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

Stick CFlightLoop::LastStick() const {
    std::lock_guard lock(m_mutex);
    return m_stick;
}

std::optional<GameCommand> CFlightLoop::LastCommand() const {
    std::lock_guard lock(m_mutex);
    return m_lastCommand;
}

void CFlightLoop::Run() {
    using Clock = std::chrono::steady_clock;
    constexpr float kDt = std::chrono::duration<float>(kStep).count();
    Clock::time_point next = Clock::now();
    std::unique_lock lock(m_mutex);
    while (m_bRun) {
        // A fixed step on an absolute schedule: the flight does not depend on how busy the machine is.
        next += kStep;
        if (m_wake.wait_until(lock, next, [this] { return !m_bRun; }))
            break;
        std::deque<GameCommand> commands;
        commands.swap(m_commands);
        std::function<Stick()> input = m_input;
        lock.unlock();

        for (const GameCommand& command : commands) {
            m_model.OnCommand(command);
            if (m_model.Difficulty() >= 0)
                m_pilot.Reset(); // an attempt starts
        }
        const Stick stick = m_bAutopilot ? m_pilot.Update(kDt, m_model.State()) : (input ? input() : Stick{});
        m_model.Step(kDt, stick);
        const FlightState state = m_model.State();
        m_drone.SetAttitudeDegrees(state.roll, state.pitch, state.yaw);

        lock.lock();
        m_state = state;
        m_stick = stick;
        if (!commands.empty())
            m_lastCommand = commands.back();
    }
}
