#include "classroom/ClassSender.h"

#include "classroom/CallLimit.h"
#include "classroom/ClassConnection.h"
#include "platform/FileIo.h"
#include "state/Log.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

CClassSender::CClassSender(ClassSettings settings, std::function<void(const ClassStatus&)> onStatus,
                           std::chrono::milliseconds firstRetry, std::chrono::milliseconds callLimit,
                           SleepFunction sleep)
    : m_settings(std::move(settings)), m_firstRetry(firstRetry), m_callLimit(callLimit),
      m_onStatus(std::move(onStatus)), m_sleep(std::move(sleep)), m_thread([this] { Run(); }) {}

CClassSender::~CClassSender() {
    Stop();
}

void CClassSender::Wake() {
    // The sender may be held up by the server: the status counts the game now, before the sender
    // can count the outbox again (counted twice otherwise).
    ClassStatus status;
    {
        std::lock_guard lock(m_mutex);
        m_bWoken = true;
        ++m_status.waiting;
        status = m_status;
        m_wake.notify_all();
    }
    if (m_onStatus)
        m_onStatus(status);
}

void CClassSender::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
        if (m_pBusy)
            m_pBusy->Abort();
        m_wake.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

void CClassSender::Busy(CClassConnection* connection) {
    std::lock_guard lock(m_mutex);
    m_pBusy = connection;
    if (m_bStop && connection)
        connection->Abort();
}

ClassStatus CClassSender::Status() const {
    std::lock_guard lock(m_mutex);
    return m_status;
}

void CClassSender::Publish(const std::function<void(ClassStatus&)>& change) {
    ClassStatus status;
    {
        std::lock_guard lock(m_mutex);
        const ClassStatus before = m_status;
        change(m_status);
        if (m_status == before)
            return;
        status = m_status;
    }
    if (m_onStatus)
        m_onStatus(status);
}

void CClassSender::SetAside(const QString& name, const QString& why) {
    const QString folder = RefusedOutboxFolder();
    int error = 0;
    if (!MakePrivateFolder(folder, &error) ||
        rename(QFile::encodeName(OutboxFolder() + QLatin1Char('/') + name).constData(),
               QFile::encodeName(folder + QLatin1Char('/') + name).constData()) != 0) {
        error = error != 0 ? error : errno;
        qCWarning(lcRecords, "the class server will not take %s (%s), and it cannot be moved to %s: %s",
                  qPrintable(name), qPrintable(why), qPrintable(folder), std::strerror(error));
        return;
    }
    qCWarning(lcRecords, "the class server will not take %s (%s): moved to %s", qPrintable(name), qPrintable(why),
              qPrintable(folder));
    Publish([&](ClassStatus& s) {
        s.setAside = CountRefusedOutboxGames();
        s.lastSetAside = why;
    });
}

bool CClassSender::Sleep(std::chrono::milliseconds time) {
    std::unique_lock lock(m_mutex);
    if (m_sleep) {
        lock.unlock();
        m_sleep(time);
        lock.lock();
    } else {
        m_wake.wait_for(lock, time, [this] { return m_bStop || m_bWoken; });
    }
    m_bWoken = false;
    return m_bStop;
}

bool CClassSender::Stopping() const {
    std::lock_guard lock(m_mutex);
    return m_bStop;
}

void CClassSender::Run() {
    std::unique_ptr<CClassConnection> connection;
    std::chrono::milliseconds retry = m_firstRetry;
    Publish([](ClassStatus& s) { s.setAside = CountRefusedOutboxGames(); });
    while (!Stopping()) {
        QString failure;
        const QStringList files = OutboxFiles(&failure);
        Publish([&](ClassStatus& s) { s.waiting = static_cast<int>(files.size()); });
        // Connected before any game waits, so the status says at once whether the class is reachable.
        if (!connection && failure.isEmpty())
            connection = Connect(&failure);
        SendFiles(files, connection, &failure);
        if (!failure.isEmpty()) {
            if (BackOff(failure, &retry))
                break;
            continue;
        }
        retry = m_firstRetry;
        // Nothing left to send: the connection goes, so a room of PCs holds none of the server's
        // connections while it plays. The next game, or the next check, connects again.
        connection.reset();
        if (Sleep(kIdleCheck))
            break;
    }
}

void CClassSender::WithinCallLimit(CClassConnection& connection, const std::function<void()>& call,
                                   QString* why) {
    Busy(&connection);
    {
        CCallLimit limit(connection, m_callLimit);
        call();
        if (limit.CutOff())
            *why = limit.Why();
    }
    Busy(nullptr);
}

std::unique_ptr<CClassConnection> CClassSender::Connect(QString* failure) {
    auto connection = std::make_unique<CClassConnection>(m_settings.connection);
    bool ready = connection->Open(failure);
    if (ready)
        WithinCallLimit(
            *connection, [&] { ready = connection->Check(failure, m_settings.className); }, failure);
    if (!ready)
        return nullptr;
    Publish([](ClassStatus& s) {
        s.connected = true;
        s.lastError.clear();
    });
    return connection;
}

void CClassSender::SendFiles(const QStringList& files, std::unique_ptr<CClassConnection>& connection,
                             QString* failure) {
    for (const QString& name : files) {
        if (!connection || Stopping())
            break;
        if (!SendFile(name, *connection, failure)) {
            connection.reset(); // a fresh connection next time: the old one may be dead
            break;
        }
        Publish([&](ClassStatus& s) {
            s.connected = connection != nullptr;
            s.waiting = std::max(0, s.waiting - 1);
            s.lastError.clear();
        });
    }
}

bool CClassSender::SendFile(const QString& name, CClassConnection& connection, QString* failure) {
    QString why;
    bool lasting = false;
    std::optional<OutboxGame> queued =
        ReadOutboxGame(OutboxFolder() + QLatin1Char('/') + name, &why, &lasting);
    // Whatever the file says, the game goes as this PC's: its class, its seat, its player.
    if (!queued && !lasting) {
        qCWarning(lcRecords, "cannot read the queued game %s now (%s)", qPrintable(name), qPrintable(why));
        return true;
    }
    if (!queued || !StampOutboxGame(*queued, m_settings, &why)) {
        SetAside(name, why);
        return true;
    }
    CClassConnection::Upload sent = CClassConnection::Upload::Failed;
    WithinCallLimit(connection, [&] { sent = connection.Send(*queued, &why); }, &why);
    if (sent == CClassConnection::Upload::Failed) {
        *failure = why;
        return false;
    }
    if (sent == CClassConnection::Upload::Refused)
        SetAside(name, why);
    else if (!QFile::remove(OutboxFolder() + QLatin1Char('/') + name))
        qCWarning(lcRecords, "cannot remove the sent game %s (it will not be sent twice)", qPrintable(name));
    return true;
}

bool CClassSender::BackOff(const QString& failure, std::chrono::milliseconds* retry) {
    qCWarning(lcRecords, "class server: %s; trying again in %lld ms", qPrintable(failure),
              static_cast<long long>(retry->count()));
    Publish([&](ClassStatus& s) {
        s.connected = false;
        s.lastError = failure;
    });
    if (Sleep(*retry))
        return true;
    *retry = std::min<std::chrono::milliseconds>(*retry * 2, kLastRetry);
    return false;
}
