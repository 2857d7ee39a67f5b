#include "platform/FileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
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

bool ReplaceFileAtomically(const QString& path, const QByteArray& bytes, int* error, mode_t mode) {
    const QByteArray target = QFile::encodeName(path);
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray temp =
        target.left(slash + 1) + '.' + target.mid(slash + 1) + kTempMarker + QByteArray("XXXXXX");
    int failure = 0;
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        failure = errno;
    } else {
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
