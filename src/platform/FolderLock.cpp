#include "platform/FolderLock.h"

#include "platform/FileIo.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    // Every account that plays from a shared folder must be able to open the same lock file: it
    // is readable and writable for all who may enter the folder, whatever the umask says.
    int fd = open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0)
        fchmod(fd, 0666);
    else if (errno == EEXIST)
        fd = open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0 && errno == EACCES) // made by another account without write permission for others
        fd = open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    struct stat st {};
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd);
        fd = -1;
        errno = EINVAL;
    }
    if (fd < 0) {
        m_nError = errno;
        return Result::Failed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_nError = errno;
        const bool busy = errno == EWOULDBLOCK;
        if (busy) {
            // "<pid> <user>": what the holder wrote; the file's owner when it could not write.
            char text[256] = {};
            const ssize_t n = pread(fd, text, sizeof text - 1, 0);
            const QList<QByteArray> fields = QByteArray(text, n > 0 ? n : 0).trimmed().split(' ');
            m_owner.pid = fields.value(0).toLongLong();
            m_owner.user = fields.size() > 1 ? QString::fromLocal8Bit(fields[1]) : UserName(st.st_uid);
        }
        close(fd);
        return busy ? Result::Busy : Result::Failed;
    }
    m_fd = fd;
    const QByteArray holder =
        QByteArray::number(static_cast<qint64>(getpid())) + ' ' + UserName(geteuid()).toLocal8Bit() + '\n';
    // Opened read-only (another account's file): the lock holds all the same, only the note is old.
    [[maybe_unused]] const bool noted = ftruncate(fd, 0) == 0 && WriteAll(fd, holder);
    return Result::Held;
}
