// What the fuzz targets share: a broken property stops the run where it broke (libFuzzer keeps the
// input that broke it), inputs cut into zero-ended fields, and a scratch folder in memory for the
// targets that go through files.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Stops the run with the property that broke.
inline void Check(bool condition, const char* property) {
    if (condition)
        return;
    std::fprintf(stderr, "broken: %s\n", property);
    std::abort();
}

// libFuzzer's input as bytes.
inline QByteArray InputBytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The bytes of input up to its first zero byte (all of it when there is none), taken off its front.
inline QByteArray TakeField(QByteArray& input) {
    const qsizetype zero = input.indexOf('\0');
    const QByteArray field = input.left(zero < 0 ? input.size() : zero);
    input.remove(0, zero < 0 ? input.size() : zero + 1);
    return field;
}

// A folder of this process's own, in memory where the system has /dev/shm (tens of thousands of
// writes a second must not wear a disk), made at the first call and removed when the process ends.
inline QString ScratchFolder() {
    static const QTemporaryDir dir(
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/aviluma-fuzz-XXXXXX"));
    Check(dir.isValid(), "a scratch folder can be made");
    return dir.path();
}

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
          "the scratch folder takes a file");
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything under folder, but not under the folders named in except: each file with its bytes, each
// link with where it points, each folder. Two snapshots differ when anything was written, made,
// removed or renamed there, wherever a path led.
inline QMap<QString, QByteArray> Snapshot(const QString& folder, const QStringList& except = {}) {
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (std::any_of(except.begin(), except.end(), [&](const QString& skip) {
                return path == skip || path.startsWith(skip + QLatin1Char('/'));
            }))
            continue;
        const QFileInfo info(path);
        entries.insert(path, info.isSymLink() ? "-> " + QFile::encodeName(info.symLinkTarget())
                             : info.isDir()   ? QByteArray("folder")
                                              : ReadBytes(path));
    }
    return entries;
}
