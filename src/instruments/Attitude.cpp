#include "instruments/Attitude.h"

#include "instruments/InstrumentPictures.h"

#include <QPainter>

CAttitude::CAttitude(QWidget* parent)
    : QWidget(parent), m_pImagePlane(LoadSourcePicture(u"plane.png")),
      m_pImagePointer(LoadSourcePicture(u"pointer.png")), m_pBrushBack(LoadSourceBrush(u"back.png")),
      m_pBrushPanel(LoadSourceBrush(u"pannel.png")) {
    if (m_pImagePlane) {
        m_nWidth = m_pImagePlane->width();
        m_nHeight = m_pImagePlane->height();
    }
}

void CAttitude::paintEvent(QPaintEvent*) {
    m_rcClient = rect();
    const int w = m_nWidth;
    const int h = m_nHeight;
    if (w <= 0 || h <= 0)
        return; // no plane.png: the instrument shows nothing of its own

    // Everything is drawn off screen at the picture's size and reaches the window in one copy, so no
    // half-drawn layer is ever seen and nothing outside w x h is touched.
    QImage surface = FixedLayers(w, h, m_pBrushBack.get(), m_pBrushPanel.get());
    QPainter off(&surface);
    off.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const QRect area(0, 0, w, h);

    // Rotations about the centre, each new step applied to points before the ones already set.
    const float cx = static_cast<float>(w / 2);
    const float cy = static_cast<float>(h / 2);
    off.translate(cx, cy);
    off.rotate(m_fRoll);
    off.translate(-cx, -cy);
    off.drawImage(area, *m_pImagePlane);

    // On top of the roll: turning by heading - roll leaves the pointer at the heading itself.
    off.translate(cx, cy);
    off.rotate(m_fHeading - m_fRoll);
    off.translate(-cx, -cy);
    if (m_pImagePointer)
        off.drawImage(area, *m_pImagePointer);
    off.end();

    QPainter(this).drawImage(0, 0, surface);
}
