// The debrief's two charts: what they show (models, computed from the history alone) and the view
// that paints them in the game's look with QPainter.
#pragma once

#include "records/History.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <optional>
#include <utility>
#include <variant>
#include <vector>

// One attempt: roll and pitch against the seconds since its start command, over the whole budget, with
// the level band shaded and the second of the hold marked.
struct TraceChartModel {
    double seconds = 10.0;  // the time axis ends at the budget
    double limitDeg = 10.0; // the angle axis spans -limit..limit: 10, 20, 30, 45, 60, 90 or 180
    double bandDeg = 5.0;   // level is within +-band
    QList<QPointF> roll;    // (seconds, degrees), clamped to the axis
    QList<QPointF> pitch;
    std::optional<std::pair<double, double>> hold; // seconds
    QString heading;                               // "第 2 次 · 难度 3"
    QString pointsText;                            // "得分 17"
    QString timeText;                              // "稳定用时 1.5 秒", "超时", "中断"
};
TraceChartModel TraceChart(const AttemptRecord& attempt);

// A series of the progress view: a level (1..10), or the wild or the endless mode.
struct ProgressSeries {
    GameMode mode = GameMode::Level;
    int level = 1;
    bool operator==(const ProgressSeries&) const = default;
};
// The series in the order the player steps through them.
std::vector<ProgressSeries> AllProgressSeries();
QString SeriesTitle(const ProgressSeries& series); // "关卡 3", "狂野模式", "无尽模式"

// Every finished game of one series: its total over the time it was played, the best marked.
struct ProgressChartModel {
    QString title;
    QList<QPointF> totals;      // (seconds since the epoch at the game's start, total), oldest first
    std::vector<QString> dates; // of each point, "12-07"
    int best = -1;              // index of the best total, the first of equals
    int yMax = 10;              // the total axis spans 0..yMax, a round number above the best
};
ProgressChartModel ProgressChart(const std::vector<GameRecord>& games, const ProgressSeries& series);

// Paints a trace, a progress chart, or a line saying there is nothing to show. Transparent: the
// window's picture is the chart's ground.
class CChartView : public QWidget {
public:
    explicit CChartView(QWidget* parent = nullptr);
    using Model = std::variant<QString, TraceChartModel, ProgressChartModel>;
    void SetModel(Model model);
    const Model& CurrentModel() const { return m_model; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Model m_model;
};
