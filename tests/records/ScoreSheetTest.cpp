#include "records/ScoreSheet.h"
#include "platform/LocalClock.h"
#include "records/SaveFailures.h"
#include "state/Globals.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QSysInfo>

#include <csignal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Gbk(const QString& text) {
    return QStringEncoder("GBK").encode(text);
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A lock file as a spreadsheet leaves beside the sheet it has open, naming the host it runs on.
void PlantLockFile(const QString& lockPath, const QString& host) {
    QFile lock(lockPath);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write((QStringLiteral(",player,") + host + QStringLiteral(",07.12.2026 14:00,file:///home/player;"))
                   .toUtf8());
}

class ScoreSheet : public ::testing::Test {
protected:
    void SetUp() override {
        g_nGameMode = GameMode::Wild;
        g_strPlayerName.Set(QStringLiteral("玩家一"));
        SetLocalTimeSource([this] { return m_now; });
        SetSaveFailureListener([this](const QString& path, int error, bool) {
            m_failures << QStringLiteral("%1 %2").arg(path).arg(error);
        });
    }
    void TearDown() override {
        SetLocalTimeSource({});
        SetSaveFailureListener({});
    }
    // Appends a line; the player asked to close the sheet answers at once (after closing it with
    // m_closeSheet, when set).
    void Append(int score, const QString& type) {
        AppendSheetLine(score, type, [this] {
            ++m_closeRequests;
            if (m_closeSheet)
                m_closeSheet();
        });
    }
    QByteArray Line(const char* text) const { return Gbk(QString::fromUtf8(text) + QStringLiteral("\r\n")); }
    QString LockFile(const char* prefix, const char* suffix = "") const {
        const QFileInfo sheet(g_strSheetPath.Get());
        return sheet.absolutePath() + QLatin1Char('/') + QLatin1String(prefix) + sheet.fileName() +
               QLatin1String(suffix);
    }

    CProgramFolder m_folder;
    QDateTime m_now{QDate(2019, 6, 1), QTime(14, 5, 9)};
    int m_closeRequests = 0;
    std::function<void()> m_closeSheet;
    QStringList m_failures;
};

TEST_F(ScoreSheet, ANewSheetIsNamedByModeAndTimeWithItsHeader) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = m_folder.Path() + QStringLiteral("/Record/狂野模式2019-06-01-14-05-09.csv");
    EXPECT_EQ(g_strSheetPath.Get(), path);
    EXPECT_EQ(ReadBytes(path), Line("姓名,得分,类型,时间"));

    g_nGameMode = GameMode::Endless;
    ASSERT_TRUE(CreateScoreSheet());
    EXPECT_TRUE(g_strSheetPath.Get().endsWith(QStringLiteral("/Record/无尽模式2019-06-01-14-05-09.csv")));
}

TEST_F(ScoreSheet, LinesAreGbkWithCrLfAndNamesStayTextInASpreadsheet) {
    ASSERT_TRUE(CreateScoreSheet());
    m_now = QDateTime(QDate(2019, 6, 1), QTime(9, 5, 7));
    for (const char* name :
         {"玩家一", "", "张三, \"小张\"", "=HYPERLINK(\"http://x\";\"y\")", "-5", "@SUM(A1)"}) {
        g_strPlayerName.Set(QString::fromUtf8(name));
        Append(7, kWildSheetText);
    }
    EXPECT_EQ(ReadBytes(g_strSheetPath.Get()),
              Line("姓名,得分,类型,时间") + Line("玩家一,7,狂野模式,09:05-07") +
                  Line(",7,狂野模式,09:05-07") + Line("\"张三, \"\"小张\"\"\",7,狂野模式,09:05-07") +
                  Line("\"'=HYPERLINK(\"\"http://x\"\";\"\"y\"\")\",7,狂野模式,09:05-07") +
                  Line("'-5,7,狂野模式,09:05-07") + Line("'@SUM(A1),7,狂野模式,09:05-07"));
    EXPECT_EQ(m_closeRequests, 0);
}

// A spreadsheet on another computer cannot be looked for: its lock file counts. The line waits, and
// goes in ahead of the next one once the sheet is free.
TEST_F(ScoreSheet, ASheetHeldByASpreadsheetAsksThriceAndKeepsTheLine) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = g_strSheetPath.Get();
    PlantLockFile(LockFile(".~lock.", "#"), QStringLiteral("another-computer"));
    Append(123, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 3);
    EXPECT_EQ(ReadBytes(path), Line("姓名,得分,类型,时间"));
    EXPECT_EQ(m_failures, QStringList{QStringLiteral("%1 %2").arg(path).arg(EBUSY)});

    m_closeRequests = 0;
    m_closeSheet = [&] { QFile::remove(LockFile(".~lock.", "#")); };
    m_now = m_now.addSecs(60);
    Append(7, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 1);
    EXPECT_EQ(ReadBytes(path), Line("姓名,得分,类型,时间") + Line("玩家一,123,狂野模式,14:05-09") +
                                   Line("玩家一,7,狂野模式,14:06-09"));
}

