#include "link/LinkService.h"

#include "link/PortDiscovery.h"
#include "link/SerialTransport.h"
#include "state/Globals.h"

namespace {

// A stop waits this long at most for each link thread to end.
constexpr std::chrono::milliseconds kThreadEndBound{1000};

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

} // namespace

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
        g_nAttitudeCount.fetch_add(1);
        g_fRoll = static_cast<float>(attitude.roll * kDegreesPerRadian);
        g_fYaw = static_cast<float>(attitude.yaw * kDegreesPerRadian);
        g_fPitch = static_cast<float>(attitude.pitch * kDegreesPerRadian);
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

CLinkService::CLinkService(ILinkView& view) : m_view(view) {}

CLinkService::~CLinkService() {
    StopLink();
}

ConnectResult CLinkService::Connect() {
    if (g_bDroneConnected)
        return {ConnectOutcome::AlreadyConnected, {}};
    const QString port = FindPortByHardwareId(DroneHardwareId());
    if (port.isEmpty())
        return {ConnectOutcome::NoDrone, {}};
    const ConnectOutcome opened = OutcomeOf(OpenDronePort(port));
    if (opened != ConnectOutcome::Connected)
        return {opened, port};

    // A new connection is judged on its own frames, not on what an earlier one left uncounted.
    g_nAttitudeCount = 0;
    g_bReadThreadRun = true;
    m_readThread.Start([] { ReadThreadProc(DispatchFrame); });
    m_view.ShowPortOpen();
    g_bDroneConnected = true;
    m_monitorThread.Start([this] { MonitorThreadProc(); });
    return {ConnectOutcome::Connected, port};
}

void CLinkService::StopLink() {
    if (!g_bDroneConnected)
        return;
    {
        std::lock_guard lock(m_monitorMutex);
        g_bDroneConnected = false;
    }
    m_monitorWake.notify_all();
    g_bReadThreadRun = false;
    // The receive loop sees its flag within one pass; the close would wait for that pass anyway.
    m_readThread.WaitFinished(kThreadEndBound);
    CloseDronePort();
    m_monitorThread.WaitFinished(kThreadEndBound);
    m_readThread.Join();
    m_monitorThread.Join();
    m_linkState = LinkState::None; // the monitor's last verdict no longer holds
}

void CLinkService::MonitorThreadProc() {
    // Periods on an absolute schedule: each count covers one second, however long the work between
    // the waits took, so a steady stream gives a steady count.
    auto next = std::chrono::steady_clock::now();
    while (g_bDroneConnected) {
        // exchange rather than read-then-zero: a frame counted in between is not lost.
        const LinkState state = LinkStateFromCount(g_nAttitudeCount.exchange(0));
        const LinkState previous = m_linkState.exchange(state);
        if (state != previous)
            m_view.ShowLinkState(state);
        next += kMonitorPeriod;
        std::unique_lock lock(m_monitorMutex);
        m_monitorWake.wait_until(lock, next, [] { return !g_bDroneConnected; });
    }
}
