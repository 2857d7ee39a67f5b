#include "instruments/Attitude.h"
#include "instruments/HeightMeter.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <cmath>

namespace {

// Pictures made for the test: a dark background, a see-through panel, and marks whose place after a
// turn or a shift tells how the instrument drew them.
class Instruments : public ::testing::Test {
protected:
    void SetUp() override {
        OffscreenApp();
        Save("back.png", Solid(10, 10, QColor(30, 30, 30)));
        Save("pannel.png", Solid(325, 325, Qt::transparent));
        Save("plane.png", Mark(325, 325, QRect(252, 152, 21, 21), Qt::red));   // right of the centre
        Save("pointer.png", Mark(325, 325, QRect(152, 52, 21, 21), Qt::blue)); // above the centre
        Save("back2.png", Solid(101, 325, QColor(30, 30, 30)));
        Save("pannel2.png", Solid(101, 325, Qt::transparent));
        Save("pointer2.png", Mark(101, 325, QRect(0, 160, 101, 5), Qt::green)); // the rest mark
    }
    static QImage Solid(int w, int h, QColor colour) {
        QImage image(w, h, QImage::Format_ARGB32);
        image.fill(colour);
        return image;
    }
    static QImage Mark(int w, int h, QRect mark, QColor colour) {
        QImage image = Solid(w, h, Qt::transparent);
        QPainter(&image).fillRect(mark, colour);
        return image;
    }
    void Save(const char* name, const QImage& image) {
        ASSERT_TRUE(image.save(m_folder.FilePath(QStringLiteral("Source/") + QLatin1String(name))));
    }
    // The centre of the pixels of one colour, or (-1, -1).
    static QPointF Centre(const QImage& image, QRgb colour) {
        double sx = 0, sy = 0;
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                        std::abs(qBlue(p) - qBlue(colour)) <
                    60) {
                    sx += x;
                    sy += y;
                    ++n;
                }
            }
        return n ? QPointF(sx / n, sy / n) : QPointF(-1, -1);
    }
    CProgramFolder m_folder{{QStringLiteral("Source")}};
};

TEST_F(Instruments, TheAircraftTurnsWithRollAndThePointerShowsTheHeadingItself) {
    CAttitude attitude;
    attitude.resize(325, 325);
    EXPECT_EQ(attitude.m_nWidth, 325);
    QImage shot = attitude.grab().toImage();
    EXPECT_NEAR(Centre(shot, qRgb(255, 0, 0)).x(), 262, 1);
    EXPECT_NEAR(Centre(shot, qRgb(255, 0, 0)).y(), 162, 1);
    EXPECT_EQ(QColor(shot.pixel(5, 5)), QColor(30, 30, 30)); // the background, tiled

    attitude.m_fRoll = 90.0f; // a quarter turn clockwise about (162, 162): right goes to bottom
    shot = attitude.grab().toImage();
    EXPECT_NEAR(Centre(shot, qRgb(255, 0, 0)).x(), 162, 1.5);
    EXPECT_NEAR(Centre(shot, qRgb(255, 0, 0)).y(), 262, 1.5);
    EXPECT_NEAR(Centre(shot, qRgb(0, 0, 255)).x(), 162, 1.5); // heading 0 whatever the roll
    EXPECT_NEAR(Centre(shot, qRgb(0, 0, 255)).y(), 62, 1.5);

    attitude.m_fRoll = 20.0f;
    attitude.m_fHeading = 30.0f; // the pointer at 30, not 50
    shot = attitude.grab().toImage();
    const double a = 30.0 * M_PI / 180.0;
    EXPECT_NEAR(Centre(shot, qRgb(0, 0, 255)).x(), 162 + 100 * std::sin(a), 1.5);
    EXPECT_NEAR(Centre(shot, qRgb(0, 0, 255)).y(), 162 - 100 * std::cos(a), 1.5);
    EXPECT_EQ(attitude.m_rcClient, QRect(0, 0, 325, 325));
}

