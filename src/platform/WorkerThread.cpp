#include "platform/WorkerThread.h"

CWorkerThread::~CWorkerThread() {
    Join(true);
}

void CWorkerThread::Start(std::function<void()> body) {
    Join(true);
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    m_thread = std::thread([this, body = std::move(body)] {
        body();
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_finishedCv.notify_all();
    });
}

bool CWorkerThread::Running() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

bool CWorkerThread::WaitFinished(std::chrono::milliseconds bound) {
    std::unique_lock lock(m_mutex);
    return m_finishedCv.wait_for(lock, bound, [this] { return !m_running; });
}

bool CWorkerThread::Join(bool force) {
    if (!m_thread.joinable())
        return true;
    if (!force && Running())
        return false;
    m_thread.join();
    return true;
}
