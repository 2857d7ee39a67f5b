#include "windows/DlgRun.h"
#include "game/CommandExchange.h"
#include "instruments/Attitude.h"
#include "instruments/HeightMeter.h"
#include "link/Heartbeat.h"
#include "platform/ProfileFile.h"
#include "platform/UiThread.h"
#include "res/Resource.h"
#include "state/Globals.h"
#include "state/LinkReading.h"
#include "support/ModalPlayer.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"
#include "support/VirtualDrone.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <condition_variable>
#include <random>

namespace {

using namespace std::chrono_literals;

// Holds the game's clock still until the test lets it go on, so a game can be looked at mid-attempt.
class CGate {
public:
    void Wait() {
        std::unique_lock lock(m_mutex);
        ++m_waiting;
        m_cv.notify_all();
        m_cv.wait(lock, [this] { return m_open; });
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }
    bool SomeoneWaiting(std::chrono::milliseconds bound) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, bound, [this] { return m_waiting > 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = false;
    int m_waiting = 0;
};

// Types a name into every name dialog that opens and presses "输  入", as a player would.
class CNamePlayer {
public:
    explicit CNamePlayer(QString name) : m_name(std::move(name)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = dynamic_cast<CDlgRecord*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            static_cast<QLineEdit*>(dialog->GetDlgItem(IDC_EDIT_NAME))->setText(m_name);
            static_cast<QAbstractButton*>(dialog->GetDlgItem(IDC_BTN_TAKE_NAME))->click();
            ++answered;
        });
        m_timer.start(5);
    }
    int answered = 0;

private:
    QString m_name;
    QTimer m_timer;
};

class DlgRun : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<CDlgRun>();
        g_nGameMode = GameMode::Level;
        g_nPlayType = PlayType::Practice;
        g_nLevel = 1;
    }
    void TearDown() override {
        if (Dlg().isVisible())
            Dlg().EndDialog(QDialog::Rejected);
        StopHeartbeat();
        Dlg().WaitForGameEnd(5s);
        ShutdownHeartbeat();
        m_window.reset();
    }
    // Waits for the UI thread to have run what the worker handed it.
    static void Settle() {
        for (int i = 0; i < 5; ++i) {
            CUiThread::Drain();
            QApplication::processEvents();
        }
    }
    static bool SameImage(const IconHandle& icon, int id) { return icon && *icon == *LoadIconResource(id); }

    QApplication& m_app = OffscreenApp();
    CProgramFolder m_folder{{QStringLiteral("Data"), QStringLiteral("Record")}, true};
    CMessageLog m_messages;
    CVirtualDrone m_drone;
    std::unique_ptr<CDlgRun> m_window;
    CDlgRun& Dlg() { return *m_window; }
};

TEST(RunTexts, CaptionsScoresAndTheReadout) {
    const auto practice = PlayType::Practice, competition = PlayType::Competition;
    EXPECT_EQ(RunCaption(GameMode::Level, competition), QStringLiteral("Aviluma—闯关模式—模拟器"));
    EXPECT_EQ(RunCaption(GameMode::Wild, practice), QStringLiteral("Aviluma—狂野模式—练习模式—模拟器"));
    EXPECT_EQ(RunCaption(GameMode::Wild, competition), QStringLiteral("Aviluma—狂野模式—比赛模式—模拟器"));
    EXPECT_EQ(RunCaption(GameMode::Endless, practice), QStringLiteral("Aviluma—无尽模式—练习模式—模拟器"));
    EXPECT_EQ(ScoreText(5), QStringLiteral("  5"));
    EXPECT_EQ(ScoreText(42), QStringLiteral(" 42"));
    EXPECT_EQ(ScoreText(317), QStringLiteral("317"));
    EXPECT_EQ(ScoreText(0), QStringLiteral("  0"));
    EXPECT_EQ(ReadoutText(12.7f, -3.2f, 145.9f), QStringLiteral("12 | -3 | 145"));
    EXPECT_EQ(ReadoutText(-0.7f, 3.9f, 0.0f), QStringLiteral(" 0 |  3 |  0"));
    EXPECT_EQ(ReadoutText(std::nanf(""), INFINITY, -1e30f), QStringLiteral(" 0 | 9999 | -9999"));
}

