// Helpers shared by the test folders.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Polls condition until it holds or bound has passed; returns whether it held. For waiting on other
// threads, never for judging how fast they were.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds bound = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// CPU time a thread has used so far.
std::chrono::microseconds ThreadCpuTime(std::thread::native_handle_type thread);

class QApplication;
// The one application object of a test program, on the offscreen platform, with the UI hand-off queue
// attached to the calling thread.
QApplication& OffscreenApp();
