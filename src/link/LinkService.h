// The running link: connect, store what the drone sends, judge the link from the attitude rate, stop.
#pragma once

#include "link/FrameCodec.h"
#include "platform/WorkerThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// Link states, from the count of verified ATTITUDE frames in the last monitor period.
inline constexpr int kLinkGood = 0; // 10 or more a second
inline constexpr int kLinkWeak = 1; // 6 to 9
inline constexpr int kLinkNone = 2; // 5 or fewer

inline constexpr std::chrono::milliseconds kMonitorPeriod{1000};

int LinkStateFromCount(int attitudeFrames);

// Stores the attitude (in degrees) or the command acknowledgement a verified frame carries; frames of
// other ids and frames that fail their checksum change nothing. Runs on the receive thread.
void DispatchFrame(ConstFrameArray frame);

// What the link shows on its window. ShowLinkState is called on the monitor thread.
class ILinkView {
public:
    virtual ~ILinkView() = default;
    virtual void ShowPortOpen() = 0;               // the connect button's "connected" icon
    virtual void ShowLinkState(int linkState) = 0; // the link-state icon, only when the state changes
};

class CLinkService {
public:
    explicit CLinkService(ILinkView& view);
    ~CLinkService(); // stops the link
    CLinkService(const CLinkService&) = delete;
    CLinkService& operator=(const CLinkService&) = delete;

    // The connect button: find the drone, open its port, start the receive and monitor threads.
    // Does nothing while connected.
    void Connect();
    // Ends both threads and closes the port; does nothing when not connected.
    void StopLink();

    // 0 good, 1 weak, 2 no link; written by the monitor thread.
    int LinkState() const { return m_nLinkState.load(); }

private:
    void MonitorThreadProc();

    ILinkView& m_view;
    std::atomic<int> m_nLinkState{kLinkNone};
    CWorkerThread m_readThread;
    CWorkerThread m_monitorThread;
    std::mutex m_monitorMutex;
    std::condition_variable m_monitorWake; // ends the monitor's sleep when the link stops
};
