// What the game and its windows know of the class server: where it is (a connection text they keep
// but never read), whether this PC may send there, where a password is kept, and the link that sends
// this PC's games (ClassLink.h). The database, its SQL and its client library stay behind these.
#pragma once

#include "classroom/ClassLink.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A connection checked as a PC uses it: games can be sent.
inline const QString kClassConnectionGoodText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "连接正常，可以上传成绩。"));

// Whether text says where a class server is (and holds no password); why not.
bool IsClassConnection(const QString& text, QString* why = nullptr);
// Keeps password for the server and login of connection where the client looks for it: ~/.pgpass,
// made 0600. False and why.
bool KeepClassPassword(const QString& connection, const QString& password, QString* why);

// Checks of a connection that windows start and never wait for: each on a thread of its own, every
// call to the server cut off after the limit, the answer handed to the UI thread. Its owner outlives
// the windows that use it; its end cuts off the checks under way and joins their threads.
class CClassChecks {
public:
    explicit CClassChecks(std::chrono::milliseconds callLimit = kCallLimit);
    ~CClassChecks();
    CClassChecks(const CClassChecks&) = delete;
    CClassChecks& operator=(const CClassChecks&) = delete;

    // Connects as a PC of className would, with password for this check only when one is given;
    // done runs on the UI thread with nothing when games could be sent, else why not.
    void Check(const QString& connection, const QString& className, const QString& password,
               std::function<void(const QString& why)> done);
    // Checks still under way.
    int Running();

    static constexpr std::chrono::seconds kCallLimit{10};

private:
    struct Call;
    const std::chrono::milliseconds m_callLimit;
    std::mutex m_mutex;
    bool m_bStopping = false;
    std::vector<std::shared_ptr<Call>> m_calls;
};
