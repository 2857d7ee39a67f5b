// Sends the outbox to the class server on a thread of its own, oldest game first, one transaction per
// game; a file is removed only after the server has committed its game, so a crash or a lost server
// at any moment loses no game and sends none twice. A server that is down, slow or restarted only
// delays the games: retries back off from one second to a minute. A connection is held only while
// games wait; a refused one (the server's connection limit) is tried again like any failure. Nothing here ever waits on the
// UI thread, and the UI thread never waits on the network.
#pragma once

#include "records/Outbox.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct ClassStatus {
    bool connected = false;
    int waiting = 0;   // games in the outbox
    QString lastError; // empty while all is well
    int setAside = 0;  // games in the refused folder, which the server will never take as they are
    QString lastSetAside; // why the last of them was set aside, this run
    bool operator==(const ClassStatus&) const = default;
};

class CClassSender {
public:
    // onStatus runs on the sender's thread, or on the thread that wakes it, whenever the status changes.
    // firstRetry: the first wait after a failure (tests shorten it); each next one doubles, to a minute.
    // callLimit: how long one call may wait for the server before it is cut off. sleep, when given,
    // stands for the waits between tries (tests: told each wait, it returns at once).
    using SleepFunction = std::function<void(std::chrono::milliseconds)>;
    explicit CClassSender(ClassSettings settings, std::function<void(const ClassStatus&)> onStatus = {},
                          std::chrono::milliseconds firstRetry = kFirstRetry,
                          std::chrono::milliseconds callLimit = kCallLimit, SleepFunction sleep = {});
    ~CClassSender();
    CClassSender(const CClassSender&) = delete;
    CClassSender& operator=(const CClassSender&) = delete;

    // A game was queued: counted as waiting at once, and sent now rather than at the next retry.
    void Wake();
    ClassStatus Status() const;
    // Ends the thread: a call under way is cut off; only a connection being opened is waited for, up
    // to its connect_timeout.
    void Stop();

    static constexpr std::chrono::seconds kFirstRetry{1};
    static constexpr std::chrono::seconds kLastRetry{60};
    static constexpr std::chrono::seconds kIdleCheck{30};
    // A call is cut off after this (CCallLimit).
    static constexpr std::chrono::seconds kCallLimit{20};

private:
    // The sender's loop: connect, send what waits, back off after a failure, idle when all is sent.
    void Run();
    bool Stopping() const;
    // Opens a connection and checks the server takes this PC's games; nullptr and why when not.
    std::unique_ptr<class CClassConnection> Connect(QString* failure);
    // Sends the waiting files in turn, oldest first, until one fails on the connection: then the
    // connection is dropped and failure says why.
    void SendFiles(const QStringList& files, std::unique_ptr<class CClassConnection>& connection,
                   QString* failure);
    // One file: sent and removed, set aside when the server will never take it, or left to wait
    // when it cannot be read now. False, with why, when the connection failed.
    bool SendFile(const QString& name, class CClassConnection& connection, QString* failure);
    // Runs call on connection, cut off after the call limit (why then says so) or by Stop().
    void WithinCallLimit(class CClassConnection& connection, const std::function<void()>& call, QString* why);
    // After a failure: tells it, waits the retry time and doubles it, up to kLastRetry; true when
    // stopping.
    bool BackOff(const QString& failure, std::chrono::milliseconds* retry);
    // Marks the calls on connection (nullptr: none under way), for Stop() to cut off.
    void Busy(class CClassConnection* connection);
    void Publish(const std::function<void(ClassStatus&)>& change);
    // Moves a file the server will never take to the refused folder, kept, and says why.
    void SetAside(const QString& name, const QString& why);
    // Waits for Wake(), Stop() or the time; true when stopping.
    bool Sleep(std::chrono::milliseconds time);

    const ClassSettings m_settings;
    const std::chrono::milliseconds m_firstRetry;
    const std::chrono::milliseconds m_callLimit;
    const std::function<void(const ClassStatus&)> m_onStatus;
    const SleepFunction m_sleep;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bWoken = false;
    bool m_bStop = false;
    ClassStatus m_status;
    class CClassConnection* m_pBusy = nullptr; // the connection of the call under way
    std::thread m_thread;
};
