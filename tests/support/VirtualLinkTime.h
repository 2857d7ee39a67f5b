// Virtual time for the link monitor: its clock stands still until the test moves it on, and its waits
// end when the test has moved past their deadline (or a wake-up comes, as in real time). Advance
// returns once the monitor has done what was due and waits again, so a test reads its verdict after
// each period without sleeping.
#pragma once

#include "link/LinkService.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include <poll.h>

class CVirtualLinkTime : public ILinkTime {
public:
    Clock::time_point Now() override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }

    void WaitUntil(std::span<const int> fds, Clock::time_point deadline) override {
        std::unique_lock lock(m_mutex);
        ++m_nWaiting;
        m_changed.notify_all();
        while (m_now < deadline) {
            // A wake-up on a descriptor ends the wait as it would in real time; looked at every few
            // real milliseconds, between the test's moves.
            lock.unlock();
            pollfd polled[2] = {};
            for (std::size_t i = 0; i < fds.size() && i < 2; ++i)
                polled[i] = {fds[i], POLLIN, 0};
            const bool woken = poll(polled, static_cast<nfds_t>(std::min<std::size_t>(fds.size(), 2)), 0) > 0;
            lock.lock();
            if (woken)
                break;
            m_changed.wait_for(lock, std::chrono::milliseconds(5));
        }
        --m_nWaiting;
        ++m_nWaits;
        m_changed.notify_all();
    }

    // Returns once the monitor waits (false if it does not within a real-time bound).
    bool Waiting() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_nWaiting > 0; });
    }

    // Moves the clock on by step and returns once the monitor, having done what fell due, waits again
    // (false if it does not within a real-time bound).
    bool Advance(Clock::duration step) {
        std::unique_lock lock(m_mutex);
        const std::uint64_t waits = m_nWaits;
        m_now += step;
        m_changed.notify_all();
        return m_changed.wait_for(lock, std::chrono::seconds(5),
                                  [&] { return m_nWaits > waits && m_nWaiting > 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Clock::time_point m_now{std::chrono::hours(1)};
    int m_nWaiting = 0;
    std::uint64_t m_nWaits = 0;
};
