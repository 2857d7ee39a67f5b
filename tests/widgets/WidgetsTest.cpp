#include "res/PictureCache.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "support/TestSupport.h"
#include "widgets/Announcer.h"
#include "widgets/ButtonST.h"
#include "widgets/ColorStatic.h"
#include "widgets/Fonts.h"
#include "widgets/SystemColours.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A window whose picture is a fine checker, so any pixel a widget paints over it shows.
class CPictureWindow : public QWidget {
public:
    CPictureWindow() {
        resize(200, 120);
        m_picture = QImage(size(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                m_picture.setPixel(x, y, ((x / 3 + y / 3) % 2) ? qRgb(20, 60, 140) : qRgb(40, 90, 180));
    }
    QImage Grab(const QRect& area) {
        QApplication::processEvents();
        return grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QImage Picture(const QRect& area) const { return m_picture.copy(area); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_picture); }

private:
    QImage m_picture;
};

// The bounding box of the pixels that differ from the window's picture.
QRect InkBox(const QImage& shot, const QImage& picture) {
    QRect box;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != picture.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

IconHandle SolidIcon(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return std::make_shared<const QImage>(image);
}

class Widgets : public ::testing::Test {
protected:
    void SetUp() override {
        InstallFontSubstitutions();
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }
    QApplication& m_app = OffscreenApp(); // before any widget
    CPictureWindow m_window;
};

TEST_F(Widgets, LabelsRedrawOnlyOnChangeAndLeaveNoTraceOfLongerTexts) {
    CColorStatic label(&m_window, QStringLiteral("Static"));
    const QRect area(10, 10, 180, 40);
    label.setGeometry(area);
    label.SetOwnFont(MakeCellFont(25));
    label.SetTextColour(Qt::white);
    label.SetTransparent(true);
    label.show();
    label.SetText(QStringLiteral("12345"));
    QApplication::processEvents();
    const int paints = label.PaintCount();
    label.SetText(QStringLiteral("12345"));
    QApplication::processEvents();
    EXPECT_EQ(label.PaintCount(), paints); // the same text again: no repaint
    label.SetText(QStringLiteral("1234"));
    QApplication::processEvents();
    EXPECT_EQ(label.PaintCount(), paints + 1);

    label.SetText(QStringLiteral("1"));
    const QImage shrunk = m_window.Grab(area);
    CColorStatic fresh(&m_window);
    fresh.setGeometry(area);
    label.hide();
    fresh.SetOwnFont(MakeCellFont(25));
    fresh.SetTextColour(Qt::white);
    fresh.SetTransparent(true);
    fresh.SetText(QStringLiteral("1"));
    fresh.show();
    EXPECT_EQ(shrunk, m_window.Grab(area)); // the picture where "2345" stood

    fresh.SetText(QString());
    EXPECT_EQ(m_window.Grab(area), m_window.Picture(area)); // an empty text draws only the picture
}

TEST_F(Widgets, LabelLinesStandOneLineHeightApartAndStayInsideTheLabel) {
    const QFont font = MakeCellFont(20);
    EXPECT_LE(QFontMetrics(font).height(), 20);
    EXPECT_GT(QFontMetrics(font).height(), 15);

    CColorStatic label(&m_window);
    const QRect area(0, 0, 60, 80);
    label.setGeometry(area);
    label.SetOwnFont(font);
    label.SetTextColour(Qt::white);
    label.SetTransparent(true);
    label.show();
    label.SetText(QStringLiteral("A"));
    const QRect a = InkBox(m_window.Grab(area), m_window.Picture(area));
    EXPECT_GE(a.left(), CColorStatic::kTextMargin);
    EXPECT_GE(a.top(), CColorStatic::kTextMargin);
    label.SetText(QStringLiteral("A\n"));
    EXPECT_EQ(InkBox(m_window.Grab(area), m_window.Picture(area)), a); // a final line feed adds nothing
    label.SetText(QStringLiteral("A\nA"));
    const QRect both = InkBox(m_window.Grab(area), m_window.Picture(area));
    EXPECT_EQ(both.top(), a.top());
    EXPECT_EQ(both.bottom(), a.bottom() + QFontMetrics(font).lineSpacing());

    // A text far too long is cut at the label's edge; the window around it stays as it was.
    label.SetText(QString(200, QLatin1Char('W')));
    const QRect strip(60, 0, 140, 80);
    EXPECT_EQ(m_window.Grab(strip), m_window.Picture(strip));
}

TEST_F(Widgets, ATransparentButtonShowsThePictureAndItsFramesFollowTheMouse) {
    CButtonST button(&m_window);
    const QRect area(20, 20, 60, 44);
    button.setGeometry(area);
    button.SetTransparent(true);
    button.SetHoverBorder(false);
    button.show();
    const QImage picture = m_window.Picture(area);
    EXPECT_EQ(m_window.Grab(area), picture);
    QEnterEvent enter(QPointF(5, 5), QPointF(25, 25), QPointF(25, 25));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.IsHover());
    EXPECT_EQ(m_window.Grab(area), picture); // no frame without the hover border
    button.setDown(true);
    EXPECT_EQ(m_window.Grab(area), picture);
    button.setDown(false);

    // With the hover border: raised while hovering, sunken and the icon one pixel on while pressed.
    button.SetHoverBorder(true);
    button.SetStateIcons(SolidIcon(9, 7, Qt::red));
    QImage shot = m_window.Grab(area);
    EXPECT_EQ(QColor(shot.pixel(0, 0)), kSysBtnHighlight);
    EXPECT_EQ(QColor(shot.pixel(59, 43)), kSysBtnShadow);
    auto redBox = [](const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == qRgb(255, 0, 0))
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    EXPECT_EQ(redBox(shot), QRect((60 - 9) / 2, (44 - 7) / 2, 9, 7)); // centred, halves truncated
    button.setDown(true);
    shot = m_window.Grab(area);
    EXPECT_EQ(QColor(shot.pixel(0, 0)), kSysBtnShadow);
    EXPECT_EQ(QColor(shot.pixel(59, 43)), kSysBtnHighlight);
    EXPECT_EQ(redBox(shot), QRect((60 - 9) / 2 + 1, (44 - 7) / 2 + 1, 9, 7));
    button.setDown(false);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.IsHover());
    shot = m_window.Grab(area);
    EXPECT_EQ(shot.pixel(0, 0), picture.pixel(0, 0)); // no frame once the mouse has gone
}

TEST_F(Widgets, ButtonIconsAreOwnedReplacedAndSlotOneShowsOnlyAwayFromTheMouse) {
    CButtonST button(&m_window);
    button.setGeometry(100, 60, 40, 40);
    button.SetTransparent(true);
    button.show();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    IconHandle first = SolidIcon(8, 8, Qt::red);
    std::weak_ptr<const QImage> watch = first;
    EXPECT_EQ(button.SetStateIcons(std::move(first)), 0);
    EXPECT_FALSE(watch.expired());
    button.SetStateIcons(SolidIcon(8, 8, Qt::green), SolidIcon(8, 8, Qt::blue));
    EXPECT_TRUE(watch.expired()); // the replaced icon is released

    const QRect area(100, 60, 40, 40);
    EXPECT_EQ(QColor(m_window.Grab(area).pixel(20, 20)), QColor(Qt::blue)); // away from the mouse: slot 1
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(QColor(m_window.Grab(area).pixel(20, 20)), QColor(Qt::green));

    EXPECT_EQ(button.SetStateIcons(std::make_shared<const QImage>()), 1); // nothing to show: no icons
    EXPECT_EQ(m_window.Grab(area).pixel(20, 20), m_window.Picture(area).pixel(20, 20));
}

TEST_F(Widgets, BrightenHoverFaceKeepsTheHueAndStopsAtWhite) {
    CButtonST button;
    EXPECT_EQ(button.Colour(CButtonST::kFaceHover), QColor(240, 240, 240));
    button.BrightenHoverFace();
    EXPECT_EQ(button.Colour(CButtonST::kFaceHover), QColor(255, 255, 255));
    button.SetColour(CButtonST::kFaceHover, QColor(200, 100, 50));
    button.BrightenHoverFace();
    EXPECT_EQ(button.Colour(CButtonST::kFaceHover), QColor(230, 130, 80));
    EXPECT_EQ(button.Colour(CButtonST::kFaceNormal), QColor(240, 240, 240));
}

TEST_F(Widgets, ADoubleClickIsTwoClicksAndDisablingPassesTheFocusOn) {
    CButtonST a(&m_window), b(&m_window), c(&m_window);
    a.setGeometry(0, 0, 30, 30);
    b.setGeometry(40, 0, 30, 30);
    c.setGeometry(80, 0, 30, 30);
    for (CButtonST* button : {&a, &b, &c})
        button->show();
    int clicks = 0;
    QObject::connect(&a, &QAbstractButton::clicked, [&] { ++clicks; });
    // What a fast double click delivers: press, release, double click, release.
    const QPointF at(10, 10);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, a.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&a, &event);
    }
    EXPECT_EQ(clicks, 2);

    m_window.activateWindow();
    c.setFocus();
    a.setEnabled(false); // not the focused one: the focus still goes to the control after it
    QApplication::processEvents();
    EXPECT_TRUE(b.hasFocus());
}

