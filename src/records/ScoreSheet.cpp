#include "records/ScoreSheet.h"

#include "platform/FileIo.h"
#include "platform/LocalClock.h"
#include "records/Csv.h"
#include "records/PendingLines.h"
#include "records/Records.h"
#include "records/SpreadsheetLock.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "state/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kWriteTries = 3;
const QString kHeader = QStringLiteral("姓名,得分,类型,时间");

// Guards the waiting lines' file: written by the game worker, read at start-up.
std::mutex g_pendingMutex;

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
    int error = 0;
    const int fd = OpenRegularFile(path, O_WRONLY, &error);
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
    const int fd = OpenRegularFile(path, O_WRONLY | O_APPEND, error); // a deleted sheet stays deleted
    if (fd < 0)
        return Outcome::Failed;
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

QString SheetPath(const QString& name) {
    return RecordFolder() + QLatin1Char('/') + name;
}

qint64 SheetSize(const QString& path) {
    struct stat st {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_size : 0;
}

// Which waiting lines the sheet holds already: their append went through, but ending their wait did
// not (a kill between the two steps, a settings folder that could not be written). Each is looked for
// as a whole line after where the sheet ended when it began to wait, and after the line found before
// it, since lines go in in order.
std::vector<bool> InSheet(const QByteArray& sheet, const std::vector<PendingLine>& lines) {
    std::vector<bool> found(lines.size(), false);
    qsizetype cursor = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const QByteArray bytes = SheetBytes(lines[i].line);
        // A sheet now shorter than when the line began to wait was rewritten since: look everywhere.
        qsizetype at = std::max(cursor, lines[i].offset <= sheet.size() ? qsizetype(lines[i].offset) : 0);
        while ((at = sheet.indexOf(bytes, at)) >= 0 && at > 0 && sheet[at - 1] != '\n')
            ++at;
        if (at >= 0) {
            found[i] = true;
            cursor = at + bytes.size();
        }
    }
    return found;
}

// Appends to the sheet at path the waiting lines it does not hold yet, then the lines of extra.
Outcome Deliver(const QString& path, const std::vector<PendingLine>& waiting, const QStringList& extra,
                int* error) {
    QByteArray sheet;
    if (!waiting.empty() && !ReadRegularFile(path, &sheet, error))
        return Outcome::Failed;
    const std::vector<bool> found = InSheet(sheet, waiting);
    QStringList lines;
    for (size_t i = 0; i < waiting.size(); ++i)
        if (!found[i])
            lines << waiting[i].line;
    lines << extra;
    return lines.isEmpty() ? Outcome::Written : AppendLines(path, lines, error);
}

} // namespace
bool IsSheetFileName(const QString& name) {
    // Anchored whole: "$" would also match before a final line feed.
    static const QRegularExpression kName(QRegularExpression::anchoredPattern(
        QStringLiteral("(%1|%2)[0-9]{4}(-[0-9]{2}){5}\\.csv").arg(kWildSheetText, kEndlessSheetText)));
    return kName.match(name).hasMatch();
}

