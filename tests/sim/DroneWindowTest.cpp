#include "sim/DroneWindow.h"
#include "platform/DeviceList.h"
#include "platform/DialogTemplate.h"
#include "platform/Translation.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "sim/FlightLoop.h"
#include "sim/SimDrone.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

class DroneWindow : public ::testing::Test {
protected:
    QApplication& m_app = OffscreenApp(); // before any widget
    QTemporaryDir m_settings;
    CSimDrone m_drone{SimOptions{.bRegister = false}};
    CFlightLoop m_loop{m_drone, 1};
    CDroneWindow m_window{m_drone, m_loop, m_settings.filePath(QStringLiteral("drone.cfg"))};
};

// The flying keys fly whichever control has the focus, and never change the input.
TEST_F(DroneWindow, TheFlyingKeysFlyWhicheverControlHasTheFocus) {
    m_window.show();
    m_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    auto* source = m_window.findChild<QCheckBox*>();
    for (QWidget* child : m_window.findChildren<QWidget*>()) {
        if (child->focusPolicy() == Qt::NoFocus || !child->isVisible())
            continue;
        child->setFocus();
        for (const Qt::Key key : {Qt::Key_W, Qt::Key_Down}) {
            QTest::keyPress(child, key);
            EXPECT_NE(m_window.KeyboardStick().pitch, 0.0f) << child->metaObject()->className();
            QTest::keyRelease(child, key);
            EXPECT_EQ(m_window.KeyboardStick().pitch, 0.0f);
        }
    }
    EXPECT_FALSE(source->isChecked()); // still the keyboard
}

// Beside the game's window on common screens: inside the screen, never over the run window's right
// column (difficulty line, records, score) nor over the main window's connect button, where their
// templates put them; on a 1280 x 800 screen, where it fits nowhere beside the game, above the button.
TEST_F(DroneWindow, NeverCoversTheRunWindowsRightColumnNorTheConnectButton) {
    const DialogTemplate& run = *FindDialogTemplate(IDD_DLG_RUN);
    int columnDu = run.sizeDu.width();
    for (const int id : {IDC_STC_STATUS, IDC_STC_RECORD1, IDC_STC_SCORE})
        columnDu = std::min(columnDu, FindControlTemplate(run, id)->rectDu.x());
    EXPECT_EQ(columnDu * kFullWindowSize.width() / run.sizeDu.width(), kRunRightColumnX);
    const DialogTemplate& main = *FindDialogTemplate(IDD_AVILUMA_DIALOG);
    const QRect connectDu = FindControlTemplate(main, IDC_BTN_CONNECT)->rectDu;
    const auto pixels = [&](int du, int span, int whole) { return du * whole / span; };
    EXPECT_TRUE(kConnectButton.contains(
        QRect(QPoint(pixels(connectDu.left(), main.sizeDu.width(), kFullWindowSize.width()),
                     pixels(connectDu.top(), main.sizeDu.height(), kFullWindowSize.height())),
              QPoint(pixels(connectDu.right(), main.sizeDu.width(), kFullWindowSize.width()),
                     pixels(connectDu.bottom(), main.sizeDu.height(), kFullWindowSize.height())))));
    for (const QSize screen : {QSize(1280, 800), QSize(1366, 768), QSize(1600, 1000), QSize(1920, 1080)}) {
        SCOPED_TRACE(screen.width());
        const QRect area(QPoint(0, 0), screen - QSize(0, 32)); // less a panel
        const DronePlacement place = PlaceDroneWindow(area, m_window.FullSize(), m_window.CompactSize(),
                                                      m_window.CompactLeastHeight());
        QRect game(QPoint(), kFullWindowSize);
        game.moveCenter(area.center());
        const QRect column(game.left() + kRunRightColumnX, game.top(), game.width() - kRunRightColumnX,
                           game.height());
        EXPECT_TRUE(area.contains(place.frame));
        EXPECT_FALSE(place.frame.intersects(column));
        EXPECT_FALSE(place.frame.intersects(kConnectButton.translated(game.topLeft())));
        if (place.compact) {
            EXPECT_GE(place.frame.height(), m_window.CompactLeastHeight()); // shorter, never squeezed
        }
        EXPECT_EQ(place.compact, screen.width() < 1920); // full size where it fits beside the game
    }
}

