#include "app/AvilumaApp.h"
#include "app/AvilumaDlg.h"
#include "instruments/Attitude.h"
#include "link/Heartbeat.h"
#include "platform/ProfileFile.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "records/History.h"
#include "records/Players.h"
#include "records/Records.h"
#include "res/Resource.h"
#include "sim/SimDrone.h"
#include "state/DataFolders.h"
#include "state/Version.h"
#include "support/ModalPlayer.h"
#include "support/SimulatedMachine.h"
#include "windows/DlgClass.h"
#include "windows/DlgGameType.h"
#include "windows/DlgLesson.h"
#include "windows/DlgMap.h"
#include "windows/DlgPlayers.h"
#include "windows/DlgRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using namespace std::chrono_literals;

bool SameIcon(const IconHandle& icon, int id) {
    return icon && *icon == *LoadIconResource(id);
}

class MainWindow : public ::testing::Test {
protected:
    void TearDown() override {
        m_main.reset();
        m_drone.reset();
    }
    void StoreOpenLevel(int level) {
        WritePrivateProfileString(QStringLiteral("Grade"), QStringLiteral("level"), QString::number(level),
                                  SystemCfgPath());
    }
    void OpenMainWindow() {
        m_main = std::make_unique<CAvilumaDlg>();
        m_main->ShowModeless();
    }
    // A simulated drone at rate frames a second, connected, and the monitor's verdict awaited.
    void Connect(int rate, LinkState expectedState) {
        SimOptions options;
        options.nFrameRate = rate;
        m_drone = std::make_unique<CSimDrone>(options);
        ASSERT_TRUE(m_drone->Start());
        m_main->m_btnConnect->click();
        ASSERT_TRUE(g_bDroneConnected);
        ASSERT_TRUE(CUiThread::WaitFor([&] { return m_main->m_link.State() == expectedState; }, 10s));
        CUiThread::Drain();
    }
    QStringList Messages() const { return m_machine.messages.Texts(); }

    QApplication& m_app = OffscreenApp();
    CSimulatedMachine m_machine{true};
    std::unique_ptr<CSimDrone> m_drone;
    std::unique_ptr<CAvilumaDlg> m_main;
    CModalPlayer m_player;
};

TEST_F(MainWindow, WithoutAGoodLinkEveryModeRefusesAndALockedCardOpensNothing) {
    OpenMainWindow();
    EXPECT_EQ(m_main->m_stcTitle->Text(), QStringLiteral("Aviluma—游戏选择"));
    EXPECT_EQ(m_main->m_btnLinkState->toolTip(), QStringLiteral("无人机连接状态"));
    EXPECT_FALSE(m_main->m_btnWild->HoverBorder()); // progress 1: wild and endless are closed

    m_main->m_btnLevel->click();
    EXPECT_EQ(Messages(), QStringList{kLinkFaultText});
    EXPECT_EQ(g_nGameMode, GameMode::Level);

    int choosers = 0; // a padlocked card opens no chooser: it says what opens it
    m_player.When<CDlgGameType>([&](CDlgGameType& chooser) {
        ++choosers;
        QTest::keyClick(&chooser, Qt::Key_Escape);
    });
    m_main->m_btnWild->click();
    m_main->m_btnEndless->click();
    EXPECT_EQ(choosers, 0);
    m_player.Forget();
    EXPECT_EQ(g_nGameMode, GameMode::Endless);
    EXPECT_EQ(Messages(), (QStringList{kLinkFaultText, kLevelsFirstText, kLevelsFirstText}));

    m_main->m_btnConnect->click(); // no drone at all
    EXPECT_EQ(Messages().back(), kNoDroneText);
    // What the player can act on is said with the port; the rest goes unsaid.
    EXPECT_TRUE(
        ConnectMessage({ConnectOutcome::Busy, "/dev/ttyACM0"}).contains("/dev/ttyACM0 正被其他程序占用"));
    EXPECT_TRUE(ConnectMessage({ConnectOutcome::PermissionDenied, "/dev/ttyACM0"}).contains("dialout"));
    EXPECT_TRUE(ConnectMessage({ConnectOutcome::Failed, "/dev/ttyACM0"}).isEmpty());
}

