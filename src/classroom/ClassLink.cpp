#include "classroom/ClassLink.h"

CClassLink::CClassLink(std::function<void(const ClassStatus&)> onStatus, std::chrono::milliseconds callLimit)
    : m_onStatus(std::move(onStatus)), m_callLimit(callLimit) {
    Restart();
    SetOutboxListener([this] {
        std::lock_guard lock(m_mutex);
        if (m_sender)
            m_sender->Wake();
    });
}

CClassLink::~CClassLink() {
    SetOutboxListener({});
    std::unique_ptr<CClassSender> last;
    std::vector<std::thread> retiring;
    {
        std::lock_guard lock(m_mutex);
        ++m_nGeneration;
        last = std::move(m_sender);
        retiring = std::move(m_retiring);
    }
    last.reset();
    for (std::thread& thread : retiring)
        thread.join();
}

void CClassLink::Restart() {
    const int generation = ++m_nGeneration;
    const std::optional<ClassSettings> settings = ReadClassSettings();
    std::lock_guard lock(m_mutex);
    // Stopping a sender may wait for a connection being opened: never on this thread.
    if (m_sender)
        m_retiring.emplace_back([old = std::move(m_sender)]() mutable { old.reset(); });
    if (!settings)
        return;
    m_sender = std::make_unique<CClassSender>(
        *settings,
        [this, generation](const ClassStatus& status) {
            if (generation == m_nGeneration && m_onStatus)
                m_onStatus(status);
        },
        CClassSender::kFirstRetry, m_callLimit);
    if (m_onStatus)
        m_onStatus(m_sender->Status());
}
