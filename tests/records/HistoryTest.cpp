#include "records/History.h"
#include "support/CsvReader.h"
#include "support/LogCapture.h"
#include "support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTimeZone>

#include <ctime>
#include <limits>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class History : public ::testing::Test {
protected:
    // A wild competition game of two attempts, with a name a spreadsheet must not take for a formula.
    static GameRecord Game(int minute) {
        GameRecord game;
        game.mode = GameMode::Wild;
        game.playType = PlayType::Competition;
        game.started = QDateTime(QDate(2026, 12, 7), QTime(16, minute, 1, 250), QTimeZone(3600));
        game.ended = game.started.addSecs(40);
        game.total = 28;
        game.player = QStringLiteral("=王\"小\",明");
        AttemptRecord first{1, 1, 10000, AttemptEnd::Level, 0.2f, 9.8f, 200, 1200, {}};
        for (int t = 100; t <= 1200; t += 100)
            first.samples.push_back({t, t == 100 ? 12.34f : 0.5f, -3.25f, 145.0f});
        AttemptRecord second{2,    1,  10000, AttemptEnd::OutOfTime,      10.0f,
                             0.0f, -1, -1,    {{100, -7.5f, 6.0f, 0.01f}}};
        game.attempts = {first, second};
        game.attemptCount = 2;
        return game;
    }
    static void WriteFile(const QString& name, const QByteArray& bytes) {
        QFile file(HistoryFolder() + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    CProgramFolder m_folder{{QStringLiteral("Data")}};
};

TEST_F(History, AGameReadsBackFieldForField) {
    const GameRecord game = Game(5);
    const QString path = WriteGameRecord(game);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/history/2026-12-07-16-05-01-250-wild.1.jsonl")))
        << qPrintable(path);
    std::optional<GameRecord> back = ReadGameRecord(path);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->path, path);
    back->path.clear();
    EXPECT_EQ(*back, game);
    // The summary is the first line: everything but the attempts.
    const std::vector<GameRecord> summaries = ReadHistory();
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(summaries[0].attemptCount, 2);
    EXPECT_TRUE(summaries[0].attempts.empty());
    EXPECT_EQ(summaries[0].player, game.player);
    // A second game started in the same millisecond gets a name of its own.
    EXPECT_TRUE(WriteGameRecord(game).endsWith(QStringLiteral("-wild.2.jsonl")));
}

TEST_F(History, ATimeInTheHourThatRepeatsReadsBackAsItsOwnInstant) {
    // The game takes local times. Where the clocks go back (Central European rules, spelt out so that
    // no time-zone data is needed), 02:30 comes twice, and each game keeps its own.
    const QByteArray zone = qgetenv("TZ");
    const auto restore = qScopeGuard([&] {
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    });
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    const qint64 summer = QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC).toMSecsSinceEpoch();
    std::vector<GameRecord> games(2, Game(1));
    std::vector<QByteArray> files;
    for (std::size_t i = 0; i < games.size(); ++i) {
        games[i].started = QDateTime::fromMSecsSinceEpoch(summer + 3600 * 1000 * qint64(i), Qt::LocalTime);
        games[i].ended = games[i].started.addSecs(40);
        ASSERT_EQ(games[i].started.time(), QTime(2, 30));
        files.push_back(GameRecordBytes(games[i]));
    }
    for (std::size_t i = 0; i < games.size(); ++i) {
        const std::optional<GameRecord> back = ParseGameRecord(files[i]);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->started.toMSecsSinceEpoch(), games[i].started.toMSecsSinceEpoch()) << i;
        EXPECT_EQ(*back, games[i]);
    }
}

TEST_F(History, NumbersNoFloatHoldsReadAsTheLargestAndWriteAgain) {
    const QByteArray bytes = QByteArray(GameRecordBytes(Game(1)))
                                 .replace("\"points\":9.8", "\"points\":6.4e+38")
                                 .replace("[100,12.34,", "[100,-1e39,");
    const std::optional<GameRecord> game = ParseGameRecord(bytes);
    ASSERT_TRUE(game.has_value());
    EXPECT_EQ(game->attempts[0].points, std::numeric_limits<float>::max());
    EXPECT_EQ(game->attempts[0].samples[0].roll, -std::numeric_limits<float>::max());
    const std::optional<GameRecord> again = ParseGameRecord(GameRecordBytes(*game));
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, *game);
}

