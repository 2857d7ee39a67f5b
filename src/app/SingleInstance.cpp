#include "app/SingleInstance.h"

#include "state/Log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int kConnectWaitMs = 1000;
constexpr int kRetryMs = 50;
constexpr char kRaise[] = "raise\n";

// The socket's address; none when its path is too long for one.
std::optional<sockaddr_un> SocketAddress(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<size_t>(name.size()) >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    return address;
}

// Asks the game listening at address to come to the front; false when none answers.
bool AskToRaise(const sockaddr_un& address) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool asked = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                       send(fd, kRaise, sizeof kRaise - 1, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof kRaise - 1);
    close(fd);
    return asked;
}

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
    const std::optional<sockaddr_un> address = SocketAddress(serverName);
    if (!address) {
        qCWarning(lcUi, "%s is too long a path for a socket; starting without", qPrintable(serverName));
        return true;
    }
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
        QElapsedTimer waited;
        waited.start();
        do {
            if (AskToRaise(*address))
                return false;
            QThread::msleep(kRetryMs);
        } while (waited.elapsed() < kConnectWaitMs);
        qCWarning(lcUi, "%s is locked, but no game answers on %s; starting without",
                  qPrintable(m_lock->fileName()), qPrintable(serverName));
        m_lock.reset();
        return true;
    }
    // A socket file a crashed game left goes; the folder is this user's alone, so is the socket.
    unlink(address->sun_path);
    m_nListener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_nListener < 0 || bind(m_nListener, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        listen(m_nListener, 8) != 0) {
        qCWarning(lcUi, "cannot listen on %s (%s): a second start will not bring this game forward",
                  qPrintable(serverName), std::strerror(errno));
        if (m_nListener >= 0)
            close(m_nListener);
        m_nListener = -1;
        return true;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_nListener, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [listener = m_nListener, onAnotherStart = std::move(onAnotherStart)] {
                         // Each start that asks has said all it has to say by connecting.
                         for (int asking; (asking = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
                             close(asking);
                             onAnotherStart();
                         }
                     });
    return true;
}

CSingleInstance::~CSingleInstance() {
    if (m_nListener < 0)
        return;
    m_notifier.reset();
    close(m_nListener);
    QFile::remove(m_strFolder + QStringLiteral("/aviluma.socket"));
}
