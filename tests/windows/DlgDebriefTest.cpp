#include "windows/DlgDebrief.h"
#include "game/GameDrivers.h"
#include "platform/LocalClock.h"
#include "platform/Translation.h"
#include "state/DataFolders.h"
#include "support/CsvReader.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"
#include "windows/BoardWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPaintEngine>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTextItem>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
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
    TraceChartModel trace = TraceChart(Attempt(2, 16.0f), GameEnd::Finished);
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
    EXPECT_EQ(trace.enteredText, QStringLiteral("进入 ±5° 1 秒"));
    EXPECT_EQ(trace.heldText, QStringLiteral("保持 1 秒 2 秒"));
    EXPECT_TRUE(trace.overlay.empty());
    // Overlaid, the others share the axis: a wider swing among them widens it for all.
    const AttemptRecord third = Attempt(3, 40.0f);
    trace = TraceChart(Attempt(2, 16.0f), GameEnd::Finished, {&third});
    EXPECT_EQ(trace.limitDeg, 45.0);
    ASSERT_EQ(trace.overlay.size(), 1u);
    EXPECT_EQ(trace.overlay[0].number, 3);
    EXPECT_EQ(trace.overlay[0].roll.front(), QPointF(0.1, 39.0));

    // A wild swing takes the widest span and is clamped to it; no hold, no mark.
    AttemptRecord wild = Attempt(1, 400.0f, AttemptEnd::OutOfTime);
    wild.holdStartMs = wild.holdEndMs = -1;
    wild.budgetMs = 0;
    trace = TraceChart(wild, GameEnd::Finished);
    EXPECT_EQ(trace.limitDeg, 180.0);
    EXPECT_EQ(trace.roll.front().y(), 180.0);
    EXPECT_EQ(trace.seconds, 10.0);
    EXPECT_FALSE(trace.hold.has_value());
    EXPECT_TRUE(trace.enteredText.isEmpty());
    EXPECT_EQ(trace.timeText, QStringLiteral("超时"));
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

// A failed level or a game cut short is no score to compare: marked apart, never the best, and hidden
// on demand; wild and endless games narrow to one way of play.
TEST(DebriefCharts, UncountedGamesAreMarkedApartAndTheFiltersNarrow) {
    std::vector<GameRecord> games{Game(GameMode::Level, 3, 1, 40), Game(GameMode::Level, 3, 2, 95),
                                  Game(GameMode::Level, 3, 3, 96, GameEnd::LinkLost),
                                  Game(GameMode::Wild, 0, 4, 300), Game(GameMode::Wild, 0, 5, 500)};
    games[0].passed = true;
    games[1].passed = false;
    games[3].playType = PlayType::Practice;
    games[4].playType = PlayType::Competition;
    ProgressChartModel level = ProgressChart(games, {GameMode::Level, 3});
    ASSERT_EQ(level.totals.size(), 1);
    EXPECT_EQ(level.games, std::vector<int>{0});
    EXPECT_EQ(level.best, 0);
    ASSERT_EQ(level.uncounted.size(), 2u);
    EXPECT_EQ(level.uncounted[0].game, 1);
    EXPECT_EQ(level.uncounted[0].mark, ProgressMark::Failed);
    EXPECT_EQ(level.uncounted[1].mark, ProgressMark::LinkLost);
    EXPECT_EQ(level.yMax, 50); // the partial totals of the others are no scores: the axis is the counted's
    EXPECT_EQ(level.totalTicks, (std::vector<int>{0, 10, 20, 30, 40, 50}));
    EXPECT_TRUE(ProgressChart(games, {GameMode::Level, 3}, {std::nullopt, false}).uncounted.empty());
    // A level is played one way: the way of play does not hide it.
    EXPECT_EQ(ProgressChart(games, {GameMode::Level, 3}, {PlayType::Competition, true}).totals.size(), 1);
    const ProgressChartModel wild = ProgressChart(games, {GameMode::Wild, 0}, {PlayType::Competition, true});
    EXPECT_EQ(wild.games, std::vector<int>{4});
    EXPECT_EQ(ProgressChart(games, {GameMode::Wild, 0}).totals.size(), 2);
}

// Where a game's mark lies on a chart, found as a click would find it: the middle of the places that
// hit it.
QPointF MarkOf(const CChartView& chart, int game) {
    QPointF sum;
    int hits = 0;
    for (int y = 0; y < chart.height(); y += 2)
        for (int x = 0; x < chart.width(); x += 2)
            if (chart.GameAt(QPointF(x, y)) == game) {
                sum += QPointF(x, y);
                ++hits;
            }
    return hits > 0 ? sum / hits : QPointF(-1, -1);
}

// The games that did not count are drawn in a lane under the axis's base, whatever their partial
// total: not where a score of that total would be.
TEST(DebriefCharts, UncountedGamesLieUnderTheAxisBase) {
    OffscreenApp();
    std::vector<GameRecord> games{
        Game(GameMode::Wild, 0, 1, 0), Game(GameMode::Wild, 0, 2, 500, GameEnd::LinkLost),
        Game(GameMode::Wild, 0, 3, 300), Game(GameMode::Wild, 0, 4, 420, GameEnd::Closed)};
    CChartView chart;
    chart.resize(532, 332); // the debrief's
    chart.SetModel(ProgressChart(games, {GameMode::Wild, 0}));
    const QPointF zero = MarkOf(chart, 0), lost = MarkOf(chart, 1), closed = MarkOf(chart, 3);
    ASSERT_GE(zero.x(), 0);
    EXPECT_GT(lost.y(), zero.y() + 8) << lost.y();
    EXPECT_NEAR(lost.y(), closed.y(), 1.0);
    EXPECT_LT(lost.x(), closed.x()); // in the order they were played
}