TEST_F(DlgRun, OpeningSetsCaptionScoreInstrumentsAndTheHeartbeat) {
    g_nGameMode = static_cast<GameMode>(3); // no such mode: the caption keeps its template text
    Dlg().ShowModeless();
    EXPECT_EQ(Dlg().m_stcTitle->Text(), QStringLiteral("Static"));
    EXPECT_EQ(Dlg().m_stcScore->Text(), QStringLiteral("  0"));
    EXPECT_EQ(Dlg().m_stcAttitude->Text(), kReadoutAtRest);
    EXPECT_EQ(Dlg().m_attitude->geometry(),
              QRect(Dlg().ControlRect(IDC_STC_ATTITUDE_FRAME).topLeft(), QSize(325, 325)));
    EXPECT_EQ(Dlg().m_heightMeter->size(), QSize(101, 325));
    EXPECT_FALSE(Dlg().GetDlgItem(IDC_STC_ATTITUDE_FRAME)->isVisible());
    EXPECT_TRUE(g_bLinkActive);
    EXPECT_TRUE(HeartbeatRunning());
    EXPECT_TRUE(Dlg().m_timerReadout.isActive());
    Dlg().m_btnClose->click(); // no game: closes at once, the heartbeat goes on
    EXPECT_FALSE(Dlg().isVisible());
    EXPECT_TRUE(HeartbeatRunning());

    // A later opening shows the last game's total, always behind two spaces.
    Dlg().m_fTotalScore = 123.9f;
    g_nGameMode = GameMode::Wild;
    g_nPlayType = PlayType::Competition;
    Dlg().ShowModeless();
    EXPECT_EQ(Dlg().m_stcTitle->Text(), QStringLiteral("Aviluma—狂野模式—比赛模式—模拟器"));
    EXPECT_EQ(Dlg().m_stcScore->Text(), QStringLiteral("  123"));
}

TEST_F(DlgRun, StartRunsOneGameSwapsTheIconAndComesBackToRest) {
    CGate gate;
    m_drone.onTick = [&](long long) {
        if (m_drone.attemptStarts == 1)
            gate.Wait(); // in the first attempt
    };
    Dlg().ShowModeless();
    EXPECT_TRUE(SameImage(Dlg().m_btnStart->StateIcon(0), IDI_START));
    Dlg().m_btnStart->click();
    Dlg().m_btnStart->click(); // a second press during the game is ignored
    ASSERT_TRUE(gate.SomeoneWaiting(5s));
    EXPECT_TRUE(Dlg().Playing());
    EXPECT_TRUE(Dlg().m_timerInstruments.isActive());
    EXPECT_TRUE(Dlg().m_stcStatus->Text().isEmpty()); // the game's texts wait for the UI thread
    Settle();
    EXPECT_EQ(Dlg().m_stcStatus->Text(), DifficultyAttemptText(1, 1));
    EXPECT_TRUE(SameImage(Dlg().m_btnStart->StateIcon(0), IDI_START_RUNNING));
    gate.Open();
    ASSERT_TRUE(Dlg().WaitForGameEnd(5s));
    Settle();
    EXPECT_FALSE(Dlg().Playing());
    EXPECT_FALSE(Dlg().m_timerInstruments.isActive());
    EXPECT_TRUE(SameImage(Dlg().m_btnStart->StateIcon(0), IDI_START));
    int openings = 0;
    for (const auto& s : m_drone.sent)
        openings += s.command.difficulty == kOpeningDifficulty;
    EXPECT_EQ(openings, 1);
    EXPECT_EQ(Dlg().m_stcScore->Text(), QStringLiteral(" 30")); // level 1, level throughout
    EXPECT_EQ(Dlg().m_stcRecord[2]->Text(), kLevelPassedText);
    // Either outcome is read whole (drawn smaller where it needs to be, never cut).
    for (const QString& result : {kLevelPassedText, kLevelFailedText}) {
        Dlg().m_stcRecord[2]->SetText(result);
        EXPECT_TRUE(Dlg().m_stcRecord[2]->toolTip().isEmpty()) << qPrintable(result);
    }

    // F2 after the game replays it, at its last attempt.
    CModalPlayer player;
    int attempt = -1;
    player.When<CDlgDebrief>([&](CDlgDebrief& debrief) {
        attempt = debrief.AttemptIndex();
        debrief.EndDialog(QDialog::Rejected);
    });
    QTest::keyClick(&Dlg(), Qt::Key_F2);
    EXPECT_TRUE(player.Done());
    EXPECT_EQ(attempt, 2);
}

