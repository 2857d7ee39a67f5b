#include "widgets/LockMark.h"

#include "platform/Translation.h"
#include "widgets/Fonts.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kTextBand = 22; // below a card's key, for its line

// A padlock filling box: a gold body with a keyhole under a grey shackle.
void DrawPadlock(QPainter& painter, const QRectF& box) {
    const qreal w = box.width();
    const QRectF body(box.left() + w * 0.12, box.top() + box.height() * 0.45, w * 0.76, box.height() * 0.55);
    const QRectF shackle(box.left() + w * 0.27, box.top() + box.height() * 0.08, w * 0.46,
                         box.height() * 0.7);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xe0, 0xe6, 0xf0), w * 0.11, Qt::SolidLine, Qt::RoundCap));
    QPainterPath arc;
    arc.moveTo(shackle.left(), body.top());
    arc.lineTo(shackle.left(), shackle.center().y());
    arc.arcTo(QRectF(shackle.left(), shackle.top(), shackle.width(), shackle.width()), 180, -180);
    arc.lineTo(shackle.right(), body.top());
    painter.drawPath(arc);
    painter.setPen(QPen(QColor(0x8a, 0x5a, 0x00), w * 0.04));
    painter.setBrush(QColor(0xff, 0xc1, 0x07));
    painter.drawRoundedRect(body, w * 0.1, w * 0.1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x5d, 0x40, 0x00));
    const QPointF hole(body.center().x(), body.top() + body.height() * 0.42);
    painter.drawEllipse(hole, w * 0.08, w * 0.08);
    painter.drawRect(QRectF(hole.x() - w * 0.035, hole.y(), w * 0.07, body.height() * 0.32));
}

} // namespace

CLockMark::CLockMark(QWidget* parent, const QRect& over, Style style, const QString& text)
    : QWidget(parent), m_style(style), m_strText(Tr(text)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QRect area = over;
    if (style == Style::Card) // the line may be wider than the key
        area = over.adjusted(-over.width() / 2, 0, over.width() / 2, kTextBand);
    setGeometry(area);
    m_over = over.translated(-area.topLeft());
    setToolTip(m_strText);
    show();
}

bool CLockMark::TextFits() const {
    // A corner's padlock shows its text only as the tooltip.
    return m_style == Style::Corner ||
           QFontMetrics(MakeCellFont(kTextBand - 4)).horizontalAdvance(m_strText) <= width();
}

void CLockMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_style == Style::Corner) {
        const qreal side = m_over.height() * 0.5;
        DrawPadlock(painter, QRectF(m_over.right() - side, m_over.bottom() - side, side, side));
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(4, 20, 51, 170));
    painter.drawRoundedRect(QRectF(m_over).adjusted(2, 2, -2, -2), 10, 10);
    const qreal side = m_over.height() * 0.8;
    DrawPadlock(painter, QRectF(m_over.center().x() - side / 2, m_over.center().y() - side / 2, side, side));
    if (m_strText.isEmpty())
        return;
    painter.setFont(MakeCellFont(kTextBand - 4));
    painter.setPen(QColor(0xff, 0xd5, 0x4f));
    painter.drawText(QRect(0, m_over.bottom() + 2, width(), kTextBand - 2), Qt::AlignCenter, m_strText);
}