// The best total's label stays inside the plot: never over the heading's row (and the window's list
// in its corner) for a best at the top of the axis, nor over the axis's numbers for a best at the left.
TEST(DebriefCharts, TheBestsLabelStaysInsideThePlot) {
    OffscreenApp();
    const auto labelled = [](std::vector<int> totals) {
        std::vector<GameRecord> games;
        for (std::size_t i = 0; i < totals.size(); ++i) { // a minute apart: the first at the axis's start
            games.push_back(Game(GameMode::Wild, 0, 1, totals[i]));
            games.back().started = games.back().started.addSecs(60 * static_cast<int>(i));
        }
        CChartView chart;
        chart.resize(532, 332);
        chart.SetModel(ProgressChart(games, {GameMode::Wild, 0}));
        QImage image(chart.size(), QImage::Format_ARGB32);
        image.fill(Qt::black);
        chart.render(&image);
        // The label's gold, where it lies: its leftmost and topmost pixel.
        QPoint corner(chart.width(), chart.height());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (const QColor c = image.pixelColor(x, y);
                    c.red() > 200 && c.green() > 170 && c.blue() < 130)
                    corner = QPoint(std::min(corner.x(), x), std::min(corner.y(), y));
        return corner;
    };
    EXPECT_GE(labelled({40, 60, 100}).y(), 28);     // below the heading's row (the best's ring reaches 29)
    EXPECT_GE(labelled({1866, 900, 1200}).x(), 50); // right of the axis's numbers (the ring reaches 51)
}

TEST(DebriefCharts, TheTimeAxisReadsAsDatesYearsOrTimesOfDay) {
    const auto at = [](QDate date, QTime time) {
        GameRecord game = Game(GameMode::Endless, 0, 1, 10);
        game.started = QDateTime(date, time, QTimeZone(3600));
        return game;
    };
    const auto labels = [](const ProgressChartModel& m) {
        QStringList texts;
        for (const auto& [time, text] : m.timeTicks)
            texts << text;
        return texts;
    };
    const ProgressSeries endless{GameMode::Endless, 0};
    // Two weeks: several dates at a whole-day step, the axis from the first day to past the last.
    ProgressChartModel m =
        ProgressChart({at(QDate(2026, 11, 23), QTime(17, 5)), at(QDate(2026, 12, 6), QTime(9, 0))}, endless);
    EXPECT_EQ(labels(m), (QStringList{"11-23", "11-26", "11-29", "12-02", "12-05", "12-08"}));
    EXPECT_EQ(m.timeTitle, QStringLiteral("日期"));
    EXPECT_LE(m.timeFrom, m.totals.front().x());
    EXPECT_GE(m.timeTo, m.totals.back().x());
    // Over the turn of a year the dates carry it.
    m = ProgressChart({at(QDate(2026, 12, 30), QTime(17, 5)), at(QDate(2027, 1, 2), QTime(9, 0))}, endless);
    EXPECT_EQ(labels(m).front(), QStringLiteral("2026-12-30"));
    EXPECT_EQ(labels(m).size(), 5);
    // Games of one afternoon: the times of day.
    m = ProgressChart({at(QDate(2026, 11, 23), QTime(14, 5)), at(QDate(2026, 11, 23), QTime(15, 40))},
                      endless);
    EXPECT_EQ(labels(m), (QStringList{"14:00", "14:30", "15:00", "15:30", "16:00"}));
    EXPECT_EQ(m.timeTitle, QStringLiteral("时间（2026-11-23）"));
    // One game: in the middle of its axis.
    m = ProgressChart({at(QDate(2026, 11, 23), QTime(14, 5))}, endless);
    EXPECT_EQ(labels(m), (QStringList{"14:04", "14:05", "14:06"}));
    EXPECT_DOUBLE_EQ(m.totals.front().x() - m.timeFrom, m.timeTo - m.totals.front().x());
}

