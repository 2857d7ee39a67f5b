#include "link/LinkService.h"
#include "link/Heartbeat.h"
#include "link/SerialTransport.h"
#include "platform/LocalClock.h"
#include "platform/SerialPort.h"
#include "sim/SimDrone.h"
#include "support/LogCapture.h"
#include "support/SimulatedMachine.h"
#include "support/VirtualLinkTime.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <csignal>
#include <limits>
#include <mutex>
#include <random>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class CRecordingView : public ILinkView {
public:
    void ShowPortState(bool open, const DroneIdentity&) override { m_portOpen = open; }
    void ShowLinkState(LinkState linkState) override {
        std::lock_guard lock(m_mutex);
        m_states.push_back(linkState);
    }
    std::vector<LinkState> States() {
        std::lock_guard lock(m_mutex);
        return m_states;
    }
    std::atomic<bool> m_portOpen{false};

private:
    std::mutex m_mutex;
    std::vector<LinkState> m_states;
};

class LinkService : public ::testing::Test {
protected:
    void SetUp() override {
        g_nAttitudeCount = 0;
        g_nAckStatus = 0;
    }
    void TearDown() override {
        m_service.StopLink();
        ShutdownHeartbeat();
    }
    // A simulated drone streaming at rate, found on the machine like a real one.
    std::unique_ptr<CSimDrone> StartDrone(int rate) {
        SimOptions options;
        options.nFrameRate = rate;
        auto drone = std::make_unique<CSimDrone>(options);
        EXPECT_TRUE(drone->Start());
        return drone;
    }

    CLogCapture m_log;
    CSimulatedMachine m_machine;
    CRecordingView m_view;
    CLinkService m_service{m_view};
};

TEST(LinkStates, CountThresholds) {
    const std::pair<int, LinkState> cases[] = {{0, LinkState::None},  {5, LinkState::None},
                                               {6, LinkState::Weak},  {9, LinkState::Weak},
                                               {10, LinkState::Good}, {40, LinkState::Good}};
    for (auto [count, state] : cases)
        EXPECT_EQ(LinkStateFromCount(count), state) << count;
}

TEST(DispatchFrame, StoresVerifiedAttitudeInDegreesAndAcknowledgements) {
    auto frameOf = [](std::uint8_t id, std::uint8_t extra, std::span<const std::uint8_t> payload) {
        std::array<std::uint8_t, kFrameArraySize> frame{};
        EncodeFrame(id, extra, 0, payload, false, frame);
        return frame;
    };
    AttitudeRecord attitude;
    attitude.roll = 0.1f;
    attitude.pitch = -0.2f;
    attitude.yaw = 1.0f;
    g_nAttitudeCount = 0;
    DispatchFrame(frameOf(kMsgAttitude, kCrcExtraAttitude, AsBytes(attitude)));
    EXPECT_EQ(g_fRoll, 5.73f); // by the factor 57.3, in double precision, stored as float
    EXPECT_EQ(g_fPitch, static_cast<float>(-0.2f * 57.3));
    EXPECT_EQ(g_fYaw, 57.3f);
    EXPECT_EQ(g_nAttitudeCount, 1);
    EXPECT_NEAR(g_Link.Read().attitudeTimeMs, MonotonicMs(), 1000); // stamped when stored

    auto damaged = frameOf(kMsgAttitude, kCrcExtraAttitude, AsBytes(AttitudeRecord{}));
    damaged[10] ^= 1;
    DispatchFrame(damaged);
    EXPECT_EQ(g_fRoll, 5.73f);
    EXPECT_EQ(g_nAttitudeCount, 1); // not even counted

    GameCommand reply;
    reply.action = 1;
    g_nAckStatus = 0;
    auto replyFrame = frameOf(kMsgCommand, kCrcExtraCommand, AsBytes(reply));
    replyFrame[14] ^= 0xFF; // checksum broken
    DispatchFrame(replyFrame);
    EXPECT_EQ(g_nAckStatus, 0);
    DispatchFrame(frameOf(kMsgCommand, kCrcExtraCommand, AsBytes(reply)));
    EXPECT_EQ(g_nAckStatus, 1);

    // A heartbeat coming back is no message the PC takes.
    DispatchFrame(frameOf(kMsgHeartbeat, kCrcExtraHeartbeat, AsBytes(HeartbeatRecord{})));
    EXPECT_EQ(g_nAttitudeCount, 1);
    EXPECT_EQ(g_nAckStatus, 1);

    // Angles that are no number, or beyond a full turn, are refused like a broken frame.
    const float inf = std::numeric_limits<float>::infinity();
    for (auto [roll, pitch, yaw] : {std::tuple{std::nanf(""), 0.0f, 0.0f},
                                    {0.0f, -inf, 0.0f},
                                    {0.0f, 0.0f, 1e38f},
                                    {1e20f, 0.0f, 0.0f},
                                    {0.0f, -6.3f, 0.0f}}) {
        g_Link.Edit([](LinkReading& link) { link.attitudeTimeMs = 0; });
        attitude.roll = roll;
        attitude.pitch = pitch;
        attitude.yaw = yaw;
        DispatchFrame(frameOf(kMsgAttitude, kCrcExtraAttitude, AsBytes(attitude)));
        EXPECT_EQ(g_nAttitudeCount, 1);
        EXPECT_EQ(g_fRoll, 5.73f);
        EXPECT_EQ(g_Link.Read().attitudeTimeMs, 0);
    }
}