TEST_F(MainWindow, WildOpensAfterTheLevelsOnlyWithAGoodLink) {
    StoreOpenLevel(9);
    OpenMainWindow();
    Connect(20, LinkState::Good);
    m_main->m_btnWild->click();
    EXPECT_EQ(Messages(), QStringList{kLevelsFirstText});
    m_main.reset();

    StoreOpenLevel(10);
    OpenMainWindow();
    EXPECT_TRUE(m_main->m_btnWild->HoverBorder());
    Connect(20, LinkState::Good);
    bool runOpened = false;
    m_player.When<CDlgGameType>([](CDlgGameType& chooser) {
        static_cast<QAbstractButton*>(chooser.GetDlgItem(IDC_BTN_PRACTICE))->click();
    });
    m_player.When<CDlgRun>([&](CDlgRun& run) {
        runOpened = true;
        EXPECT_EQ(g_nGameMode, GameMode::Wild);
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
    Connect(20, LinkState::Good);
    runOpened = false;
    m_player.When<CDlgGameType>([](CDlgGameType& chooser) {
        static_cast<QAbstractButton*>(chooser.GetDlgItem(IDC_BTN_PRACTICE))->click();
    });
    m_player.When<CDlgRun>([&](CDlgRun& run) {
        runOpened = g_nGameMode == GameMode::Endless;
        run.m_btnClose->click();
    });
    m_main->m_btnEndless->click();
    EXPECT_TRUE(runOpened);
}

// The competition top threes are emptied only by a new competition that can start (a good link),
// after the player agreed; Esc on the chooser plays nothing.
TEST_F(MainWindow, ACompetitionEmptiesTheTopThreesOnlyWhenItCanStartAndWasAgreed) {
    StoreOpenLevel(kLevelCount);
    InsertTopListEntry(RaceCfgPath(), TopListSection(GameMode::Wild), 1, 150, QStringLiteral("Alice"));
    const auto best = [] { return ReadTopList(RaceCfgPath(), TopListSection(GameMode::Wild))[0].score; };
    const auto choose = [&](int button) {
        m_player.When<CDlgGameType>([button](CDlgGameType& chooser) {
            if (button == 0)
                QTest::keyClick(&chooser, Qt::Key_Escape);
            else
                static_cast<QAbstractButton*>(chooser.GetDlgItem(button))->click();
        });
    };
    OpenMainWindow();
    choose(IDC_BTN_COMPETITION);
    m_main->m_btnEndless->click(); // no drone: no chooser, nothing emptied
    m_player.Forget();
    EXPECT_EQ(best(), 150);

    Connect(20, LinkState::Good);
    int runs = 0;
    const auto play = [&] { m_player.When<CDlgRun>([&](CDlgRun& run) { ++runs, run.m_btnClose->click(); }); };
    choose(0);
    m_main->m_btnEndless->click();
    m_player.Forget();
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(best(), 150);

    choose(IDC_BTN_COMPETITION); // asked first: "no" keeps the choice open
    choose(0);
    m_main->m_btnWild->click();
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(best(), 150);
    EXPECT_EQ(Messages(), (QStringList{kLinkFaultText, kNewCompetitionText}));

    CMessageLog yes(true);
    choose(IDC_BTN_COMPETITION);
    play();
    m_main->m_btnWild->click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(best(), 0);
    EXPECT_EQ(yes.Texts(), QStringList{kNewCompetitionText});
}

TEST_F(MainWindow, ExitAsksEnterDoesNothingAndEscLeavesAtOnce) {
    OpenMainWindow();
    QTest::keyClick(m_main.get(), Qt::Key_Return);
    EXPECT_TRUE(m_main->isVisible());
    m_main->m_btnExit->click();
    EXPECT_EQ(Messages(), QStringList{kExitQuestionText});
    EXPECT_TRUE(m_main->isVisible());
    QTest::keyClick(m_main.get(), Qt::Key_Escape);
    EXPECT_FALSE(m_main->isVisible());
    EXPECT_EQ(Messages().size(), 1); // no question for Esc
}

// The game as --lang chooses it: the translators stay for one case only.
class MainWindowLanguage : public MainWindow {
protected:
    void TearDown() override {
        MainWindow::TearDown();
        RemoveLanguage();
    }
};

// English: the main window, its messages, the level map and the About box read English.
TEST_F(MainWindowLanguage, EnglishReadsOnTheMainWindowItsMessagesTheMapAndTheAboutBox) {
    ASSERT_TRUE(InstallLanguage(Language::English));
    StoreOpenLevel(2);
    OpenMainWindow();
    EXPECT_EQ(m_main->m_stcTitle->Text(), QStringLiteral("Aviluma—Choose a game"));
    EXPECT_EQ(m_main->windowTitle(), QStringLiteral("Aviluma—Choose a game"));
    EXPECT_EQ(m_main->m_stcStartHint->Text(), QStringLiteral("Click bottom left to connect the drone"));
    EXPECT_EQ(m_main->m_btnWild->accessibleName(), QStringLiteral("Wild mode (locked)"));
    EXPECT_EQ(m_main->m_lockModes[1]->toolTip(), QStringLiteral("Opens after level 9"));
    EXPECT_EQ(m_main->m_btnConnect->toolTip(), QStringLiteral("Drone connect button"));

    m_main->m_btnLevel->click();
    m_main->m_btnExit->click(); // answered No
    EXPECT_EQ(
        Messages(),
        (QStringList{QStringLiteral("The link between the PC and the drone is faulty. Check the drone's "
                                    "connection (press the connect button at the bottom left), and "
                                    "start the game once the link is good."),
                     QStringLiteral("Exit the game?")}));

    CDlgMap& map = m_main->m_dlgMap;
    map.ShowModeless();
    EXPECT_EQ(map.windowTitle(), QStringLiteral("Aviluma—Choose a level"));
    EXPECT_EQ(map.m_btnLevels[1]->accessibleName(), QStringLiteral("Level 2"));
    EXPECT_EQ(map.m_btnLevels[2]->accessibleName(), QStringLiteral("Level 3 (locked)"));
    EXPECT_EQ(map.m_btnLevels[2]->accessibleDescription(), QStringLiteral("Pass level 2 to open level 3"));
    EXPECT_EQ(LevelOpenedText(3), QStringLiteral("Level 3 is open!"));
    map.EndDialog(QDialog::Rejected);

    m_main->m_dlgAbout.ShowModeless();
    QStringList texts{m_main->m_dlgAbout.windowTitle()};
    for (const QLabel* label : m_main->m_dlgAbout.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : m_main->m_dlgAbout.findChildren<QAbstractButton*>())
        texts << button->text();
    EXPECT_EQ(texts,
              (QStringList{QStringLiteral("About Aviluma"),
                           QStringLiteral("Aviluma, version %1").arg(QString::fromLatin1(kAvilumaVersion)),
                           QStringLiteral("OK")}));
    m_main->m_dlgAbout.EndDialog(QDialog::Rejected);
}

// Chinese, as the game starts it (Qt's own Chinese texts installed), and with no translator at all:
// every text is its source text, byte for byte.
TEST_F(MainWindowLanguage, ChineseShowsTheSourceTextsByteForByte) {
    for (const bool qtTexts : {true, false}) {
        if (qtTexts)
            ASSERT_TRUE(InstallLanguage(Language::Chinese));
        else
            RemoveLanguage();
        m_machine.messages.Clear();
        OpenMainWindow();
        EXPECT_EQ(m_main->m_stcTitle->Text().toUtf8(), QByteArray("Aviluma—游戏选择"));
        EXPECT_EQ(m_main->m_stcStartHint->Text().toUtf8(), QByteArray("请先点击左下角连接无人机"));
        EXPECT_EQ(m_main->m_lockModes[0]->toolTip().toUtf8(), QByteArray("通过第 9 关后开启"));
        m_main->m_btnExit->click();
        EXPECT_EQ(Messages(), QStringList{QStringLiteral("是否退出游戏？")});
        EXPECT_EQ(LevelLockedText(3).toUtf8(), QByteArray("通过第 2 关后开启第 3 关"));
        m_main.reset();
    }
}

// Everything from the keyboard: F1 for the About box, Tab through the buttons as they stand on screen.
TEST_F(MainWindow, F1OpensTheAboutBoxAndTabFollowsTheButtonsOnScreen) {
    OpenMainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_main.get()));
    m_main->m_btnConnect->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(visited,
              (std::vector<QWidget*>{m_main->m_btnPractice, m_main->m_btnExit, m_main->m_btnLevel,
                                     m_main->m_btnWild, m_main->m_btnEndless, m_main->m_btnConnect}));

    bool about = false;
    m_player.When<CAboutDlg>([&](CAboutDlg& dialog) {
        QStringList texts;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        // The version the build was made with, from the one place it is kept.
        about = texts.contains(QStringLiteral("Aviluma，%1版").arg(QString::fromLatin1(kAvilumaVersion)));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QTest::keyClick(m_main.get(), Qt::Key_F1);
    EXPECT_TRUE(about);
}

TEST_F(MainWindow, AWeakLinkStartsNoGame) {
    OpenMainWindow();
    Connect(8, LinkState::Weak);
    m_main->m_btnLevel->click();
    EXPECT_EQ(Messages(), QStringList{kLinkFaultText});
}

// The drone unplugged while its player waits in the run window, then plugged in again.
TEST_F(MainWindow, AnUnpluggedDroneStartsNoGameAndIsTakenBackWhenItReturns) {
    OpenMainWindow();
    Connect(20, LinkState::Good);
    auto icons = [&](int port, int link) {
        return SameIcon(m_main->m_btnConnect->StateIcon(0), port) &&
               SameIcon(m_main->m_btnLinkState->StateIcon(0), link);
    };
    m_player.When<CDlgMap>([](CDlgMap& map) { map.m_btnLevels[0]->click(); });
    m_player.When<CDlgRun>([&](CDlgRun& run) {
        m_drone.reset(); // unplugged
        EXPECT_TRUE(CUiThread::WaitFor([&] { return icons(IDI_PORT_CLOSED, IDI_LINK_NONE); }, 3s));
        run.m_btnStart->click();
        EXPECT_FALSE(run.Playing());
        EXPECT_EQ(Messages(), QStringList{kLinkFaultText});
        run.m_btnClose->click();
    });
    m_player.When<CDlgMap>([](CDlgMap& map) { map.m_btnClose->click(); });
    m_main->m_btnLevel->click();
    EXPECT_EQ(ReadBestScore(1), 0);

    m_drone = std::make_unique<CSimDrone>(); // plugged in again; nobody presses connect
    ASSERT_TRUE(m_drone->Start());
    EXPECT_TRUE(CUiThread::WaitFor([&] { return icons(IDI_PORT_OPEN, IDI_LINK_GOOD); }, 5s));
    EXPECT_EQ(m_main->m_link.State(), LinkState::Good);
}

// Passing level 9 stores level 10 open: wild and endless open as the map closes, not at the next start.
TEST_F(MainWindow, PassingTheLevelsOpensWildAndEndlessAtOnce) {
    StoreOpenLevel(9);
    OpenMainWindow();
    EXPECT_TRUE(m_main->m_stcStartHint->isVisible()); // where to begin, until the drone is connected
    Connect(20, LinkState::Good);
    EXPECT_FALSE(m_main->m_stcStartHint->isVisible());
    EXPECT_FALSE(m_main->m_btnWild->HoverBorder());
    ASSERT_NE(m_main->m_lockModes[0], nullptr);
    EXPECT_EQ(m_main->m_lockModes[1]->Text(), QStringLiteral("通过第 9 关后开启"));
    m_player.When<CDlgMap>([&](CDlgMap& map) {
        StoreOpenLevel(10); // as the pass of level 9 stores it
        map.m_btnClose->click();
    });
    m_main->m_btnLevel->click();
    EXPECT_EQ(m_main->m_nGrade, 10);
    EXPECT_TRUE(m_main->m_btnWild->HoverBorder());
    EXPECT_TRUE(m_main->m_btnEndless->HoverBorder());
    EXPECT_EQ(m_main->m_lockModes[0], nullptr);
    EXPECT_EQ(m_main->m_lockModes[1], nullptr);
}

// What a screen reader finds without a name among the controls a player can act on, in window.
QStringList UnnamedControls(QWidget& window) {
    QStringList unnamed;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (child == nullptr)
                continue;
            const QAccessible::Role role = child->role();
            const bool acts = role == QAccessible::Button || role == QAccessible::CheckBox ||
                              role == QAccessible::RadioButton || role == QAccessible::ComboBox ||
                              role == QAccessible::EditableText || role == QAccessible::SpinBox ||
                              role == QAccessible::Slider || role == QAccessible::PageTab ||
                              role == QAccessible::List;
            if (acts && !child->state().invisible && child->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << QStringLiteral("%1 at %2,%3 in %4")
                               .arg(QString::fromLatin1(child->object()->metaObject()->className()))
                               .arg(child->rect().x())
                               .arg(child->rect().y())
                               .arg(window.windowTitle());
            walk(child);
        }
    };
    walk(QAccessible::queryAccessibleInterface(&window));
    return unnamed;
}

// Every control of every window has a name a screen reader reads; a locked level says so, and the
// instruments read out what they show.
TEST_F(MainWindow, AScreenReaderFindsANameForEveryControl) {
    OpenMainWindow();
    QStringList unnamed = UnnamedControls(*m_main);
    EXPECT_EQ(m_main->m_btnWild->accessibleName(), QStringLiteral("狂野模式（未开启）"));
    m_main->m_dlgMap.ShowModeless();
    unnamed << UnnamedControls(m_main->m_dlgMap);
    EXPECT_EQ(m_main->m_dlgMap.m_btnLevels[2]->accessibleName(), QStringLiteral("第 3 关（未开启）"));
    m_main->m_dlgMap.EndDialog(QDialog::Rejected);
    g_nGameMode = GameMode::Wild;
    m_main->m_dlgRun.ShowModeless();
    unnamed << UnnamedControls(m_main->m_dlgRun);
    g_fRoll = 12.0f;
    m_main->m_dlgRun.m_attitude->m_fRoll = 12.0f;
    m_main->m_dlgRun.m_attitude->grab();
    EXPECT_TRUE(m_main->m_dlgRun.m_attitude->accessibleDescription().startsWith(QStringLiteral("横滚 12°")));
    // A bare number or readout is read with what it is.
    EXPECT_EQ(m_main->m_dlgRun.m_stcScore->accessibleName(), QStringLiteral("得分：0"));
    EXPECT_EQ(m_main->m_dlgRun.m_stcAttitude->accessibleName(),
              QStringLiteral("横滚 | 俯仰 | 航向：00 | 00 | 00"));
    m_main->m_dlgRun.m_dlgRecord.ShowModeless();
    unnamed << UnnamedControls(m_main->m_dlgRun.m_dlgRecord);
    m_main->m_dlgRun.m_dlgRecord.EndDialog(QDialog::Rejected);
    m_main->m_dlgRun.EndDialog(QDialog::Rejected);
    m_main->m_dlgLesson.ShowModeless();
    unnamed << UnnamedControls(m_main->m_dlgLesson);
    QTest::keyClick(&m_main->m_dlgLesson, Qt::Key_Escape); // no drone: the lesson ends as it leaves
    for (CDialogShell* dialog : std::initializer_list<CDialogShell*>{
             &m_main->m_dlgDebrief, &m_main->m_dlgGameType, &m_main->m_dlgAbout}) {
        dialog->ShowModeless();
        unnamed << UnnamedControls(*dialog);
        dialog->EndDialog(QDialog::Rejected);
    }
    CDlgPlayers players(m_main.get());
    players.show();
    unnamed << UnnamedControls(players);
    CDlgClass classroom(m_main->m_classChecks, m_main.get());
    classroom.show();
    unnamed << UnnamedControls(classroom);
    EXPECT_TRUE(unnamed.isEmpty()) << qPrintable(unnamed.join(QLatin1Char('\n')));
}

// Without a drone, the line under the hint starts the simulated drone and connects to it; a drone that
// cannot be started is said so, and nothing is connected.
TEST_F(MainWindow, PractiseWithoutADroneStartsTheSimulatedOneAndConnects) {
    OpenMainWindow();
    m_main->startPracticeDrone = [](QString* error) {
        *error = QStringLiteral("no program");
        return false;
    };
    m_main->m_btnPractice->click();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("no program")});

    m_main->startPracticeDrone = [this](QString*) {
        m_drone = std::make_unique<CSimDrone>();
        return m_drone->Start();
    };
    m_main->m_btnPractice->click();
    // The tries come from a timer: Qt's event loop runs them.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_main->m_link.State() == LinkState::Good; }, 10000));
    EXPECT_TRUE(g_bDroneConnected);
    CUiThread::Drain();
    EXPECT_FALSE(m_main->m_btnPractice->isVisibleTo(m_main.get()));
    EXPECT_EQ(Messages().size(), 1);
}

