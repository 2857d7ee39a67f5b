#include "link/LinkService.h"

#include "link/PortDiscovery.h"
#include "link/Protocol.h"
#include "link/SerialTransport.h"
#include "platform/DeviceWatch.h"
#include "platform/LocalClock.h"
#include "state/Globals.h"
#include "state/LinkReading.h"
#include "state/Log.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = ILinkTime::Clock;

// A stop waits this long at most for each link thread to end.
constexpr std::chrono::milliseconds kThreadEndBound{1000};
// While the drone is away, the device list is looked at this often even without a hint from the
// device watch, and never more often than the shortest gap.
constexpr std::chrono::milliseconds kWatchPoll{1000};
constexpr std::chrono::milliseconds kWatchShortestGap{100};

// Beyond a full turn either way no attitude angle lies: such a value is as broken as NaN.
constexpr double kLargestAngleRad = 2.0 * std::numbers::pi;

// An angle in degrees, formed in double precision as the drone's makers do; nullopt when it is no
// number or no angle (outside a full turn either way).
std::optional<float> Degrees(float radians) {
    if (!std::isfinite(radians) || std::fabs(static_cast<double>(radians)) > kLargestAngleRad)
        return std::nullopt;
    return static_cast<float>(radians * kDegreesPerRadian);
}

bool DeviceNodeExists(const QString& path) {
    struct stat st;
    return stat(QFile::encodeName(path).constData(), &st) == 0;
}

