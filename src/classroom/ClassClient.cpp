#include "classroom/ClassClient.h"

#include "classroom/CallLimit.h"
#include "classroom/ClassConnection.h"
#include "classroom/ClassConnectionString.h"
#include "classroom/PgPass.h"
#include "platform/UiThread.h"

#include <QDir>

bool IsClassConnection(const QString& text, QString* why) {
    return ParseConnection(text, why).has_value();
}

bool KeepClassPassword(const QString& connection, const QString& password, QString* why) {
    return StorePassword(QDir::homePath() + QStringLiteral("/.pgpass"), connection, password, why);
}

struct CClassChecks::Call {
    std::thread thread;
    CClassConnection* connection = nullptr; // while open, for the end to cut off
    bool done = false;
};

CClassChecks::CClassChecks(std::chrono::milliseconds callLimit) : m_callLimit(callLimit) {}

CClassChecks::~CClassChecks() {
    std::vector<std::shared_ptr<Call>> calls;
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
        for (const auto& call : m_calls)
            if (call->connection)
                call->connection->Abort();
        calls.swap(m_calls);
    }
    for (const auto& call : calls)
        call->thread.join(); // at most a connection being opened (its connect_timeout)
}

int CClassChecks::Running() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(), [](const auto& call) { return !call->done; }));
}

void CClassChecks::Check(const QString& connection, const QString& className, const QString& password,
                         std::function<void(const QString&)> done) {
    std::lock_guard lock(m_mutex);
    // Threads of checks that have ended are joined at once.
    std::erase_if(m_calls, [](const std::shared_ptr<Call>& call) {
        if (!call->done)
            return false;
        call->thread.join();
        return true;
    });
    auto call = std::make_shared<Call>();
    call->thread = std::thread([this, call = call.get(), connection, className, password, done = std::move(done)] {
        QString why;
        {
            CClassConnection test(connection);
            if (!password.isEmpty())
                test.Database().setPassword(password); // for this check only; saving puts it in ~/.pgpass
            if (test.Open(&why)) {
                {
                    std::lock_guard lock(m_mutex);
                    call->connection = &test;
                    if (m_bStopping)
                        test.Abort();
                }
                CCallLimit limit(test, m_callLimit);
                if (!test.Check(&why, className) && limit.CutOff())
                    why = limit.Why();
            }
            std::lock_guard lock(m_mutex);
            call->connection = nullptr;
            call->done = true;
        }
        CUiThread::Post([why, done] { done(why); });
    });
    m_calls.push_back(std::move(call));
}
