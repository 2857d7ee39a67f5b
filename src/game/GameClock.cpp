#include "game/GameClock.h"

#include <mutex>
#include <thread>

namespace {
std::mutex g_sleepMutex;
std::function<void(std::chrono::milliseconds)> g_sleep;
} // namespace

void GameSleep(std::chrono::milliseconds duration) {
    std::function<void(std::chrono::milliseconds)> sleep;
    {
        std::lock_guard lock(g_sleepMutex);
        sleep = g_sleep;
    }
    if (sleep)
        sleep(duration);
    else
        std::this_thread::sleep_for(duration);
}

void SetGameSleep(std::function<void(std::chrono::milliseconds)> sleep) {
    std::lock_guard lock(g_sleepMutex);
    g_sleep = std::move(sleep);
}