QString AccessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// The window opens with the focus on its top control, not on itself (which a screen reader would
// announce as the window), and Tab goes down from there: the input, named by what it does (not by a
// value), the autopilot, then the gamepad's settings row by row, where the layout shows them.
TEST_F(DroneWindow, TabGoesDownTheWindowFromItsTopControl) {
    m_window.show();
    m_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    QWidget* first = QApplication::focusWidget();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(AccessibleName(first), QStringLiteral("用手柄或遥控器操纵"));
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_EQ(AccessibleName(QApplication::focusWidget()), QStringLiteral("自动驾驶（演示）"));

    QStringList chain;
    QWidget* widget = first;
    do {
        // (A spin box's own line edit stands in the chain behind it.)
        if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->window() == &m_window &&
            qobject_cast<QAbstractSpinBox*>(widget->parentWidget()) == nullptr)
            chain << AccessibleName(widget);
        widget = widget->nextInFocusChain();
    } while (widget != first);
    EXPECT_EQ(chain,
              (QStringList{QStringLiteral("用手柄或遥控器操纵"), QStringLiteral("自动驾驶（演示）"),
                           QStringLiteral("横滚轴"), QStringLiteral("横滚反向"), QStringLiteral("俯仰轴"),
                           QStringLiteral("俯仰反向"), QStringLiteral("死区")}));
}

// Every text the window shows or names for a screen reader.
QStringList WindowTexts(const QWidget& window) {
    QStringList texts{window.windowTitle()};
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        texts << child->accessibleName();
        if (const auto* label = qobject_cast<const QLabel*>(child))
            texts << label->text();
        else if (const auto* button = qobject_cast<const QAbstractButton*>(child))
            texts << button->text();
        else if (const auto* box = qobject_cast<const QGroupBox*>(child))
            texts << box->title();
    }
    texts.removeAll(QString());
    return texts;
}

bool AnyChinese(const QStringList& texts) {
    static const QRegularExpression kHan(QStringLiteral("\\p{Han}"));
    return std::any_of(texts.begin(), texts.end(), [](const QString& text) { return text.contains(kHan); });
}

// A language switch in the game's menu reaches the drone's window, a program of its own, while it runs:
// every text of it follows, back and forth. What the game wrote before the drone started is no switch,
// and other comings and goings in the folder are none either.
TEST_F(DroneWindow, FollowsALanguageSwitchMadeInTheGame) {
    QTemporaryDir registry;
    SetDeviceRegistryFolder(registry.path());
    const auto restore = qScopeGuard([] {
        RemoveLanguage();
        SetDeviceRegistryFolder(QString());
    });
    ASSERT_TRUE(PublishSessionLanguage(QStringLiteral("en"))); // an earlier game's
    RemoveLanguage();
    CDroneWindow window(m_drone, m_loop, m_settings.filePath(QStringLiteral("drone.cfg")));
    QFile other(registry.filePath(QStringLiteral("1-2.device")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    QTest::qWait(300); // the folder's change is seen, and passed over
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Aviluma 模拟无人机"));

    ASSERT_TRUE(PublishSessionLanguage(QStringLiteral("en")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !AnyChinese(WindowTexts(window)); }, 5000))
        << qPrintable(WindowTexts(window).join(u'|'));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Aviluma simulated drone"));
    ASSERT_TRUE(PublishSessionLanguage(QStringLiteral("zh")));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window.windowTitle() == QStringLiteral("Aviluma 模拟无人机"); }, 5000));
}

} // namespace