TEST_F(LinkService, ConnectWithoutADroneFindsNoneEachTime) {
    EXPECT_EQ(m_service.Connect().outcome, ConnectOutcome::NoDrone);
    EXPECT_EQ(m_service.Connect().outcome, ConnectOutcome::NoDrone);
    EXPECT_FALSE(g_bDroneConnected);
    EXPECT_FALSE(m_view.m_portOpen);
    EXPECT_EQ(m_log.Lines(),
              QStringList(2, QStringLiteral("link: no drone found: no USB serial device 26ac:0011")));
}

// A press that finds the port busy says why, and the monitor, watching on from there, does not say it
// again. Once the other program lets the port go, the drone is connected without another press, as a
// connection of its own: a game begun while the port was busy is not on it.
TEST_F(LinkService, APortHeldByAnotherProgramIsBusyAndTakenOnceFree) {
    auto drone = StartDrone(20);
    const SerialOpenResult other = OpenSerialDevice(drone->DevicePath());
    ASSERT_EQ(other.error, SerialOpenError::None);
    CVirtualLinkTime time;
    CLinkService service(m_view, time);
    EXPECT_EQ(service.Connect().outcome, ConnectOutcome::Busy);
    ASSERT_TRUE(time.Waiting()); // after the monitor's first look, at a port still busy
    EXPECT_EQ(m_log.Lines(),
              QStringList{QStringLiteral("link: cannot open the drone's port %1: Device or resource busy")
                              .arg(drone->DevicePath())});
    const std::uint64_t generation = g_Link.Generation();
    CloseSerialDevice(other.fd);
    ASSERT_TRUE(time.Advance(1s)); // the next look
    EXPECT_TRUE(m_view.m_portOpen);
    EXPECT_NE(g_Link.Generation(), generation);
    service.StopLink();
}

TEST_F(LinkService, SteadyStreamIsAGoodLinkAndTheIconChangesOnce) {
    auto drone = StartDrone(20);
    drone->SetAttitudeRadians(0.1f, 0.0f, 0.0f);
    const ConnectResult result = m_service.Connect();
    EXPECT_EQ(result.outcome, ConnectOutcome::Connected);
    EXPECT_EQ(result.port, drone->DevicePath());
    ASSERT_TRUE(g_bDroneConnected);
    EXPECT_TRUE(m_view.m_portOpen);
    const int fd = g_SerialPort.fd;

    EXPECT_EQ(m_service.Connect().outcome, ConnectOutcome::AlreadyConnected); // opens nothing more
    EXPECT_EQ(g_SerialPort.fd, fd);

    ASSERT_TRUE(WaitUntil([&] { return m_service.State() == LinkState::Good; }, 5s));
    EXPECT_EQ(g_fRoll, 5.73f);

    m_service.StopLink();
    EXPECT_FALSE(g_bDroneConnected);
    EXPECT_EQ(g_SerialPort.fd, SerialPortRecord::kNoPort);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
    EXPECT_EQ(m_log.Lines(), QStringList{}); // a link that goes well logs nothing
}

// The monitor's verdict, period by period in virtual time, from the frames counted in each: good from
// ten a second, weak from six, none below; the icon changes only when the verdict does.
TEST_F(LinkService, EachPeriodsFramesGiveItsVerdictAndTheIconChangesOnlyWithIt) {
    auto drone = StartDrone(0); // silent: the counts are the test's
    CVirtualLinkTime time;
    CLinkService service(m_view, time);
    ASSERT_EQ(service.Connect().outcome, ConnectOutcome::Connected);
    ASSERT_TRUE(time.Waiting()); // after the monitor's first look, at the connection
    const std::pair<int, LinkState> periods[] = {
        {20, LinkState::Good}, {10, LinkState::Good}, {9, LinkState::Weak},  {6, LinkState::Weak},
        {5, LinkState::None},  {0, LinkState::None},  {40, LinkState::Good}, {40, LinkState::Good}};
    for (const auto& [frames, verdict] : periods) {
        SCOPED_TRACE(frames);
        g_nAttitudeCount = frames;
        ASSERT_TRUE(time.Advance(kMonitorPeriod));
        EXPECT_EQ(service.State(), verdict);
    }
    EXPECT_EQ(m_view.States(),
              (std::vector<LinkState>{LinkState::Good, LinkState::Weak, LinkState::None, LinkState::Good}));
    service.StopLink();
}