TEST_F(DlgRun, NoGameOnAStaleAttitudeAndAGameWhoseDroneGoesQuietEndsAtRest) {
    Dlg().ShowModeless();
    const std::int64_t fresh = g_Link.Read().attitudeTimeMs;
    g_Link.Edit([](LinkReading& link) { link.attitudeTimeMs = 0; }); // nothing from the drone yet
    Dlg().m_btnStart->click();
    EXPECT_FALSE(Dlg().Playing());
    EXPECT_TRUE(m_drone.sent.empty());
    EXPECT_EQ(m_messages.Texts(), QStringList{kLinkFaultText});

    g_Link.Edit([fresh](LinkReading& link) { link.attitudeTimeMs = fresh; });
    g_Link.SetState(LinkState::None); // a fresh attitude, but a frame or two a second
    Dlg().m_btnStart->click();
    EXPECT_FALSE(Dlg().Playing());
    EXPECT_TRUE(m_drone.sent.empty());
    g_Link.SetState(LinkState::Good);
    m_messages.Clear();

    m_drone.silentFromMs = 300; // gone during the first attempt
    Dlg().m_btnStart->click();
    ASSERT_TRUE(Dlg().WaitForGameEnd(5s));
    Settle();
    EXPECT_FALSE(Dlg().Playing());
    EXPECT_TRUE(SameImage(Dlg().m_btnStart->StateIcon(0), IDI_START));
    EXPECT_EQ(m_messages.Texts(), QStringList{kLinkFaultText});
    EXPECT_TRUE(Dlg().m_stcRecord[2]->Text().isEmpty());
    Dlg().OnTimer(kTimerReadout);
    EXPECT_EQ(Dlg().m_stcAttitude->Text(), kStaleReadoutText); // not the last angles it sent
    EXPECT_EQ(ReadBestScore(1), 0);
}

TEST_F(DlgRun, TheInstrumentsFollowTheDroneOnlyByMoreThanHalfADegree) {
    Dlg().ShowModeless();
    Dlg().m_attitude->grab(); // painted once, as a shown window is
    Dlg().m_heightMeter->grab();
    g_fYaw = 0.0f;
    g_fPitch = 30.0f;
    g_fRoll = 10.2f;
    Dlg().OnTimer(10);
    EXPECT_EQ(Dlg().m_attitude->m_fRoll, 10.2f);
    for (float roll : {10.6f, 10.3f, 10.5f}) {
        g_fRoll = roll;
        Dlg().OnTimer(10);
        EXPECT_EQ(Dlg().m_attitude->m_fRoll, 10.2f); // a wander of 0.5 or less is not drawn
    }
    g_fRoll = 11.0f;
    Dlg().OnTimer(10);
    EXPECT_EQ(Dlg().m_attitude->m_fRoll, 11.0f);
    EXPECT_EQ(Dlg().m_heightMeter->m_fOffset, 70.0f); // pitch 30 on a 280-pixel scale

    g_fRoll = 12.7f;
    g_fPitch = -3.2f;
    g_fYaw = 145.9f;
    Dlg().OnTimer(11);
    EXPECT_EQ(Dlg().m_stcAttitude->Text(), QStringLiteral("12 | -3 | 145"));
}

TEST_F(DlgRun, ClosingDuringAGameAsksAndOnYesRecordsNothing) {
    CGate gate;
    m_drone.LevelAfterSamples({0, -1});
    m_drone.onTick = [&](long long) {
        if (m_drone.attemptStarts == 2)
            gate.Wait(); // the second attempt, mid-way
    };
    Dlg().ShowModeless();
    Dlg().m_btnStart->click();
    ASSERT_TRUE(gate.SomeoneWaiting(5s));

    Dlg().m_btnClose->click();
    EXPECT_EQ(m_messages.Texts(), QStringList{kCloseDuringGameText});
    EXPECT_TRUE(Dlg().isVisible());
    EXPECT_TRUE(g_bLinkActive);

    // Esc during a game asks the same question; Yes ends the game and the window.
    // The game goes on only once the close has taken effect, so it cannot end by itself first.
    std::thread releaser;
    m_messages.answer = true;
    m_messages.hook = [&](const QString&) {
        releaser = std::thread([&] {
            WaitUntil([] { return !g_bLinkActive; });
            gate.Open();
        });
    };
    QTest::keyClick(&Dlg(), Qt::Key_Escape);
    releaser.join();
    EXPECT_EQ(m_messages.Texts().size(), 2);
    EXPECT_FALSE(Dlg().isVisible());
    EXPECT_FALSE(Dlg().Playing());
    EXPECT_FALSE(g_bLinkActive);
    EXPECT_TRUE(WaitHeartbeatEnd(2s));
    int stops = 0;
    for (const auto& s : m_drone.sent)
        stops += s.command.action == kActionStop;
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(m_drone.sent.back().command.action, kActionStop);
    EXPECT_TRUE(Dlg().m_stcRecord[2]->Text().isEmpty()); // no result text
    EXPECT_EQ(ReadBestScore(1), 0);
}

