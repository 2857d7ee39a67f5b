#include "platform/FolderLock.h"

#include <QFile>

#include <cerrno>
#include <ctime>
#include <optional>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString UserName(uid_t uid) {
    char buffer[4096];
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

// Who holds a lock on the file, as the kernel tells it (/proc/locks names the process that took each
// lock, by device and inode): nothing a file's content could forge. Nullopt when nobody does; pid 0
// for a holder the kernel will not name (in another process namespace).
std::optional<CFolderLock::Holder> LockHolder(const struct stat& file) {
    CFolderLock::Holder holder;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return std::nullopt;
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiting lock's line starts "1: -> ".
    const QByteArray inode = QByteArray::number(major(file.st_dev), 16).rightJustified(2, '0') + ':' +
                             QByteArray::number(minor(file.st_dev), 16).rightJustified(2, '0') + ':' +
                             QByteArray::number(static_cast<qulonglong>(file.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] == "->" || fields[5] != inode)
            continue;
        holder.pid = fields[4].toLongLong();
        struct stat process {};
        if (holder.pid > 0 && stat(QByteArray("/proc/" + fields[4]).constData(), &process) == 0)
            holder.user = UserName(process.st_uid);
        return holder;
    }
    return std::nullopt;
}

// The lock file may be opened by exactly the accounts that may write the folder: anyone who can open
// it can hold its lock and so keep every game out.
mode_t LockMode(const struct stat& folder) {
    return 0600 | ((folder.st_mode & S_IWGRP) != 0 ? 0060 : 0) | ((folder.st_mode & S_IWOTH) != 0 ? 0006 : 0);
}

} // namespace

CFolderLock::CFolderLock(QString folder) : m_strFolder(std::move(folder)) {}

CFolderLock::~CFolderLock() {
    if (m_fd >= 0)
        close(m_fd); // the lock goes with the descriptor; the file stays for the next game
}

QString CFolderLock::FilePath() const {
    return m_strFolder + QLatin1Char('/') + QLatin1String(kFileName);
}

CFolderLock::Result CFolderLock::Claim() {
    if (m_fd >= 0)
        return Result::Held;
    const QByteArray path = QFile::encodeName(FilePath());
    struct stat folder {};
    if (stat(QFile::encodeName(m_strFolder).constData(), &folder) != 0) {
        m_nError = errno;
        return Result::Failed;
    }
    const mode_t mode = LockMode(folder);
    for (int attempt = 0; attempt < 3; ++attempt) {
        struct stat st {};
        int fd = open(path.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            // Its group is the folder's, so that the folder's group may open it.
            [[maybe_unused]] const bool grouped =
                (mode & 0060) == 0 || fchown(fd, static_cast<uid_t>(-1), folder.st_gid) == 0;
            fchmod(fd, mode);
        } else if (errno == EEXIST) {
            fd = open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        }
        const int failure = fd < 0 ? errno : 0;
        bool usable = fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (usable && (st.st_mode & 0777 & ~mode) != 0) // made by an older game, open to all
            usable = st.st_uid == geteuid() && fchmod(fd, mode) == 0;
        if (usable) {
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
                m_fd = fd;
                return Result::Held;
            }
            m_nError = errno;
            close(fd);
            if (m_nError != EWOULDBLOCK)
                return Result::Failed;
            m_owner = LockHolder(st).value_or(Holder{});
            return Result::Busy;
        }
        if (fd >= 0)
            close(fd);
        if (failure != 0 && failure != ELOOP && failure != EACCES && failure != EISDIR) {
            m_nError = failure;
            return Result::Failed;
        }
        // A link, a pipe, a folder, a file we may not open, or one others may open although they may
        // not write the folder: none of ours, unless a game holds a lock on it. Set aside, and a
        // fresh one made.
        struct stat planted {};
        if (lstat(path.constData(), &planted) == 0) {
            if (const std::optional<Holder> holder = LockHolder(planted)) {
                m_owner = *holder;
                return Result::Busy;
            }
        }
        const QByteArray aside = path + ".set-aside-" +
                                 QByteArray::number(static_cast<qint64>(time(nullptr))) + '-' +
                                 QByteArray::number(static_cast<qint64>(getpid()));
        if (rename(path.constData(), aside.constData()) != 0 && errno != ENOENT) {
            m_nError = errno;
            return Result::Failed;
        }
    }
    m_nError = EAGAIN;
    return Result::Failed;
}
