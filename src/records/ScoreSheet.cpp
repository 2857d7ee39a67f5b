#include "records/ScoreSheet.h"

#include "platform/FileIo.h"
#include "platform/LocalClock.h"
#include "records/SaveFailures.h"
#include "records/SpreadsheetLock.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "state/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kWriteTries = 3;
// The Chinese code page of spreadsheets set up for simplified Chinese is GBK; GB18030 writes GBK's
// characters byte for byte and keeps the rest instead of turning them into question marks.
constexpr const char* kSheetCodePage = "GB18030";
const QString kHeader = QStringLiteral("姓名,得分,类型,时间");
const QString kPendingFileName = QStringLiteral("pending-sheet-lines");

// Lines waiting for their sheets, one "<sheet path> <line>" each, both percent-encoded. Written by the
// game worker and read at start-up.
std::mutex g_pendingMutex;

using PendingLine = std::pair<QString, QString>; // sheet path, line text

enum class Outcome { Written, Held, Failed };

// Both kinds of lock another program may hold on a file; ours are held until the descriptor closes.
bool LockExclusively(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return fcntl(fd, F_SETLK, &whole) == 0;
}

// A sheet another program has open: a spreadsheet's lock file whose owner lives, or a lock on the file.
bool Held(const QString& path) {
    if (SheetHeldBySpreadsheet(path))
        return true;
    const int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = !LockExclusively(fd);
    close(fd);
    return held;
}

// Appends lines with a single write. A write that fails or falls short is undone, so the sheet ends
// on a whole line whatever happens; *error says why it failed.
Outcome AppendLines(const QString& path, const QStringList& lines, int* error) {
    if (SheetHeldBySpreadsheet(path))
        return Outcome::Held;
    const int fd = open(QFile::encodeName(path).constData(),
                        O_WRONLY | O_APPEND | O_CLOEXEC); // a deleted sheet stays deleted
    if (fd < 0) {
        *error = errno;
        return Outcome::Failed;
    }
    if (!LockExclusively(fd)) {
        close(fd);
        return Outcome::Held;
    }
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += SheetBytes(line);
    struct stat before {};
    Outcome outcome = Outcome::Written;
    if (fstat(fd, &before) != 0) {
        *error = errno;
        outcome = Outcome::Failed;
    } else {
        errno = 0;
        const ssize_t n = write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
        if (n != bytes.size() || fsync(fd) != 0) {
            *error = errno != 0 ? errno : ENOSPC; // a short write: the disk filled up
            outcome = Outcome::Failed;
            // Back to the last whole line; should even that fail, the line is still kept for later.
            [[maybe_unused]] const int undone = ftruncate(fd, before.st_size);
        }
    }
    if (close(fd) != 0 && outcome == Outcome::Written) {
        *error = errno;
        outcome = Outcome::Failed;
    }
    return outcome;
}

std::vector<PendingLine> LoadPending() {
    std::vector<PendingLine> pending;
    QFile file(DataFilePath(kPendingFileName));
    if (!file.open(QIODevice::ReadOnly))
        return pending;
    for (const QByteArray& entry : file.readAll().split('\n')) {
        const qsizetype space = entry.indexOf(' ');
        if (space > 0)
            pending.emplace_back(QString::fromUtf8(QByteArray::fromPercentEncoding(entry.left(space))),
                                 QString::fromUtf8(QByteArray::fromPercentEncoding(entry.mid(space + 1))));
    }
    return pending;
}

void SavePending(const std::vector<PendingLine>& pending) {
    const QString path = DataFilePath(kPendingFileName);
    if (pending.empty()) {
        QFile::remove(path);
        return;
    }
    QByteArray bytes;
    for (const auto& [sheet, line] : pending)
        bytes += sheet.toUtf8().toPercentEncoding() + ' ' + line.toUtf8().toPercentEncoding() + '\n';
    int error = 0;
    if (!ReplaceFileAtomically(path, bytes, &error, 0600))
        ReportSaveFailure(path, error);
}

QStringList LinesOf(const std::vector<PendingLine>& pending, const QString& sheet) {
    QStringList lines;
    for (const auto& [path, line] : pending)
        if (path == sheet)
            lines << line;
    return lines;
}

void DropLinesOf(std::vector<PendingLine>& pending, const QString& sheet) {
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [&](const PendingLine& p) { return p.first == sheet; }),
                  pending.end());
}

} // namespace

QByteArray SheetBytes(const QString& line) {
    return QStringEncoder(kSheetCodePage).encode(line + QStringLiteral("\r\n"));
}

QString SheetField(const QString& field) {
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    static const QString kFormulaStart = QStringLiteral("=+-@\t\r");
    QString text = field;
    if (!text.isEmpty() && kFormulaStart.contains(text[0]))
        text.prepend(QLatin1Char('\''));
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return kSpecial.contains(c); }))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool CreateScoreSheet() {
    QString name;
    if (g_nGameMode == GameMode::Wild)
        name = kWildSheetText;
    else if (g_nGameMode == GameMode::Endless)
        name = kEndlessSheetText;
    const QString path = RecordFolder() + QLatin1Char('/') + name +
                         CurrentLocalTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")) +
                         QStringLiteral(".csv");
    g_strSheetPath.Set(path);
    if (QFileInfo::exists(path) && Held(path))
        return false; // a sheet of the same name that another program has open is not replaced
    // Written aside and renamed into place: a full disk leaves no empty sheet behind.
    int error = 0;
    if (ReplaceFileAtomically(path, SheetBytes(kHeader), &error))
        return true;
    qCWarning(lcRecords, "cannot create the score sheet %s: %s", qPrintable(path), std::strerror(error));
    return false;
}

void AppendSheetLine(int score, const QString& type, const std::function<void()>& askToCloseSheet) {
    const QString path = g_strSheetPath.Get();
    // The time of the game's end; a line that has to wait keeps it.
    const QString line = SheetField(g_strPlayerName.Get()) + QLatin1Char(',') + QString::number(score) +
                         QLatin1Char(',') + SheetField(type) + QLatin1Char(',') +
                         CurrentLocalTime().toString(QStringLiteral("HH:mm-ss"));
    std::lock_guard lock(g_pendingMutex);
    std::vector<PendingLine> pending = LoadPending();
    const QStringList lines = LinesOf(pending, path) << line;
    int error = 0;
    for (int attempt = 1; attempt <= kWriteTries; ++attempt) {
        const Outcome outcome = AppendLines(path, lines, &error);
        if (outcome == Outcome::Written) {
            if (lines.size() > 1) {
                DropLinesOf(pending, path);
                SavePending(pending);
            }
            return;
        }
        if (outcome == Outcome::Failed)
            break; // no spreadsheet to close: asking the player would not help
        error = EBUSY;
        askToCloseSheet();
    }
    pending.emplace_back(path, line);
    SavePending(pending);
    ReportSaveFailure(path, error, true);
}

void WritePendingSheetLines() {
    std::lock_guard lock(g_pendingMutex);
    std::vector<PendingLine> pending = LoadPending();
    QStringList sheets;
    for (const auto& [sheet, line] : pending)
        if (!sheets.contains(sheet))
            sheets << sheet;
    bool changed = false;
    for (const QString& sheet : sheets) {
        int error = 0;
        const QStringList lines = LinesOf(pending, sheet);
        if (AppendLines(sheet, lines, &error) == Outcome::Written) {
            qCDebug(lcRecords, "wrote %lld waiting line(s) to %s", static_cast<long long>(lines.size()),
                    qPrintable(sheet));
            DropLinesOf(pending, sheet);
            changed = true;
        }
    }
    if (changed)
        SavePending(pending);
}
