#include "instruments/Attitude.h"

#include "platform/Translation.h"
#include "res/Resources.h"

#include <QPainter>

namespace {

QString AttitudeName() {
    return Aviluma::tr("姿态仪");
}

} // namespace

CAttitude::CAttitude(QWidget* parent)
    : QWidget(parent), m_pImagePlane(CSourcePicture::Load(u"plane.png")),
      m_pImagePointer(CSourcePicture::Load(u"pointer.png")), m_pBrushBack(CSourcePicture::Load(u"back.png")),
      m_pBrushPanel(CSourcePicture::Load(u"pannel.png")) {
    setAccessibleName(AttitudeName());
    if (m_pImagePlane) {
        m_nWidth = m_pImagePlane->Width();
        m_nHeight = m_pImagePlane->Height();
    }
}

void CAttitude::paintEvent(QPaintEvent*) {
    m_rcClient = rect();
    // What a screen reader reads: the readings drawn.
    const QString reading = Aviluma::tr("横滚 %1° · 航向 %2°")
                                .arg(qRound(m_fRoll))
                                .arg(qRound(m_fHeading));
    if (accessibleDescription() != reading)
        setAccessibleDescription(reading);
    if (accessibleName() != AttitudeName()) // the language may have changed
        setAccessibleName(AttitudeName());
    const int w = m_nWidth;
    const int h = m_nHeight;
    if (w <= 0 || h <= 0)
        return; // no plane.png: the instrument shows nothing of its own

    // Everything is drawn off screen at the picture's size and reaches the window in one copy, so no
    // half-drawn layer is ever seen and nothing outside w x h is touched. The surface has the window's
    // device pixels, and the pictures are the renders for its density: sharp on any screen.
    QPainter window(this);
    const qreal ratio = PaintRatio(window);
    QImage surface = FixedLayers(w, h, ratio, m_pBrushBack.get(), m_pBrushPanel.get());
    QPainter off(&surface);
    off.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const QRect area(0, 0, w, h);

    // Rotations about the centre, each new step applied to points before the ones already set.
    const float cx = static_cast<float>(w / 2);
    const float cy = static_cast<float>(h / 2);
    off.translate(cx, cy);
    off.rotate(m_fRoll);
    off.translate(-cx, -cy);
    off.drawImage(area, m_pImagePlane->ForRatio(ratio));

    // On top of the roll: turning by heading - roll leaves the pointer at the heading itself.
    off.translate(cx, cy);
    off.rotate(m_fHeading - m_fRoll);
    off.translate(-cx, -cy);
    if (m_pImagePointer)
        off.drawImage(area, m_pImagePointer->ForRatio(ratio));
    off.end();

    window.setClipRect(area);
    window.drawImage(0, 0, surface);
}
