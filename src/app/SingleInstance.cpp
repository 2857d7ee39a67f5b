#include "app/SingleInstance.h"

#include "state/Log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kConnectWaitMs = 1000;
constexpr int kRetryMs = 50;
const QByteArray kRaise = QByteArrayLiteral("raise\n");

// Why the folder cannot hold the lock and the socket, or an empty text when it can: it must be a real
// folder of this user's that nobody else may enter, or anyone could plant a lock there that stops the
// game, or a socket that catches its hand-over.
QString Unusable(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    QDir().mkpath(QFileInfo(folder).absolutePath());
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return QString::fromLocal8Bit(std::strerror(errno));
    struct stat st {};
    if (lstat(path.constData(), &st) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("it is not a folder");
    if (st.st_uid != geteuid())
        return QStringLiteral("it belongs to another user");
    if ((st.st_mode & 07777) != 0700 && chmod(path.constData(), 0700) != 0)
        return QStringLiteral("others may enter it");
    return {};
}

} // namespace

CSingleInstance::CSingleInstance(QString folder) : m_strFolder(std::move(folder)) {}

bool CSingleInstance::Claim(std::function<void()> onAnotherStart) {
    if (const QString why = Unusable(m_strFolder); !why.isEmpty()) {
        qCWarning(lcUi, "cannot use %s to find a running game (%s); starting without",
                  qPrintable(m_strFolder), qPrintable(why));
        return true;
    }
    const QString serverName = m_strFolder + QStringLiteral("/aviluma.socket");
    m_lock = std::make_unique<QLockFile>(m_strFolder + QStringLiteral("/aviluma.lock"));
    // A lock left by a game that crashed is taken over: QLockFile checks that its process is gone.
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() != QLockFile::LockFailedError) {
            qCWarning(lcUi, "cannot lock %s to find a running game; starting without",
                      qPrintable(m_strFolder + QStringLiteral("/aviluma.lock")));
            m_lock.reset();
            return true;
        }
        // Another game holds the lock: it answers on its socket (a game that has just taken the lock
        // may take a moment to listen). A lock nobody answers for is no game, and stops nothing.
        QLocalSocket socket;
        QElapsedTimer waited;
        waited.start();
        do {
            socket.connectToServer(serverName);
            if (socket.waitForConnected(kConnectWaitMs)) {
                socket.write(kRaise);
                socket.waitForBytesWritten(kConnectWaitMs);
                return false;
            }
            QThread::msleep(kRetryMs);
        } while (waited.elapsed() < kConnectWaitMs);
        qCWarning(lcUi, "%s is locked, but no game answers on %s; starting without",
                  qPrintable(m_lock->fileName()), qPrintable(serverName));
        m_lock.reset();
        return true;
    }
    m_server = std::make_unique<QLocalServer>();
    QLocalServer::removeServer(serverName); // a socket file a crashed game left
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(serverName)) {
        qCWarning(lcUi, "cannot listen on %s (%s): a second start will not bring this game forward",
                  qPrintable(serverName), qPrintable(m_server->errorString()));
        m_server.reset();
        return true;
    }
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(),
                     [server = m_server.get(), onAnotherStart = std::move(onAnotherStart)] {
                         while (QLocalSocket* socket = server->nextPendingConnection()) {
                             QObject::connect(socket, &QLocalSocket::disconnected, socket,
                                              &QObject::deleteLater);
                             onAnotherStart();
                         }
                     });
    return true;
}
