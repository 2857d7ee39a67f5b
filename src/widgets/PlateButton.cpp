#include "widgets/PlateButton.h"

#include "widgets/Fonts.h"

#include <QKeyEvent>
#include <QLinearGradient>

CPlateButton::CPlateButton(QWidget* parent, const QString& caption) : CButtonST(parent) {
    setText(caption);
    setFont(MakeCellFont(16, false, kUiFaceName));
}

void CPlateButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0);
    const bool pressed = isDown();
    QColor top(0x1f, 0x5a, 0xa6), bottom(0x12, 0x3f, 0x7e), edge(0x5f, 0xa8, 0xff), ink(Qt::white);
    if (isChecked()) {
        top = QColor(0xff, 0xb7, 0x4d);
        bottom = QColor(0xf5, 0x7c, 0x00);
        edge = QColor(0xff, 0xe0, 0xb2);
    } else if (pressed) {
        std::swap(top, bottom);
    } else if (IsHover() && isEnabled()) {
        top = top.lighter(125);
        bottom = bottom.lighter(125);
    }
    if (!isEnabled()) {
        top.setAlpha(110);
        bottom.setAlpha(110);
        edge.setAlpha(70);
        ink = QColor(0x8f, 0xa8, 0xcc);
    }
    QLinearGradient face(plate.topLeft(), plate.bottomLeft());
    face.setColorAt(0.0, top);
    face.setColorAt(1.0, bottom);
    painter.setBrush(face);
    painter.setPen(QPen(edge, 1.0));
    painter.drawRoundedRect(plate, 7.0, 7.0);
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(rect().translated(pressed ? 1 : 0, pressed ? 1 : 0), Qt::AlignCenter, text());
    if (ShowsFocusRing())
        DrawFocusRing(painter);
}

void CPlateButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        event->ignore(); // the window's: it steps through what it shows
        return;
    default:
        CButtonST::keyPressEvent(event);
    }
}
