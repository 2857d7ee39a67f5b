#include "windows/DebriefCharts.h"

#include "game/Scoring.h"
#include "widgets/Fonts.h"

#include <QPainter>
#include <QPainterPath>

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

QString Decimal(double value) {
    return QString::number(value, 'f', 1).replace(QStringLiteral(".0"), QString());
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

void PaintTrace(QPainter& painter, const QRect& view, const TraceChartModel& m) {
    const QRectF plot = PlotArea(view);
    auto x = [&](double s) { return plot.left() + s / m.seconds * plot.width(); };
    auto y = [&](double deg) { return plot.center().y() - deg / m.limitDeg * plot.height() / 2.0; };

    // The band of level, and the second of the hold.
    painter.fillRect(QRectF(QPointF(plot.left(), y(m.bandDeg)), QPointF(plot.right(), y(-m.bandDeg))),
                     kBandColour);
    if (m.hold) {
        const QRectF hold(QPointF(x(m.hold->first), plot.top()), QPointF(x(m.hold->second), plot.bottom()));
        QColor fill = kHoldColour;
        fill.setAlpha(45);
        painter.fillRect(hold, fill);
        painter.setPen(QPen(kHoldColour, 1.5, Qt::DashLine));
        painter.drawLine(hold.topLeft(), hold.bottomLeft());
        painter.drawLine(hold.topRight(), hold.bottomRight());
        DrawText(painter, QRectF(hold.left() - 40, plot.top() + 2, hold.width() + 80, 18), Qt::AlignCenter,
                 QStringLiteral("保持水平"), kHoldColour);
    }

    // The grid: a line every second, five angles.
    painter.setFont(MakeCellFont(13));
    for (int s = 0; s <= static_cast<int>(m.seconds); ++s) {
        painter.setPen(QPen(kGridColour, 1.0));
        painter.drawLine(QPointF(x(s), plot.top()), QPointF(x(s), plot.bottom()));
        DrawText(painter, QRectF(x(s) - 20, plot.bottom() + 4, 40, 16), Qt::AlignCenter, QString::number(s),
                 kAxisText);
    }
    DrawText(painter, QRectF(plot.right() - 60, plot.bottom() + 4, 80, 16), Qt::AlignRight,
             QStringLiteral("秒"), kAxisText);
    for (const double deg : {-m.limitDeg, -m.limitDeg / 2, 0.0, m.limitDeg / 2, m.limitDeg}) {
        painter.setPen(QPen(deg == 0.0 ? kAxisText : kGridColour, 1.0));
        painter.drawLine(QPointF(plot.left(), y(deg)), QPointF(plot.right(), y(deg)));
        DrawText(painter, QRectF(view.left(), y(deg) - 8, 44, 16), Qt::AlignRight | Qt::AlignVCenter,
                 Decimal(deg) + QStringLiteral("°"), kAxisText);
    }

    // The two angles, as the game sampled them.
    painter.setClipRect(plot.adjusted(-2, -2, 2, 2));
    for (const auto& [series, colour] :
         {std::pair{&m.pitch, kPitchColour}, std::pair{&m.roll, kRollColour}}) {
        QPainterPath path;
        for (qsizetype i = 0; i < series->size(); ++i) {
            const QPointF p(x((*series)[i].x()), y((*series)[i].y()));
            i == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.setClipping(false);

    painter.setFont(MakeCellFont(16));
    DrawText(painter, QRectF(plot.left(), view.top() + 6, 200, 22), Qt::AlignLeft | Qt::AlignVCenter,
             m.heading, Qt::white);
    painter.setFont(MakeCellFont(13));
    DrawLegend(painter, QPointF(plot.right() - 200, view.top() + 17), kRollColour, QStringLiteral("横滚"));
    DrawLegend(painter, QPointF(plot.right() - 110, view.top() + 17), kPitchColour, QStringLiteral("俯仰"));
}

void PaintProgress(QPainter& painter, const QRect& view, const ProgressChartModel& m) {
    const QRectF plot = PlotArea(view).adjusted(10, 0, -10, 0);
    const double first = m.totals.isEmpty() ? 0.0 : m.totals.front().x();
    const double span = m.totals.size() < 2 ? 1.0 : m.totals.back().x() - first;
    auto x = [&](double t) {
        return m.totals.size() < 2 ? plot.center().x() : plot.left() + (t - first) / span * plot.width();
    };
    auto y = [&](double total) { return plot.bottom() - total / m.yMax * plot.height(); };

    painter.setFont(MakeCellFont(13));
    for (int i = 0; i <= 4; ++i) {
        const double total = m.yMax * i / 4.0;
        painter.setPen(QPen(i == 0 ? kAxisText : kGridColour, 1.0));
        painter.drawLine(QPointF(plot.left() - 10, y(total)), QPointF(plot.right() + 10, y(total)));
        DrawText(painter, QRectF(view.left(), y(total) - 8, 44, 16), Qt::AlignRight | Qt::AlignVCenter,
                 Decimal(total), kAxisText);
    }
    if (!m.totals.isEmpty()) {
        DrawText(painter, QRectF(x(m.totals.front().x()) - 40, plot.bottom() + 6, 80, 16), Qt::AlignCenter,
                 m.dates.front(), kAxisText);
        if (m.totals.size() > 1)
            DrawText(painter, QRectF(x(m.totals.back().x()) - 40, plot.bottom() + 6, 80, 16), Qt::AlignCenter,
                     m.dates.back(), kAxisText);
    }
    QPainterPath path;
    for (qsizetype i = 0; i < m.totals.size(); ++i) {
        const QPointF p(x(m.totals[i].x()), y(m.totals[i].y()));
        i == 0 ? path.moveTo(p) : path.lineTo(p);
    }
    painter.setPen(QPen(kPitchColour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setBrush(kPitchColour);
    for (const QPointF& total : m.totals)
        painter.drawEllipse(QPointF(x(total.x()), y(total.y())), 3.5, 3.5);
    if (m.best >= 0) {
        const QPointF best(x(m.totals[m.best].x()), y(m.totals[m.best].y()));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kBestColour, 2.5));
        painter.drawEllipse(best, 8.0, 8.0);
        DrawText(painter, QRectF(best.x() - 60, best.y() - 30, 120, 18), Qt::AlignCenter,
                 QStringLiteral("最佳 %1").arg(m.totals[m.best].y()), kBestColour);
    }
    painter.setFont(MakeCellFont(16));
    DrawText(painter, QRectF(plot.left(), view.top() + 6, 300, 22), Qt::AlignLeft | Qt::AlignVCenter,
             m.title + QStringLiteral(" · 每局总分"), Qt::white);
}

} // namespace

TraceChartModel TraceChart(const AttemptRecord& attempt) {
    TraceChartModel m;
    m.seconds = attempt.budgetMs > 0 ? attempt.budgetMs / 1000.0 : 10.0;
    m.bandDeg = kLevelLimitDeg;
    double largest = 0.0;
    for (const AttitudeSample& s : attempt.samples)
        largest = std::max(
            {largest, std::fabs(static_cast<double>(s.roll)), std::fabs(static_cast<double>(s.pitch))});
    for (const double limit : {10.0, 20.0, 30.0, 45.0, 60.0, 90.0, 180.0}) {
        m.limitDeg = limit;
        if (largest <= limit)
            break;
    }
    for (const AttitudeSample& s : attempt.samples) {
        m.roll << QPointF(s.timeMs / 1000.0, Clamp(s.roll, m.limitDeg));
        m.pitch << QPointF(s.timeMs / 1000.0, Clamp(s.pitch, m.limitDeg));
    }
    if (attempt.holdStartMs >= 0 && attempt.holdEndMs > attempt.holdStartMs)
        m.hold = std::pair{attempt.holdStartMs / 1000.0, attempt.holdEndMs / 1000.0};
    m.heading = QStringLiteral("第 %1 次 · 难度 %2").arg(attempt.number).arg(attempt.difficulty);
    m.pointsText = QStringLiteral("得分 %1").arg(Decimal(attempt.points));
    switch (attempt.end) {
    case AttemptEnd::Level:
        m.timeText = QStringLiteral("稳定用时 %1 秒").arg(Decimal(attempt.secondsToLevel));
        break;
    case AttemptEnd::OutOfTime:
        m.timeText = QStringLiteral("超时");
        break;
    case AttemptEnd::Cut:
        m.timeText = QStringLiteral("中断");
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
        return QStringLiteral("关卡 %1").arg(series.level);
    case GameMode::Wild:
        return QStringLiteral("狂野模式");
    case GameMode::Endless:
        return QStringLiteral("无尽模式");
    }
    return {};
}

ProgressChartModel ProgressChart(const std::vector<GameRecord>& games, const ProgressSeries& series) {
    ProgressChartModel m;
    m.title = SeriesTitle(series);
    int best = 0;
    for (const GameRecord& game : games) {
        const bool inSeries =
            game.mode == series.mode && (game.mode != GameMode::Level || game.level == series.level);
        if (!inSeries || game.end != GameEnd::Finished)
            continue; // a game cut short has no total to compare
        if (m.best < 0 || game.total > best) {
            m.best = static_cast<int>(m.totals.size());
            best = game.total;
        }
        m.totals << QPointF(static_cast<double>(game.started.toSecsSinceEpoch()), game.total);
        m.dates.push_back(game.started.toString(QStringLiteral("MM-dd")));
    }
    // A round top: 1, 2 or 5 times a power of ten, at least the best total.
    for (double step = 1.0;; step *= 10.0) {
        for (const double f : {1.0, 2.0, 5.0}) {
            if (f * step * 10.0 >= best) {
                m.yMax = static_cast<int>(std::min(f * step * 10.0, double(std::numeric_limits<int>::max())));
                return m;
            }
        }
    }
}

CChartView::CChartView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

void CChartView::SetModel(Model model) {
    m_model = std::move(model);
    update();
}

void CChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (const auto* trace = std::get_if<TraceChartModel>(&m_model)) {
        PaintTrace(painter, rect(), *trace);
    } else if (const auto* progress = std::get_if<ProgressChartModel>(&m_model)) {
        PaintProgress(painter, rect(), *progress);
    } else {
        painter.setFont(MakeCellFont(18));
        DrawText(painter, QRectF(rect()), Qt::AlignCenter | Qt::TextWordWrap, std::get<QString>(m_model),
                 kAxisText);
    }
}
