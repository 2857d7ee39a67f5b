#include "sim/SimDrone.h"

#include "link/FrameCodec.h"
#include "platform/DeviceList.h"
#include "platform/SerialPort.h"

#include <array>
#include <cmath>
#include <numbers>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds kListenPoll{20};
constexpr int kAbandonCheckPasses = 10; // a port a dead game left is given back within 0.2 s
constexpr std::chrono::milliseconds kSendBound{50};
constexpr std::size_t kLogLimit = 100000; // hours of heartbeats; a runaway sender cannot eat memory

float Radians(float degrees) {
    return degrees * std::numbers::pi_v<float> / 180.0f;
}

} // namespace

CSimDrone::CSimDrone(SimOptions options) : m_options(options) {
    SetAttitudeDegrees(options.fRollDeg, options.fPitchDeg, options.fYawDeg);
    m_nFrameRate = options.nFrameRate;
}

CSimDrone::~CSimDrone() {
    Stop();
}

bool CSimDrone::Start() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0)
        return false;
    const char* name = (grantpt(master) == 0 && unlockpt(master) == 0) ? ptsname(master) : nullptr;
    const int hold = name ? open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (hold < 0) {
        close(master);
        return false;
    }
    // Raw until the game sets its own line: an echoing terminal would send our frames back to us.
    termios tio{};
    if (tcgetattr(hold, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(hold, TCSANOW, &tio);
    }
    {
        std::unique_lock lock(m_portMutex);
        m_nMasterFd = master;
        m_nHoldFd = hold;
        m_strDevicePath = QString::fromLocal8Bit(name);
    }
    if (m_options.bRegister) {
        const QString port = m_strDevicePath.mid(QStringLiteral("/dev/").size());
        m_strRegistryEntry =
            RegisterDevice({DroneInstanceId(QStringLiteral("SIM%1").arg(getpid())),
                            QStringLiteral("Aviluma simulated drone (%1)").arg(port), m_strDevicePath});
    }
    m_bRun = true;
    m_streamThread.Start([this] { StreamThreadProc(); });
    m_listenThread.Start([this] { ListenThreadProc(); });
    return true;
}

void CSimDrone::Stop() {
    {
        std::lock_guard lock(m_wakeMutex);
        m_bRun = false;
    }
    m_wake.notify_all();
    m_streamThread.Join(true);
    m_listenThread.Join(true);
    ClosePort();
}

void CSimDrone::Vanish() {
    ClosePort();
}

void CSimDrone::ClosePort() {
    if (!m_strRegistryEntry.isEmpty()) {
        UnregisterDevice(m_strRegistryEntry);
        m_strRegistryEntry.clear();
    }
    std::unique_lock lock(m_portMutex);
    CloseSerial(m_nMasterFd);
    CloseSerial(m_nHoldFd);
    m_nMasterFd = m_nHoldFd = -1;
}

void CSimDrone::SetAttitudeDegrees(float roll, float pitch, float yaw) {
    SetAttitudeRadians(Radians(roll), Radians(pitch), Radians(yaw));
}

void CSimDrone::SetAttitudeRadians(float roll, float pitch, float yaw) {
    m_fRoll = roll;
    m_fPitch = pitch;
    m_fYaw = yaw;
}

void CSimDrone::SetFrameRate(int framesPerSecond) {
    {
        std::lock_guard lock(m_wakeMutex);
        m_nFrameRate = framesPerSecond;
    }
    m_wake.notify_all();
}

void CSimDrone::SetCommandObserver(std::function<void(const GameCommand&)> observer) {
    std::lock_guard lock(m_logMutex);
    m_commandObserver = std::move(observer);
}

std::vector<SimReceivedFrame> CSimDrone::Received() const {
    std::lock_guard lock(m_logMutex);
    return m_received;
}

int CSimDrone::CountReceived(std::uint8_t messageId) const {
    std::lock_guard lock(m_logMutex);
    int count = 0;
    for (const SimReceivedFrame& f : m_received)
        count += f.nMessageId == messageId;
    return count;
}

void CSimDrone::Send(const std::uint8_t* bytes, std::size_t length) {
    std::shared_lock portLock(m_portMutex);
    std::lock_guard sendLock(m_sendMutex);
    if (m_nMasterFd >= 0)
        WriteSerial(m_nMasterFd, bytes, length, kSendBound); // nobody reading: the frame is dropped
}

