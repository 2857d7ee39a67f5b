// The debrief's two charts: what they show (models, computed from the history alone) and the view
// that paints them in the game's look with QPainter. The models' texts are in the player's language
// (Tr), ready to paint; their dates and times are numeric, which reads the same in every language.
#pragma once

#include "records/History.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

// Another attempt drawn faintly behind the one shown, to compare them.
struct TraceOverlay {
    int number = 0;
    QList<QPointF> roll; // (seconds, degrees), clamped to the axis
    QList<QPointF> pitch;
};

// One attempt: roll and pitch against the seconds since its start command, over the whole budget, with
// the level band shaded and the second of the hold marked: where the attitude entered the band for good,
// and where it had held there for the second the game asks for.
struct TraceChartModel {
    double seconds = 10.0;  // the time axis ends at the budget
    double limitDeg = 10.0; // the angle axis spans -limit..limit: 10, 20, 30, 45, 60, 90 or 180
    double bandDeg = 5.0;   // level is within +-band
    QList<QPointF> roll;    // (seconds, degrees), clamped to the axis
    QList<QPointF> pitch;
    std::optional<std::pair<double, double>> hold; // seconds
    QString heading;                               // "第 2 次 · 难度 3"
    QString pointsText;                            // "得分 17"
    QString timeText;                              // "稳定用时 1.5 秒", "超时", "连接中断"
    QString enteredText;                           // "进入 ±5° 0.8 秒", with the hold
    QString heldText;                              // "保持 1 秒 1.8 秒"
    std::vector<TraceOverlay> overlay;
};
// The attempt of a game that ended so (which names an attempt cut short), and the others of overlaid
// behind it (the axis then holds them all).
TraceChartModel TraceChart(const AttemptRecord& attempt, GameEnd gameEnd,
                           const std::vector<const AttemptRecord*>& overlaid = {});

// A series of the progress view: a level (1..10), or the wild or the endless mode.
struct ProgressSeries {
    GameMode mode = GameMode::Level;
    int level = 1;
    bool operator==(const ProgressSeries&) const = default;
};
// The series in the order the player steps through them.
std::vector<ProgressSeries> AllProgressSeries();
QString SeriesTitle(const ProgressSeries& series); // "关卡 3", "狂野模式", "无尽模式"

// Which games of a series the progress shows: of one way of play only (wild and endless have two), and
// whether the games that did not count (a level failed, a game closed or cut short) are shown at all.
struct ProgressFilter {
    std::optional<PlayType> play; // both when absent
    bool uncounted = true;
};
// A game of the series whose total does not count: drawn with its own mark, off the line of totals.
enum class ProgressMark { Failed, Closed, LinkLost };
bool InProgress(const GameRecord& game, const ProgressSeries& series, const ProgressFilter& filter);
std::optional<ProgressMark> UncountedMark(const GameRecord& game);
// The mark's name in the legend: "未过关", or the name of what cut the game short.
QString ProgressMarkText(ProgressMark mark);

// The games of one series: each counted total over the time it was played, the best marked, and the
// games that did not count beside them.
struct ProgressChartModel {
    QString title;
    QList<QPointF> totals;      // (seconds since the epoch at the game's start, total), oldest first
    std::vector<QString> dates; // of each point, "12-07"
    std::vector<int> games;     // of each point, its index in the games given
    struct Uncounted {
        QPointF at; // (time, its partial total); drawn at its time in a lane under the axis, not at the total
        int game = -1;
        ProgressMark mark = ProgressMark::Failed;
    };
    std::vector<Uncounted> uncounted;
    int best = -1;               // index of the best total, the first of equals
    int yMax = 10;               // the total axis spans 0..yMax, a round number above the best counted total
    std::vector<int> totalTicks; // whole totals from 0 to at most yMax
    double timeFrom = 0.0, timeTo = 1.0;               // the time axis, seconds since the epoch
    std::vector<std::pair<double, QString>> timeTicks; // "12-07", "2026-12-07" over years, "16:05" in a day
    QString timeTitle;
    QString note; // instead of the chart, when there is nothing to draw
};
ProgressChartModel ProgressChart(const std::vector<GameRecord>& games, const ProgressSeries& series,
                                 const ProgressFilter& filter = {});

// Paints a trace, a progress chart, or a line saying there is nothing to show. Transparent: the
// window's picture is the chart's ground. A game of a progress chart is picked by a click on it, or from
// the keyboard: the chart then takes the focus, Left and Right choose a game, Space picks it.
class CChartView : public QWidget {
public:
    explicit CChartView(QWidget* parent = nullptr);
    using Model = std::variant<QString, TraceChartModel, ProgressChartModel>;
    void SetModel(Model model);
    const Model& CurrentModel() const { return m_model; }
    // Called with the game's index in the progress chart's games.
    void SetOnPick(std::function<void(int game)> onPick) { m_onPick = std::move(onPick); }
    // The game the keys stand on (the newest when the chart was set), -1 without one.
    int ChosenGame() const;
    // The game whose mark lies at point (within a few pixels), -1 for none.
    int GameAt(QPointF point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The marks of a progress chart in the order of time: (place in the view, game).
    std::vector<std::pair<QPointF, int>> Marks() const;

    Model m_model;
    int m_nChosen = -1; // in Marks()
    std::function<void(int)> m_onPick;
};