// Where a widget's painting puts each text: a paint device that draws nothing and keeps, for each
// text, the box it takes.
class CTextBoxes final : public QPaintDevice {
public:
    struct Box {
        QRectF box;
        QString text;
    };
    explicit CTextBoxes(QSize size) : m_size(size) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const std::vector<Box>& Boxes() const { return m_engine.boxes; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    struct Engine final : QPaintEngine {
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawRects(const QRectF*, int) override {}
        void drawLines(const QLineF*, int) override {}
        void drawEllipse(const QRectF&) override {}
        void drawTextItem(const QPointF& at, const QTextItem& item) override {
            const QRectF box(at.x(), at.y() - item.ascent(), item.width(), item.ascent() + item.descent());
            boxes.push_back({painter()->combinedTransform().mapRect(box), item.text()});
        }
        std::vector<Box> boxes;
    };
    QSize m_size;
    mutable Engine m_engine;
};

// The chart's texts as it paints them now that do not show whole: past the chart's edge, over one
// another, or under one of the window's controls that lie on the chart.
QStringList ChartTextFaults(const CDlgDebrief& dialog) {
    CChartView& chart = *dialog.m_chart;
    if (!chart.isVisible())
        return {};
    CTextBoxes device(chart.size());
    chart.render(&device, {}, {}, QWidget::RenderFlags());
    QStringList faults;
    const auto& boxes = device.Boxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto& [box, text] = boxes[i];
        if (!QRectF(chart.rect()).contains(box))
            faults << QStringLiteral("past the edge: ") + text;
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            if (box.intersects(boxes[j].box))
                faults << QStringLiteral("over one another: %1, %2").arg(text, boxes[j].text);
        for (const QWidget* control : dialog.findChildren<QWidget*>())
            if (control->isVisible() && control->parentWidget() == chart.parentWidget() && control != &chart &&
                box.intersects(QRectF(control->geometry().translated(-chart.pos()))) &&
                !control->geometry().contains(chart.geometry()))
                faults << QStringLiteral("under %1: %2").arg(control->metaObject()->className(), text);
    }
    return faults;
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
    m_dialog.ShowModeless();
    EXPECT_EQ(m_dialog.windowTitle(), QStringLiteral("Aviluma—飞行回放"));
    EXPECT_EQ(ShownText(m_dialog), kNoHistoryText);
    EXPECT_EQ(m_dialog.GameIndex(), -1);
    for (CPlateButton* button : {m_dialog.m_btnPrev, m_dialog.m_btnNext, m_dialog.m_btnPrevGame,
                                 m_dialog.m_btnNextGame, m_dialog.m_btnExportGame, m_dialog.m_btnExportAll})
        EXPECT_FALSE(button->isEnabled());
    Key(m_dialog, Qt::Key_Left);
    Key(m_dialog, Qt::Key_Up);
    // The progress says so in its own words, under its title, with nothing to step through or narrow.
    m_dialog.m_btnProgress->click();
    const auto& empty = std::get<ProgressChartModel>(m_dialog.m_chart->CurrentModel());
    EXPECT_EQ(empty.title, kProgressItemText);
    EXPECT_EQ(empty.note, kNoProgressText);
    for (QWidget* control : std::initializer_list<QWidget*>{m_dialog.m_btnPrev, m_dialog.m_btnNext,
                                                            m_dialog.m_cmbSeries, m_dialog.m_btnPlay,
                                                            m_dialog.m_btnUncounted, m_dialog.m_btnExportAll})
        EXPECT_FALSE(control->isEnabled());
    EXPECT_FALSE(m_dialog.m_stcHint->Text().contains(QStringLiteral("←")));
    Key(m_dialog, Qt::Key_Right);
    EXPECT_EQ(m_dialog.SeriesIndex(), 0);
    Key(m_dialog, Qt::Key_Escape);
    EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(DlgDebrief, TheKeysStepThroughAttemptsGamesAndSeries) {
    const QString first = WriteGameRecord(Game(GameMode::Level, 3, 1, 70));
    ASSERT_FALSE(WriteGameRecord(Game(GameMode::Wild, 0, 2, 900)).isEmpty());
    m_dialog.OpenAt(CDlgDebrief::View::Replay);
    m_dialog.ShowModeless();
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
    m_dialog.ShowModeless();
    EXPECT_EQ(m_dialog.GameIndex(), 0);
    EXPECT_EQ(m_dialog.SeriesIndex(), 2);
    EXPECT_EQ(std::get<ProgressChartModel>(m_dialog.m_chart->CurrentModel()).title, QStringLiteral("关卡 3"));
    // The list holds the games of the series shown, the newest first.
    EXPECT_EQ(m_dialog.m_btnGames[0]->text().left(5), QStringLiteral("11-01"));
    EXPECT_TRUE(m_dialog.m_btnGames[1]->isHidden());
    Key(m_dialog, Qt::Key_Right);
    EXPECT_EQ(ShownText(m_dialog), QStringLiteral("关卡 4：还没有打完的对局。"));
    m_dialog.m_btnReplay->click();
    EXPECT_EQ(m_dialog.CurrentView(), CDlgDebrief::View::Replay);
    EXPECT_EQ(m_dialog.GameIndex(), 0);
}

// A coach goes from the progress to a game's replay: from the list, by a click on the chart, or with
// the keys on the chart.
TEST_F(DlgDebrief, AGameOfTheProgressOpensItsReplay) {
    for (int day = 1; day <= 3; ++day)
        ASSERT_FALSE(WriteGameRecord(Game(GameMode::Level, 3, day, 60 + day)).isEmpty());
    m_dialog.OpenAt(CDlgDebrief::View::Progress);
    m_dialog.ShowModeless();
    m_dialog.m_btnGames[1]->click(); // 11-02
    EXPECT_EQ(m_dialog.CurrentView(), CDlgDebrief::View::Replay);
    EXPECT_EQ(m_dialog.GameIndex(), 1);

    m_dialog.m_btnProgress->click();
    const auto& progress = std::get<ProgressChartModel>(m_dialog.m_chart->CurrentModel());
    m_dialog.m_chart->resize(m_dialog.m_chart->size()); // laid out as shown
    const QPointF first = [&] {
        for (int x = 0; x < m_dialog.m_chart->width(); ++x)
            for (int y = 0; y < m_dialog.m_chart->height(); ++y)
                if (m_dialog.m_chart->GameAt(QPointF(x, y)) == 0)
                    return QPointF(x, y);
        return QPointF(-1, -1);
    }();
    ASSERT_GE(first.x(), 0) << progress.totals.size();
    EXPECT_EQ(m_dialog.m_chart->GameAt(QPointF(1, 1)), -1);
    QTest::mouseClick(m_dialog.m_chart, Qt::LeftButton, {}, first.toPoint());
    EXPECT_EQ(m_dialog.CurrentView(), CDlgDebrief::View::Replay);
    EXPECT_EQ(m_dialog.GameIndex(), 0);

    // Tab goes as the controls stand on screen, the chart after the corner's filter; on the chart the
    // hint tells the keys it takes.
    m_dialog.m_btnProgress->click();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dialog));
    m_dialog.m_btnClose->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited;
    for (int i = 0; i < 13; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(visited,
              (std::vector<QWidget*>{m_dialog.m_btnReplay, m_dialog.m_btnProgress, m_dialog.m_btnOverview,
                                     m_dialog.m_cmbSeries, m_dialog.m_chart, m_dialog.m_btnGames[0],
                                     m_dialog.m_btnGames[1], m_dialog.m_btnGames[2], m_dialog.m_btnPrev,
                                     m_dialog.m_btnNext, m_dialog.m_btnUncounted, m_dialog.m_btnExportAll,
                                     m_dialog.m_btnClose}));
    m_dialog.m_chart->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(m_dialog.m_chart->hasFocus());
    EXPECT_TRUE(m_dialog.m_stcHint->Text().contains(QStringLiteral("空格 打开回放")));
    EXPECT_EQ(m_dialog.m_chart->ChosenGame(), 2); // the newest
    Key(*m_dialog.m_chart, Qt::Key_Left);
    EXPECT_EQ(m_dialog.SeriesIndex(), 2); // the chart's, not the series'
    Key(*m_dialog.m_chart, Qt::Key_Space);
    EXPECT_EQ(m_dialog.CurrentView(), CDlgDebrief::View::Replay);
    EXPECT_EQ(m_dialog.GameIndex(), 1);
}

