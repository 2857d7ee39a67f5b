#include "instruments/HeightMeter.h"

#include "platform/Translation.h"
#include "res/Resources.h"

#include <QPainter>

namespace {
constexpr int kTravelMargin = 45; // the pointer's travel is its picture's height less this

QString HeightMeterName() {
    return Aviluma::tr("高度表");
}
} // namespace

CHeightMeter::CHeightMeter(QWidget* parent)
    : QWidget(parent), m_pImagePointer(CSourcePicture::Load(u"pointer2.png")),
      m_pBrushBack(CSourcePicture::Load(u"back2.png")), m_pBrushPanel(CSourcePicture::Load(u"pannel2.png")) {
    setAccessibleName(HeightMeterName());
}

void CHeightMeter::paintEvent(QPaintEvent*) {
    m_rcClient = rect();
    const int w = m_pImagePointer ? m_pImagePointer->Width() : 0;
    const int h = m_pImagePointer ? m_pImagePointer->Height() : 0;
    m_fScale = static_cast<float>(h - kTravelMargin);
    // What a screen reader reads: the pitch the pointer shows.
    const QString reading = Aviluma::tr("俯仰 %1°")
                                .arg(m_fScale > 0 ? qRound(m_fOffset * 360.0f / (3.0f * m_fScale)) : 0);
    if (accessibleDescription() != reading)
        setAccessibleDescription(reading);
    if (accessibleName() != HeightMeterName()) // the language may have changed
        setAccessibleName(HeightMeterName());
    if (w <= 0 || h <= 0)
        return; // no pointer2.png: nothing at all is drawn

    // Drawn at the window's device pixels from the renders for its density, as the attitude indicator.
    QPainter window(this);
    const qreal ratio = PaintRatio(window);
    QImage surface = FixedLayers(w, h, ratio, m_pBrushBack.get(), m_pBrushPanel.get());
    QPainter off(&surface);
    off.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const QRect area(0, 0, w, h);

    // Two translations through the centre that cancel but for the offset: a pure vertical shift,
    // upwards for a positive offset. No clamp: a large pitch moves the pointer out of sight.
    const float hx = static_cast<float>(w / 2);
    const float hy = static_cast<float>(h / 2);
    off.translate(hx, hy - m_fOffset);
    off.translate(-hx, -hy);
    off.drawImage(area, m_pImagePointer->ForRatio(ratio));
    off.end();

    window.setClipRect(area);
    window.drawImage(0, 0, surface);
}
