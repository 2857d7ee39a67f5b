#include "windows/DebriefCharts.h"

#include "game/Scoring.h"
#include "platform/Translation.h"
#include "widgets/Fonts.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QColor kRollColour(0xff, 0xa7, 0x26);  // orange, as the attitude's aircraft
const QColor kPitchColour(0x4f, 0xc3, 0xf7); // light blue, as the art's glowing frames
const QColor kGridColour(0x5f, 0xa8, 0xff, 60);
const QColor kAxisText(0xb3, 0xd4, 0xff);
const QColor kBandColour(0x43, 0xa0, 0x47, 70);
const QColor kHoldColour(0x66, 0xbb, 0x6a);
const QColor kBestColour(0xff, 0xd5, 0x4f);
const QColor kFailedColour(0xff, 0x8a, 0x80);
const QColor kCutColour(0x9e, 0xb4, 0xd0);

// Tenths: the places the game's times and points have.
QString Decimal(double value) {
    return DecimalText(value, 1);
}

double Clamp(double value, double limit) {
    return std::clamp(value, -limit, limit);
}

// The plot's rectangle inside the view: room for the axis texts on the left and below, the heading
// and the legend above.
QRectF PlotArea(const QRect& view) {
    return QRectF(view).adjusted(50, 38, -18, -32);
}

void DrawText(QPainter& painter, const QRectF& box, int flags, const QString& text, const QColor& colour) {
    painter.setPen(colour);
    painter.drawText(box, flags, text);
}

void DrawLegend(QPainter& painter, QPointF at, const QColor& colour, const QString& text) {
    painter.setPen(QPen(colour, 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(at, at + QPointF(22, 0));
    DrawText(painter, QRectF(at + QPointF(28, -10), QSizeF(80, 20)), Qt::AlignLeft | Qt::AlignVCenter, text,
             kAxisText);
}

void DrawChosen(QPainter& painter, QPointF at) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 110), 4.0));
    painter.drawEllipse(at, 11.0, 11.0);
    painter.setPen(QPen(kPitchColour, 2.0));
    painter.drawEllipse(at, 11.0, 11.0);
}

QList<QPointF> Trace(const std::vector<AttitudeSample>& samples, float AttitudeSample::*angle, double limit) {
    QList<QPointF> trace;
    for (const AttitudeSample& s : samples)
        trace << QPointF(s.timeMs / 1000.0, Clamp(s.*angle, limit));
    return trace;
}