bool IsSheetLine(const QString& line) {
    static const QRegularExpression kScore(
        QRegularExpression::anchoredPattern(QStringLiteral("-?[0-9]{1,10}")));
    static const QRegularExpression kTime(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{2}:[0-9]{2}-[0-9]{2}")));
    const std::optional<QStringList> fields = SheetFields(line);
    if (!fields || fields->size() != 4)
        return false;
    const QString& shown = (*fields)[0];
    // The name as the name entry leaves it, behind the apostrophe SheetField may have put before it.
    const QString name = shown.startsWith(QLatin1Char('\'')) ? shown.mid(1) : shown;
    bool scoreFits = false;
    (*fields)[1].toInt(&scoreFits);
    return SafePlayerName(name) == name && kScore.match((*fields)[1]).hasMatch() && scoreFits &&
           ((*fields)[2] == kWildSheetText || (*fields)[2] == kEndlessSheetText) &&
           kTime.match((*fields)[3]).hasMatch() &&
           SheetField(shown) + QLatin1Char(',') + (*fields)[1] + QLatin1Char(',') + SheetField((*fields)[2]) +
                   QLatin1Char(',') + (*fields)[3] ==
               line;
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
    const QString sheet = QFileInfo(path).fileName();
    // The time of the game's end; a line that has to wait keeps it.
    const QString line = SheetField(g_strPlayerName.Get()) + QLatin1Char(',') + QString::number(score) +
                         QLatin1Char(',') + SheetField(type) + QLatin1Char(',') +
                         CurrentLocalTime().toString(QStringLiteral("HH:mm-ss"));
    std::lock_guard lock(g_pendingMutex);
    Pending pending = LoadPending();
    // First the line waits, on disk; only then may it go into the sheet.
    std::vector<PendingLine> withLine = pending.lines;
    withLine.push_back({sheet, SheetSize(path), line});
    int pendingError = EINVAL; // what a start would refuse to take from the waiting lines cannot wait
    const bool waits =
        IsSheetFileName(sheet) && IsSheetLine(line) && SavePending(pending, withLine, &pendingError);
    if (waits)
        pending.lines = std::move(withLine);
    else
        qCWarning(lcRecords, "cannot set the score-sheet line aside before writing it (%s)",
                  std::strerror(pendingError));
    const std::vector<PendingLine> waiting = LinesOf(pending.lines, sheet);
    const QStringList extra = waits ? QStringList() : QStringList{line};
    int error = 0;
    for (int attempt = 1; attempt <= kWriteTries; ++attempt) {
        const Outcome outcome = Deliver(path, waiting, extra, &error);
        if (outcome == Outcome::Written) {
            DropLinesOf(pending.lines, sheet);
            int cleanError = 0;
            if (!waiting.empty() && !SavePending(pending, pending.lines, &cleanError))
                qCWarning(lcRecords,
                          "the waiting score-sheet lines are written but still listed (%s); "
                          "they will not be written again",
                          std::strerror(cleanError));
            return;
        }
        if (outcome == Outcome::Failed)
            break; // no spreadsheet to close: asking the player would not help
        error = EBUSY;
        askToCloseSheet();
    }
    if (waits) {
        ReportSaveFailure(path, error, true);
        return;
    }
    qCCritical(lcRecords, "this game's score-sheet line is saved nowhere (%s: %s); it reads: %s",
               qPrintable(path), std::strerror(error), qPrintable(line));
    SheetNotice notice(SheetNoticeKind::LineLost, path, error);
    notice.pendingError = pendingError;
    notice.line = line;
    ReportSheetNotice(notice);
}

std::vector<SheetNotice> WritePendingSheetLines() {
    std::lock_guard lock(g_pendingMutex);
    Pending pending = LoadPending();
    QStringList sheets;
    for (const PendingLine& line : pending.lines)
        if (!sheets.contains(line.sheet))
            sheets << line.sheet;
    std::vector<SheetNotice> notices;
    const bool folderThere = QFileInfo(RecordFolder()).isDir();
    bool changed = false;
    for (const QString& sheet : sheets) {
        const std::vector<PendingLine> waiting = LinesOf(pending.lines, sheet);
        const QString path = SheetPath(sheet);
        SheetNotice notice(SheetNoticeKind::Waiting, path, ENOENT);
        notice.lines = static_cast<int>(waiting.size());
        struct stat st {};
        if (!folderThere) {
            notice.path = RecordFolder();
        } else if (lstat(QFile::encodeName(path).constData(), &st) != 0 && errno == ENOENT) {
            // Gone: made again, whole, with its header and its lines.
            QByteArray bytes = SheetBytes(kHeader);
            for (const PendingLine& line : waiting)
                bytes += SheetBytes(line.line);
            if (ReplaceFileAtomically(path, bytes, &notice.error))
                notice.kind = SheetNoticeKind::Recreated;
        } else if (const Outcome outcome = Deliver(path, waiting, {}, &notice.error);
                   outcome != Outcome::Failed) {
            if (outcome == Outcome::Held)
                notice.error = EBUSY;
            else
                notice.lines = 0;
        }
        if (notice.kind == SheetNoticeKind::Recreated || notice.lines == 0) {
            qCDebug(lcRecords, "wrote %zu waiting line(s) to %s", waiting.size(), qPrintable(path));
            DropLinesOf(pending.lines, sheet);
            changed = true;
        } else {
            qCWarning(lcRecords, "%d score-sheet line(s) still wait for %s: %s", notice.lines,
                      qPrintable(path), std::strerror(notice.error));
        }
        if (notice.lines > 0)
            notices.push_back(notice);
    }
    int error = 0;
    if (changed && !SavePending(pending, pending.lines, &error))
        qCWarning(lcRecords,
                  "the waiting score-sheet lines are written but still listed (%s); they will "
                  "not be written again",
                  std::strerror(error));
    return notices;
}
