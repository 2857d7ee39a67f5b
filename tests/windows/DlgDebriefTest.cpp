#include "windows/DlgDebrief.h"
#include "state/DataFolders.h"
#include "support/CsvReader.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTest>
#include <QTimeZone>

#include <climits>

namespace {

// An attempt whose roll starts at startRoll and falls by a degree every 100 ms, held level from 1 s.
AttemptRecord Attempt(int number, float startRoll, AttemptEnd end = AttemptEnd::Level) {
    AttemptRecord attempt{number, 3, 10000, end, 0.8f, 27.64f, 1000, 2000, {}};
    for (int t = 100; t <= 2000; t += 100)
        attempt.samples.push_back({t, startRoll - static_cast<float>(t / 100), -2.0f, 90.0f});
    return attempt;
}

GameRecord Game(GameMode mode, int level, int day, int total, GameEnd end = GameEnd::Finished) {
    GameRecord game;
    game.mode = mode;
    game.level = level;
    game.started = QDateTime(QDate(2026, 11, day), QTime(17, 5), QTimeZone(3600));
    game.ended = game.started.addSecs(30);
    game.end = end;
    game.total = total;
    game.attempts = {Attempt(1, 16.0f), Attempt(2, 12.0f), Attempt(3, 250.0f, AttemptEnd::OutOfTime)};
    game.attemptCount = 3;
    return game;
}

TEST(DebriefCharts, AnAttemptsTraceSpansItsBudgetAndMarksTheHold) {
    TraceChartModel trace = TraceChart(Attempt(2, 16.0f));
    EXPECT_EQ(trace.seconds, 10.0);
    EXPECT_EQ(trace.limitDeg, 20.0); // the smallest round span holding 15°
    EXPECT_EQ(trace.bandDeg, 5.0);
    ASSERT_EQ(trace.roll.size(), 20);
    EXPECT_EQ(trace.roll.front(), QPointF(0.1, 15.0));
    EXPECT_EQ(trace.pitch.back(), QPointF(2.0, -2.0));
    ASSERT_TRUE(trace.hold.has_value());
    EXPECT_EQ(*trace.hold, std::pair(1.0, 2.0));
    EXPECT_EQ(trace.heading, QStringLiteral("第 2 次 · 难度 3"));
    EXPECT_EQ(trace.pointsText, QStringLiteral("得分 27.6"));
    EXPECT_EQ(trace.timeText, QStringLiteral("稳定用时 0.8 秒"));

    // A wild swing takes the widest span and is clamped to it; no hold, no mark.
    AttemptRecord wild = Attempt(1, 400.0f, AttemptEnd::OutOfTime);
    wild.holdStartMs = wild.holdEndMs = -1;
    wild.budgetMs = 0;
    trace = TraceChart(wild);
    EXPECT_EQ(trace.limitDeg, 180.0);
    EXPECT_EQ(trace.roll.front().y(), 180.0);
    EXPECT_EQ(trace.seconds, 10.0);
    EXPECT_FALSE(trace.hold.has_value());
    EXPECT_EQ(trace.timeText, QStringLiteral("超时"));
    EXPECT_EQ(TraceChart(Attempt(1, 0.0f, AttemptEnd::Cut)).timeText, QStringLiteral("中断"));
}

TEST(DebriefCharts, ProgressShowsFinishedGamesOfOneSeriesWithTheFirstBestMarked) {
    const std::vector<GameRecord> games{
        Game(GameMode::Level, 3, 1, 70), Game(GameMode::Level, 3, 2, 83),
        Game(GameMode::Level, 4, 3, 99), Game(GameMode::Level, 3, 4, 95, GameEnd::Closed),
        Game(GameMode::Level, 3, 5, 83), Game(GameMode::Wild, 0, 6, 1234),
    };
    ProgressChartModel level3 = ProgressChart(games, {GameMode::Level, 3});
    EXPECT_EQ(level3.title, QStringLiteral("关卡 3"));
    ASSERT_EQ(level3.totals.size(), 3);
    EXPECT_EQ(level3.totals[1].y(), 83.0);
    EXPECT_EQ(level3.totals[1].x(), static_cast<double>(games[1].started.toSecsSinceEpoch()));
    EXPECT_EQ(level3.dates, (std::vector<QString>{"11-01", "11-02", "11-05"}));
    EXPECT_EQ(level3.best, 1);
    EXPECT_EQ(level3.yMax, 100);
    EXPECT_EQ(ProgressChart(games, {GameMode::Wild, 0}).yMax, 2000);
    const ProgressChartModel endless = ProgressChart(games, {GameMode::Endless, 0});
    EXPECT_TRUE(endless.totals.isEmpty());
    EXPECT_EQ(endless.best, -1);
    // A total from a file is any int: the axis still ends at a round number, never past the int range.
    EXPECT_EQ(ProgressChart({Game(GameMode::Endless, 0, 1, INT_MAX)}, {GameMode::Endless, 0}).yMax, INT_MAX);
    EXPECT_EQ(AllProgressSeries().size(), 12u);
}

class DlgDebrief : public ::testing::Test {
protected:
    static void Key(QWidget& window, Qt::Key key) { QTest::keyClick(&window, key); }
    static const QString& ShownText(const CDlgDebrief& dialog) {
        return std::get<QString>(dialog.m_chart->CurrentModel());
    }

