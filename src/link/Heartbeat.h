// The HEARTBEAT sender: one frame a second while g_bLinkActive is set.
//
// Both run windows start it when they open, and a window closed without a running game leaves it
// going, so the sender is one per process: a start while it runs keeps the running thread.
#pragma once

#include <chrono>

inline constexpr std::chrono::milliseconds kHeartbeatPeriod{1000};

// Starts the sender unless one is already sending; g_bLinkActive must be set first.
void StartHeartbeat();
// Clears g_bLinkActive and wakes the sender, so it ends at once instead of at its next beat.
void StopHeartbeat();
// Waits at most bound for the sender to end; true when none runs.
bool WaitHeartbeatEnd(std::chrono::milliseconds bound);
// Program end: stop the sender and join it.
void ShutdownHeartbeat();
// True while a sender thread runs.
bool HeartbeatRunning();

// The sender's body: builds and writes a heartbeat, then waits a period, while g_bLinkActive is set.
// Returns the thread's exit code, 1.
int HeartbeatThreadProc();