TEST_F(DlgDebrief, TheFiltersNarrowChartAndListAndStayWhenThePlayerChanges) {
    QString error;
    const std::optional<Player> ann = AddPlayer(QStringLiteral("Ann"), &error);
    const std::optional<Player> bo = AddPlayer(QStringLiteral("Bo"), &error);
    ASSERT_TRUE(ann && bo) << qPrintable(error);
    for (const std::optional<Player>& player : {ann, bo}) {
        UsePlayer(player);
        GameRecord practice = Game(GameMode::Wild, 0, 1, 300), competition = Game(GameMode::Wild, 0, 2, 500);
        practice.playType = PlayType::Practice;
        competition.playType = PlayType::Competition;
        ASSERT_FALSE(WriteGameRecord(practice).isEmpty());
        ASSERT_FALSE(WriteGameRecord(competition).isEmpty());
        ASSERT_FALSE(WriteGameRecord(Game(GameMode::Wild, 0, 3, 700, GameEnd::Closed)).isEmpty());
    }
    m_dialog.OpenAt(CDlgDebrief::View::Progress);
    m_dialog.ShowModeless();
    ASSERT_EQ(m_dialog.m_cmbSeries->currentText(), QStringLiteral("狂野模式"));
    EXPECT_TRUE(m_dialog.m_btnPlay->isEnabled());
    const auto chart = [&] { return std::get<ProgressChartModel>(m_dialog.m_chart->CurrentModel()); };
    EXPECT_EQ(chart().totals.size(), 2);
    EXPECT_EQ(chart().uncounted.size(), 1u);
    EXPECT_FALSE(m_dialog.m_btnGames[2]->isHidden());
    m_dialog.m_btnUncounted->click(); // hides the closed game, in the list too
    EXPECT_TRUE(chart().uncounted.empty());
    EXPECT_TRUE(m_dialog.m_btnGames[2]->isHidden());
    m_dialog.m_btnPlay->click();
    EXPECT_EQ(m_dialog.m_btnPlay->text(), QStringLiteral("只看练习"));
    EXPECT_EQ(chart().totals.size(), 1);
    m_dialog.m_cmbPlayer->setCurrentIndex(0); // Ann's, narrowed the same way
    EXPECT_EQ(chart().totals.size(), 1);
    EXPECT_EQ(chart().totals.front().y(), 300.0);
    EXPECT_TRUE(m_dialog.m_btnGames[1]->isHidden());
    m_dialog.m_cmbSeries->setCurrentIndex(0); // a level: one way of play
    EXPECT_EQ(m_dialog.SeriesIndex(), 0);
    EXPECT_FALSE(m_dialog.m_btnPlay->isEnabled());
    UsePlayer(std::nullopt);
}

// The replay draws the other attempts of the difficulty on demand.
// A filter that hides every game of a series says how many it hides, not that there are none.
TEST_F(DlgDebrief, AFilterThatHidesEveryGameSaysHowMany) {
    for (int day = 1; day <= 3; ++day)
        ASSERT_FALSE(WriteGameRecord(Game(GameMode::Wild, 0, day, 300, GameEnd::Closed)).isEmpty());
    m_dialog.OpenAt(CDlgDebrief::View::Progress);
    m_dialog.ShowModeless();
    ASSERT_EQ(m_dialog.m_cmbSeries->currentText(), QStringLiteral("狂野模式"));
    m_dialog.m_btnUncounted->click();
    EXPECT_EQ(ShownText(m_dialog), QStringLiteral("狂野模式：没有符合筛选的对局（隐藏了 3 局）。"));
}