// The games kept are the ones written last, whatever the clock said: a game played on a clock a year
// behind is not removed as it is written, and one eighty years ahead does not stay for ever.
TEST_F(History, TheGamesWrittenLastAreKeptWhateverTheClockSaid) {
    ASSERT_TRUE(QDir().mkpath(HistoryFolder()));
    WriteFile(QStringLiteral("planted.9223372036854775807.jsonl"),
              GameRecordBytes(Game(9))); // no next number
    const QDateTime now = Game(0).started;
    for (const QDateTime& started :
         {now, now.addYears(80), now.addYears(-1), now.addSecs(60), now.addYears(-1)}) {
        GameRecord game = Game(0);
        game.started = started;
        game.ended = started.addSecs(40);
        const QString path = WriteGameRecord(game, 3);
        EXPECT_TRUE(QFile::exists(path)) << qPrintable(started.toString(Qt::ISODate));
    }
    QList<int> years;
    for (const GameRecord& game : ReadHistory())
        years << game.started.date().year();
    EXPECT_EQ(years, QList<int>({2025, 2025, 2026})); // oldest first by the time they were played
}

// Files that are no history of ours, or are broken, are passed over with a line in the log.
TEST_F(History, ForeignAndBrokenFilesAreSkippedWithALogLine) {
    ASSERT_FALSE(WriteGameRecord(Game(1)).isEmpty());
    const QByteArray good = GameRecordBytes(Game(2));
    WriteFile(QStringLiteral("a-foreign.jsonl"), "{\"format\":\"something-else\",\"version\":1}\n");
    WriteFile(QStringLiteral("b-newer.jsonl"), QByteArray(good).replace("\"version\":1", "\"version\":2"));
    WriteFile(QStringLiteral("c-cut.jsonl"), good.left(good.lastIndexOf("{\"attempt\":2")));
    WriteFile(QStringLiteral("d-garbage.jsonl"), QByteArray("\xff\xfe\x00{[[", 7));
    WriteFile(QStringLiteral("e-empty.jsonl"), {});
    ASSERT_EQ(mkfifo(QFile::encodeName(HistoryFolder() + QStringLiteral("/f-pipe.jsonl")).constData(), 0666),
              0);
    ASSERT_EQ(symlink("/dev/zero",
                      QFile::encodeName(HistoryFolder() + QStringLiteral("/g-zero.jsonl")).constData()),
              0);
    CLogCapture log;
    EXPECT_EQ(ReadHistory(false).size(), 1u);
    const QStringList lines = log.Lines();
    ASSERT_EQ(lines.size(), 6) << qPrintable(lines.join('\n'));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("records: skipped the game history ")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("a-foreign.jsonl: not a game history")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("history format 2, this program reads 1")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("2 attempts announced, 1 found")));
    // Summaries read the first line only: the cut file passes there, the others do not.
    EXPECT_EQ(ReadHistory().size(), 2u);

    // Whatever the bytes, reading ends with a game or without one.
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        QByteArray bytes = good;
        for (int n = 0; n < 4; ++n)
            bytes[static_cast<qsizetype>(random() % bytes.size())] = static_cast<char>(random());
        ParseGameRecord(bytes);
        ParseGameRecord(bytes.left(static_cast<qsizetype>(random() % bytes.size())));
    }
}

TEST_F(History, AFailedWriteIsLoggedAndLeavesNothing) {
    ASSERT_TRUE(QDir(m_folder.FilePath(QStringLiteral("Data"))).removeRecursively());
    QFile blocker(m_folder.FilePath(QStringLiteral("Data"))); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CLogCapture log;
    EXPECT_TRUE(WriteGameRecord(Game(1)).isEmpty());
    ASSERT_EQ(log.Lines().size(), 1);
    EXPECT_TRUE(log.Lines()[0].startsWith(QStringLiteral("records: cannot keep the game's history")));
}