TEST_F(LinkService, CommandRepliesSetTheAcknowledgement) {
    auto drone = StartDrone(20);
    m_service.Connect();
    ASSERT_TRUE(g_bDroneConnected);
    GameCommand command;
    command.action = 1;
    std::array<std::uint8_t, kCommandFrameMax> frame{};
    const int length = BuildCommandFrame(command, frame);
    g_nAckStatus = 0;
    WritePort(frame.data(), static_cast<std::uint8_t>(length));
    ASSERT_TRUE(WaitUntil([] { return g_nAckStatus == 1; }, 2s));
    EXPECT_EQ(drone->CountReceived(kMsgCommand), 1);
}

TEST_F(LinkService, AVanishedDroneIsDroppedAndTakenBackOnItsNewPort) {
    auto drone = StartDrone(20);
    const QString firstPort = drone->DevicePath();
    m_service.Connect();
    ASSERT_TRUE(WaitUntil([&] { return m_service.State() == LinkState::Good; }, 5s));
    g_bLinkActive = true;
    StartHeartbeat();

    const std::uint64_t generation = g_Link.Generation();
    drone->Vanish(); // unplugged: the port hangs up and the registration goes
    ASSERT_TRUE(WaitUntil([&] { return !g_bDroneConnected && !m_view.m_portOpen; }, 3s));
    EXPECT_EQ(g_SerialPort.fd, SerialPortRecord::kNoPort);
    EXPECT_EQ(g_Link.Read().attitudeTimeMs, 0); // what the lost drone said last is no attitude now
    EXPECT_NE(g_Link.Generation(), generation);
    EXPECT_EQ(m_view.States().back(), LinkState::None);
    EXPECT_EQ(m_service.Connect().outcome, ConnectOutcome::NoDrone); // the button looks again
    const auto cpuBefore = ProcessCpuTime();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(ProcessCpuTime() - cpuBefore, 100ms) << "waiting for the drone must not spin";

    drone = StartDrone(20); // plugged in again (perhaps under the same name); nobody presses connect
    ASSERT_TRUE(WaitUntil([&] { return m_service.State() == LinkState::Good; }, 5s));
    EXPECT_TRUE(m_view.m_portOpen);
    EXPECT_TRUE(WaitUntil([&] { return drone->CountReceived(kMsgHeartbeat) > 0; }, 3s));
    StopHeartbeat();
    // The loss, the press of the button, the return: each said once, not at every look in between.
    const QStringList lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 3) << qPrintable(lines.join('\n'));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("link: lost the drone on %1 (").arg(firstPort)))
        << qPrintable(lines[0]);
    EXPECT_EQ(lines[1], QStringLiteral("link: no drone found: no USB serial device 26ac:0011"));
    EXPECT_TRUE(lines[2].startsWith(
        QStringLiteral("link: connected to the drone on %1 (serial SIM").arg(drone->DevicePath())))
        << qPrintable(lines[2]);
}

// A game killed while it has the simulated drone's port cannot give back the port's exclusive use;
// the drone gives it back, so the next game (an ordinary user's, whom the flag would stop) connects
// without the drone being restarted.
TEST_F(LinkService, TheSimulatedDroneGivesBackThePortOfAKilledGame) {
    auto drone = StartDrone(20);
    const QString port = drone->DevicePath();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t game = fork();
    ASSERT_GE(game, 0);
    if (game == 0) {
        const char opened = OpenSerialDevice(port).error == SerialOpenError::None ? 1 : 0;
        [[maybe_unused]] const ssize_t n = write(ready[1], &opened, 1);
        pause();
        _exit(0);
    }
    char opened = 0;
    ASSERT_EQ(read(ready[0], &opened, 1), 1);
    ASSERT_EQ(opened, 1);
    kill(game, SIGKILL);
    waitpid(game, nullptr, 0);
    ASSERT_EQ(chmod(QFile::encodeName(port).constData(), 0666), 0);
    EXPECT_TRUE(WaitUntil([&] {
        return RunAsOrdinaryUser([&] {
                   const SerialOpenError error = OpenDronePort(port);
                   CloseDronePort();
                   return static_cast<int>(error);
               }) == static_cast<int>(SerialOpenError::None);
    }));
}

