// The running link: connect, store what the drone sends, judge the link from the attitude rate, stop.
#pragma once

#include "link/FrameCodec.h"
#include "platform/WorkerThread.h"
#include "state/Globals.h"
#include "state/LinkReading.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <span>

// The link's quality (LinkState) from the count of verified ATTITUDE frames in the last monitor
// period: Good from kGoodLinkFrames a second, Weak from kWeakLinkFrames, None below.
inline constexpr int kGoodLinkFrames = 10;
inline constexpr int kWeakLinkFrames = 6;

inline constexpr std::chrono::milliseconds kMonitorPeriod{1000};

LinkState LinkStateFromCount(int attitudeFrames);

// Stores the attitude (in degrees) or the command acknowledgement a verified frame carries; frames of
// other ids and frames that fail their checksum change nothing. Runs on the receive thread.
void DispatchFrame(ConstFrameArray frame);

// Which drone a connection is to: its port and, for a USB drone, its serial number.
struct DroneIdentity {
    QString port;
    QString serial;
};

// What the link shows on its window. The calls may come from any thread; the window hands them to its
// own thread, in the order the link made them.
class ILinkView {
public:
    virtual ~ILinkView() = default;
    // The connect button: connected (to drone) or not (drone empty).
    virtual void ShowPortState(bool open, const DroneIdentity& drone) = 0;
    virtual void ShowLinkState(LinkState linkState) = 0; // the link-state icon, only when the state changes
};

// The link monitor's time: its clock, and its waits for a deadline that a wake-up (one of fds readable)
// may cut short. Real time by default; tests give the monitor virtual time, so its periods and
// thresholds are judged in milliseconds and never by how busy the machine is.
class ILinkTime {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~ILinkTime() = default;
    virtual Clock::time_point Now() = 0;
    virtual void WaitUntil(std::span<const int> fds, Clock::time_point deadline) = 0;
};
ILinkTime& RealLinkTime();

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
    QString port;        // the device path, when one was found
    int osError = 0;     // the errno behind a port that would not open
    QString serial = {}; // the connected drone's serial number, for a USB drone
};

// The drone's link from the connect button to the program's end. Once the player has pressed it, the
// link looks after itself: a port that hangs up, fails or loses its device node is closed at once (the
// window shows "not connected" and no link), and the drone is connected as soon as it (re)appears or
// its port is free, on whatever port it then has; a press that found no drone, or a busy port, keeps
// watching the same way. Every open and close counts a new connection (LinkReading::generation), so a game
// can tell that its drone was lost even when another one took its place at once.
class CLinkService {
public:
    explicit CLinkService(ILinkView& view, ILinkTime& time = RealLinkTime());
    ~CLinkService(); // stops the link
    CLinkService(const CLinkService&) = delete;
    CLinkService& operator=(const CLinkService&) = delete;

    // The connect button: find the drone, open its port, start the receive and monitor threads. Does
    // nothing while connected; after a loss it connects at once.
    ConnectResult Connect();
    // Ends the threads and closes the port; does nothing when the player never connected.
    void StopLink();

    // Written by the monitor thread.
    LinkState State() const { return g_Link.Read().state; }

private:
    // With m_mutex held.
    ConnectResult OpenLink();
    void CloseLink();
    void Wake();

    void MonitorThreadProc();
    // One monitor period of a connected link; false when the port was lost.
    bool JudgeLink();
    // After a loss: waits for the drone to come back (or a stop) and connects it.
    void WatchForDrone();

    ILinkView& m_view;
    ILinkTime& m_time;
    std::mutex m_mutex;                    // open and close, from the connect button and the monitor
    std::atomic<bool> m_bRunning{false};   // the player has connected and the program goes on
    std::atomic<bool> m_bReadEnded{false}; // the receive loop has left: stopped, or the port is gone
    QString m_strPort;                     // the open port's device path; empty when closed
    int m_nWakeFd = -1;                    // ends the monitor's waits
    // The last failure to connect that the log has told (with m_mutex): the press of the button tells
    // its own, and the monitor, watching on from there, tells only what differs from it.
    ConnectResult m_reported{ConnectOutcome::NoDrone, {}};
    CWorkerThread m_readThread;
    CWorkerThread m_monitorThread;
};
