// A watchdog for one call to the class server.
#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class CClassConnection;

// Cuts off a call on a connection that outlives a limit, for as long as it lives: a server that takes a
// connection but never answers (stopped, swapping, a half-open link) is caught neither by the server's
// statement_timeout nor by TCP keepalives.
class CCallLimit {
public:
    CCallLimit(CClassConnection& connection, std::chrono::milliseconds limit);
    ~CCallLimit();
    CCallLimit(const CCallLimit&) = delete;
    CCallLimit& operator=(const CCallLimit&) = delete;
    // Whether the call was cut off, and what to tell.
    bool CutOff() const;
    QString Why() const;

private:
    const std::chrono::milliseconds m_limit;
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_bDone = false;
    bool m_bCutOff = false;
    std::thread m_thread;
};