// The export a coach opens in a spreadsheet: one row per sample, the name as it was given.
TEST_F(History, TheExportReadsBackThroughACsvReader) {
    GameRecord level = Game(3);
    level.mode = GameMode::Level;
    level.level = 4;
    level.playType.reset();
    level.passed = false;
    level.player.clear();
    level.attempts.resize(1);
    const QByteArray csv = HistoryCsv({Game(1), level}, QStringLiteral("=张三")); // the PC's player
    EXPECT_TRUE(csv.endsWith("\r\n"));
    const std::vector<QStringList> rows = ReadCsv(QStringDecoder("GB18030").decode(csv));
    ASSERT_EQ(rows.size(), 1u + 12 + 1 + 12);
    EXPECT_EQ(rows[0].join(','), QStringLiteral("开始时间,模式,关卡,类型,结局,总分,姓名,次数,难度,时限(秒),"
                                                "稳定用时(秒),得分,时间(秒),横滚,俯仰,航向,玩家,结果"));
    EXPECT_EQ(rows[1],
              (QStringList{"2026-12-07 16:01:01", "狂野模式", "", "比赛模式", "完成", "28", "'=王\"小\",明",
                           "1", "1", "10", "0.2", "9.8", "0.1", "12.34", "-3.25", "145", "'=张三", "成功"}));
    // Out of time: no time to level, which the budget would otherwise pass for.
    EXPECT_EQ(rows[13],
              (QStringList{"2026-12-07 16:01:01", "狂野模式", "", "比赛模式", "完成", "28", "'=王\"小\",明",
                           "2", "1", "10", "", "0", "0.1", "-7.5", "6", "0.01", "'=张三", "超时"}));
    EXPECT_EQ(rows[14].mid(0, 7),
              (QStringList{"2026-12-07 16:03:01", "闯关模式", "4", "", "闯关失败", "28", ""}));
    for (const QStringList& row : rows) {
        EXPECT_EQ(row.size(), 18);
        EXPECT_EQ(row[16], &row == &rows[0] ? QStringLiteral("玩家") : QStringLiteral("'=张三"));
    }
}

// The export prints what the game measured: 25.2 points, not the 25.199999 their float holds, and
// angles to the hundredth the game kept.
TEST_F(History, TheExportPrintsValuesAsTheGameMeasuredThem) {
    GameRecord game = Game(1);
    game.attempts.resize(1);
    AttemptRecord& a = game.attempts[0];
    // Difficulty 3, level after 1.6 s, scored as the game scores it.
    a.secondsToLevel = static_cast<float>(1600 / 1000.0);
    a.points = static_cast<float>(static_cast<double>(10.0f - a.secondsToLevel) * 3);
    a.samples = {{1700, 4.1f, -0.004f, 359.99f}};
    const std::vector<QStringList> rows = ReadCsv(QStringDecoder("GB18030").decode(HistoryCsv({game})));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].mid(10, 6), (QStringList{"1.6", "25.2", "1.7", "4.1", "0", "359.99"}));
    // The history file keeps the float itself, to read back the same.
    EXPECT_EQ(ParseGameRecord(GameRecordBytes(game))->attempts[0].points, a.points);
}

// An attempt cut short says why: the game's end tells a lost drone from a closed window.
TEST_F(History, TheExportTellsHowEachAttemptEnded) {
    const struct {
        AttemptEnd attempt;
        GameEnd game;
        const char* result;
    } cases[] = {
        {AttemptEnd::Level, GameEnd::Finished, "成功"},
        {AttemptEnd::OutOfTime, GameEnd::Finished, "超时"},
        {AttemptEnd::OutOfTime, GameEnd::LinkLost, "超时"}, // the attempt before the one cut
        {AttemptEnd::Cut, GameEnd::LinkLost, "连接中断"},
        {AttemptEnd::Cut, GameEnd::Closed, "中途关闭"},
    };
    for (const auto& c : cases) {
        GameRecord game = Game(1);
        game.end = c.game;
        game.attempts.resize(1);
        game.attempts[0].end = c.attempt;
        game.attempts[0].samples.clear(); // one row for the attempt
        const std::vector<QStringList> rows = ReadCsv(QStringDecoder("GB18030").decode(HistoryCsv({game})));
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1].back(), QString::fromUtf8(c.result)) << c.result;
        EXPECT_EQ(rows[1][10], c.attempt == AttemptEnd::Level ? QStringLiteral("0.2") : QString())
            << c.result;
    }
}

} // namespace
