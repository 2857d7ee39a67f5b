#include "app/AvilumaDlg.h"
#include "app/Globals.h"
#include "instruments/Attitude.h"
#include "link/Heartbeat.h"
#include "platform/DeviceList.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "platform/UiThread.h"
#include "records/Records.h"
#include "res/Resource.h"
#include "sim/SimDrone.h"
#include "support/ModalPlayer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace std::chrono_literals;

bool SameIcon(const IconHandle& icon, int id) {
    return icon && *icon == *LoadIconResource(id);
}

// A machine with the program's folder, no real drone, and a private registry for simulated ones.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(m_sysfs.path()).mkpath(QStringLiteral("class/tty")));
        SetSysfsRoot(m_sysfs.path());
        SetDeviceRegistryFolder(m_registry.path() + QStringLiteral("/devices"));
        ASSERT_TRUE(InitAppDir());
        const QDir pictures(AppPath(u"/Source"));
        for (const char* folder : {"Data", "Record", "Source"})
            ASSERT_TRUE(QDir(m_dir.path()).mkpath(QLatin1String(folder)));
        for (const QString& name : pictures.entryList({QStringLiteral("*.png")}))
            QFile::copy(pictures.filePath(name), m_dir.filePath(QStringLiteral("Source/") + name));
        g_strAppDir.Set(m_dir.path());
        SetMessageResponder([this](const QString& text, MessageKind) {
            m_messages << text;
            return m_answer;
        });
    }
    void TearDown() override {
        m_main.reset();
        m_drone.reset();
        SetMessageResponder({});
    }
    void StoreOpenLevel(int level) {
        WritePrivateProfileString(QStringLiteral("Grade"), QStringLiteral("level"), QString::number(level),
                                  SystemCfgPath());
    }
    void OpenMainWindow() {
        m_main = std::make_unique<CAvilumaDlg>();
        m_main->Open();
    }
    // A simulated drone at rate frames a second, connected, and the monitor's verdict awaited.
    void Connect(int rate, int expectedState) {
        SimOptions options;
        options.nFrameRate = rate;
        m_drone = std::make_unique<CSimDrone>(options);
        ASSERT_TRUE(m_drone->Start());
        m_main->m_btnConnect->click();
        ASSERT_TRUE(g_bDroneConnected);
        ASSERT_TRUE(CUiThread::WaitFor([&] { return m_main->m_link.LinkState() == expectedState; }, 4s));
        CUiThread::Drain();
    }

    QTemporaryDir m_sysfs, m_registry, m_dir;
    QApplication& m_app = OffscreenApp();
    std::unique_ptr<CSimDrone> m_drone;
    std::unique_ptr<CAvilumaDlg> m_main;
    CModalPlayer m_player;
    QStringList m_messages;
    bool m_answer = false;
};

TEST_F(MainWindow, WithoutAGoodLinkEveryModeRefusesAndWildAsksTheKindFirst) {
    OpenMainWindow();
    EXPECT_EQ(m_main->m_stcTitle->Text(), QStringLiteral("Aviluma—游戏选择"));
    EXPECT_EQ(m_main->m_btnLinkState->toolTip(), QStringLiteral("无人机连接状态"));
    EXPECT_FALSE(m_main->m_btnWild->HoverBorder()); // progress 1: wild and endless are closed

    m_main->m_btnLevel->click();
    EXPECT_EQ(m_messages, QStringList{kLinkFaultText});
    EXPECT_EQ(g_nGameMode, 0);

    int choosers = 0;
    for (int i = 0; i < 2; ++i)
        m_player.When<CDlgGameType>([&](CDlgGameType& chooser) {
            ++choosers;
            QTest::keyClick(&chooser, Qt::Key_Escape);
        });
    m_main->m_btnWild->click();
    m_main->m_btnEndless->click();
    EXPECT_EQ(choosers, 2);
    EXPECT_EQ(g_nGameMode, 2);
    EXPECT_EQ(m_messages, QStringList(3, kLinkFaultText));

    m_main->m_btnConnect->click(); // no drone at all
    EXPECT_EQ(m_messages.back(), QStringLiteral("请先连接无人机！"));
}