void CSimDrone::StreamThreadProc() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    Clock::time_point next = Clock::now();
    std::unique_lock lock(m_wakeMutex);
    while (m_bRun) {
        const int rate = m_nFrameRate;
        if (rate <= 0) {
            m_wake.wait(lock, [&] { return !m_bRun || m_nFrameRate > 0; });
            next = Clock::now();
            continue;
        }
        // Ticks on an absolute schedule, so the rate does not drift with the time each frame takes.
        next += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
        if (m_wake.wait_until(lock, next, [&] { return !m_bRun || m_nFrameRate != rate; }))
            continue;
        lock.unlock();
        AttitudeRecord record;
        record.time_boot_ms = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
        record.roll = m_fRoll;
        record.pitch = m_fPitch;
        record.yaw = m_fYaw;
        std::array<std::uint8_t, kFrameOverhead + sizeof record> frame{};
        const int length =
            EncodeFrame(kMsgAttitude, kCrcExtraAttitude, m_nSeqAttitude++, AsBytes(record), false, frame);
        Send(frame.data(), static_cast<std::size_t>(length));
        m_nAttitudeSent.fetch_add(1);
        lock.lock();
    }
}

void CSimDrone::ReleaseAbandonedPort() {
    std::shared_lock lock(m_portMutex);
    int exclusive = 0;
    if (m_nHoldFd < 0 || ioctl(m_nHoldFd, TIOCGEXCL, &exclusive) != 0 || exclusive == 0)
        return;
    // The game holds the advisory lock for as long as it has the port; the kernel lets it go with the
    // process. Taken by us while the flag is set, the port has been abandoned.
    if (flock(m_nHoldFd, LOCK_EX | LOCK_NB) != 0)
        return;
    ioctl(m_nHoldFd, TIOCNXCL);
    flock(m_nHoldFd, LOCK_UN);
}

void CSimDrone::ListenThreadProc() {
    CReceiveBuffer buffer;
    std::array<std::uint8_t, 1024> readBuffer{};
    std::array<std::uint8_t, kFrameArraySize> frame{};
    for (int pass = 0; m_bRun; ++pass) {
        if (pass % kAbandonCheckPasses == 0)
            ReleaseAbandonedPort();
        ssize_t n = 0;
        {
            std::shared_lock lock(m_portMutex);
            const int fd = m_nMasterFd;
            if (fd < 0) {
                lock.unlock();
                std::this_thread::sleep_for(kListenPoll); // unplugged: nothing to listen to
                continue;
            }
            const SerialWait wait = WaitSerialReadable(fd, kListenPoll);
            if (wait == SerialWait::Readable)
                n = ReadSerial(fd, readBuffer.data(), readBuffer.size());
            else if (wait == SerialWait::Gone)
                n = -1;
        }
        if (n < 0) {
            // No one has the port open (the hold descriptor prevents this unless we vanished).
            std::this_thread::sleep_for(kListenPoll);
            continue;
        }
        if (n == 0)
            continue;
        buffer.Append({readBuffer.data(), static_cast<std::size_t>(n)});
        while (TakeFrame(buffer, frame) > 0) {
            OnFrame(frame.data());
            frame.fill(0);
        }
    }
}

void CSimDrone::OnFrame(const std::uint8_t* data) {
    const ConstFrameArray frame(data, kFrameArraySize);
    const std::uint8_t messageId = FrameMessageId(frame);
    bool valid = false;
    GameCommand command;
    if (messageId == kMsgHeartbeat) {
        HeartbeatRecord heartbeat;
        valid = DecodeHeartbeat(frame, heartbeat);
    } else if (messageId == kMsgCommand) {
        valid = DecodeCommandReply(frame, command);
    }
    if (!valid)
        return;
    std::function<void(const GameCommand&)> observer;
    {
        std::lock_guard lock(m_logMutex);
        if (m_received.size() < kLogLimit) {
            const auto payload = FramePayload(frame);
            m_received.push_back({std::chrono::steady_clock::now(), messageId, FrameSequence(frame),
                                  std::vector<std::uint8_t>(payload.begin(), payload.end())});
        }
        observer = m_commandObserver;
    }
    if (messageId == kMsgCommand && observer)
        observer(command);
    if (messageId != kMsgCommand || m_options.bSilent)
        return;
    GameCommand reply;
    reply.action = m_options.nReplyByte;
    std::array<std::uint8_t, kCommandFrameMax> out{};
    const int length = EncodeFrame(kMsgCommand, kCrcExtraCommand, m_nSeqReply++, AsBytes(reply), true, out);
    Send(out.data(), static_cast<std::size_t>(length));
}
