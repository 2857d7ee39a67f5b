#include "records/SpreadsheetLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QSysInfo>

#include <algorithm>
#include <vector>

#include <dirent.h>
#include <unistd.h>

namespace {

enum class Suite { LibreOffice, Wps, OfficeCompatible };

struct LockFile {
    QString path;
    Suite suite;
};

// The names each suite's processes run under (the kernel's 15-character "comm").
QStringList ProgramsOf(Suite suite) {
    switch (suite) {
    case Suite::LibreOffice:
        return {QStringLiteral("soffice.bin"), QStringLiteral("soffice"), QStringLiteral("oosplash")};
    case Suite::Wps:
        return {QStringLiteral("et"), QStringLiteral("wps"), QStringLiteral("wpp"),
                QStringLiteral("wpsoffice")};
    case Suite::OfficeCompatible:
        return {QStringLiteral("DesktopEditors"), QStringLiteral("editors"), QStringLiteral("et"),
                QStringLiteral("wps")};
    }
    return {};
}

std::vector<LockFile> Candidates(const QString& sheetPath) {
    const QFileInfo sheet(sheetPath);
    const QString dir = sheet.absolutePath() + QLatin1Char('/');
    const QString name = sheet.fileName();
    std::vector<LockFile> candidates = {
        {dir + QStringLiteral(".~lock.") + name + QLatin1Char('#'), Suite::LibreOffice},
        {dir + QStringLiteral(".~") + name, Suite::Wps},
        {dir + QStringLiteral("~$") + name, Suite::OfficeCompatible},
    };
    // Long names lose their first characters to the prefix.
    for (const int cut : {1, 2}) {
        if (name.size() > cut + 1) {
            candidates.push_back({dir + QStringLiteral(".~") + name.mid(cut), Suite::Wps});
            if (cut == 2)
                candidates.push_back({dir + QStringLiteral("~$") + name.mid(cut), Suite::OfficeCompatible});
        }
    }
    return candidates;
}

// The host a LibreOffice lock file names (its third field), or an empty string when it names none.
QString LockHost(const QString& lockPath) {
    QFile file(lockPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromUtf8(file.read(4096));
    // Fields are separated by commas; a comma inside a field is escaped with a backslash.
    QStringList fields;
    QString field;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            field += text[++i];
        } else if (c == QLatin1Char(',') || c == QLatin1Char(';')) {
            fields << field;
            field.clear();
            if (c == QLatin1Char(';'))
                break;
        } else {
            field += c;
        }
    }
    return fields.size() > 2 ? fields[2].trimmed() : QString();
}

// Walks the processes this user may look at: true when one of them runs a program named in programs,
// or has the file at canonicalSheet open.
bool SomeProcessHolds(const QStringList& programs, const QString& canonicalSheet) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return true; // nothing to look at: better a question too many than a line written under a spreadsheet
    bool held = false;
    const QByteArray sheet = QFile::encodeName(canonicalSheet);
    while (const dirent* entry = readdir(proc)) {
        const QByteArray pid(entry->d_name);
        if (pid.isEmpty() ||
            !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        QFile comm(QStringLiteral("/proc/") + QString::fromLatin1(pid) + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) &&
            programs.contains(QString::fromUtf8(comm.readAll().trimmed()))) {
            held = true;
            break;
        }
        const QByteArray fdFolder = "/proc/" + pid + "/fd";
        DIR* fds = opendir(fdFolder.constData());
        if (fds == nullptr)
            continue; // another user's process
        while (const dirent* fd = readdir(fds)) {
            char target[4096];
            const QByteArray link = fdFolder + '/' + fd->d_name;
            const ssize_t n = readlink(link.constData(), target, sizeof target);
            if (n > 0 && QByteArray(target, static_cast<qsizetype>(n)) == sheet) {
                held = true;
                break;
            }
        }
        closedir(fds);
        if (held)
            break;
    }
    closedir(proc);
    return held;
}

bool StillOwned(const LockFile& lock, const QString& sheetPath) {
    if (lock.suite == Suite::LibreOffice) {
        const QString host = LockHost(lock.path);
        if (!host.isEmpty() && host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
            return true; // made on another computer: its owner cannot be looked for from here
    }
    const QString canonical = QFileInfo(sheetPath).canonicalFilePath();
    return SomeProcessHolds(ProgramsOf(lock.suite), canonical.isEmpty() ? sheetPath : canonical);
}

} // namespace

bool SheetHeldBySpreadsheet(const QString& sheetPath) {
    for (const LockFile& lock : Candidates(sheetPath))
        if (QFileInfo::exists(lock.path) && StillOwned(lock, sheetPath))
            return true;
    return false;
}
