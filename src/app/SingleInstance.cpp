#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>

namespace {
constexpr int kConnectWaitMs = 1000;
const QByteArray kRaise = QByteArrayLiteral("raise\n");
} // namespace

CSingleInstance::CSingleInstance(const QString& folder)
    : m_strFolder(folder), m_lock(folder + QStringLiteral("/aviluma.lock")) {
    // Private: in a shared temporary folder nobody else may plant the lock or the socket.
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool CSingleInstance::Claim(std::function<void()> onAnotherStart) {
    const QString serverName = m_strFolder + QStringLiteral("/aviluma.socket");
    // A lock left by a game that crashed is taken over: QLockFile checks that its process is gone.
    if (!m_lock.tryLock(0)) {
        QLocalSocket socket;
        socket.connectToServer(serverName);
        if (socket.waitForConnected(kConnectWaitMs)) {
            socket.write(kRaise);
            socket.waitForBytesWritten(kConnectWaitMs);
        }
        return false;
    }
    m_server = std::make_unique<QLocalServer>();
    QLocalServer::removeServer(serverName); // a socket file a crashed game left
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(serverName);
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
