#include "sim/DroneWindow.h"
#include "platform/DialogTemplate.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "sim/FlightLoop.h"
#include "sim/SimDrone.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
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

// The flying keys fly whichever control has the focus, and never change the input list.
TEST_F(DroneWindow, TheFlyingKeysFlyWhicheverControlHasTheFocus) {
    m_window.show();
    m_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    auto* source = m_window.findChild<QComboBox*>();
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
    EXPECT_EQ(source->currentIndex(), 0); // still the keyboard
}

// Beside the game's window on common screens: inside the screen, and never over the run window's right
// column (difficulty line, records, score), where its template puts that column.
TEST_F(DroneWindow, NeverCoversTheRunWindowsRightColumn) {
    const DialogTemplate& run = *FindDialogTemplate(IDD_DLG_RUN);
    int columnDu = run.sizeDu.width();
    for (const int id : {IDC_STC_STATUS, IDC_STC_RECORD1, IDC_STC_SCORE})
        columnDu = std::min(columnDu, FindControlTemplate(run, id)->rectDu.x());
    EXPECT_EQ(columnDu * kFullWindowSize.width() / run.sizeDu.width(), kRunRightColumnX);
    for (const QSize screen : {QSize(1366, 768), QSize(1600, 1000), QSize(1920, 1080)}) {
        SCOPED_TRACE(screen.width());
        const QRect area(QPoint(0, 0), screen - QSize(0, 32)); // less a panel
        const DronePlacement place = PlaceDroneWindow(area, m_window.FullSize(), m_window.CompactSize());
        QRect game(QPoint(), kFullWindowSize);
        game.moveCenter(area.center());
        const QRect column(game.left() + kRunRightColumnX, game.top(), game.width() - kRunRightColumnX,
                           game.height());
        EXPECT_TRUE(area.contains(place.frame));
        EXPECT_FALSE(place.frame.intersects(column));
        EXPECT_EQ(place.compact, screen.width() < 1920); // full size where it fits beside the game
    }
}

} // namespace