TEST_F(DlgDebrief, TheOverlayShowsTheOtherAttemptsOfTheDifficulty) {
    GameRecord game = Game(GameMode::Wild, 0, 1, 70);
    game.attempts.push_back(Attempt(4, 8.0f));
    game.attempts.back().difficulty = 4;
    game.attemptCount = 4;
    ASSERT_FALSE(WriteGameRecord(game).isEmpty());
    m_dialog.ShowModeless();
    EXPECT_FALSE(m_dialog.m_btnOverlay->isEnabled()); // the fourth is alone at its difficulty
    Key(m_dialog, Qt::Key_Left);
    ASSERT_TRUE(m_dialog.m_btnOverlay->isEnabled());
    const auto trace = [&] { return std::get<TraceChartModel>(m_dialog.m_chart->CurrentModel()); };
    EXPECT_TRUE(trace().overlay.empty());
    m_dialog.m_btnOverlay->click();
    ASSERT_EQ(trace().overlay.size(), 2u);
    EXPECT_EQ(trace().overlay[0].number, 1);
    EXPECT_EQ(trace().overlay[1].number, 2);
}

TEST_F(DlgDebrief, AGameExportsForACoachAndAFailureIsShown) {
    const GameRecord game = Game(GameMode::Level, 3, 1, 70);
    ASSERT_FALSE(WriteGameRecord(game).isEmpty());
    m_dialog.ShowModeless();
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

// A coach's view: the debrief opens on the player flying and shows any other player's games. "导出全部"
// exports every player, whoever is shown: a folder with a file of games for each, every row naming the
// player, and the overview's figures of them all.
TEST_F(DlgDebrief, ShowsThePlayerFlyingAndAnyOtherAndExportsEveryPlayer) {
    QString error;
    const std::optional<Player> ann = AddPlayer(QStringLiteral("Ann"), &error);
    const std::optional<Player> bo = AddPlayer(QStringLiteral("B/o:"), &error); // no file name as it is
    ASSERT_TRUE(ann && bo) << qPrintable(error);
    UsePlayer(ann);
    ASSERT_FALSE(WriteGameRecord(Game(GameMode::Level, 3, 1, 70)).isEmpty());
    UsePlayer(bo);
    ASSERT_FALSE(WriteGameRecord(Game(GameMode::Level, 2, 2, 50)).isEmpty());
    ASSERT_FALSE(WriteGameRecord(Game(GameMode::Wild, 0, 3, 40)).isEmpty());

    m_dialog.ShowModeless();
    ASSERT_NE(m_dialog.m_cmbPlayer, nullptr);
    EXPECT_EQ(m_dialog.m_cmbPlayer->currentText(), QStringLiteral("B/o:"));
    EXPECT_EQ(m_dialog.GameIndex(), 1); // Bo's newest of two
    m_dialog.m_cmbPlayer->setCurrentIndex(0);
    EXPECT_EQ(m_dialog.GameIndex(), 0);                       // Ann's only game
    EXPECT_EQ(CurrentPlayer()->name, QStringLiteral("B/o:")); // looking changes who flies in nothing
    m_dialog.m_btnExportAll->click();                         // showing Ann
    const QDir folder(m_dialog.LastExport());
    ASSERT_TRUE(folder.exists()) << qPrintable(m_dialog.LastExport());
    EXPECT_TRUE(folder.dirName().startsWith(QStringLiteral("训练记录-")));
    EXPECT_EQ(folder.entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("Ann.csv"), QStringLiteral("B_o_.csv"), kOverviewFileName}));
    const auto rows = [&](const QString& name) {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? ReadCsv(QStringDecoder("GB18030").decode(file.readAll()))
                                              : std::vector<QStringList>();
    };
    for (const auto& [name, player, games] :
         {std::tuple{"Ann.csv", "Ann", 1u}, std::tuple{"B_o_.csv", "B/o:", 2u}}) {
        const std::vector<QStringList> games_rows = rows(QString::fromUtf8(name));
        ASSERT_EQ(games_rows.size(), 1u + 60 * games) << name;
        for (std::size_t i = 1; i < games_rows.size(); ++i)
            EXPECT_EQ(games_rows[i][16], QString::fromUtf8(player));
    }
    const std::vector<QStringList> overview = rows(kOverviewFileName);
    ASSERT_EQ(overview.size(), 3u);
    EXPECT_EQ(overview[1].mid(0, 3), (QStringList{"Ann", "3", "1"}));
    EXPECT_EQ(overview[2].mid(0, 3), (QStringList{"B/o:", "2", "1"}));
    EXPECT_EQ(overview[1].mid(11), (QStringList{"2026-11-01", "2026-11-03"})); // the days of every game kept
    EXPECT_EQ(m_dialog.m_stcExported->Text(),
              QStringLiteral("已导出：%1（3 个文件）").arg(m_dialog.LastExport()));
    UsePlayer(std::nullopt);
}

