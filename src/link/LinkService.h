// The running link: connect, store what the drone sends, judge the link from the attitude rate, stop.
#pragma once

#include "link/FrameCodec.h"
#include "platform/WorkerThread.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// The link's quality, from the count of verified ATTITUDE frames in the last monitor period.
enum class LinkState : int {
    Good = 0, // kGoodLinkFrames or more a second
    Weak = 1, // kWeakLinkFrames or more
    None = 2, // fewer
};
inline constexpr int kGoodLinkFrames = 10;
inline constexpr int kWeakLinkFrames = 6;

inline constexpr std::chrono::milliseconds kMonitorPeriod{1000};

LinkState LinkStateFromCount(int attitudeFrames);

// Stores the attitude (in degrees) or the command acknowledgement a verified frame carries; frames of
// other ids and frames that fail their checksum change nothing. Runs on the receive thread.
void DispatchFrame(ConstFrameArray frame);

// What the link shows on its window. The calls may come from any thread; the window hands them to its
// own thread.
class ILinkView {
public:
    virtual ~ILinkView() = default;
    virtual void ShowPortOpen() = 0;                     // the connect button's "connected" icon
    virtual void ShowLinkState(LinkState linkState) = 0; // the link-state icon, only when the state changes
};

// How a press of the connect button ended. The window tells the player what they can act on.
enum class ConnectOutcome {
    Connected,
    AlreadyConnected, // nothing was done
    NoDrone,          // no device with the drone's USB ids
    PermissionDenied, // the port exists but this user may not open it
    Busy,             // another program holds the port
    Failed,           // the port would not open or take its settings; nothing the player can do
};
struct ConnectResult {
    ConnectOutcome outcome;
    QString port; // the device path, when one was found
};

class CLinkService {
public:
    explicit CLinkService(ILinkView& view);
    ~CLinkService(); // stops the link
    CLinkService(const CLinkService&) = delete;
    CLinkService& operator=(const CLinkService&) = delete;

    // The connect button: find the drone, open its port, start the receive and monitor threads.
    // Does nothing while connected.
    ConnectResult Connect();
    // Ends both threads and closes the port; does nothing when not connected.
    void StopLink();

    // Written by the monitor thread.
    LinkState State() const { return m_linkState.load(); }

private:
    void MonitorThreadProc();

    ILinkView& m_view;
    std::atomic<LinkState> m_linkState{LinkState::None};
    CWorkerThread m_readThread;
    CWorkerThread m_monitorThread;
    std::mutex m_monitorMutex;
    std::condition_variable m_monitorWake; // ends the monitor's sleep when the link stops
};
