#include "link/SerialTransport.h"
#include "platform/SerialPort.h"
#include "state/Globals.h"
#include "state/LinkReading.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <array>
#include <mutex>
#include <thread>
#include <vector>

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The far end of a pseudo-terminal stands in for the drone; the game opens the near end.
class CPty {
public:
    CPty() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_path = QString::fromLocal8Bit(ptsname(m_master));
    }
    ~CPty() { CloseMaster(); }
    QString Path() const { return m_path; }
    void Write(const Bytes& bytes) const {
        ASSERT_EQ(write(m_master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // Everything the game wrote, read until nothing more comes for a short while.
    Bytes ReadAll() const {
        Bytes all;
        std::array<std::uint8_t, 4096> chunk{};
        pollfd p{m_master, POLLIN, 0};
        while (poll(&p, 1, 200) > 0) {
            const ssize_t n = read(m_master, chunk.data(), chunk.size());
            if (n <= 0)
                break;
            all.insert(all.end(), chunk.begin(), chunk.begin() + n);
        }
        return all;
    }
    void CloseMaster() {
        if (m_master >= 0)
            close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_path;
};

Bytes CommandReply(std::uint8_t status) {
    GameCommand reply;
    reply.action = status;
    Bytes frame(kCommandFrameMax);
    frame.resize(EncodeFrame(kMsgCommand, kCrcExtraCommand, 0, AsBytes(reply), true, frame));
    return frame;
}

Bytes Attitude(float roll) {
    AttitudeRecord record;
    record.roll = roll;
    Bytes frame(kFrameOverhead + sizeof record);
    EncodeFrame(kMsgAttitude, kCrcExtraAttitude, 0, AsBytes(record), false, frame);
    return frame;
}

class SerialTransport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_pty.Path().isEmpty()); }
    void TearDown() override {
        StopReceiving();
        CloseDronePort();
    }

    void StartReceiving() {
        g_bReadThreadRun = true;
        m_reader = std::thread([this] {
            ReadThreadProc([this](ConstFrameArray frame) {
                std::lock_guard lock(m_mutex);
                m_frames.emplace_back(frame.begin(), frame.begin() + FrameLength(frame));
            });
            m_readerDone = true;
        });
    }
    void StopReceiving() {
        g_bReadThreadRun = false;
        if (m_reader.joinable())
            m_reader.join();
    }
    std::vector<Bytes> Frames() {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }

    CPty m_pty;
    std::thread m_reader;
    std::atomic<bool> m_readerDone{false};
    std::mutex m_mutex;
    std::vector<Bytes> m_frames;
};

TEST_F(SerialTransport, OpensThePortWithTheDronesLineSettings) {
    ASSERT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::None);
    const int fd = g_SerialPort.fd;
    ASSERT_GE(fd, 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    EXPECT_EQ(cfgetispeed(&tio), B115200);
    EXPECT_EQ(cfgetospeed(&tio), B115200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u); // raw bytes

    CloseDronePort();
    EXPECT_EQ(g_SerialPort.fd, SerialPortRecord::kNoPort);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1); // the descriptor really went
}

TEST_F(SerialTransport, FailedOpensLeaveNothingOpenAndSayWhetherThePlayerCanAct) {
    // Missing device and a device that is no serial port: nothing the player can do.
    EXPECT_EQ(OpenDronePort(QStringLiteral("/dev/aviluma-no-such-port")), SerialOpenError::Other);
    EXPECT_EQ(OpenDronePort(QStringLiteral("/dev/null")), SerialOpenError::Settings);
    EXPECT_EQ(g_SerialPort.fd, SerialPortRecord::kNoPort);

    // Another program holds the port.
    ASSERT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::None);
    const int held = g_SerialPort.fd;
    g_SerialPort.fd = SerialPortRecord::kNoPort; // forget it without closing: "another program"
    EXPECT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::Busy);
    EXPECT_EQ(g_SerialPort.fd, SerialPortRecord::kNoPort);
    close(held);
}

