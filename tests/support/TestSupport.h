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

// Runs body in a child process that has become an ordinary user (root passes every permission check)
// and returns what body returned, 0..255; -1 when the child could not be run or did not finish so.
int RunAsOrdinaryUser(const std::function<int()>& body);

// Processor time this process has used so far.
std::chrono::microseconds ProcessCpuTime();

class QApplication;
// The one application object of a test program, on the offscreen platform, with the UI hand-off queue
// attached to the calling thread.
QApplication& OffscreenApp();
