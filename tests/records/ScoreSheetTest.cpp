#include "records/ScoreSheet.h"
#include "platform/LocalClock.h"
#include "state/Globals.h"
#include "support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

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

class ScoreSheet : public ::testing::Test {
protected:
    void SetUp() override {
        g_nGameMode = GameMode::Wild;
        g_strPlayerName.Set(QStringLiteral("玩家一"));
        SetLocalTimeSource([this] { return m_now; });
    }
    void TearDown() override { SetLocalTimeSource({}); }
    // Appends a line; the player asked to close the sheet answers at once (after closing it with
    // m_closeSheet, when set).
    void Append(int score, const QString& type) {
        AppendSheetLine(score, type, [this] {
            ++m_closeRequests;
            if (m_closeSheet)
                m_closeSheet();
        });
    }

    CProgramFolder m_folder{{QStringLiteral("Record")}};
    QDateTime m_now{QDate(2019, 6, 1), QTime(14, 5, 9)};
    int m_closeRequests = 0;
    std::function<void()> m_closeSheet;
};

TEST_F(ScoreSheet, ANewSheetIsNamedByModeAndTimeWithItsHeader) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = m_folder.Path() + QStringLiteral("/Record/狂野模式2019-06-01-14-05-09.csv");
    EXPECT_EQ(g_strSheetPath.Get(), path);
    EXPECT_EQ(ReadBytes(path), Gbk(QStringLiteral("姓名,得分,类型,时间\r\n")));

    g_nGameMode = GameMode::Endless;
    ASSERT_TRUE(CreateScoreSheet());
    EXPECT_TRUE(g_strSheetPath.Get().endsWith(QStringLiteral("/Record/无尽模式2019-06-01-14-05-09.csv")));
}

TEST_F(ScoreSheet, LinesAreGbkWithCrLfAndQuoteOnlyWhatWouldBreakColumns) {
    ASSERT_TRUE(CreateScoreSheet());
    m_now = QDateTime(QDate(2019, 6, 1), QTime(9, 5, 7));
    Append(123, kWildSheetText);
    g_strPlayerName.Set(QString());
    Append(0, kEndlessSheetText);
    g_strPlayerName.Set(QStringLiteral("张三, \"小张\""));
    Append(45, kWildSheetText);
    EXPECT_EQ(ReadBytes(g_strSheetPath.Get()),
              Gbk(QStringLiteral("姓名,得分,类型,时间\r\n"
                                 "玩家一,123,狂野模式,09:05-07\r\n"
                                 ",0,无尽模式,09:05-07\r\n"
                                 "\"张三, \"\"小张\"\"\",45,狂野模式,09:05-07\r\n")));
    EXPECT_EQ(m_closeRequests, 0);
}

TEST_F(ScoreSheet, ASheetHeldByASpreadsheetCostsThreeMessagesAndTheLine) {
    ASSERT_TRUE(CreateScoreSheet());
    const QString path = g_strSheetPath.Get();
    QFile lock(m_folder.Path() + QStringLiteral("/Record/.~lock.") + QFileInfo(path).fileName() +
               QLatin1Char('#'));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();

    Append(123, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 3);
    EXPECT_EQ(ReadBytes(path), Gbk(QStringLiteral("姓名,得分,类型,时间\r\n")));

    // Closed after the first request: the second try writes the line.
    m_closeRequests = 0;
    m_closeSheet = [&] { lock.remove(); };
    QFile again(lock.fileName());
    ASSERT_TRUE(again.open(QIODevice::WriteOnly));
    again.close();
    Append(7, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 1);
    EXPECT_TRUE(ReadBytes(path).endsWith(Gbk(QStringLiteral("玩家一,7,狂野模式,14:05-09\r\n"))));
}

TEST_F(ScoreSheet, ASheetLockedByAnotherProcessIsNotWritten) {
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
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(m_closeRequests, 3);
    EXPECT_EQ(ReadBytes(path), Gbk(QStringLiteral("姓名,得分,类型,时间\r\n")));
}

TEST_F(ScoreSheet, MissingFoldersAndDeletedSheetsAreNeverCreated) {
    ASSERT_TRUE(CreateScoreSheet());
    ASSERT_TRUE(QFile::remove(g_strSheetPath.Get()));
    Append(5, kWildSheetText);
    EXPECT_EQ(m_closeRequests, 3);
    EXPECT_FALSE(QFile::exists(g_strSheetPath.Get()));

    ASSERT_TRUE(QDir(m_folder.Path() + QStringLiteral("/Record")).removeRecursively());
    EXPECT_FALSE(CreateScoreSheet());
    EXPECT_FALSE(QDir(m_folder.Path() + QStringLiteral("/Record")).exists());
    EXPECT_TRUE(g_strSheetPath.Get().contains(QStringLiteral("/Record/"))); // the failed path stays
}

} // namespace