// A best at the top of its axis, first or last of its series, keeps its label whole and clear of the
// axis title and the window's controls, in both languages; so do the replay's axis texts.
TEST_F(DlgDebrief, ChartTextsStayWholeAndApartWhereverTheBestLies) {
    int day = 1;
    for (const int total : {100, 50, 70})
        ASSERT_FALSE(WriteGameRecord(Game(GameMode::Level, 3, day++, total)).isEmpty());
    for (const int total : {500, 900, 1866})
        ASSERT_FALSE(WriteGameRecord(Game(GameMode::Wild, 0, day++, total)).isEmpty());
    for (const Language language : {Language::Chinese, Language::English}) {
        ASSERT_TRUE(InstallLanguage(language));
        m_dialog.OpenAt(CDlgDebrief::View::Replay);
        m_dialog.ShowModeless();
        EXPECT_EQ(ChartTextFaults(m_dialog), QStringList());
        m_dialog.m_btnProgress->click();
        for (std::size_t series = 0; series < AllProgressSeries().size(); ++series, Key(m_dialog, Qt::Key_Right))
            EXPECT_EQ(ChartTextFaults(m_dialog), QStringList()) << series;
        m_dialog.EndDialog(QDialog::Rejected);
    }
    RemoveLanguage();
}

// What a coach asks first: for every player and level, the pass rate, the median time to level and
// whether it got quicker, over today, this week or all the games kept.
TEST_F(DlgDebrief, TheOverviewTellsEachPlayersPassRateMedianTimeAndWhoGotQuicker) {
    const auto game = [](int day, float seconds, bool passed) {
        GameRecord g = Game(GameMode::Level, 3, day, 80);
        for (AttemptRecord& attempt : g.attempts) {
            attempt.end = AttemptEnd::Level;
            attempt.secondsToLevel = seconds;
        }
        if (!passed)
            g.attempts.back().end = AttemptEnd::OutOfTime;
        g.passed = passed;
        return g;
    };
    QString error;
    const std::optional<Player> ann = AddPlayer(QStringLiteral("Ann"), &error);
    const std::optional<Player> bo = AddPlayer(QStringLiteral("Bo"), &error);
    ASSERT_TRUE(ann && bo) << qPrintable(error);
    // Ann: 2.0 (failed) and 1.6, then 1.0 and 0.8 three weeks on: 0.7 s quicker. Bo: 1.0, then 1.5.
    UsePlayer(ann);
    for (const GameRecord& g :
         {game(1, 2.0f, false), game(2, 1.6f, true), game(20, 1.0f, true), game(21, 0.8f, true)})
        ASSERT_FALSE(WriteGameRecord(g).isEmpty());
    UsePlayer(bo);
    for (const GameRecord& g : {game(2, 1.0f, true), game(21, 1.5f, true)})
        ASSERT_FALSE(WriteGameRecord(g).isEmpty());
    SetLocalTimeSource([] { return QDateTime(QDate(2026, 11, 21), QTime(20, 0)); }); // a Saturday
    const auto restore = qScopeGuard([] { SetLocalTimeSource({}); });
    m_dialog.OpenAt(CDlgDebrief::View::Overview);
    m_dialog.ShowModeless();
    EXPECT_EQ(m_dialog.windowTitle(), QStringLiteral("Aviluma—成绩概览"));
    ASSERT_EQ(m_dialog.Overview().size(), 2u);
    const LevelStats& annThree = m_dialog.Overview()[0].levels.at(0);
    EXPECT_EQ(annThree.passRate, 0.75);
    EXPECT_DOUBLE_EQ(*annThree.medianSeconds, 1.0);
    EXPECT_DOUBLE_EQ(*annThree.Improvement(), 0.7);
    const auto row = [&](int r) {
        QStringList cells;
        for (int c = 0; c < m_dialog.m_tblOverview->columnCount(); ++c)
            cells << m_dialog.m_tblOverview->item(r, c)->text();
        return cells;
    };
    ASSERT_EQ(m_dialog.m_tblOverview->rowCount(), 2);
    EXPECT_EQ(row(0), (QStringList{"Ann", "3", "4", "75%（3/4）", "1 秒", "快了 0.7 秒"}));
    EXPECT_EQ(row(1), (QStringList{"Bo", "3", "2", "100%（2/2）", "1.25 秒", "慢了 0.5 秒"}));
    EXPECT_EQ(m_dialog.m_stcInfo[0]->Text(), QStringLiteral("谁更快了"));
    EXPECT_EQ(m_dialog.m_stcInfo[1]->Text(), QStringLiteral("Ann · 关卡 3 · 快了 0.7 秒"));
    EXPECT_TRUE(m_dialog.m_stcInfo[2]->Text().isEmpty());
    // This week (from Monday the 16th): Ann's last two, 1.0 then 0.8; Bo's one game compares with none.
    m_dialog.m_btnPeriods[1]->click();
    EXPECT_EQ(row(0), (QStringList{"Ann", "3", "2", "100%（2/2）", "0.9 秒", "快了 0.2 秒"}));
    EXPECT_EQ(row(1).mid(2), (QStringList{"1", "100%（1/1）", "1.5 秒", "—"}));
    // Before the first game of the week nothing was flown that day.
    SetLocalTimeSource([] { return QDateTime(QDate(2026, 11, 22), QTime(8, 0)); });
    m_dialog.m_btnPeriods[0]->click();
    EXPECT_TRUE(m_dialog.m_tblOverview->isHidden());
    EXPECT_EQ(ShownText(m_dialog), QStringLiteral("这段时间还没有闯关模式的对局。"));
    UsePlayer(std::nullopt);
}