TEST_F(Instruments, ThePitchPointerMovesSeventyPixelsForThirtyDegrees) {
    CHeightMeter meter;
    meter.resize(101, 325);
    QImage shot = meter.grab().toImage();
    EXPECT_EQ(meter.m_fScale, 280.0f);
    EXPECT_NEAR(Centre(shot, qRgb(0, 255, 0)).y(), 162, 0.5);

    EXPECT_EQ(CHeightMeter::OffsetForPitch(30.0f, meter.m_fScale), 70.0f);
    meter.m_fOffset = CHeightMeter::OffsetForPitch(30.0f, meter.m_fScale);
    shot = meter.grab().toImage();
    EXPECT_NEAR(Centre(shot, qRgb(0, 255, 0)).y(), 92, 0.5);
    EXPECT_NEAR(Centre(shot, qRgb(0, 255, 0)).x(), 50, 0.5); // no sideways shift with an odd width

    meter.m_fOffset = CHeightMeter::OffsetForPitch(-30.0f, meter.m_fScale);
    shot = meter.grab().toImage();
    EXPECT_NEAR(Centre(shot, qRgb(0, 255, 0)).y(), 232, 0.5);

    meter.m_fOffset = CHeightMeter::OffsetForPitch(100.0f, meter.m_fScale); // no clamp: out of sight
    shot = meter.grab().toImage();
    EXPECT_EQ(Centre(shot, qRgb(0, 255, 0)), QPointF(-1, -1));
}

TEST_F(Instruments, MissingPicturesLeaveTheirLayersOut) {
    // Without plane.png or pointer2.png the instruments draw nothing at all: their parent shows.
    QFile::remove(m_folder.FilePath(QStringLiteral("Source/plane.png")));
    QFile::remove(m_folder.FilePath(QStringLiteral("Source/pointer2.png")));
    QWidget parent;
    parent.resize(500, 400);
    parent.setStyleSheet(QStringLiteral("background: rgb(200, 0, 200)"));
    parent.setAutoFillBackground(true);
    CAttitude attitude(&parent);
    CHeightMeter meter(&parent);
    attitude.setGeometry(0, 0, 325, 325);
    meter.setGeometry(330, 0, 101, 325);
    const QImage shot = parent.grab().toImage();
    EXPECT_EQ(attitude.m_nWidth, 0);
    EXPECT_EQ(QColor(shot.pixel(160, 160)), QColor(200, 0, 200));
    EXPECT_EQ(QColor(shot.pixel(380, 160)), QColor(200, 0, 200));
    EXPECT_EQ(meter.m_fScale, -45.0f);

    // A missing pointer.png leaves just the pointer out.
    QFile::remove(m_folder.FilePath(QStringLiteral("Source/pointer.png")));
    Save("plane.png", Mark(325, 325, QRect(252, 152, 21, 21), Qt::red));
    CAttitude noPointer;
    noPointer.resize(325, 325);
    const QImage drawn = noPointer.grab().toImage();
    EXPECT_NEAR(Centre(drawn, qRgb(255, 0, 0)).x(), 262, 1);
    EXPECT_EQ(Centre(drawn, qRgb(0, 0, 255)), QPointF(-1, -1));
}

TEST_F(Instruments, InvalidateRepaintsThePaintedInstrument) {
    CAttitude attitude;
    attitude.resize(CAttitude::kSize);
    struct CPaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            return (paints += event->type() == QEvent::Paint), false;
        }
    } counter;
    attitude.installEventFilter(&counter);
    attitude.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&attitude));
    QApplication::processEvents();
    const int shown = counter.paints;
    EXPECT_GE(shown, 1);
    EXPECT_EQ(attitude.m_rcClient, QRect(QPoint(), CAttitude::kSize));
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, shown); // nothing pending
    attitude.Invalidate();
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, shown + 1);
}

} // namespace
