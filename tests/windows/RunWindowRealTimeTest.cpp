#include "link/Heartbeat.h"
#include "platform/UiThread.h"
#include "sim/SimDrone.h"
#include "support/SimulatedMachine.h"
#include "windows/DlgRun.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace {

using namespace std::chrono_literals;

// A level game played through the window in real time against the simulated drone held level.
TEST(RunWindowRealTime, ALevelGameThroughTheWindow) {
    OffscreenApp();
    CSimulatedMachine machine;

    CSimDrone drone;
    ASSERT_TRUE(drone.Start());
    ASSERT_TRUE(machine.ConnectDrone());
    {
        g_nGameMode = GameMode::Level;
        g_nLevel = 2;
        CDlgRun dlg;
        dlg.ShowModeless();
        dlg.m_btnStart->click();
        ASSERT_TRUE(dlg.Playing());
        EXPECT_TRUE(CUiThread::WaitFor([&] { return !dlg.Playing(); }, 20s));
        EXPECT_EQ(dlg.m_stcScore->Text(), QStringLiteral(" 60"));
        EXPECT_EQ(dlg.m_stcRecord[0]->Text(), QStringLiteral("关卡 2 最高得分 : 60"));
        EXPECT_EQ(dlg.m_stcRecord[2]->Text(), kLevelPassedText);
        EXPECT_EQ(g_nLevelResult, 1);
        EXPECT_GE(drone.CountReceived(kMsgHeartbeat), 5); // about one a second during the game
        dlg.m_btnClose->click();
        EXPECT_FALSE(dlg.isVisible());
    }
    ShutdownHeartbeat();
}

} // namespace
