// A PC's link to its class: a sender for the settings in class.cfg, woken whenever a game is queued,
// and started again when the settings change. Nothing here waits on the network on the caller's
// thread: a sender being replaced finishes on a thread of its own.
#pragma once

#include "classroom/ClassSender.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class CClassLink {
public:
    // onStatus: the current sender's status, from its thread or a game's; never an old sender's.
    explicit CClassLink(std::function<void(const ClassStatus&)> onStatus,
                        std::chrono::milliseconds callLimit = CClassSender::kCallLimit);
    ~CClassLink(); // every sender stopped
    CClassLink(const CClassLink&) = delete;
    CClassLink& operator=(const CClassLink&) = delete;

    // Reads class.cfg again: a new sender for a class, none without one.
    void Restart();

private:
    const std::function<void(const ClassStatus&)> m_onStatus;
    const std::chrono::milliseconds m_callLimit;
    std::mutex m_mutex;
    std::unique_ptr<CClassSender> m_sender;
    std::vector<std::thread> m_retiring; // senders being stopped
    std::atomic<int> m_nGeneration{0};
};