    QApplication& m_app = OffscreenApp();
    CProgramFolder m_folder{{QStringLiteral("Data"), QStringLiteral("Record")}};
    CDlgDebrief m_dialog;
};

TEST_F(DlgDebrief, WithoutHistoryItSaysSoAndOffersNothing) {
    m_dialog.Open();
    EXPECT_EQ(m_dialog.windowTitle(), QStringLiteral("Aviluma—飞行回放"));
    EXPECT_EQ(ShownText(m_dialog), kNoHistoryText);
    EXPECT_EQ(m_dialog.GameIndex(), -1);
    for (CPlateButton* button : {m_dialog.m_btnPrev, m_dialog.m_btnNext, m_dialog.m_btnPrevGame,
                                 m_dialog.m_btnNextGame, m_dialog.m_btnExportGame, m_dialog.m_btnExportAll})
        EXPECT_FALSE(button->isEnabled());
    Key(m_dialog, Qt::Key_Left);
    Key(m_dialog, Qt::Key_Up);
    m_dialog.m_btnProgress->click();
    EXPECT_EQ(ShownText(m_dialog), kNoHistoryText);
    Key(m_dialog, Qt::Key_Escape);
    EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(DlgDebrief, TheKeysStepThroughAttemptsGamesAndSeries) {
    const QString first = WriteGameRecord(Game(GameMode::Level, 3, 1, 70));
    ASSERT_FALSE(WriteGameRecord(Game(GameMode::Wild, 0, 2, 900)).isEmpty());
    m_dialog.OpenAt(CDlgDebrief::View::Replay);
    m_dialog.Open();
    EXPECT_EQ(m_dialog.GameIndex(), 1); // the newest game, at its last attempt
    EXPECT_EQ(m_dialog.AttemptIndex(), 2);
    EXPECT_EQ(std::get<TraceChartModel>(m_dialog.m_chart->CurrentModel()).limitDeg, 180.0);
    EXPECT_FALSE(m_dialog.m_btnNext->isEnabled());
    Key(m_dialog, Qt::Key_Left);
    Key(m_dialog, Qt::Key_Left);
    Key(m_dialog, Qt::Key_Left); // stops at the first
    EXPECT_EQ(m_dialog.AttemptIndex(), 0);
    EXPECT_EQ(std::get<TraceChartModel>(m_dialog.m_chart->CurrentModel()).heading,
              QStringLiteral("第 1 次 · 难度 3"));
    EXPECT_EQ(m_dialog.m_stcInfo[0]->Text(), QStringLiteral("狂野模式 · 练习"));
    Key(m_dialog, Qt::Key_Up);
    EXPECT_EQ(m_dialog.GameIndex(), 0);
    EXPECT_EQ(m_dialog.AttemptIndex(), 2);
    EXPECT_EQ(m_dialog.m_stcInfo[0]->Text(), QStringLiteral("闯关模式 · 关卡 3"));
    Key(m_dialog, Qt::Key_Up);
    EXPECT_EQ(m_dialog.GameIndex(), 0);
    m_dialog.EndDialog(QDialog::Rejected);

    // Opened at a given game, the progress starts at that game's series and steps with the arrows.
    m_dialog.OpenAt(CDlgDebrief::View::Progress, first);
    m_dialog.Open();
    EXPECT_EQ(m_dialog.GameIndex(), 0);
    EXPECT_EQ(m_dialog.SeriesIndex(), 2);
    EXPECT_EQ(std::get<ProgressChartModel>(m_dialog.m_chart->CurrentModel()).title, QStringLiteral("关卡 3"));
    EXPECT_EQ(m_dialog.m_stcInfo[1]->Text().left(5), QStringLiteral("11-02")); // the newest game first
    Key(m_dialog, Qt::Key_Right);
    EXPECT_EQ(ShownText(m_dialog), QStringLiteral("关卡 4：还没有打完的对局。"));
    m_dialog.m_btnReplay->click();
    EXPECT_EQ(m_dialog.CurrentView(), CDlgDebrief::View::Replay);
    EXPECT_EQ(m_dialog.GameIndex(), 0);
}

TEST_F(DlgDebrief, AGameExportsForACoachAndAFailureIsShown) {
    const GameRecord game = Game(GameMode::Level, 3, 1, 70);
    ASSERT_FALSE(WriteGameRecord(game).isEmpty());
    m_dialog.Open();
    m_dialog.m_btnExportGame->click();
    const QString path = m_dialog.LastExport();
    EXPECT_EQ(path, RecordFolder() + QStringLiteral("/飞行回放-2026-11-01-17-05-00.csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<QStringList> rows = ReadCsv(QStringDecoder("GB18030").decode(file.readAll()));
    EXPECT_EQ(rows.size(), 1u + 20 + 20 + 20); // the header and a row per sample
    EXPECT_EQ(m_dialog.m_stcExported->Text(), QStringLiteral("已导出：") + path);

    // A record folder that cannot be made: the export says why, and nothing is claimed.
    QFile::remove(path);
    ASSERT_TRUE(QDir(RecordFolder()).removeRecursively());
    ASSERT_TRUE(QFile(RecordFolder()).open(QIODevice::WriteOnly)); // a file where the folder goes
    m_dialog.m_btnExportAll->click();
    EXPECT_TRUE(m_dialog.LastExport().isEmpty());
    EXPECT_TRUE(m_dialog.m_stcExported->Text().startsWith(QStringLiteral("无法导出到 ")))
        << qPrintable(m_dialog.m_stcExported->Text());
}

// A coach's view: the debrief opens on the player flying and shows any other player's games, each
// export naming whose they are.
TEST_F(DlgDebrief, ShowsThePlayerFlyingAndAnyOtherWhoseNameGoesIntoTheExport) {
    QString error;
    const std::optional<Player> ann = AddPlayer(QStringLiteral("Ann"), &error);
    const std::optional<Player> bo = AddPlayer(QStringLiteral("Bo"), &error);
    ASSERT_TRUE(ann && bo) << qPrintable(error);
    UsePlayer(ann);
    ASSERT_FALSE(WriteGameRecord(Game(GameMode::Level, 3, 1, 70)).isEmpty());
    UsePlayer(bo);
    ASSERT_FALSE(WriteGameRecord(Game(GameMode::Level, 2, 2, 50)).isEmpty());
    ASSERT_FALSE(WriteGameRecord(Game(GameMode::Wild, 0, 3, 40)).isEmpty());

    m_dialog.Open();
    ASSERT_NE(m_dialog.m_cmbPlayer, nullptr);
    EXPECT_EQ(m_dialog.m_cmbPlayer->currentText(), QStringLiteral("Bo"));
    EXPECT_EQ(m_dialog.GameIndex(), 1); // Bo's newest of two
    m_dialog.m_cmbPlayer->setCurrentIndex(0);
    EXPECT_EQ(m_dialog.GameIndex(), 0); // Ann's only game
    EXPECT_EQ(CurrentPlayer()->name, QStringLiteral("Bo")); // looking changes who flies in nothing
    m_dialog.m_btnExportAll->click();
    QFile file(m_dialog.LastExport());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<QStringList> rows = ReadCsv(QStringDecoder("GB18030").decode(file.readAll()));
    ASSERT_EQ(rows.size(), 1u + 60);
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_EQ(rows[i][16], QStringLiteral("Ann"));
    UsePlayer(std::nullopt);
}

} // namespace