// A game cut short by a lost drone or a closed window goes by one name for each, in either language:
// in the run window's guide, the replay, the list of the last games, the chart's legend, the export
// and the class board (its window and its sheet, from the codes the server stores).
TEST_F(DlgDebrief, EachWayAGameIsCutShortHasOneNameEverywhere) {
    const struct {
        GameEnd end;
        const char* code;
        const char* chinese;
        const char* english;
    } causes[] = {{GameEnd::LinkLost, "link-lost", "连接中断", "Link lost"},
                  {GameEnd::Closed, "closed", "中途关闭", "Closed early"}};
    for (const Language language : {Language::Chinese, Language::English}) {
        ASSERT_TRUE(InstallLanguage(language));
        for (const auto& cause : causes) {
            const QString name =
                QString::fromUtf8(language == Language::Chinese ? cause.chinese : cause.english);
            const QString chinese = QString::fromUtf8(cause.chinese);
            GameRecord game = Game(GameMode::Level, 2, 1, 55, cause.end);
            game.attempts.back().end = AttemptEnd::Cut;
            ASSERT_EQ(Tr(CutShortText(cause.end)), name);
            if (cause.end == GameEnd::LinkLost) { // the guide is shown while the window is open
                EXPECT_TRUE(GameEndGuideText(game.attempts, 55).contains(name))
                    << qPrintable(GameEndGuideText(game.attempts, 55));
            }
            EXPECT_EQ(TraceChart(game.attempts.back(), game.end).timeText, name);
            EXPECT_EQ(ProgressMarkText(*UncountedMark(game)), name);
            BoardEntry entry;
            entry.player = QStringLiteral("Ann");
            entry.mode = QStringLiteral("level");
            entry.level = 2;
            entry.end = QString::fromLatin1(cause.code);
            BoardData data;
            data.recent = {entry};
            EXPECT_TRUE(BoardUncountedText(entry).contains(name)) << qPrintable(BoardUncountedText(entry));
            const std::vector<QStringList> board = ReadCsv(QStringDecoder("GB18030").decode(BoardCsv(data)));
            EXPECT_EQ(board.at(1).at(7), chinese);
            // The export stays Chinese: how the game ended, and how its last attempt did.
            const std::vector<QStringList> rows =
                ReadCsv(QStringDecoder("GB18030").decode(HistoryCsv({game})));
            EXPECT_EQ(rows.back().at(4), chinese);
            EXPECT_EQ(rows.back().back(), chinese);

            const QString path = WriteGameRecord(game);
            m_dialog.OpenAt(CDlgDebrief::View::Replay, path);
            m_dialog.ShowModeless();
            EXPECT_TRUE(m_dialog.m_stcInfo[2]->Text().startsWith(name))
                << qPrintable(m_dialog.m_stcInfo[2]->Text());
            m_dialog.m_btnProgress->click();
            EXPECT_TRUE(m_dialog.m_btnGames[0]->text().endsWith(QStringLiteral("  ") + name))
                << qPrintable(m_dialog.m_btnGames[0]->text());
            m_dialog.EndDialog(QDialog::Rejected);
            QFile::remove(path);
        }
    }
    RemoveLanguage();
}

// English: everything the debrief shows, with a history and without, reads English and fits its
// place; what it exports stays as a Chinese run writes it.
class DlgDebriefEnglish : public DlgDebrief {
protected:
    void TearDown() override { RemoveLanguage(); }

    static bool HasChinese(const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) {
            return (c.unicode() >= 0x3000 && c.unicode() <= 0x9fff) ||
                   (c.unicode() >= 0xff00 && c.unicode() <= 0xffef);
        });
    }
    // What the window shows now that is still Chinese, or does not fit its place.
    QStringList Faults() {
        QStringList texts{m_dialog.windowTitle(), m_dialog.m_chart->accessibleName()};
        const CChartView::Model& model = m_dialog.m_chart->CurrentModel();
        if (const auto* text = std::get_if<QString>(&model))
            texts << *text;
        if (const auto* trace = std::get_if<TraceChartModel>(&model))
            texts << trace->heading << trace->pointsText << trace->timeText << trace->enteredText
                  << trace->heldText;
        if (const auto* progress = std::get_if<ProgressChartModel>(&model)) {
            texts << progress->title << progress->timeTitle << progress->note;
            for (const auto& [time, tick] : progress->timeTicks)
                texts << tick;
        }
        QStringList faults = ChartTextFaults(m_dialog);
        for (QWidget* widget : m_dialog.findChildren<QWidget*>()) {
            if (!widget->isVisible())
                continue;
            texts << widget->accessibleName() << widget->toolTip();
            if (const auto* label = dynamic_cast<CColorStatic*>(widget)) {
                texts << label->Text();
                if (!label->toolTip().isEmpty()) // cut: the whole text went into the tooltip
                    faults << QStringLiteral("cut: ") + label->Text();
            } else if (auto* button = dynamic_cast<CPlateButton*>(widget)) {
                texts << button->text();
                const bool line = std::find(m_dialog.m_btnGames.begin(), m_dialog.m_btnGames.end(), button) !=
                                  m_dialog.m_btnGames.end(); // drawn smaller where it needs to
                if (!line && button->fontMetrics().horizontalAdvance(button->text()) > button->width() - 8)
                    faults << QStringLiteral("too wide: ") + button->text();
            } else if (const auto* box = dynamic_cast<QComboBox*>(widget)) {
                for (int i = 0; i < box->count(); ++i)
                    texts << box->itemText(i);
            } else if (const auto* table = dynamic_cast<QTableWidget*>(widget)) {
                for (int c = 0; c < table->columnCount(); ++c) {
                    texts << table->horizontalHeaderItem(c)->text();
                    for (int r = 0; r < table->rowCount(); ++r)
                        texts << table->item(r, c)->text() << table->item(r, c)->toolTip();
                }
            }
        }
        for (const QString& text : texts)
            if (HasChinese(text))
                faults << text;
        return faults;
    }
    QStringList FaultsInEveryView() {
        QStringList faults;
        m_dialog.m_btnReplay->click();
        for (int game = 0; game < 3; ++game, Key(m_dialog, Qt::Key_Up))
            for (int attempt = 0; attempt < 3; ++attempt, Key(m_dialog, Qt::Key_Left)) {
                faults << Faults();
                if (m_dialog.m_btnOverlay->isEnabled()) {
                    m_dialog.m_btnOverlay->click();
                    faults << Faults();
                    m_dialog.m_btnOverlay->click();
                }
            }
        m_dialog.m_btnProgress->click();
        for (std::size_t series = 0; series < AllProgressSeries().size();
             ++series, Key(m_dialog, Qt::Key_Right)) {
            faults << Faults();
            for (int play = 0; play < 3 && m_dialog.m_btnPlay->isEnabled(); ++play) {
                m_dialog.m_btnPlay->click();
                faults << Faults();
            }
            m_dialog.m_chart->setFocus(Qt::TabFocusReason); // the chart's hint
            faults << Faults();
        }
        m_dialog.m_btnUncounted->click();
        faults << Faults();
        m_dialog.m_btnUncounted->click();
        m_dialog.m_btnOverview->click();
        for (CPlateButton* period : m_dialog.m_btnPeriods) {
            period->click();
            faults << Faults();
        }
        faults.removeDuplicates();
        return faults;
    }
};