// Line settings the port refuses leave it as it was: not exclusive (the flag is the tty's, not our
// descriptor's, and would keep every later opener out) and not locked.
TEST_F(SerialTransport, RefusedSettingsGiveThePortBack) {
    RefuseSerialSettingsForTests(true);
    EXPECT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::Settings);
    RefuseSerialSettingsForTests(false);
    const int fd = open(QFile::encodeName(m_pty.Path()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    int exclusive = 1;
    ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
}

TEST_F(SerialTransport, ADeviceOnlyItsOwnerMayOpenIsPermissionDenied) {
    // Root opens anything, so the attempt runs in a child process that has become an ordinary user.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyLocked"));
    const int fd = open(qPrintable(path), O_CREAT | O_WRONLY, 0000);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(chmod(qPrintable(dir.path()), 0755), 0);
    EXPECT_EQ(RunAsOrdinaryUser([&] { return static_cast<int>(OpenDronePort(path)); }),
              static_cast<int>(SerialOpenError::PermissionDenied));
}

TEST_F(SerialTransport, JoinsPiecesAndDrainsSeveralFramesInOrder) {
    ASSERT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::None);
    StartReceiving();

    const Bytes reply = CommandReply(7); // 9 bytes
    m_pty.Write(Bytes(reply.begin(), reply.begin() + 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(Frames().empty()); // a partial frame is not dispatched
    m_pty.Write(Bytes(reply.begin() + 3, reply.end()));
    ASSERT_TRUE(WaitUntil([&] { return Frames().size() == 1; }));
    EXPECT_EQ(Frames()[0], reply);

    // Two frames in one write, then more than one read's worth (1024 bytes) queued at once.
    Bytes burst = CommandReply(1);
    const Bytes second = CommandReply(2);
    burst.insert(burst.end(), second.begin(), second.end());
    m_pty.Write(burst);
    ASSERT_TRUE(WaitUntil([&] { return Frames().size() == 3; }));
    EXPECT_EQ(Frames()[2], second);

    Bytes many;
    for (int i = 0; i < 60; ++i) { // 60 x 36 = 2160 bytes
        const Bytes f = Attitude(static_cast<float>(i));
        many.insert(many.end(), f.begin(), f.end());
    }
    m_pty.Write(many);
    ASSERT_TRUE(WaitUntil([&] { return Frames().size() == 63; }));
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(Frames()[3 + i], Attitude(static_cast<float>(i))) << "frame " << i;
}

TEST_F(SerialTransport, SilentLineDispatchesNothingAndTheLoopStopsOnItsFlag) {
    ASSERT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::None);
    StartReceiving();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(Frames().empty());
    EXPECT_FALSE(m_readerDone);

    g_bReadThreadRun = false;
    EXPECT_TRUE(WaitUntil([&] { return m_readerDone.load(); }));
}

TEST_F(SerialTransport, AHungUpPortEndsTheLoop) {
    ASSERT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::None);
    StartReceiving();
    m_pty.Write(CommandReply(1));
    ASSERT_TRUE(WaitUntil([&] { return Frames().size() == 1; }));
    m_pty.CloseMaster(); // the port hangs up for good
    EXPECT_TRUE(WaitUntil([&] { return m_readerDone.load(); }));
    EXPECT_TRUE(g_bReadThreadRun); // it ended by itself: its owner learns that the port is gone
}

TEST_F(SerialTransport, ConcurrentWritersNeverInterleaveTheirFrames) {
    ASSERT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::None);
    constexpr int kPerWriter = 100;
    auto writer = [](std::uint8_t tag) {
        for (int i = 0; i < kPerWriter; ++i) {
            const Bytes f = CommandReply(tag);
            WritePort(f.data(), static_cast<std::uint8_t>(f.size()));
        }
    };
    std::thread a(writer, 0xA1), b(writer, 0xB2);
    Bytes received;
    std::thread drain([&] { received = m_pty.ReadAll(); });
    a.join();
    b.join();
    drain.join();

    CReceiveBuffer buffer;
    buffer.Append(received);
    std::array<std::uint8_t, kFrameArraySize> frame{};
    int good = 0;
    while (TakeFrame(buffer, frame) > 0) {
        GameCommand command;
        ASSERT_TRUE(DecodeCommandReply(frame, command));
        good++;
    }
    EXPECT_EQ(good, 2 * kPerWriter);
}

// Also a frame for a connection that has closed: the port open now is another connection's.
TEST_F(SerialTransport, WritesToAClosedPortAreDroppedQuietly) {
    const Bytes f = CommandReply(1);
    WritePort(f.data(), static_cast<std::uint8_t>(f.size())); // never opened
    ASSERT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::None);
    CloseDronePort();
    WritePort(f.data(), static_cast<std::uint8_t>(f.size()));
    EXPECT_TRUE(m_pty.ReadAll().empty());

    const std::uint64_t closed = g_Link.Generation();
    g_Link.Closed();
    ASSERT_EQ(OpenDronePort(m_pty.Path()), SerialOpenError::None);
    WritePortOfLink(closed, f.data(), static_cast<std::uint8_t>(f.size()));
    const Bytes g = CommandReply(2);
    WritePortOfLink(g_Link.Generation(), g.data(), static_cast<std::uint8_t>(g.size()));
    EXPECT_EQ(m_pty.ReadAll(), g);
}

} // namespace
