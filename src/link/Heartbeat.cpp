#include "link/Heartbeat.h"

#include "link/FrameCodec.h"
#include "link/SerialTransport.h"
#include "platform/WorkerThread.h"
#include "state/Globals.h"

#include <array>
#include <condition_variable>
#include <mutex>

namespace {

struct HeartbeatSender {
    std::mutex mutex;             // guards running and orders it with the flag tests
    std::condition_variable wake; // ends the wait between beats when the link is stopped
    bool running = false;         // the thread is inside its loop and will send again
    CWorkerThread thread;         // declared last: joined while the members above still exist

    ~HeartbeatSender() {
        // A safety net only: the program stops the sender before it ends.
        {
            std::lock_guard lock(mutex);
            g_bLinkActive = false;
        }
        wake.notify_all();
    }
};

HeartbeatSender& Sender() {
    static HeartbeatSender sender;
    return sender;
}

} // namespace

int HeartbeatThreadProc() {
    HeartbeatSender& s = Sender();
    const HeartbeatRecord record{}; // the drone expects it all zero
    std::unique_lock lock(s.mutex);
    while (g_bLinkActive) {
        lock.unlock();
        std::array<std::uint8_t, kHeartbeatFrameMax> frame{};
        const int length = BuildHeartbeatFrame(record, frame);
        WritePort(frame.data(), static_cast<std::uint8_t>(length));
        lock.lock();
        s.wake.wait_for(lock, kHeartbeatPeriod, [] { return !g_bLinkActive; });
    }
    // Leaving under the lock: a start that sees running cleared knows this thread sends no more.
    s.running = false;
    return 1;
}

void StartHeartbeat() {
    HeartbeatSender& s = Sender();
    std::unique_lock lock(s.mutex);
    if (s.running)
        return; // it sees g_bLinkActive set again and keeps sending
    s.running = true;
    lock.unlock();
    s.thread.Start([] { HeartbeatThreadProc(); }); // joins a sender that has left its loop
}

void StopHeartbeat() {
    HeartbeatSender& s = Sender();
    {
        std::lock_guard lock(s.mutex);
        g_bLinkActive = false;
    }
    s.wake.notify_all();
}

bool WaitHeartbeatEnd(std::chrono::milliseconds bound) {
    return Sender().thread.WaitFinished(bound);
}

void ShutdownHeartbeat() {
    StopHeartbeat();
    Sender().thread.Join(true);
}

bool HeartbeatRunning() {
    return Sender().thread.Running();
}