// Shift+F10 opens the window's menu, as the Menu key does, for keyboards without one.
TEST_F(MainWindow, ShiftF10OpensTheMenu) {
    OpenMainWindow();
    QStringList items;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : menu->actions())
                items << action->text();
            menu->close();
        }
    });
    QTest::keyClick(m_main.get(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(items.contains(kProgressItemText)) << qPrintable(items.join(QLatin1Char('|')));
}

// The whole program in one process: connect the simulated drone, play level 1 through the map and the
// run window, see level 2 open, and leave while a heartbeat sender still runs.
TEST_F(MainWindow, ConnectPlayLevelOneAndLeaveCleanly) {
    OpenMainWindow();
    Connect(20, LinkState::Good);
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
    EXPECT_EQ(Messages(), QStringList{kNewRecordText});
    EXPECT_TRUE(HeartbeatRunning());

    QTest::keyClick(m_main.get(), Qt::Key_Escape);
    m_main->Shutdown();
    EXPECT_FALSE(HeartbeatRunning());
    EXPECT_FALSE(g_bDroneConnected);
    EXPECT_EQ(g_SerialPort.fd, SerialPortRecord::kNoPort);
}

// A player who has never flown is offered the first-flight lesson when the link first turns good, once
// a run; one who has flown is not: a game in the history, a level opened, or a best score kept from
// before the history.
TEST_F(MainWindow, TheLessonIsOfferedOnceToAPlayerWhoHasNeverFlown) {
    const auto offers = [&] { return Messages().count(kLessonOfferText); };
    OpenMainWindow();
    Connect(20, LinkState::Good);
    EXPECT_TRUE(QTest::qWaitFor([&] { return offers() == 1; }, 5000)); // answered No
    m_main->ShowLinkState(LinkState::Weak);
    m_main->ShowLinkState(LinkState::Good); // the link back
    m_main->OfferLessonToNewPlayer();
    QTest::qWait(50);
    EXPECT_EQ(offers(), 1);

    enum class Flown { Game, OpenLevel, BestScore };
    for (const Flown flown : {Flown::Game, Flown::OpenLevel, Flown::BestScore}) {
        SCOPED_TRACE(static_cast<int>(flown));
        m_main.reset();
        m_drone.reset();
        m_machine.messages.Clear();
        QDir(HistoryFolder()).removeRecursively();
        StoreOpenLevel(1);
        ClearBestScore(4);
        if (flown == Flown::Game) {
            GameRecord game;
            game.level = 1;
            game.started = game.ended = QDateTime::currentDateTime();
            ASSERT_FALSE(WriteGameRecord(game).isEmpty());
        } else if (flown == Flown::OpenLevel) {
            StoreOpenLevel(2);
        } else {
            WriteBestScore(4, 90);
        }
        OpenMainWindow();
        Connect(20, LinkState::Good);
        m_main->OfferLessonToNewPlayer();
        QTest::qWait(50);
        EXPECT_EQ(offers(), 0);
    }
}

// Esc leaves the lesson at once, mid-try, without a question: the drone gets the stop command, no map
// opens, and the player's folders are as they were.
TEST_F(MainWindow, EscLeavesTheLessonAtOnceAndKeepsNothing) {
    OpenMainWindow();
    SimOptions tilted; // never level: the try goes on until the player leaves
    tilted.fRollDeg = 30.0f;
    m_drone = std::make_unique<CSimDrone>(tilted);
    ASSERT_TRUE(m_drone->Start());
    const DataFolders folders = CurrentDataFolders();
    const auto dataBefore = FolderContents(folders.data);
    const auto recordBefore = FolderContents(folders.record);
    m_machine.messages.answer = true; // yes to the lesson

    bool left = false;
    m_player.When<CDlgLesson>([&](CDlgLesson& lesson) {
        // In the first try, the drone leaning out of the box.
        ASSERT_TRUE(CUiThread::WaitFor([&] { return lesson.m_stcLine->Text() == kLessonOutOfBoxText; }, 10s));
        EXPECT_EQ(lesson.m_stcTry->Text(), QStringLiteral("第 1 次"));
        QTest::keyClick(&lesson, Qt::Key_Escape);
        left = !lesson.isVisible() && !lesson.Running();
    });
    m_main->m_btnConnect->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_player.Done(); }, 20000));
    QTest::qWait(50);

    EXPECT_TRUE(left);
    EXPECT_EQ(m_main->m_dlgLesson.LastEnd(), LessonEnd::Closed);
    EXPECT_EQ(Messages(), QStringList{kLessonOfferText});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr); // the main window again, no map
    std::vector<std::vector<std::uint8_t>> commands;
    for (const SimReceivedFrame& frame : m_drone->Received())
        if (frame.nMessageId == kMsgCommand)
            commands.push_back(frame.payload);
    commands.erase(std::unique(commands.begin(), commands.end()), commands.end()); // sent again: once
    ASSERT_EQ(commands.size(), 3u); // the opening, the try's start, the stop
    EXPECT_EQ(commands[1], std::vector<std::uint8_t>{kActionStart});
    EXPECT_EQ(commands[2], std::vector<std::uint8_t>{kActionStop});
    EXPECT_EQ(FolderChanges(dataBefore, FolderContents(folders.data)), QStringList());
    EXPECT_EQ(FolderChanges(recordBefore, FolderContents(folders.record)), QStringList());
}