TEST_F(LinkService, TheNextUserFindsThePortFreeAfterAStop) {
    // The simulated drone keeps its side of the pseudo-terminal open, as a second program might; the
    // port must not stay exclusive once we closed it. Root passes that check, so an ordinary user tries.
    auto drone = StartDrone(20);
    ASSERT_EQ(m_service.Connect().outcome, ConnectOutcome::Connected);
    m_service.StopLink();
    const QString port = drone->DevicePath();
    ASSERT_EQ(chmod(QFile::encodeName(port).constData(), 0666), 0);
    EXPECT_EQ(RunAsOrdinaryUser([&] {
                  const SerialOpenError error = OpenDronePort(port);
                  CloseDronePort();
                  return static_cast<int>(error);
              }),
              static_cast<int>(SerialOpenError::None));
}

TEST_F(LinkService, NoiseAtLineRateNeverBreaksTheReceivePath) {
    // Ten seconds' worth of random bytes at line rate (115 kB) with valid frames mixed in, written by
    // hand on our own pseudo-terminal: then clean frames must all come through again.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    ASSERT_EQ(OpenDronePort(QString::fromLocal8Bit(ptsname(master))), SerialOpenError::None);
    g_bReadThreadRun = true;
    std::thread reader([] { ReadThreadProc(DispatchFrame); });

    AttitudeRecord record;
    record.roll = 0.5f;
    std::array<std::uint8_t, kFrameOverhead + sizeof record> frame{};
    EncodeFrame(kMsgAttitude, kCrcExtraAttitude, 0, AsBytes(record), false, frame);
    std::mt19937 random(99);
    for (int tick = 0; tick < 1000; ++tick) {
        Bytes chunk(115);
        for (auto& b : chunk)
            b = static_cast<std::uint8_t>(random());
        ASSERT_EQ(write(master, chunk.data(), chunk.size()), ssize_t(chunk.size()));
        ASSERT_EQ(write(master, frame.data(), frame.size()), ssize_t(frame.size()));
        // Ten times line rate: the reader still takes the bytes in reads of every size.
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_GT(g_nAttitudeCount, 0); // some frames survive the noise around them

    // A false start byte may still wait for its "frame"; the longest there is settles it.
    const Bytes settle(kFrameOverhead + 255, 0x00);
    ASSERT_EQ(write(master, settle.data(), settle.size()), ssize_t(settle.size()));
    std::this_thread::sleep_for(200ms);
    const int before = g_nAttitudeCount;
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(write(master, frame.data(), frame.size()), ssize_t(frame.size()));
    EXPECT_TRUE(WaitUntil([&] { return g_nAttitudeCount == before + 20; }, 3s));
    EXPECT_EQ(g_fRoll, static_cast<float>(0.5f * kDegreesPerRadian));

    g_bReadThreadRun = false;
    reader.join();
    CloseDronePort();
    close(master);
}

TEST_F(LinkService, OneHeartbeatSenderAboutOnceASecond) {
    auto drone = StartDrone(20);
    m_service.Connect();
    ASSERT_TRUE(g_bDroneConnected);

    g_bLinkActive = true;
    StartHeartbeat(); // the level map's run window
    StartHeartbeat(); // the main window's run window: still one sender
    ASSERT_TRUE(WaitUntil([&] { return drone->CountReceived(kMsgHeartbeat) >= 4; }, 6s));
    StopHeartbeat();
    EXPECT_TRUE(WaitHeartbeatEnd(1000ms));
    const int sent = drone->CountReceived(kMsgHeartbeat);
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(drone->CountReceived(kMsgHeartbeat), sent); // nothing after the stop

    std::vector<SimReceivedFrame> beats;
    for (const SimReceivedFrame& f : drone->Received())
        if (f.nMessageId == kMsgHeartbeat)
            beats.push_back(f);
    ASSERT_GE(beats.size(), 4u);
    for (std::size_t i = 1; i < beats.size(); ++i) {
        // One sender: consecutive sequence numbers, about a second apart (two senders would halve it).
        EXPECT_EQ(beats[i].nSequence, static_cast<std::uint8_t>(beats[i - 1].nSequence + 1));
        const auto gap = beats[i].time - beats[i - 1].time;
        EXPECT_GT(gap, 700ms);
        EXPECT_EQ(beats[i].payload, Bytes{0x00}); // all zero, trimmed to one byte
    }

    // A new opening after the stop starts a fresh sender.
    g_bLinkActive = true;
    StartHeartbeat();
    EXPECT_TRUE(WaitUntil([&] { return drone->CountReceived(kMsgHeartbeat) > sent; }, 3s));
    EXPECT_TRUE(HeartbeatRunning());
}

} // namespace