TEST_F(DlgDebriefEnglish, WithAHistoryEveryViewReadsEnglishAndTheExportStaysChinese) {
    QString error;
    ASSERT_TRUE(AddPlayer(QStringLiteral("Ann"), &error) && AddPlayer(QStringLiteral("Bo"), &error))
        << qPrintable(error);
    UsePlayer(FindPlayer(ReadPlayers(), QStringLiteral("Bo")));
    GameRecord level = Game(GameMode::Level, 10, 1, 90), wild = Game(GameMode::Wild, 0, 2, 1848),
               endless = Game(GameMode::Endless, 0, 3, 1234, GameEnd::LinkLost);
    level.passed = false;
    wild.playType = PlayType::Competition;
    wild.player = QStringLiteral("Bo");
    endless.playType = PlayType::Practice;
    endless.attempts.back().end = AttemptEnd::Cut;
    for (const GameRecord& game : {level, wild, endless})
        ASSERT_FALSE(WriteGameRecord(game).isEmpty());
    // The bytes of the file exported, or of every file in the folder exported.
    const auto exported = [&](CPlateButton* button) {
        button->click();
        const QFileInfo written(m_dialog.LastExport());
        QByteArray bytes;
        for (const QFileInfo& file : written.isDir()
                                         ? QDir(written.filePath()).entryInfoList(QDir::Files, QDir::Name)
                                         : QFileInfoList{written}) {
            QFile in(file.filePath());
            bytes += file.fileName().toUtf8() + (in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray());
        }
        return std::pair(written.fileName().left(5), bytes);
    };
    m_dialog.ShowModeless();
    const auto chineseGame = exported(m_dialog.m_btnExportGame),
               chineseAll = exported(m_dialog.m_btnExportAll);
    m_dialog.EndDialog(QDialog::Rejected);

    ASSERT_TRUE(InstallLanguage(Language::English));
    m_dialog.ShowModeless();
    EXPECT_EQ(m_dialog.windowTitle(), QStringLiteral("Aviluma—Flight replay"));
    EXPECT_EQ(m_dialog.m_stcInfo[2]->Text(), QStringLiteral("Link lost · Total 1234"));
    EXPECT_EQ(FaultsInEveryView(), QStringList());
    EXPECT_EQ(m_dialog.m_btnGames[0]->text(), QStringLiteral("11-03  Endless  1234  Link lost"));
    m_dialog.EndDialog(QDialog::Rejected);
    m_dialog.ShowModeless(); // at the newest game again
    const auto englishGame = exported(m_dialog.m_btnExportGame),
               englishAll = exported(m_dialog.m_btnExportAll);
    EXPECT_EQ(englishGame.first, QStringLiteral("飞行回放-"));
    EXPECT_EQ(englishAll.first, QStringLiteral("训练记录-"));
    EXPECT_FALSE(chineseAll.second.isEmpty());
    EXPECT_EQ(englishGame.second, chineseGame.second);
    EXPECT_EQ(englishAll.second, chineseAll.second);
    EXPECT_TRUE(m_dialog.m_stcExported->Text().startsWith(QStringLiteral("Exported: ")));
    UsePlayer(std::nullopt);
}

TEST_F(DlgDebriefEnglish, WithoutHistoryItReadsEnglish) {
    ASSERT_TRUE(InstallLanguage(Language::English));
    m_dialog.ShowModeless();
    EXPECT_EQ(FaultsInEveryView(), QStringList());
    m_dialog.m_btnProgress->click();
    EXPECT_EQ(std::get<ProgressChartModel>(m_dialog.m_chart->CurrentModel()).title,
              QStringLiteral("Training record"));
}

} // namespace