// The keyboard: Space alone presses the focused button, with a modifier it is someone else's; the
// focus ring shows when the focus came by Tab and goes at the next mouse press.
TEST_F(Widgets, KeysPressOnlyAloneAndTheFocusRingFollowsTheKeyboard) {
    CButtonST a(&m_window), b(&m_window);
    a.setGeometry(10, 10, 40, 40);
    b.setGeometry(60, 10, 40, 40);
    for (CButtonST* button : {&a, &b}) {
        button->SetTransparent(true);
        button->show();
    }
    int clicks = 0;
    QObject::connect(&b, &QAbstractButton::clicked, [&] { ++clicks; });
    m_window.activateWindow();
    a.setFocus(Qt::MouseFocusReason);
    const QImage plain = m_window.Grab(b.geometry());
    QTest::keyClick(&a, Qt::Key_Tab);
    ASSERT_TRUE(b.hasFocus());
    EXPECT_TRUE(b.ShowsFocusRing());
    EXPECT_NE(m_window.Grab(b.geometry()), plain);
    for (const auto modifier : {Qt::AltModifier, Qt::ControlModifier, Qt::ShiftModifier})
        QTest::keyClick(&b, Qt::Key_Space, modifier);
    EXPECT_EQ(clicks, 0);
    QTest::keyClick(&b, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_FALSE(b.ShowsFocusRing());
    EXPECT_EQ(m_window.Grab(b.geometry()), plain);
    // Focus that arrives after a key, however it comes (a message box closed by Space, a window
    // opened by it), shows the ring too; after the mouse, it does not.
    a.setFocus(Qt::OtherFocusReason);
    EXPECT_FALSE(a.ShowsFocusRing());
    QTest::keyClick(&a, Qt::Key_Shift);
    b.setFocus(Qt::ActiveWindowFocusReason);
    EXPECT_TRUE(b.ShowsFocusRing());
}

// A line too long for its label is cut with an ellipsis and shown whole as the tooltip.
TEST_F(Widgets, ALineALittleTooLongIsDrawnSmallerAndALongOneCutAndWholeInTheTooltip) {
    CColorStatic label(&m_window);
    label.setGeometry(0, 0, 120, 30);
    label.SetOwnFont(MakeCellFont(20));
    label.SetLayout(true, true);
    label.show();
    // Just past the room at the full size: drawn whole, a little smaller.
    QString line = QStringLiteral("闯关失败");
    while (QFontMetrics(MakeCellFont(20)).horizontalAdvance(line) <= label.TextRoom())
        line += QLatin1Char('x');
    label.SetText(line);
    EXPECT_TRUE(label.toolTip().isEmpty());
    EXPECT_LT(label.ShownFont().pixelSize(), MakeCellFont(20).pixelSize());
    EXPECT_LE(QFontMetrics(label.ShownFont()).horizontalAdvance(line), label.TextRoom());
    const QString longLine = QStringLiteral("Top1    644    Alexander Montgomery-Smith");
    label.SetText(longLine);
    EXPECT_EQ(label.toolTip(), longLine);
    label.SetText(QStringLiteral("Top1 6"));
    EXPECT_TRUE(label.toolTip().isEmpty());
    label.resize(25, 30); // narrower: the short line no longer fits either
    EXPECT_EQ(label.toolTip(), QStringLiteral("Top1 6"));
}

// A screen reader hears a line as the announcer shows it (the show that Qt tells the accessibility bus
// of), the same line twice too, and nothing when its window opens: neither an empty notice nor the last
// game's line again. Labels are texts to it.
TEST_F(Widgets, TheAnnouncerShowsForEachLineAndNeverWithItsWindow) {
    class CShowSpy : public QObject {
    public:
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show)
                shown << static_cast<QWidget*>(watched)->accessibleName();
            return false;
        }
        QStringList shown;
    } spy;
    QWidget window;
    auto* announcer = new CAnnouncer(&window);
    auto* label = new CColorStatic(&window);
    announcer->installEventFilter(&spy);
    window.show();
    EXPECT_TRUE(spy.shown.isEmpty());
    announcer->Announce(QStringLiteral("第 1 次成功"));
    announcer->Announce(QStringLiteral("第 1 次成功"));
    EXPECT_EQ(spy.shown, (QStringList{QStringLiteral("第 1 次成功"), QStringLiteral("第 1 次成功")}));
    window.hide();
    announcer->Withdraw();
    window.show();
    EXPECT_EQ(spy.shown.size(), 2);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(announcer)->role(), QAccessible::Notification);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->role(), QAccessible::StaticText);
}