void DrainWake(int wakeFd) {
    std::uint64_t count;
    while (read(wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

ConnectOutcome OutcomeOf(SerialOpenError error) {
    switch (error) {
    case SerialOpenError::None:
        return ConnectOutcome::Connected;
    case SerialOpenError::PermissionDenied:
        return ConnectOutcome::PermissionDenied;
    case SerialOpenError::Busy:
        return ConnectOutcome::Busy;
    case SerialOpenError::Settings:
    case SerialOpenError::Other:
        break;
    }
    return ConnectOutcome::Failed;
}

// The log's account of a connect that did not open the drone's port.
void LogConnectFailure(const ConnectResult& result) {
    switch (result.outcome) {
    case ConnectOutcome::Connected:
    case ConnectOutcome::AlreadyConnected:
        return;
    case ConnectOutcome::NoDrone:
        qCWarning(lcLink, "no drone found: no USB serial device %04x:%04x", unsigned{kDroneVendorId},
                  unsigned{kDroneProductId});
        return;
    case ConnectOutcome::PermissionDenied:
    case ConnectOutcome::Busy:
    case ConnectOutcome::Failed:
        qCWarning(lcLink, "cannot open the drone's port %s: %s", qPrintable(result.port),
                  std::strerror(result.osError));
        return;
    }
}

// Waits until the deadline, or less when a descriptor is readable. A wake stays pending until
// DrainWake, so a wake that comes before a wait ends it at once.
class CRealLinkTime : public ILinkTime {
public:
    Clock::time_point Now() override { return Clock::now(); }
    void WaitUntil(std::span<const int> fds, Clock::time_point deadline) override {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd polled[2] = {};
        const nfds_t count = static_cast<nfds_t>(std::min<std::size_t>(fds.size(), 2));
        for (nfds_t i = 0; i < count; ++i)
            polled[i] = {fds[i], POLLIN, 0};
        if (left.count() > 0)
            poll(polled, count, static_cast<int>(left.count()));
    }
};

} // namespace

ILinkTime& RealLinkTime() {
    static CRealLinkTime time;
    return time;
}

LinkState LinkStateFromCount(int attitudeFrames) {
    if (attitudeFrames >= kGoodLinkFrames)
        return LinkState::Good;
    if (attitudeFrames >= kWeakLinkFrames)
        return LinkState::Weak;
    return LinkState::None;
}

void DispatchFrame(ConstFrameArray frame) {
    switch (FrameMessageId(frame)) {
    case kMsgAttitude: {
        AttitudeRecord attitude;
        if (!DecodeAttitude(frame, attitude))
            return;
        // NaN is never level and never a place to draw the drone: such a frame is as bad as a broken one.
        const auto roll = Degrees(attitude.roll), pitch = Degrees(attitude.pitch),
                   yaw = Degrees(attitude.yaw);
        if (!roll || !pitch || !yaw)
            return;
        g_nAttitudeCount.fetch_add(1);
        g_fRoll = *roll;
        g_fYaw = *yaw;
        g_fPitch = *pitch;
        g_Link.StoreAttitude(*roll, *pitch, *yaw, MonotonicMs());
        return;
    }
    case kMsgCommand: {
        GameCommand reply;
        if (DecodeCommandReply(frame, reply))
            g_nAckStatus = reply.action; // byte 0: the drone's reply status
        return;
    }
    default:
        return;
    }
}

CLinkService::CLinkService(ILinkView& view, ILinkTime& time)
    : m_view(view), m_time(time), m_nWakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CLinkService::~CLinkService() {
    StopLink();
    if (m_nWakeFd >= 0)
        close(m_nWakeFd);
}

void CLinkService::Wake() {
    const std::uint64_t one = 1;
    while (write(m_nWakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

ConnectResult CLinkService::Connect() {
    std::lock_guard lock(m_mutex);
    if (!m_strPort.isEmpty())
        return {ConnectOutcome::AlreadyConnected, m_strPort};
    const ConnectResult result = OpenLink();
    if (result.outcome != ConnectOutcome::Connected) {
        LogConnectFailure(result);
        m_reported = result;
    } else {
        qCDebug(lcLink, "connected to the drone on %s (serial %s)", qPrintable(result.port),
                qPrintable(result.serial));
    }
    // Connected, the monitor judges the link; otherwise it watches for the drone, as after a loss,
    // and connects it once it is there and its port free.
    if (!m_bRunning.exchange(true))
        m_monitorThread.Start([this] { MonitorThreadProc(); });
    else
        Wake();
    return result;
}

ConnectResult CLinkService::OpenLink() {
    const QString port = FindPortByHardwareId(DroneHardwareId());
    if (port.isEmpty())
        return {ConnectOutcome::NoDrone, {}};
    int osError = 0;
    const ConnectOutcome opened = OutcomeOf(OpenDronePort(port, &osError));
    if (opened != ConnectOutcome::Connected)
        return {opened, port, osError};

    m_strPort = port;
    g_Link.Opened();
    // A new connection is judged on its own frames, not on what an earlier one left uncounted.
    g_nAttitudeCount = 0;
    m_bReadEnded = false;
    g_bReadThreadRun = true;
    m_readThread.Start([this] {
        ReadThreadProc(DispatchFrame);
        m_bReadEnded = true;
        Wake();
    });
    g_bDroneConnected = true;
    const DroneIdentity drone{port, SerialOfPort(port)};
    m_view.ShowPortState(true, drone);
    return {ConnectOutcome::Connected, port, 0, drone.serial};
}

void CLinkService::CloseLink() {
    if (m_strPort.isEmpty())
        return;
    g_bDroneConnected = false;
    g_bReadThreadRun = false;
    // The receive loop sees its flag within one pass; the close would wait for that pass anyway.
    m_readThread.WaitFinished(kThreadEndBound);
    CloseDronePort();
    m_readThread.Join();
    g_Link.Closed(); // what the closed port last said no longer describes the drone
    m_strPort.clear();
}

void CLinkService::StopLink() {
    if (!m_bRunning.exchange(false))
        return;
    Wake();
    m_monitorThread.WaitFinished(kThreadEndBound);
    {
        std::lock_guard lock(m_mutex);
        CloseLink();
    }
    m_monitorThread.Join(true);       // it has seen the flag; at most it was finishing an open
    g_Link.SetState(LinkState::None); // the monitor's last verdict no longer holds
}

void CLinkService::MonitorThreadProc() {
    while (m_bRunning) {
        bool open = false;
        {
            std::lock_guard lock(m_mutex);
            open = !m_strPort.isEmpty();
        }
        if (open) {
            if (JudgeLink())
                return; // stopping
            // Under the lock, so that a connect press in between shows its "connected" after this.
            std::lock_guard lock(m_mutex);
            CloseLink();
            m_reported = {ConnectOutcome::NoDrone, {}}; // the loss itself was logged
            m_view.ShowPortState(false, {});
            if (g_Link.SetState(LinkState::None) != LinkState::None)
                m_view.ShowLinkState(LinkState::None);
        }
        WatchForDrone();
    }
}

bool CLinkService::JudgeLink() {
    QString port;
    {
        std::lock_guard lock(m_mutex);
        port = m_strPort;
    }
    // Periods on an absolute schedule: each count covers one second, however long the work between
    // the waits took, so a steady stream gives a steady count.
    auto next = m_time.Now();
    for (;;) {
        if (!m_bRunning)
            return true;
        // A USB port vanishes with its node; a hang-up or a failing port ends the receive loop.
        const bool gone = !DeviceNodeExists(port);
        if (m_bReadEnded || gone) {
            qCWarning(lcLink, "lost the drone on %s (%s); it is connected again when it comes back",
                      qPrintable(port), gone ? "the device is gone" : "the port hung up or failed");
            return false;
        }
        // exchange rather than read-then-zero: a frame counted in between is not lost.
        const LinkState state = LinkStateFromCount(g_nAttitudeCount.exchange(0));
        if (g_Link.SetState(state) != state) {
            qCDebug(lcLink, "link %s",
                    state == LinkState::Good   ? "good"
                    : state == LinkState::Weak ? "weak"
                                               : "none");
            m_view.ShowLinkState(state);
        }
        next += kMonitorPeriod;
        while (m_bRunning && !m_bReadEnded && m_time.Now() < next) {
            m_time.WaitUntil(std::array{m_nWakeFd}, next);
            DrainWake(m_nWakeFd);
        }
    }
}

void CLinkService::WatchForDrone() {
    CDeviceWatch watch;
    for (;;) {
        watch.Clear(); // before looking: what changes after the look ends the wait below
        {
            std::lock_guard lock(m_mutex);
            if (!m_bRunning || !m_strPort.isEmpty())
                return;
            const ConnectResult result = OpenLink();
            if (result.outcome == ConnectOutcome::Connected) {
                qCWarning(lcLink, "connected to the drone on %s (serial %s)", qPrintable(result.port),
                          qPrintable(result.serial));
                return;
            }
            // A port that is there but will not open is said once, not at every look.
            if (result.outcome != m_reported.outcome || result.port != m_reported.port) {
                if (result.outcome != ConnectOutcome::NoDrone)
                    LogConnectFailure(result);
                m_reported = result;
            }
        }
        const Clock::time_point looked = m_time.Now();
        if (watch.Fd() >= 0)
            m_time.WaitUntil(std::array{m_nWakeFd, watch.Fd()}, looked + kWatchPoll);
        else
            m_time.WaitUntil(std::array{m_nWakeFd}, looked + kWatchPoll);
        // A flurry of device events must not become a flurry of looks; a stop or a connect still
        // cuts the gap short.
        m_time.WaitUntil(std::array{m_nWakeFd}, looked + kWatchShortestGap);
        DrainWake(m_nWakeFd);
    }
}