// Two students on one PC: the game asks who flies, each finds their own levels, F3 switches, and the
// competition name starts as the player's.
TEST_F(MainWindow, TwoPlayersAreAskedForAndEachFindsTheirOwnProgress) {
    QString error;
    const std::optional<Player> ann = AddPlayer(QStringLiteral("Ann"), &error);
    const std::optional<Player> bo = AddPlayer(QStringLiteral("Bo"), &error);
    ASSERT_TRUE(ann && bo) << qPrintable(error);
    UsePlayer(ann);
    StoreOpenLevel(kLevelCount);
    UsePlayer(bo);
    StoreOpenLevel(3);

    // Type-ahead and Enter, as a player at the keyboard chooses.
    const auto choose = [&](const char* letter) {
        m_player.When<CDlgPlayers>([letter](CDlgPlayers& chooser) {
            QListWidget* list = chooser.findChild<QListWidget*>();
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->count(), 3); // both players and "新玩家"
            EXPECT_EQ(list->item(2)->text(), kNewPlayerItem);
            QTest::keyClicks(list, QString::fromLatin1(letter));
            QTest::keyClick(list, Qt::Key_Return);
        });
    };
    choose("A");
    m_main = std::make_unique<CAvilumaDlg>();
    m_main->ChoosePlayerOnShow();
    m_main->ShowModeless();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_player.Done(); }, 5000));
    CUiThread::Drain();
    EXPECT_EQ(CurrentPlayer()->name, QStringLiteral("Ann"));
    EXPECT_EQ(m_main->m_nGrade, kLevelCount);
    EXPECT_TRUE(m_main->windowTitle().endsWith(QStringLiteral("Ann")));

    choose("B");
    QTest::keyClick(m_main.get(), Qt::Key_F3);
    EXPECT_TRUE(m_player.Done());
    EXPECT_EQ(CurrentPlayer()->name, QStringLiteral("Bo"));
    EXPECT_EQ(m_main->m_nGrade, 3);
    EXPECT_EQ(ReadOpenLevel(), 3);

    // Cancelled at start, the chooser says who flies meanwhile.
    m_main.reset();
    CMessageLog told(true);
    m_player.When<CDlgPlayers>([](CDlgPlayers& chooser) { QTest::keyClick(&chooser, Qt::Key_Escape); });
    m_main = std::make_unique<CAvilumaDlg>();
    m_main->ChoosePlayerOnShow();
    m_main->ShowModeless();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.Texts().isEmpty(); }, 5000));
    EXPECT_TRUE(told.Texts()[0].contains(QStringLiteral("“Bo”")) &&
                told.Texts()[0].contains(QStringLiteral("“切换玩家...”")))
        << qPrintable(told.Texts()[0]); // the menu item as the menu shows it
    EXPECT_EQ(CurrentPlayer()->name, QStringLiteral("Bo"));

    CDlgRecord nameEntry;
    m_player.When<CDlgRecord>([](CDlgRecord& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>()->text(), QStringLiteral("Bo"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    nameEntry.DoModal();
    UsePlayer(std::nullopt);
}

// A file that could not be read is told so, not as one that could not be written.
TEST(Messages, AFileThatCannotBeReadIsToldAsUnreadable) {
    const QString text =
        SheetNoticeText(SheetNotice(SheetNoticeKind::SetAside, QStringLiteral("/x/aside"), EACCES));
    EXPECT_TRUE(text.contains(QStringLiteral("没有读取权限"))) << qPrintable(text);
}

} // namespace
