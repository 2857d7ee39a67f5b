#include "records/PendingLines.h"

#include "platform/FileIo.h"
#include "platform/LocalClock.h"
#include "records/SaveFailures.h"
#include "records/ScoreSheet.h"
#include "state/DataFolders.h"
#include "state/Log.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <unistd.h>

namespace {

const QString kSetAsideMarker = QStringLiteral(".unreadable-");

QString Decoded(const QByteArray& field) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
}

std::optional<PendingLine> ParseEntry(const QByteArray& entry) {
    const QList<QByteArray> fields = entry.split(' ');
    PendingLine pending;
    if (fields.size() == 3) {
        bool ok = false;
        pending.sheet = Decoded(fields[0]);
        pending.offset = fields[1].toLongLong(&ok);
        if (!ok || pending.offset < 0)
            return std::nullopt;
    } else if (fields.size() == 2) {
        const QString path = Decoded(fields[0]);
        pending.sheet = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    } else {
        return std::nullopt;
    }
    pending.line = Decoded(fields.back());
    if (!IsSheetFileName(pending.sheet) || !IsSheetLine(pending.line))
        return std::nullopt;
    return pending;
}

QByteArray EntryBytes(const PendingLine& pending) {
    return pending.sheet.toUtf8().toPercentEncoding() + ' ' + QByteArray::number(pending.offset) + ' ' +
           pending.line.toUtf8().toPercentEncoding() + '\n';
}

// A free name beside the waiting lines' file for what is moved aside.
QString AsidePath() {
    const QString base = DataFilePath(kPendingSheetLinesName) + kSetAsideMarker +
                         CurrentLocalTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    QString path = base;
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = base + QLatin1Char('-') + QString::number(n);
    return path;
}

} // namespace

bool SavePending(const Pending& pending, const std::vector<PendingLine>& lines, int* error) {
    if (pending.unwritable != 0) {
        *error = pending.unwritable;
        return false;
    }
    const QString path = DataFilePath(kPendingSheetLinesName);
    if (lines.empty()) {
        if (unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
            return true;
        *error = errno;
        return false;
    }
    QByteArray bytes;
    for (const PendingLine& line : lines)
        bytes += EntryBytes(line);
    return ReplaceFileAtomically(path, bytes, error);
}

Pending LoadPending() {
    static QByteArray lastSetAside; // what this run moved aside last, so it is told once
    Pending pending;
    const QString path = DataFilePath(kPendingSheetLinesName);
    QByteArray bytes;
    int error = 0;
    if (!ReadRegularFile(path, &bytes, &error)) {
        if (error == ENOENT)
            return pending;
        SheetNotice notice(SheetNoticeKind::SetAside, path, error);
        const QString aside = AsidePath();
        if (rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0) {
            notice.path = aside;
        } else {
            notice.pendingError = errno;
            pending.unwritable = error;
        }
        qCWarning(lcRecords, "cannot read the waiting score-sheet lines in %s (%s); %s", qPrintable(path),
                  std::strerror(error),
                  notice.pendingError == 0 ? qPrintable(QStringLiteral("moved to ") + aside)
                                           : "cannot move them aside either, so they stay as they are");
        // A file that stays where it is would be met at every line: it is told the first time.
        const QByteArray stays = notice.pendingError != 0 ? "unreadable " + QByteArray::number(error) : "";
        if (stays.isEmpty() || lastSetAside != stays)
            ReportSheetNotice(notice);
        lastSetAside = stays;
        return pending;
    }
    int refused = 0;
    for (const QByteArray& entry : bytes.split('\n')) {
        if (entry.isEmpty())
            continue;
        if (std::optional<PendingLine> line = ParseEntry(entry)) {
            pending.lines.push_back(std::move(*line));
        } else {
            ++refused;
            qCWarning(lcRecords,
                      "refused a waiting score-sheet line that names no sheet of the record "
                      "folder or is no line of a sheet: %s",
                      entry.left(300).constData());
        }
    }
    if (refused == 0 || lastSetAside == bytes)
        return pending;
    lastSetAside = bytes;
    SheetNotice notice(SheetNoticeKind::SetAside, path);
    notice.lines = refused;
    const QString aside = AsidePath();
    if (ReplaceFileAtomically(aside, bytes, &notice.pendingError, NewFileMode(0600))) {
        notice.path = aside;
        int rewriteError = 0;
        if (!SavePending(pending, pending.lines, &rewriteError))
            pending.unwritable = rewriteError; // the refused entries stay in it, never to be written
    } else {
        pending.unwritable = notice.pendingError;
    }
    ReportSheetNotice(notice);
    return pending;
}

std::vector<PendingLine> LinesOf(const std::vector<PendingLine>& pending, const QString& sheet) {
    std::vector<PendingLine> lines;
    std::copy_if(pending.begin(), pending.end(), std::back_inserter(lines),
                 [&](const PendingLine& p) { return p.sheet == sheet; });
    return lines;
}

void DropLinesOf(std::vector<PendingLine>& pending, const QString& sheet) {
    std::erase_if(pending, [&](const PendingLine& p) { return p.sheet == sheet; });
}