// Lock files whose spreadsheet crashed do not count; one whose program still has the sheet open does.
TEST_F(ScoreSheet, StaleLockFilesAreRecognised) {
    ASSERT_TRUE(CreateScoreSheet());
    PlantLockFile(LockFile(".~lock.", "#"), QSysInfo::machineHostName()); // no such program runs here
    QFile(LockFile(".~")).open(QIODevice::WriteOnly);                     // WPS Office's, left behind
    Append(1, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 0);

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork(); // a program that has the sheet open, beside its lock file
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = open(QFile::encodeName(g_strSheetPath.Get()).constData(), O_RDONLY);
        [[maybe_unused]] const ssize_t n = write(ready[1], &fd, sizeof fd);
        pause();
        _exit(0);
    }
    int fd = -1;
    ASSERT_EQ(read(ready[0], &fd, sizeof fd), ssize_t(sizeof fd));
    Append(2, kWildSheetText);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(m_closeRequests, 3);
    WritePendingSheetLines(); // the next start
    EXPECT_TRUE(ReadBytes(g_strSheetPath.Get())
                    .endsWith(Line("玩家一,1,狂野模式,14:05-09") + Line("玩家一,2,狂野模式,14:05-09")));
}

TEST_F(ScoreSheet, ASheetLockedByAnotherProcessIsNotWrittenUntilItIsFree) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = g_strSheetPath.Get();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another program: a record lock over the whole file, held until it is killed.
        const int fd = open(QFile::encodeName(path).constData(), O_RDWR);
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        const char ok = (fd >= 0 && fcntl(fd, F_SETLK, &whole) == 0) ? 1 : 0;
        [[maybe_unused]] const ssize_t n = write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    Append(123, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 3);
    EXPECT_EQ(ReadBytes(path), Line("姓名,得分,类型,时间"));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    WritePendingSheetLines();
    EXPECT_EQ(ReadBytes(path), Line("姓名,得分,类型,时间") + Line("玩家一,123,狂野模式,14:05-09"));
}

TEST_F(ScoreSheet, ADeletedSheetIsNotMadeAgainButItsLineWaitsAndIsReported) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = g_strSheetPath.Get();
    ASSERT_TRUE(QFile::remove(path));
    Append(5, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 0); // no spreadsheet to close: the player is not asked to
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(m_failures, QStringList{QStringLiteral("%1 %2").arg(path).arg(ENOENT)});
    EXPECT_TRUE(QFile::exists(m_folder.FilePath(QStringLiteral("Data/pending-sheet-lines"))));

    ASSERT_TRUE(QDir(m_folder.FilePath(QStringLiteral("Record"))).removeRecursively());
    EXPECT_FALSE(CreateScoreSheet());
    EXPECT_FALSE(QDir(m_folder.FilePath(QStringLiteral("Record"))).exists());
    EXPECT_TRUE(g_strSheetPath.Get().contains(QStringLiteral("/Record/"))); // the failed path stays
}

// On a full disk a sheet is not made at all, and a line leaves the sheet as it was; both wait for space.
TEST_F(ScoreSheet, AFullDiskLeavesNoEmptySheetAndNoHalfLine) {
    CSmallDisk disk(m_folder.FilePath(QStringLiteral("Record")), 64);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small file system here";
    disk.Fill();
    EXPECT_FALSE(CreateScoreSheet());
    EXPECT_FALSE(QFile::exists(g_strSheetPath.Get()));
    disk.Free();
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = g_strSheetPath.Get();
    {
        // The sheet ends on a page boundary, so the next line needs space the disk no longer has.
        QFile sheet(path);
        ASSERT_TRUE(sheet.open(QIODevice::Append));
        sheet.write(QByteArray(4096 - sheet.size() - 2, 'x') + "\r\n");
    }
    const QByteArray before = ReadBytes(path);
    disk.Fill();
    g_strPlayerName.Set(QStringLiteral("一个很长的名字") + QString(40, QLatin1Char('x')));
    Append(99, kEndlessSheetText);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(m_closeRequests, 0);
    EXPECT_EQ(m_failures, QStringList{QStringLiteral("%1 %2").arg(path).arg(ENOSPC)});
    disk.Free();
    WritePendingSheetLines();
    EXPECT_TRUE(ReadBytes(path).startsWith(before));
    EXPECT_TRUE(ReadBytes(path).endsWith(Gbk(g_strPlayerName.Get()) + Line(",99,无尽模式,14:05-09")));
}

} // namespace
