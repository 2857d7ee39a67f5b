#include "app/AvilumaDlg.h"
#include "platform/UiThread.h"
#include "sim/FlightLoop.h"
#include "sim/SimDrone.h"
#include "state/DataFolders.h"
#include "support/ModalPlayer.h"
#include "support/SimulatedMachine.h"
#include "widgets/Announcer.h"
#include "windows/DlgLesson.h"
#include "windows/DlgMap.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QTest>
#include <QTimer>

#include <chrono>

namespace {

using namespace std::chrono_literals;

// The first-flight lesson through the whole game in one process, in real time: a player who has never
// flown connects the simulated drone, flown by its autopilot, and is offered the lesson; yes, and the
// lesson runs until the drone has been levelled once, then level 1's run window opens over the map.
// The drone was driven as a game drives it at difficulty 1, and the player's folders are byte for
// byte as they were: the lesson keeps nothing.
TEST(LessonProgram, ANewPlayerTakesTheLessonAndLandsOnLevelOne) {
    OffscreenApp();
    CSimulatedMachine machine(true);
    machine.messages.answer = true; // yes to the lesson
    CSimDrone drone;
    ASSERT_TRUE(drone.Start());
    CFlightLoop flight(drone, 11);
    flight.SetAutopilot(true);
    flight.Start();
    const DataFolders folders = CurrentDataFolders();
    const auto dataBefore = FolderContents(folders.data);
    const auto recordBefore = FolderContents(folders.record);

    auto main = std::make_unique<CAvilumaDlg>();
    main->ShowModeless();
    CModalPlayer player;
    bool inLesson = false;
    player.When<CDlgLesson>([&](CDlgLesson&) { inLesson = true; });
    bool landed = false;
    player.When<CDlgRun>([&](CDlgRun& run) {
        landed = &run == &main->m_dlgMap.m_dlgRun && g_nGameMode == GameMode::Level && g_nLevel == 1 &&
                 run.m_stcGuide->Text() == AttemptGuideText(GameMode::Level, 1, 0) && !run.Playing();
        run.m_btnClose->click();
    });
    player.When<CDlgMap>([](CDlgMap& map) { map.m_btnClose->click(); });
    // A lesson that never ends, or a run window that never comes, would hold its modal loop for ever:
    // past the bound every window is closed instead, and the test fails.
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (std::chrono::steady_clock::now() < deadline)
            return;
        timedOut = true;
        if (QWidget* top = QApplication::activeModalWidget(); top != nullptr && top != main.get())
            top->close();
    });
    watchdog.start(100);
    main->m_btnConnect->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.Done() || timedOut; }, 90000));
    EXPECT_FALSE(timedOut) << "the lesson did not end at level 1 within a minute";

    EXPECT_TRUE(inLesson);
    EXPECT_TRUE(landed);
    EXPECT_EQ(main->m_dlgLesson.LastEnd(), LessonEnd::Levelled);
    EXPECT_EQ(main->m_dlgLesson.m_announcer->accessibleName(), Tr(kLessonLevelledText)); // said to a reader
    EXPECT_EQ(machine.messages.Texts(), QStringList{kLessonOfferText}); // asked once, nothing else said
    // The opening command, one attempt start a try at difficulty index 0, the stop: as a game sends them.
    std::vector<std::vector<std::uint8_t>> commands;
    for (const SimReceivedFrame& frame : drone.Received())
        if (frame.nMessageId == kMsgCommand)
            commands.push_back(frame.payload);
    // A command sent again for an answer that came late is the same command.
    commands.erase(std::unique(commands.begin(), commands.end()), commands.end());
    const int tries = main->m_dlgLesson.Tries();
    ASSERT_GE(tries, 1);
    ASSERT_EQ(commands.size(), static_cast<std::size_t>(tries) + 2) << tries << " tries";
    EXPECT_EQ(commands.front(), (std::vector<std::uint8_t>{kActionStart, kOpeningDifficulty}));
    for (int k = 1; k <= tries; ++k) {
        const std::vector<std::uint8_t>& start = commands[static_cast<std::size_t>(k)];
        EXPECT_EQ(start[0], kActionStart);
        EXPECT_EQ(start.size() > 1 ? start[1] : 0, kLessonDifficulty) << "try " << k;
    }
    EXPECT_EQ(commands.back()[0], kActionStop);

    QTest::keyClick(main.get(), Qt::Key_Escape);
    main->Shutdown();
    main.reset();
    EXPECT_EQ(FolderChanges(dataBefore, FolderContents(folders.data)), QStringList());
    EXPECT_EQ(FolderChanges(recordBefore, FolderContents(folders.record)), QStringList());
}

} // namespace
