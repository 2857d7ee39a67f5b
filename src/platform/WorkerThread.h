// A thread whose end can be awaited with a bound.
//
// std::thread only offers an unbounded join. The link and game threads are stopped by clearing a flag
// that their loop tests; whoever clears it waits a bounded time for the body to return and only then
// joins, so no wait in the program can hang.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class CWorkerThread {
public:
    CWorkerThread() = default;
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;
    // Joins: the owner must have asked the body to stop before it goes.
    ~CWorkerThread();

    // Starts body on a new thread. A previous body must have finished (it is joined here).
    void Start(std::function<void()> body);
    // True from Start until the body has returned.
    bool Running() const;
    // Waits at most bound for the body to return; true when it has (or none was started).
    bool WaitFinished(std::chrono::milliseconds bound);
    // Joins the thread when its body has returned; true when no thread is left. With force, joins
    // whatever the state (program end, after every stop flag has been cleared).
    bool Join(bool force = false);

private:
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_finishedCv;
    bool m_running = false;
};
