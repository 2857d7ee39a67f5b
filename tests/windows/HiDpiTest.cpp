// The program on a screen of twice the usual density: its pictures must be drawn at the screen's own
// pixels, as sharp as their sources drawn directly at that density, not as 1x pictures enlarged.
// A program of its own, since the scale factor must be set before the application object exists.
#include "app/AvilumaDlg.h"
#include "instruments/Attitude.h"
#include "instruments/HeightMeter.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "state/Globals.h"
#include "support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

#include <cmath>

namespace {

// Peak signal-to-noise ratio of a picture against the one it should be, in dB. Pictures drawn afresh
// at the density match their sources pixel for pixel; drawn at 1x and enlarged, they reach 24 to 27.
constexpr double kSharpDb = 35.0;

double Psnr(const QImage& shown, const QImage& expected) {
    const QImage a = shown.convertToFormat(QImage::Format_RGB32);
    const QImage b = expected.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size())
        return 0;
    double squares = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (const int shift : {0, 8, 16}) {
                const int d = static_cast<int>((a.pixel(x, y) >> shift) & 0xff) -
                              static_cast<int>((b.pixel(x, y) >> shift) & 0xff);
                squares += d * d;
            }
    const double mean = squares / (3.0 * a.width() * a.height());
    return mean == 0 ? 100 : 10 * std::log10(255.0 * 255.0 / mean);
}

// The area of window in device pixels at ratio: from the screen itself at its own ratio, otherwise
// drawn into an image of that density, as on a screen of another density.
QImage Shot(QWidget& window, const QRect& area, qreal ratio) {
    if (ratio == window.devicePixelRatioF())
        return window.grab(area).toImage();
    QImage image(area.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    window.render(&image, QPoint(), QRegion(area));
    return image;
}

// A picture of Source/ pixel for pixel (Qt would take a name@2x.png for a picture of half its size).
QImage Source(const QString& name) {
    QImage image = QImage(AppPath(u"/Source/") + name).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1);
    return image;
}

// An instrument at rest drawn directly from its pictures at 2x: the layers one over another.
QImage AtRest(QSize size, std::initializer_list<QImage> layers) {
    QImage expected(size * 2, QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter painter(&expected);
    for (const QImage& layer : layers)
        painter.fillRect(expected.rect(), QBrush(layer)); // the two fixed layers tile, the rest fit
    return expected;
}

QImage AttitudeAtRest(const QImage& plane) {
    return AtRest(CAttitude::kSize,
                  {Source(QStringLiteral("back@2x.png")), Source(QStringLiteral("pannel@2x.png")), plane,
                   Source(QStringLiteral("pointer@2x.png"))});
}

QApplication& ScaledApp() {
    // Qt reads the factor once, as the application starts.
    qputenv("QT_SCALE_FACTOR", "2");
    return OffscreenApp();
}

class HiDpi : public ::testing::Test {
protected:
    QApplication& m_app = ScaledApp();
    CSimulatedMachine m_machine{true};
};

TEST_F(HiDpi, TheMainWindowsBackgroundAndIconsAreDrawnForEachDensityItMeets) {
    CAvilumaDlg main;
    main.ShowModeless();
    ASSERT_EQ(main.devicePixelRatioF(), 2.0);
    const QRect start = main.m_btnLevel->geometry(); // a START button painted in the background
    const QRect connect = main.m_btnConnect->geometry();
    const QSize icon = IconResourceSize(IDI_PORT_CLOSED);
    // The screen's own density, a denser one and back, as when the window moves between screens.
    for (const qreal ratio : {2.0, 3.0, 1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage background =
            RenderSvgPicture(QStringLiteral(":/art/bitmap%1.svg").arg(IDB_MAIN), kFullWindowSize * ratio);
        const auto device = [ratio](const QRect& r) { return QRect(r.topLeft() * ratio, r.size() * ratio); };
        EXPECT_GE(Psnr(Shot(main, start, ratio), background.copy(device(start))), kSharpDb);

        QImage button = background.copy(device(connect));
        QPainter(&button).drawImage(
            QPoint((connect.width() - icon.width()) / 2, (connect.height() - icon.height()) / 2) * ratio,
            RenderSvgPicture(QStringLiteral(":/art/icon%1.svg").arg(IDI_PORT_CLOSED), icon * ratio));
        EXPECT_GE(Psnr(Shot(main, connect, ratio), button), kSharpDb);
    }
    // The window's icon for the desktop, drawn from its source at the size and density asked.
    const QPixmap windowIcon = IconResourceIcon(IDR_MAINFRAME).pixmap(QSize(40, 40), 2.0);
    EXPECT_EQ(windowIcon.size(), QSize(80, 80));
    EXPECT_EQ(windowIcon.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
              RenderSvgPicture(QStringLiteral(":/art/icon%1.svg").arg(IDR_MAINFRAME), QSize(80, 80)));
}

TEST_F(HiDpi, TheInstrumentsAreDrawnFromTheirDenseRendersUnlessAPictureWasReplaced) {
    CAttitude attitude;
    attitude.resize(CAttitude::kSize);
    EXPECT_EQ(attitude.m_nWidth, 325); // the drawing size stays that of plane.png
    const QRect all(QPoint(0, 0), CAttitude::kSize);
    EXPECT_GE(Psnr(Shot(attitude, all, 2.0), AttitudeAtRest(Source(QStringLiteral("plane@2x.png")))),
              kSharpDb);
    CHeightMeter meter;
    meter.resize(CHeightMeter::kSize);
    EXPECT_GE(Psnr(Shot(meter, QRect(QPoint(0, 0), CHeightMeter::kSize), 2.0),
                   AtRest(CHeightMeter::kSize,
                          {Source(QStringLiteral("back2@2x.png")), Source(QStringLiteral("pannel2@2x.png")),
                           Source(QStringLiteral("pointer2@2x.png"))})),
              kSharpDb);
    EXPECT_EQ(meter.m_fScale, 280.0f); // the pointer's travel stays in the window's own pixels

    // A new plane.png beside the build's old renders: the new picture shows, enlarged.
    QImage plane(CAttitude::kSize, QImage::Format_ARGB32_Premultiplied);
    plane.fill(Qt::transparent);
    QPainter(&plane).fillRect(QRect(100, 140, 125, 45), Qt::magenta);
    ASSERT_TRUE(plane.save(AppPath(u"/Source/plane.png")));
    CAttitude replaced;
    replaced.resize(CAttitude::kSize);
    EXPECT_GE(Psnr(Shot(replaced, all, 2.0), AttitudeAtRest(plane.scaled(plane.size() * 2))), kSharpDb);
}

} // namespace