// The start's warm-up draws the large backgrounds on a thread of its own: the pictures the window asks
// for meanwhile must not wait for it. The slow picture here is read from a pipe that stays open until
// the other picture is drawn.
TEST(Pictures, APictureBeingDrawnHoldsUpNoOtherPicture) {
    OffscreenApp();
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("slow.svg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    QImage slowPicture;
    std::thread slow([&] { slowPicture = CachedSvgPicture(source, QSize(40, 30), 1.0); });
    const int writer = open(QFile::encodeName(source).constData(), O_WRONLY); // once the drawing reads it
    ASSERT_GE(writer, 0);
    auto other = std::async(std::launch::async, [] { return LoadBitmapResource(IDB_MAIN, QSize(80, 60)); });
    const bool drawnMeanwhile = other.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    const QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="4" height="3"><rect width="4" height="3" fill="red"/></svg>)";
    EXPECT_EQ(write(writer, svg.constData(), static_cast<size_t>(svg.size())), svg.size());
    close(writer);
    slow.join();
    EXPECT_TRUE(drawnMeanwhile);
    EXPECT_EQ(other.get().size(), QSize(80, 60));
    EXPECT_EQ(slowPicture.pixelColor(20, 15), QColor(Qt::red));
}

// The drawings kept between runs: a picture comes back as it was kept and under its own key only; a
// file cut short, or of another kind, is no picture; only the newest few stay, in a folder of the
// user's alone.
TEST(Pictures, TheCacheGivesBackWhatItKeptAndNothingElse) {
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("pictures"));
    const CPictureCache cache(folder);
    QImage picture(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 8, y * 12, 99));
    cache.Write("a", picture);
    EXPECT_EQ(cache.Read("a"), picture);
    EXPECT_TRUE(cache.Read("b").isNull());
    EXPECT_EQ(QFileInfo(folder).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);

    const QString file = QDir(folder).entryInfoList(QDir::Files).value(0).filePath();
    QFile cut(file);
    ASSERT_TRUE(cut.resize(cut.size() - 1));
    EXPECT_TRUE(cache.Read("a").isNull());
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(QByteArray(static_cast<int>(picture.sizeInBytes()) + 24, 'x'));
    cut.close();
    EXPECT_TRUE(cache.Read("a").isNull());

    for (int i = 0; i < CPictureCache::kKept + 3; ++i)
        cache.Write(QByteArray::number(i), picture);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), CPictureCache::kKept);
}

} // namespace
