#include "platform/FileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool WriteAll(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

namespace {

constexpr int kMaxLinkHops = 40; // the kernel's own limit when it follows links

// The rename lives in the folder: until the folder reaches the disk, a power cut may bring back the
// old file. Best effort: the new content is already safe, only its name may still change back.
void SyncFolder(const QByteArray& folder) {
    const int fd = open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool MayFollowLink(const QByteArray& path) {
    struct stat link {};
    struct stat folder {};
    if (lstat(path.constData(), &link) != 0 || stat(FolderOf(path).constData(), &folder) != 0)
        return false;
    const uid_t me = geteuid();
    if (folder.st_uid != me && folder.st_uid != 0)
        return false;
    return (folder.st_mode & 022) == 0 || ((folder.st_mode & S_ISVTX) != 0 && link.st_uid == me);
}

int FollowSafeLinks(QByteArray& path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat status {};
        if (lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return 0; // a missing file is made; other failures show in the steps that follow
        if (!MayFollowLink(path))
            return ELOOP;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = readlink(path.constData(), target.data(), static_cast<size_t>(target.size()));
        if (n < 0)
            return errno;
        if (n >= target.size())
            return ENAMETOOLONG;
        target.truncate(n);
        const qsizetype slash = path.lastIndexOf('/');
        if (!target.startsWith('/') && slash >= 0)
            target.prepend(path.left(slash + 1));
        path = target;
    }
    return ELOOP;
}

bool ReadFileThroughSafeLinks(const QString& path, QByteArray* bytes, int* error, qint64 limit) {
    QByteArray target = QFile::encodeName(path);
    if (const int failure = FollowSafeLinks(target)) {
        *error = failure;
        return false;
    }
    return ReadRegularFile(QFile::decodeName(target), bytes, error, limit);
}

int CheckFolders(const QString& path, bool make) {
    const QByteArray native = QFile::encodeName(path);
    for (qsizetype at = 1; at <= native.size(); ++at) {
        if (at < native.size() && native[at] != '/')
            continue;
        if (native[at - 1] == '/')
            continue; // the root, or a doubled slash
        const QByteArray folder = native.left(at);
        struct stat st {};
        if (lstat(folder.constData(), &st) != 0) {
            if (errno != ENOENT)
                return errno;
            if (!make)
                return 0;
            if (mkdir(folder.constData(), 0777) != 0 && errno != EEXIST)
                return errno;
            continue;
        }
        if (S_ISLNK(st.st_mode) && !MayFollowLink(folder))
            return ELOOP;
        if (S_ISLNK(st.st_mode) && stat(folder.constData(), &st) != 0)
            return make || errno != ENOENT ? errno : 0;
        if (!S_ISDIR(st.st_mode))
            return ENOTDIR;
    }
    return 0;
}

bool ReplaceFileAtomically(const QString& path, const QByteArray& bytes, int* error, mode_t mode) {
    const QByteArray target = QFile::encodeName(path);
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray temp =
        target.left(slash + 1) + '.' + target.mid(slash + 1) + kTempMarker + QByteArray("XXXXXX");
    int failure = slash > 0 ? CheckFolders(QFile::decodeName(target.left(slash))) : 0;
    const int fd = failure != 0 ? -1 : mkostemp(temp.data(), O_CLOEXEC);
    if (failure == 0 && fd < 0)
        failure = errno;
    if (fd >= 0) {
        errno = 0;
        if (fchmod(fd, mode) != 0 || !WriteAll(fd, bytes) || fsync(fd) != 0)
            failure = errno != 0 ? errno : EIO;
        if (close(fd) != 0 && failure == 0)
            failure = errno;
        if (failure == 0 && rename(temp.constData(), target.constData()) != 0)
            failure = errno;
        if (failure != 0)
            unlink(temp.constData());
        else
            SyncFolder(target.left(slash < 0 ? 0 : slash));
    }
    if (error != nullptr)
        *error = failure;
    return failure == 0;
}

int OpenRegularFile(const QString& path, int flags, int* error) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (const int failure = slash > 0 ? CheckFolders(path.left(slash)) : 0) {
        *error = failure;
        return -1;
    }
    const int fd = open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        close(fd);
        return -1;
    }
    return fd;
}

bool ReadRegularFile(const QString& path, QByteArray* bytes, int* error, qint64 limit, bool ownOnly) {
    const int fd = OpenRegularFile(path, O_RDONLY, error);
    if (fd < 0)
        return false;
    struct stat st {};
    int failure = fstat(fd, &st) != 0 ? errno : 0;
    if (failure == 0 && ownOnly)
        failure = st.st_uid != geteuid() ? EPERM : st.st_nlink != 1 ? EMLINK : 0;
    if (failure == 0 && limit >= 0 && st.st_size > limit)
        failure = EFBIG;
    bytes->clear();
    char buffer[65536];
    ssize_t n = 0;
    while (failure == 0 && ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))) {
        bytes->append(buffer, std::max<ssize_t>(n, 0));
        if (limit >= 0 && bytes->size() > limit) // it grew while it was read
            failure = EFBIG;
    }
    if (failure == 0 && n < 0)
        failure = errno;
    close(fd);
    if (failure != 0) {
        bytes->clear();
        *error = failure;
    }
    return failure == 0;
}

bool MakePrivateFolder(const QString& path, int* error) {
    const QByteArray native = QFile::encodeName(path);
    if (mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        *error = errno;
        return false;
    }
    const int fd = open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ELOOP ? ENOTDIR : errno;
        return false;
    }
    struct stat st {};
    int failure = fstat(fd, &st) != 0 ? errno : st.st_uid != geteuid() ? EPERM : 0;
    if (failure == 0 && (st.st_mode & 077) != 0 && fchmod(fd, 0700) != 0)
        failure = errno;
    close(fd);
    *error = failure;
    return failure == 0;
}

mode_t NewFileMode(mode_t requested) {
    // umask() can only be read by setting it, which would race with other threads making files;
    // the kernel shows it in the status file instead (Linux 4.7 and later).
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return requested & ~static_cast<mode_t>(mask);
            }
        }
    }
    return requested & ~mode_t{022};
}

void RemoveLeftoverTempFiles(const QString& folder) {
    const QString marker = QString::fromLatin1(kTempMarker);
    QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = file.fileName();
        const qsizetype at = name.lastIndexOf(marker);
        // ".<name><marker>XXXXXX": a hidden plain file with exactly mkstemp's six letters or digits last.
        const QString random = at > 0 ? name.mid(at + marker.size()) : QString();
        if (name.startsWith(QLatin1Char('.')) && !file.isSymLink() && random.size() == 6 &&
            std::all_of(random.begin(), random.end(),
                        [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 0x80; }))
            dir.remove(name);
    }
}
