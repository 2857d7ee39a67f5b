#include "records/ScoreSheet.h"

#include "platform/FileIo.h"
#include "platform/LocalClock.h"
#include "state/Globals.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int kWriteTries = 3;
// The Chinese code page of spreadsheets set up for simplified Chinese is GBK; GB18030 writes GBK's
// characters byte for byte and keeps the rest instead of turning them into question marks.
constexpr const char* kSheetCodePage = "GB18030";
const QString kHeader = QStringLiteral("姓名,得分,类型,时间");

QByteArray SheetBytes(const QString& line) {
    return QStringEncoder(kSheetCodePage).encode(line + QStringLiteral("\r\n"));
}

// A spreadsheet that has the sheet open leaves a lock file beside it.
bool SpreadsheetLockFileExists(const QString& path) {
    const QFileInfo info(path);
    return QFileInfo::exists(info.absolutePath() + QStringLiteral("/.~lock.") + info.fileName() +
                             QLatin1Char('#'));
}

// Both kinds of lock another program may hold on a file; ours are held until the descriptor closes.
bool LockExclusively(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return fcntl(fd, F_SETLK, &whole) == 0;
}

// Opens the sheet for this program alone; -1 when it cannot be opened or another program holds it.
int OpenSheet(const QString& path, int flags) {
    if (SpreadsheetLockFileExists(path))
        return -1;
    const int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | flags, 0644);
    if (fd < 0)
        return -1;
    if (!LockExclusively(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

bool TryCreate(const QString& path) {
    // Not truncated on open: a sheet another program holds must be found held before it is emptied.
    const int fd = OpenSheet(path, O_CREAT);
    if (fd < 0)
        return false;
    const bool ok = ftruncate(fd, 0) == 0 && WriteAll(fd, SheetBytes(kHeader));
    return close(fd) == 0 && ok;
}

bool TryAppend(const QString& path, const QByteArray& line) {
    const int fd = OpenSheet(path, O_APPEND); // no O_CREAT: a deleted sheet stays deleted
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, line);
    return close(fd) == 0 && ok;
}

} // namespace

QString SheetField(const QString& field) {
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    if (std::none_of(field.begin(), field.end(), [](QChar c) { return kSpecial.contains(c); }))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool CreateScoreSheet() {
    QString folder;
    if (g_nGameMode == GameMode::Wild)
        folder = QStringLiteral("/Record/") + kWildSheetText;
    else if (g_nGameMode == GameMode::Endless)
        folder = QStringLiteral("/Record/") + kEndlessSheetText;
    const QString path = AppPath(folder) +
                         CurrentLocalTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")) +
                         QStringLiteral(".csv");
    g_strSheetPath.Set(path);
    return TryCreate(path);
}

void AppendSheetLine(int score, const QString& type, const std::function<void()>& askToCloseSheet) {
    const QString path = g_strSheetPath.Get();
    for (int attempt = 1; attempt <= kWriteTries; ++attempt) {
        // The time of writing: taken anew on each try, after the player has closed the sheet.
        const QString line = SheetField(g_strPlayerName.Get()) + QLatin1Char(',') + QString::number(score) +
                             QLatin1Char(',') + SheetField(type) + QLatin1Char(',') +
                             CurrentLocalTime().toString(QStringLiteral("HH:mm-ss"));
        if (TryAppend(path, SheetBytes(line)))
            return;
        askToCloseSheet();
    }
}
