#include "instruments/HeightMeter.h"

#include "instruments/InstrumentPictures.h"

#include <QPainter>

namespace {
constexpr int kTravelMargin = 45; // the pointer's travel is its picture's height less this
} // namespace

CHeightMeter::CHeightMeter(QWidget* parent)
    : QWidget(parent), m_pImagePointer(LoadSourcePicture(u"pointer2.png")),
      m_pBrushBack(LoadSourceBrush(u"back2.png")), m_pBrushPanel(LoadSourceBrush(u"pannel2.png")) {}

void CHeightMeter::paintEvent(QPaintEvent*) {
    m_rcClient = rect();
    const int w = m_pImagePointer ? m_pImagePointer->width() : 0;
    const int h = m_pImagePointer ? m_pImagePointer->height() : 0;
    m_fScale = static_cast<float>(h - kTravelMargin);
    if (w <= 0 || h <= 0)
        return; // no pointer2.png: nothing at all is drawn

    QImage surface = FixedLayers(w, h, m_pBrushBack.get(), m_pBrushPanel.get());
    QPainter off(&surface);
    off.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const QRect area(0, 0, w, h);

    // Two translations through the centre that cancel but for the offset: a pure vertical shift,
    // upwards for a positive offset. No clamp: a large pitch moves the pointer out of sight.
    const float hx = static_cast<float>(w / 2);
    const float hy = static_cast<float>(h / 2);
    off.translate(hx, hy - m_fOffset);
    off.translate(-hx, -hy);
    off.drawImage(area, *m_pImagePointer);
    off.end();

    QPainter(this).drawImage(0, 0, surface);
}
