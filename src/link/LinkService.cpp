#include "link/LinkService.h"

#include "app/Globals.h"
#include "link/PortDiscovery.h"
#include "link/SerialTransport.h"
#include "platform/MessageBox.h"

namespace {

// Radians to degrees as the drone's makers convert them; the scores rest on this factor, not on 180/pi.
constexpr double kDegreesPerRadian = 57.3;

// A stop waits this long at most for each link thread to end.
constexpr std::chrono::milliseconds kThreadEndBound{1000};

} // namespace

int LinkStateFromCount(int attitudeFrames) {
    if (attitudeFrames >= 10)
        return kLinkGood;
    if (attitudeFrames >= 6)
        return kLinkWeak;
    return kLinkNone;
}

void DispatchFrame(ConstFrameArray frame) {
    switch (frame[5]) {
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

void CLinkService::Connect() {
    if (g_bDroneConnected)
        return;
    const QString port = FindPortByHardwareId(kDroneHardwareId);
    if (port.isEmpty()) {
        MessageBoxOk(QStringLiteral("请先连接无人机！"));
        return;
    }
    if (!OpenDronePort(port))
        return;

    g_bReadThreadRun = true;
    m_readThread.Start([] { ReadThreadProc(DispatchFrame); });
    m_view.ShowPortOpen();
    g_bDroneConnected = true;
    m_monitorThread.Start([this] { MonitorThreadProc(); });
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
}

void CLinkService::MonitorThreadProc() {
    // Periods on an absolute schedule: each count covers one second, however long the work between
    // the waits took, so a steady stream gives a steady count.
    auto next = std::chrono::steady_clock::now();
    while (g_bDroneConnected) {
        // exchange rather than read-then-zero: a frame counted in between is not lost.
        const int state = LinkStateFromCount(g_nAttitudeCount.exchange(0));
        const int previous = m_nLinkState.exchange(state);
        if (state != previous)
            m_view.ShowLinkState(state);
        next += kMonitorPeriod;
        std::unique_lock lock(m_monitorMutex);
        m_monitorWake.wait_until(lock, next, [] { return !g_bDroneConnected; });
    }
}