void PaintTrace(QPainter& painter, const QRect& view, const TraceChartModel& m) {
    const QRectF plot = PlotArea(view).adjusted(0, 0, 0, -14); // room for the axis's title below the seconds
    auto x = [&](double s) { return plot.left() + s / m.seconds * plot.width(); };
    auto y = [&](double deg) { return plot.center().y() - deg / m.limitDeg * plot.height() / 2.0; };

    // The band of level, and the second of the hold: where the attitude entered the band for good and
    // where it had held there long enough, each line with its moment beside it, inside the plot.
    painter.fillRect(QRectF(QPointF(plot.left(), y(m.bandDeg)), QPointF(plot.right(), y(-m.bandDeg))),
                     kBandColour);
    painter.setFont(MakeCellFont(13));
    std::vector<QRectF> taken; // the texts inside the plot so far, which the others' numbers keep clear of
    if (m.hold) {
        const QRectF hold(QPointF(x(m.hold->first), plot.top()), QPointF(x(m.hold->second), plot.bottom()));
        QColor fill = kHoldColour;
        fill.setAlpha(45);
        painter.fillRect(hold, fill);
        painter.setPen(QPen(kHoldColour, 1.5, Qt::DashLine));
        painter.drawLine(hold.topLeft(), hold.bottomLeft());
        painter.drawLine(hold.topRight(), hold.bottomRight());
        const QFontMetricsF metrics(painter.font());
        auto mark = [&](double at, double top, const QString& text, bool before) {
            const double width = metrics.horizontalAdvance(text) + 4;
            if (before && at - 4 - width < plot.left())
                before = false;
            else if (!before && at + 4 + width > plot.right())
                before = true;
            const QRectF box(before ? at - 4 - width : at + 4, top, width, 18);
            taken.push_back(box);
            painter.fillRect(box, QColor(0x06, 0x10, 0x2a, 200)); // readable over the other line
            DrawText(painter, box, (before ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, text,
                     kHoldColour);
        };
        mark(hold.left(), plot.top() + 2, m.enteredText, true);
        mark(hold.right(), plot.top() + 20, m.heldText, false);
    }

    // The grid: a line every second, five angles.
    for (int s = 0; s <= static_cast<int>(m.seconds); ++s) {
        painter.setPen(QPen(kGridColour, 1.0));
        painter.drawLine(QPointF(x(s), plot.top()), QPointF(x(s), plot.bottom()));
        DrawText(painter, QRectF(x(s) - 20, plot.bottom() + 4, 40, 16), Qt::AlignCenter, QString::number(s),
                 kAxisText);
    }
    DrawText(painter, QRectF(plot.left(), plot.bottom() + 19, plot.width(), 16), Qt::AlignCenter,
             Aviluma::tr("时间（秒）"), kAxisText);
    for (const double deg : {-m.limitDeg, -m.limitDeg / 2, 0.0, m.limitDeg / 2, m.limitDeg}) {
        painter.setPen(QPen(deg == 0.0 ? kAxisText : kGridColour, 1.0));
        painter.drawLine(QPointF(plot.left(), y(deg)), QPointF(plot.right(), y(deg)));
        DrawText(painter, QRectF(view.left(), y(deg) - 8, 44, 16), Qt::AlignRight | Qt::AlignVCenter,
                 Decimal(deg) + QStringLiteral("°"), kAxisText);
    }

    // The two angles, as the game sampled them; other attempts faint behind, numbered at their ends.
    painter.setClipRect(plot.adjusted(-2, -2, 2, 2));
    auto draw = [&](const QList<QPointF>& series, const QColor& colour, double width) {
        QPainterPath path;
        for (qsizetype i = 0; i < series.size(); ++i) {
            const QPointF p(x(series[i].x()), y(series[i].y()));
            i == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    };
    QColor faintPitch = kPitchColour, faintRoll = kRollColour;
    faintPitch.setAlpha(90);
    faintRoll.setAlpha(90);
    for (const TraceOverlay& other : m.overlay) {
        draw(other.pitch, faintPitch, 1.4);
        draw(other.roll, faintRoll, 1.4);
        if (other.roll.isEmpty())
            continue;
        // Its number by the end of its roll, inside the plot; attempts that end alike stack theirs
        // downwards, and a number with no free place left is left out rather than drawn over another.
        const QString number = QString::number(other.number);
        const QSizeF size(painter.fontMetrics().horizontalAdvance(number) + 2, 14);
        const QPointF end(x(other.roll.back().x()), y(other.roll.back().y()));
        QRectF box(QPointF(std::clamp(end.x() + 3, plot.left(), plot.right() - size.width()),
                           std::clamp(end.y() - 16, plot.top(), plot.bottom() - size.height())),
                   size);
        while (box.bottom() <= plot.bottom() &&
               std::any_of(taken.begin(), taken.end(), [&](const QRectF& r) { return r.intersects(box); }))
            box.translate(0, size.height());
        if (box.bottom() > plot.bottom())
            continue;
        taken.push_back(box);
        DrawText(painter, box, Qt::AlignLeft | Qt::AlignVCenter, number, kAxisText);
    }
    draw(m.pitch, kPitchColour, 2.2);
    draw(m.roll, kRollColour, 2.2);
    painter.setClipping(false);

    painter.setFont(MakeCellFont(16));
    const double headingWidth = painter.fontMetrics().horizontalAdvance(m.heading);
    DrawText(painter, QRectF(plot.left(), view.top() + 6, headingWidth + 4, 22),
             Qt::AlignLeft | Qt::AlignVCenter, m.heading, Qt::white);
    painter.setFont(MakeCellFont(13));
    // The legend follows the heading and leaves the top right corner to the window's toggle.
    const double legend = plot.left() + std::max(170.0, headingWidth + 16);
    DrawLegend(painter, QPointF(legend, view.top() + 17), kRollColour,
               Aviluma::tr("横滚"));
    DrawLegend(painter, QPointF(legend + 80, view.top() + 17), kPitchColour,
               Aviluma::tr("俯仰"));
}

// The plot of a progress chart, and where a game's mark lies in it. The games that did not count have
// a lane of their own under the axis's base: their partial totals are no scores, and on the score axis
// a coach would read them as such.
struct ProgressPlot {
    static constexpr double kLaneGap = 8.0;
    static constexpr double kLaneHeight = 20.0;
    QRectF plot;
    QRectF lane; // empty without uncounted games
    const ProgressChartModel* m;
    explicit ProgressPlot(const QRect& view, const ProgressChartModel& model) : m(&model) {
        // Room below for the lane, the dates, and the row of the legend and the axis title.
        const double below = model.uncounted.empty() ? 16.0 : 16.0 + kLaneGap + kLaneHeight;
        plot = PlotArea(view).adjusted(10, 0, -10, -below);
        if (!model.uncounted.empty())
            lane = QRectF(plot.left(), plot.bottom() + kLaneGap, plot.width(), kLaneHeight);
    }
    double X(double time) const {
        return plot.left() + (time - m->timeFrom) / (m->timeTo - m->timeFrom) * plot.width();
    }
    double Y(double total) const { return plot.bottom() - total / m->yMax * plot.height(); }
    QPointF At(QPointF point) const { return {X(point.x()), Y(point.y())}; }
    QPointF InLane(const ProgressChartModel::Uncounted& game) const {
        return {X(game.at.x()), lane.center().y()};
    }
    double Bottom() const { return lane.isEmpty() ? plot.bottom() : lane.bottom(); } // where the dates hang
};

void DrawUncounted(QPainter& painter, QPointF at, ProgressMark mark) {
    painter.setBrush(Qt::NoBrush);
    if (mark == ProgressMark::Failed) {
        painter.setPen(QPen(kFailedColour, 2.2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(at + QPointF(-4.5, -4.5), at + QPointF(4.5, 4.5));
        painter.drawLine(at + QPointF(-4.5, 4.5), at + QPointF(4.5, -4.5));
    } else if (mark == ProgressMark::Closed) {
        painter.setPen(QPen(kCutColour, 1.8));
        painter.drawRect(QRectF(at - QPointF(4, 4), QSizeF(8, 8)));
    } else {
        painter.setPen(QPen(kCutColour, 1.8));
        painter.drawPolygon(QPolygonF{at + QPointF(0, -5.5), at + QPointF(5.5, 0), at + QPointF(0, 5.5),
                                      at + QPointF(-5.5, 0)});
    }
}

// The best total's label: above its mark, inside the plot; beside it where above would reach into the
// heading's row (a best at the top of the axis).
QRectF BestLabel(const QRectF& plot, QPointF best, double width) {
    constexpr double kHeight = 18.0;
    if (best.y() - 30 >= plot.top() - 6)
        return {std::clamp(best.x() - width / 2, plot.left(), plot.right() - width), best.y() - 30, width,
                kHeight};
    const double left = best.x() - 14 - width >= plot.left() ? best.x() - 14 - width : best.x() + 14;
    return {left, best.y() - kHeight / 2, width, kHeight};
}

void PaintProgress(QPainter& painter, const QRect& view, const ProgressChartModel& m, int chosenGame) {
    painter.setFont(MakeCellFont(16));
    const QString heading =
        m.totals.isEmpty() && m.uncounted.empty()
            ? m.title
            : Aviluma::tr("%1 · 每局总分").arg(m.title);
    const double headingLeft = PlotArea(view).left() + 40;
    const double headingRight = headingLeft + painter.fontMetrics().horizontalAdvance(heading);
    DrawText(painter, QRectF(headingLeft, view.top() + 6, headingRight - headingLeft + 4, 22),
             Qt::AlignLeft | Qt::AlignVCenter, heading, Qt::white);
    if (!m.note.isEmpty()) {
        painter.setFont(MakeCellFont(18));
        DrawText(painter, QRectF(view).adjusted(20, 40, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, m.note,
                 kAxisText);
        return;
    }
    const ProgressPlot p(view, m);
    const QRectF& plot = p.plot;

    painter.setFont(MakeCellFont(13));
    for (const int total : m.totalTicks) {
        painter.setPen(QPen(total == 0 ? kAxisText : kGridColour, 1.0));
        painter.drawLine(QPointF(plot.left() - 10, p.Y(total)), QPointF(plot.right() + 10, p.Y(total)));
        DrawText(painter, QRectF(view.left(), p.Y(total) - 8, 54, 16), Qt::AlignRight | Qt::AlignVCenter,
                 QString::number(total), kAxisText);
    }
    DrawText(painter, QRectF(view.left(), plot.top() - 26, 54, 16), Qt::AlignRight | Qt::AlignVCenter,
             Aviluma::tr("得分"), kAxisText);
    if (!p.lane.isEmpty()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x5f, 0xa8, 0xff, 22));
        painter.drawRoundedRect(p.lane.adjusted(-10, 0, 10, 0), 4, 4);
    }
    const double bottom = p.Bottom();
    for (const auto& [time, text] : m.timeTicks) {
        painter.setPen(QPen(kGridColour, 1.0));
        painter.drawLine(QPointF(p.X(time), bottom), QPointF(p.X(time), bottom + 4));
        // Centred under its tick, but never past the chart's edges.
        const double left = std::clamp(p.X(time) - 45, double(view.left()), double(view.right()) - 90);
        DrawText(painter, QRectF(left, bottom + 5, 90, 16), Qt::AlignCenter, text, kAxisText);
    }

    // The counted totals on a line; the games that did not count only marked, in their lane.
    QPainterPath path;
    for (qsizetype i = 0; i < m.totals.size(); ++i)
        i == 0 ? path.moveTo(p.At(m.totals[i])) : path.lineTo(p.At(m.totals[i]));
    painter.setPen(QPen(kPitchColour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.setBrush(kPitchColour);
    for (const QPointF& total : m.totals)
        painter.drawEllipse(p.At(total), 3.5, 3.5);
    bool marks[3] = {false, false, false};
    for (const ProgressChartModel::Uncounted& game : m.uncounted) {
        DrawUncounted(painter, p.InLane(game), game.mark);
        marks[static_cast<int>(game.mark)] = true;
    }
    if (m.best >= 0) {
        const QPointF best = p.At(m.totals[m.best]);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kBestColour, 2.5));
        painter.drawEllipse(best, 8.0, 8.0);
        const QString text =
            Aviluma::tr("最佳 %1").arg(m.totals[m.best].y());
        DrawText(painter, BestLabel(plot, best, painter.fontMetrics().horizontalAdvance(text) + 6),
                 Qt::AlignCenter, text, kBestColour);
    }
    // The game the keys stand on.
    for (qsizetype i = 0; chosenGame >= 0 && i < m.totals.size(); ++i)
        if (m.games[static_cast<std::size_t>(i)] == chosenGame)
            DrawChosen(painter, p.At(m.totals[i]));
    for (const ProgressChartModel::Uncounted& game : m.uncounted)
        if (game.game == chosenGame)
            DrawChosen(painter, p.InLane(game));

    // The row under the dates: what the lane's marks mean on the left, the time axis's title on the
    // right. The lane's name goes first where both fit.
    const QFontMetricsF metrics(painter.font());
    const double row = bottom + 21;
    const double title = metrics.horizontalAdvance(m.timeTitle) + 4;
    DrawText(painter, QRectF(plot.right() - title, row, title, 16), Qt::AlignRight | Qt::AlignVCenter,
             m.timeTitle, kAxisText);
    if (p.lane.isEmpty())
        return;
    constexpr double kMark = 16.0, kGap = 12.0;
    double width = 0.0;
    for (const ProgressMark mark : {ProgressMark::Failed, ProgressMark::LinkLost, ProgressMark::Closed})
        if (marks[static_cast<int>(mark)])
            width += kMark + metrics.horizontalAdvance(ProgressMarkText(mark)) + kGap;
    const QString laneName = Aviluma::tr("不计成绩：");
    double left = plot.left() - 10;
    if (left + metrics.horizontalAdvance(laneName) + width <= plot.right() - title - kGap) {
        DrawText(painter, QRectF(left, row, metrics.horizontalAdvance(laneName) + 2, 16),
                 Qt::AlignLeft | Qt::AlignVCenter, laneName, kAxisText);
        left += metrics.horizontalAdvance(laneName) + 4;
    }
    for (const ProgressMark mark : {ProgressMark::Failed, ProgressMark::LinkLost, ProgressMark::Closed}) {
        if (!marks[static_cast<int>(mark)])
            continue;
        const QString text = ProgressMarkText(mark);
        DrawUncounted(painter, QPointF(left + 5, row + 8), mark);
        const double textWidth = metrics.horizontalAdvance(text) + 2;
        DrawText(painter, QRectF(left + kMark, row, textWidth, 16), Qt::AlignLeft | Qt::AlignVCenter, text,
                 kAxisText);
        left += kMark + textWidth + kGap;
    }
}

} // namespace

TraceChartModel TraceChart(const AttemptRecord& attempt, GameEnd gameEnd,
                           const std::vector<const AttemptRecord*>& overlaid) {
    TraceChartModel m;
    m.seconds = attempt.budgetMs > 0 ? attempt.budgetMs / 1000.0 : 10.0;
    m.bandDeg = kLevelLimitDeg;
    double largest = 0.0;
    std::vector<const AttemptRecord*> shown{&attempt};
    shown.insert(shown.end(), overlaid.begin(), overlaid.end());
    for (const AttemptRecord* a : shown)
        for (const AttitudeSample& s : a->samples)
            largest = std::max(
                {largest, std::fabs(static_cast<double>(s.roll)), std::fabs(static_cast<double>(s.pitch))});
    for (const double limit : {10.0, 20.0, 30.0, 45.0, 60.0, 90.0, 180.0}) {
        m.limitDeg = limit;
        if (largest <= limit)
            break;
    }
    m.roll = Trace(attempt.samples, &AttitudeSample::roll, m.limitDeg);
    m.pitch = Trace(attempt.samples, &AttitudeSample::pitch, m.limitDeg);
    for (const AttemptRecord* other : overlaid)
        m.overlay.push_back({other->number, Trace(other->samples, &AttitudeSample::roll, m.limitDeg),
                             Trace(other->samples, &AttitudeSample::pitch, m.limitDeg)});
    if (attempt.holdStartMs >= 0 && attempt.holdEndMs > attempt.holdStartMs) {
        m.hold = std::pair{attempt.holdStartMs / 1000.0, attempt.holdEndMs / 1000.0};
        m.enteredText = Aviluma::tr("进入 ±%1° %2 秒")
                            .arg(Decimal(m.bandDeg), Decimal(m.hold->first));
        m.heldText = Aviluma::tr("保持 %1 秒 %2 秒")
                         .arg(Decimal(m.hold->second - m.hold->first), Decimal(m.hold->second));
    }
    m.heading = Aviluma::tr("第 %1 次 · 难度 %2")
                    .arg(attempt.number)
                    .arg(attempt.difficulty);
    m.pointsText = Aviluma::tr("得分 %1").arg(Decimal(attempt.points));
    switch (attempt.end) {
    case AttemptEnd::Level:
        m.timeText = Aviluma::tr("稳定用时 %1 秒")
                         .arg(Decimal(attempt.secondsToLevel));
        break;
    case AttemptEnd::OutOfTime:
        m.timeText = Aviluma::tr("超时");
        break;
    case AttemptEnd::Cut:
        m.timeText = Tr(CutShortText(gameEnd == GameEnd::Closed ? GameEnd::Closed : GameEnd::LinkLost));
        break;
    }
    return m;
}

std::vector<ProgressSeries> AllProgressSeries() {
    std::vector<ProgressSeries> all;
    for (int level = 1; level <= kLevelCount; ++level)
        all.push_back({GameMode::Level, level});
    all.push_back({GameMode::Wild, 0});
    all.push_back({GameMode::Endless, 0});
    return all;
}

QString SeriesTitle(const ProgressSeries& series) {
    switch (series.mode) {
    case GameMode::Level:
        return Aviluma::tr("关卡 %1").arg(series.level);
    case GameMode::Wild:
        return Aviluma::tr("狂野模式");
    case GameMode::Endless:
        return Aviluma::tr("无尽模式");
    }
    return {};
}

bool InProgress(const GameRecord& game, const ProgressSeries& series, const ProgressFilter& filter) {
    if (game.mode != series.mode || (game.mode == GameMode::Level && game.level != series.level))
        return false;
    if (filter.play && game.mode != GameMode::Level && game.playType != filter.play)
        return false;
    return filter.uncounted || !UncountedMark(game);
}

std::optional<ProgressMark> UncountedMark(const GameRecord& game) {
    // A game cut short has no total to compare.
    if (game.end == GameEnd::Closed)
        return ProgressMark::Closed;
    if (game.end == GameEnd::LinkLost)
        return ProgressMark::LinkLost;
    if (game.passed && !*game.passed)
        return ProgressMark::Failed;
    return std::nullopt;
}

QString ProgressMarkText(ProgressMark mark) {
    switch (mark) {
    case ProgressMark::Failed:
        return Aviluma::tr("未过关");
    case ProgressMark::Closed:
        return Tr(CutShortText(GameEnd::Closed));
    case ProgressMark::LinkLost:
        return Tr(CutShortText(GameEnd::LinkLost));
    }
    return {};
}

namespace {

// Ticks a reader takes in at a glance: whole days (or the times of day, for games of one day) at a
// round step, no more than fit side by side under the plot.
void SetTimeAxis(ProgressChartModel& m, std::vector<QDateTime> times) {
    if (times.empty())
        return;
    std::sort(times.begin(), times.end());
    const QTimeZone zone = times.front().timeZone();
    const QDateTime first = times.front().toTimeZone(zone), last = times.back().toTimeZone(zone);
    const QDate day0 = first.date(), day1 = last.date();
    const QDateTime midnight = day0.startOfDay(zone);
    m.timeTicks.clear();
    if (day0 == day1) {
        constexpr int kMaxSteps = 5;
        const int from = first.time().msecsSinceStartOfDay() / 60000;
        const int to = last.time().msecsSinceStartOfDay() / 60000 + (last.time().second() > 0 ? 1 : 0);
        int step = 1;
        for (const int minutes : {1, 2, 5, 10, 15, 30, 60, 120, 180, 240, 360, 720}) {
            step = minutes;
            if ((to - from + minutes - 1) / minutes <= kMaxSteps)
                break;
        }
        int low = from / step * step, high = (to + step - 1) / step * step;
        if (low == high) { // one moment: in the middle
            low -= step;
            high += step;
        }
        for (int minute = low; minute <= high; minute += step) {
            const QDateTime at = midnight.addSecs(minute * 60LL);
            m.timeTicks.emplace_back(static_cast<double>(at.toSecsSinceEpoch()),
                                     at.toString(QStringLiteral("HH:mm")));
        }
        m.timeTitle = Aviluma::tr("时间（%1）")
                          .arg(day0.toString(QStringLiteral("yyyy-MM-dd")));
    } else {
        // With the year the dates are wider: fewer of them.
        const bool years = day0.year() != day1.year();
        const qint64 maxSteps = years ? 4 : 6;
        const qint64 days = day0.daysTo(day1) + 1;
        qint64 step = 1;
        for (const qint64 each : {1, 2, 3, 7, 14, 30, 61, 91, 182, 365, 730, 1826, 3652}) {
            step = each;
            if ((days + each - 1) / each <= maxSteps)
                break;
        }
        const qint64 steps = (days + step - 1) / step;
        for (qint64 i = 0; i <= steps; ++i) {
            const QDate date = day0.addDays(i * step);
            m.timeTicks.emplace_back(
                static_cast<double>(date.startOfDay(zone).toSecsSinceEpoch()),
                date.toString(years ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("MM-dd")));
        }
        m.timeTitle = Aviluma::tr("日期");
    }
    m.timeFrom = m.timeTicks.front().first;
    m.timeTo = std::max(m.timeTicks.back().first, m.timeFrom + 1.0);
}

} // namespace

ProgressChartModel ProgressChart(const std::vector<GameRecord>& games, const ProgressSeries& series,
                                 const ProgressFilter& filter) {
    ProgressChartModel m;
    m.title = SeriesTitle(series);
    m.timeTitle = Aviluma::tr("日期");
    int best = 0, largest = 0;
    std::vector<QDateTime> times;
    for (std::size_t i = 0; i < games.size(); ++i) {
        const GameRecord& game = games[i];
        if (!InProgress(game, series, filter))
            continue;
        const QPointF at(static_cast<double>(game.started.toSecsSinceEpoch()), game.total);
        times.push_back(game.started);
        if (const std::optional<ProgressMark> mark = UncountedMark(game)) {
            m.uncounted.push_back({at, static_cast<int>(i), *mark});
            continue;
        }
        largest = std::max(largest, game.total);
        if (m.best < 0 || game.total > best) {
            m.best = static_cast<int>(m.totals.size());
            best = game.total;
        }
        m.totals << at;
        m.dates.push_back(game.started.toString(QStringLiteral("MM-dd")));
        m.games.push_back(static_cast<int>(i));
    }
    SetTimeAxis(m, times);
    // A round top: 1, 2 or 5 times a power of ten, at least every total; five whole steps up to it.
    for (double step = 1.0; m.totalTicks.empty(); step *= 10.0) {
        for (const double f : {1.0, 2.0, 5.0}) {
            if (f * step * 10.0 >= largest) {
                m.yMax = static_cast<int>(std::min(f * step * 10.0, double(std::numeric_limits<int>::max())));
                for (int tick = 0; tick <= 5; ++tick)
                    m.totalTicks.push_back(m.yMax / 5 * tick);
                break;
            }
        }
    }
    return m;
}

CChartView::CChartView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

void CChartView::SetModel(Model model) {
    m_model = std::move(model);
    // Only games can be chosen: the chart takes the focus while it shows some, starting at the newest.
    const std::vector<std::pair<QPointF, int>> marks = Marks();
    m_nChosen = static_cast<int>(marks.size()) - 1;
    if (marks.empty() && hasFocus())
        focusNextChild();
    setFocusPolicy(marks.empty() ? Qt::NoFocus : Qt::StrongFocus);
    update();
}

std::vector<std::pair<QPointF, int>> CChartView::Marks() const {
    std::vector<std::pair<QPointF, int>> marks;
    const auto* progress = std::get_if<ProgressChartModel>(&m_model);
    if (progress == nullptr || !progress->note.isEmpty())
        return marks;
    const ProgressPlot plot(rect(), *progress);
    for (qsizetype i = 0; i < progress->totals.size(); ++i)
        marks.emplace_back(plot.At(progress->totals[i]), progress->games[static_cast<std::size_t>(i)]);
    for (const ProgressChartModel::Uncounted& game : progress->uncounted)
        marks.emplace_back(plot.InLane(game), game.game);
    std::stable_sort(marks.begin(), marks.end(),
                     [](const auto& a, const auto& b) { return a.first.x() < b.first.x(); });
    return marks;
}

int CChartView::ChosenGame() const {
    const std::vector<std::pair<QPointF, int>> marks = Marks();
    return m_nChosen >= 0 && m_nChosen < static_cast<int>(marks.size())
               ? marks[static_cast<std::size_t>(m_nChosen)].second
               : -1;
}

int CChartView::GameAt(QPointF point) const {
    constexpr double kReach = 9.0; // pixels around a mark that still hit it
    int game = -1;
    double nearest = kReach * kReach;
    for (const auto& [at, index] : Marks()) {
        const QPointF d = at - point;
        if (const double distance = QPointF::dotProduct(d, d); distance <= nearest) {
            nearest = distance;
            game = index;
        }
    }
    return game;
}

void CChartView::mousePressEvent(QMouseEvent* event) {
    const int game = event->button() == Qt::LeftButton ? GameAt(event->position()) : -1;
    if (game < 0) {
        event->ignore(); // on to the window, which is dragged by its background
        return;
    }
    if (m_onPick)
        m_onPick(game);
}

void CChartView::keyPressEvent(QKeyEvent* event) {
    const int marks = static_cast<int>(Marks().size());
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (marks == 0 || !plain) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_nChosen = std::clamp(m_nChosen + (event->key() == Qt::Key_Left ? -1 : 1), 0, marks - 1);
        update();
        return;
    case Qt::Key_Space:
    case Qt::Key_Select:
        if (m_onPick && ChosenGame() >= 0)
            m_onPick(ChosenGame());
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CChartView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CChartView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (const auto* trace = std::get_if<TraceChartModel>(&m_model)) {
        PaintTrace(painter, rect(), *trace);
    } else if (const auto* progress = std::get_if<ProgressChartModel>(&m_model)) {
        PaintProgress(painter, rect(), *progress, hasFocus() ? ChosenGame() : -1);
    } else {
        painter.setFont(MakeCellFont(18));
        DrawText(painter, QRectF(rect()), Qt::AlignCenter | Qt::TextWordWrap, std::get<QString>(m_model),
                 kAxisText);
    }
}