// The close question asked just as the game ends goes away by itself, as No, with the game recorded.
TEST_F(DlgRun, TheCloseQuestionOfAGameThatEndsMeanwhileClosesItself) {
    CGate gate;
    m_drone.onTick = [&](long long) {
        if (m_drone.attemptStarts == 3)
            gate.Wait(); // the last attempt
    };
    WriteBestScore(1, 999); // no new record: its message would wait for an answer
    Dlg().ShowModeless();
    Dlg().m_btnStart->click();
    ASSERT_TRUE(gate.SomeoneWaiting(5s));
    SetMessageResponder({}); // a real box, answered by nobody
    CModalPlayer player;
    player.When<QMessageBox>([&](QMessageBox&) { gate.Open(); });
    bool rescued = false; // a question left standing is closed here, and the test fails
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            rescued = true;
            box->reject();
        }
    });
    rescue.start(10000);
    Dlg().m_btnClose->click();
    EXPECT_TRUE(player.Done());
    EXPECT_FALSE(rescued);
    EXPECT_TRUE(Dlg().isVisible());
    EXPECT_FALSE(Dlg().Playing());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Dlg().m_stcRecord[2]->Text(), kLevelPassedText);
}

TEST_F(DlgRun, ClosingAtRandomMomentsNeverLeavesTheGameBehind) {
    // Games in virtual time that still take a little real time per step; windows closed at random
    // moments and thrown away at once. Nothing may crash, hang or touch a window that is gone.
    m_messages.answer = true;
    m_drone.onTick = [](long long) { std::this_thread::sleep_for(200us); };
    CNamePlayer player(QStringLiteral("测试"));
    std::mt19937 random(17);
    for (int round = 0; round < 25; ++round) {
        g_nGameMode = static_cast<GameMode>(random() % 3);
        auto dlg = std::make_unique<CDlgRun>();
        dlg->ShowModeless();
        dlg->m_btnStart->click();
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(random() % 150);
        while (std::chrono::steady_clock::now() < until) {
            CUiThread::Drain();
            QApplication::processEvents();
        }
        dlg->m_btnClose->click();
        EXPECT_FALSE(dlg->isVisible()) << "round " << round;
        EXPECT_FALSE(dlg->Playing()) << "round " << round;
        dlg.reset();
        Settle(); // anything the game left for the window meets a window that is gone
        g_bLinkActive = true;
    }
}

TEST_F(DlgRun, RecordsLinesAndClearing) {
    g_nLevel = 4;
    WriteBestScore(4, 57);
    Dlg().ShowModeless();
    EXPECT_EQ(Dlg().m_stcRecord[0]->Text(), QStringLiteral("关卡 4 最高得分 : 57"));
    Dlg().EndDialog(QDialog::Rejected);
    g_nLevel = 5;
    Dlg().ShowModeless();
    EXPECT_TRUE(Dlg().m_stcRecord[0]->Text().isEmpty());
    Dlg().EndDialog(QDialog::Rejected);

    g_nGameMode = GameMode::Endless;
    g_nPlayType = PlayType::Competition;
    const QString section = TopListSection(GameMode::Endless);
    WritePrivateProfileString(section, QStringLiteral("top1"), QStringLiteral("120"), RaceCfgPath());
    WritePrivateProfileString(section, QStringLiteral("name1"), QStringLiteral("玩家一"), RaceCfgPath());
    WritePrivateProfileString(section, QStringLiteral("top2"), QStringLiteral("30"), RaceCfgPath());
    WritePrivateProfileString(TopListSection(GameMode::Wild), QStringLiteral("top1"), QStringLiteral("99"),
                              RaceCfgPath());
    WritePrivateProfileString(section, QStringLiteral("top1"), QStringLiteral("77"), RecordCfgPath());
    Dlg().ShowModeless();
    EXPECT_EQ(Dlg().m_stcRecord[0]->Text(), QStringLiteral("Top1    120    玩家一"));
    EXPECT_EQ(Dlg().m_stcRecord[1]->Text(), QStringLiteral("Top2    30    null"));
    EXPECT_TRUE(Dlg().m_stcRecord[2]->Text().isEmpty());

    Dlg().m_btnClear->click();
    EXPECT_EQ(m_messages.Texts(), QStringList{kClearRecordsText});
    EXPECT_EQ(Dlg().m_stcRecord[0]->Text(), QStringLiteral("Top1    120    玩家一")); // No: untouched
    EXPECT_EQ(ReadTopList(RaceCfgPath(), section)[0].score, 120);

    m_messages.answer = true;
    Dlg().m_btnClear->click();
    EXPECT_TRUE(Dlg().m_stcRecord[0]->Text().isEmpty());
    EXPECT_EQ(Dlg().m_stcScore->Text(), QStringLiteral("  0"));
    EXPECT_EQ(ReadTopList(RaceCfgPath(), section)[0].score, 0);
    EXPECT_EQ(ReadTopList(RaceCfgPath(), TopListSection(GameMode::Wild))[0].score, 99); // the wild list stays
    EXPECT_EQ(ReadTopList(RecordCfgPath(), section)[0].score, 77);                      // so does practice
}

} // namespace
