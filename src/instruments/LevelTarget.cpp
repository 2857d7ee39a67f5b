#include "instruments/LevelTarget.h"

#include "platform/Translation.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kInset = 32.0; // room for the scale's numbers around the square
constexpr qreal kDotRadius = 9.0;
constexpr qreal kMovedPixels = 0.5; // smaller moves of the dot are not drawn

const QColor kWell(0x03, 0x0f, 0x28);
const QColor kGrid(0x5f, 0xa8, 0xff, 50);
const QColor kAxis(0x5f, 0xa8, 0xff, 140);
const QColor kScale(0xb3, 0xd4, 0xff);
const QColor kBox(0x66, 0xbb, 0x6a);
const QColor kDotOut(0xff, 0x98, 0x00);
const QColor kDotIn(0x9c, 0xff, 0x57);

QString TargetName() {
    return Aviluma::tr("圆点与方框");
}

} // namespace

CLevelTarget::CLevelTarget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    Describe();
}

void CLevelTarget::SetLimit(float degrees) {
    if (degrees == m_fLimit)
        return;
    m_fLimit = degrees;
    Describe();
    update();
}

void CLevelTarget::SetAttitude(float roll, float pitch) {
    const QPointF before = DotCentre();
    const bool inBefore = DotInBox();
    m_fRoll = std::isnan(roll) ? 0.0f : roll;
    m_fPitch = std::isnan(pitch) ? 0.0f : pitch;
    const QPointF moved = DotCentre() - before;
    if (std::fabs(moved.x()) < kMovedPixels && std::fabs(moved.y()) < kMovedPixels && inBefore == DotInBox())
        return;
    Describe();
    update();
}

void CLevelTarget::SetHold(float fraction) {
    fraction = std::clamp(fraction, 0.0f, 1.0f);
    if (fraction == m_fHold)
        return;
    m_fHold = fraction;
    update();
}

void CLevelTarget::SetLive(bool live) {
    if (live == m_bLive)
        return;
    m_bLive = live;
    Describe();
    update();
}

QRectF CLevelTarget::Square() const {
    const qreal side = std::min(width(), height()) - 2 * kInset;
    return QRectF((width() - side) / 2, (height() - side) / 2, side, side);
}

QPointF CLevelTarget::At(float roll, float pitch) const {
    const QRectF square = Square();
    const qreal perDegree = square.width() / (2 * kRangeDeg);
    return square.center() + QPointF(roll * perDegree, -pitch * perDegree);
}

QPointF CLevelTarget::DotCentre() const {
    const float roll = std::clamp(m_fRoll, -kRangeDeg, kRangeDeg);
    const float pitch = std::clamp(m_fPitch, -kRangeDeg, kRangeDeg);
    return At(roll, pitch);
}

bool CLevelTarget::DotInBox() const {
    // As the game judges it: both within the limit, the bounds included.
    return m_bLive && std::fabs(m_fRoll) <= m_fLimit && std::fabs(m_fPitch) <= m_fLimit;
}

void CLevelTarget::Describe() {
    if (accessibleName() != TargetName()) // the language may have changed
        setAccessibleName(TargetName());
    const QString reading =
        !m_bLive
            ? Aviluma::tr("没有姿态数据")
            : (DotInBox() ? Aviluma::tr("在方框内：横滚 %1°，俯仰 %2°")
                          : Aviluma::tr("在方框外：横滚 %1°，俯仰 %2°"))
                  .arg(static_cast<int>(m_fRoll))
                  .arg(static_cast<int>(m_fPitch));
    if (accessibleDescription() != reading)
        setAccessibleDescription(reading);
}

void CLevelTarget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square = Square();
    const qreal perDegree = square.width() / (2 * kRangeDeg);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kWell);
    painter.drawRoundedRect(square.adjusted(-4, -4, 4, 4), 6, 6);

    // The grid, the axes through level, and the scale's numbers every ten degrees.
    QFont numbers = font();
    numbers.setPixelSize(12);
    painter.setFont(numbers);
    const int steps = static_cast<int>(kRangeDeg / kGridStepDeg);
    for (int k = -steps; k <= steps; ++k) {
        const qreal offset = k * kGridStepDeg * perDegree;
        painter.setPen(QPen(k == 0 ? kAxis : kGrid, k == 0 ? 1.5 : 1.0));
        painter.drawLine(QPointF(square.left(), square.center().y() - offset),
                         QPointF(square.right(), square.center().y() - offset));
        painter.drawLine(QPointF(square.center().x() + offset, square.top()),
                         QPointF(square.center().x() + offset, square.bottom()));
        const int degrees = static_cast<int>(k * kGridStepDeg);
        if (k == 0 || degrees % 10 != 0)
            continue;
        painter.setPen(kScale);
        const QString label = QString::asprintf("%+d°", degrees);
        painter.drawText(QRectF(square.center().x() + offset - 20, square.bottom() + 4, 40, kInset - 6),
                         Qt::AlignHCenter | Qt::AlignTop, label);
        if (k != -steps) // the corner's is the scale's below
            painter.drawText(QRectF(square.left() - kInset - 2, square.center().y() - offset - 8, kInset, 16),
                             Qt::AlignRight | Qt::AlignVCenter, label);
    }

    // The box of level flight, filling from its foot as the hold goes on.
    const bool in = DotInBox();
    const QRectF box(At(-m_fLimit, m_fLimit), At(m_fLimit, -m_fLimit));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(kBox.red(), kBox.green(), kBox.blue(), in ? 70 : 35));
    painter.drawRect(box);
    if (m_fHold > 0.0f) {
        const qreal filled = box.height() * static_cast<qreal>(m_fHold);
        painter.setBrush(QColor(kBox.red(), kBox.green(), kBox.blue(), 170));
        painter.drawRect(QRectF(box.left(), box.bottom() - filled, box.width(), filled));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(in ? kDotIn : kBox, in ? 3.0 : 2.0));
    painter.drawRect(box);

    if (!m_bLive)
        return;
    // The dot; on the square's edge, hollow, when the drone leans further than the square shows.
    const bool beyond = std::fabs(m_fRoll) > kRangeDeg || std::fabs(m_fPitch) > kRangeDeg;
    const QColor dot = in ? kDotIn : kDotOut;
    painter.setPen(QPen(beyond ? dot : Qt::white, beyond ? 3.0 : 2.0));
    painter.setBrush(beyond ? Qt::NoBrush : QBrush(dot));
    painter.drawEllipse(DotCentre(), kDotRadius, kDotRadius);
}