TEST_F(MainWindow, WildOpensAfterTheLevelsOnlyWithAGoodLink) {
    StoreOpenLevel(9);
    OpenMainWindow();
    Connect(20, kLinkGood);
    m_player.When<CDlgGameType>([](CDlgGameType& chooser) { QTest::keyClick(&chooser, Qt::Key_Escape); });
    m_main->m_btnWild->click();
    EXPECT_EQ(m_messages, QStringList{kLevelsFirstText});
    m_main.reset();

    StoreOpenLevel(10);
    OpenMainWindow();
    EXPECT_TRUE(m_main->m_btnWild->HoverBorder());
    Connect(20, kLinkGood);
    bool runOpened = false;
    m_player.When<CDlgGameType>([](CDlgGameType& chooser) {
        static_cast<QAbstractButton*>(chooser.GetDlgItem(IDC_BTN_PRACTICE))->click();
    });
    m_player.When<CDlgRun>([&](CDlgRun& run) {
        runOpened = true;
        EXPECT_EQ(g_nGameMode, 1);
        EXPECT_EQ(run.m_stcTitle->Text(), QStringLiteral("Aviluma—狂野模式—练习模式—模拟器"));
        run.m_btnClose->click();
    });
    m_main->m_btnWild->click();
    EXPECT_TRUE(runOpened);
    m_main.reset();

    StoreOpenLevel(11); // opens, though without the hover frames
    OpenMainWindow();
    EXPECT_FALSE(m_main->m_btnWild->HoverBorder());
    EXPECT_FALSE(m_main->m_btnEndless->HoverBorder());
    Connect(20, kLinkGood);
    runOpened = false;
    m_player.When<CDlgGameType>([](CDlgGameType& chooser) { QTest::keyClick(&chooser, Qt::Key_Escape); });
    m_player.When<CDlgRun>([&](CDlgRun& run) {
        runOpened = g_nGameMode == 2;
        run.m_btnClose->click();
    });
    m_main->m_btnEndless->click();
    EXPECT_TRUE(runOpened);
}

TEST_F(MainWindow, ExitAsksEnterDoesNothingAndEscLeavesAtOnce) {
    OpenMainWindow();
    QTest::keyClick(m_main.get(), Qt::Key_Return);
    EXPECT_TRUE(m_main->isVisible());
    m_answer = false;
    m_main->m_btnExit->click();
    EXPECT_EQ(m_messages, QStringList{kExitQuestionText});
    EXPECT_TRUE(m_main->isVisible());
    QTest::keyClick(m_main.get(), Qt::Key_Escape);
    EXPECT_FALSE(m_main->isVisible());
    EXPECT_EQ(m_messages.size(), 1); // no question for Esc
}

TEST_F(MainWindow, AWeakLinkStartsNoGame) {
    OpenMainWindow();
    Connect(8, kLinkWeak);
    m_main->m_btnLevel->click();
    EXPECT_EQ(m_messages, QStringList{kLinkFaultText});
}

// The whole program in one process: connect the simulated drone, play level 1 through the map and the
// run window, see level 2 open, and leave while a heartbeat sender still runs.
TEST_F(MainWindow, ConnectPlayLevelOneAndLeaveCleanly) {
    OpenMainWindow();
    const auto start = std::chrono::steady_clock::now();
    Connect(20, kLinkGood);
    std::printf("link good after %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count()));
    EXPECT_TRUE(SameIcon(m_main->m_btnConnect->StateIcon(0), IDI_PORT_OPEN));
    // The monitor hands the icon to the UI thread just after it stores the state.
    EXPECT_TRUE(CUiThread::WaitFor(
        [&] { return SameIcon(m_main->m_btnLinkState->StateIcon(0), IDI_LINK_GOOD); }, 2s));

    bool played = false;
    m_player.When<CDlgMap>([](CDlgMap& map) { map.m_btnLevels[0]->click(); });
    m_player.When<CDlgRun>([&](CDlgRun& run) {
        run.m_btnStart->click();
        EXPECT_TRUE(CUiThread::WaitFor([&] { return !run.Playing(); }, 20s));
        played = run.m_stcRecord[2]->Text() == kLevelPassedText;
        run.m_btnClose->click(); // the heartbeat sender goes on after a close without a game
    });
    m_player.When<CDlgMap>([&](CDlgMap& map) {
        EXPECT_EQ(map.m_nOpenLevel, 2);
        map.m_btnClose->click();
    });
    m_main->m_btnLevel->click();
    EXPECT_TRUE(played);
    EXPECT_EQ(ReadOpenLevel(), 2);
    EXPECT_EQ(m_messages, QStringList{kNewRecordText});
    EXPECT_TRUE(HeartbeatRunning());

    QTest::keyClick(m_main.get(), Qt::Key_Escape);
    m_main->Shutdown();
    EXPECT_FALSE(HeartbeatRunning());
    EXPECT_FALSE(g_bDroneConnected);
    EXPECT_EQ(g_SerialPort.fd, SerialPortRecord::kNoPort);
}

} // namespace
