#include "game/GameClock.h"

#include "platform/LocalClock.h"

#include <mutex>
#include <thread>

namespace {
std::mutex g_clockMutex;
std::function<void(std::chrono::milliseconds)> g_sleep;
std::function<std::int64_t()> g_now;
} // namespace

void GameSleep(std::chrono::milliseconds duration) {
    std::function<void(std::chrono::milliseconds)> sleep;
    {
        std::lock_guard lock(g_clockMutex);
        sleep = g_sleep;
    }
    if (sleep)
        sleep(duration);
    else
        std::this_thread::sleep_for(duration);
}

std::int64_t GameNowMs() {
    std::function<std::int64_t()> now;
    {
        std::lock_guard lock(g_clockMutex);
        now = g_now;
    }
    return now ? now() : MonotonicMs();
}

void SetGameSleep(std::function<void(std::chrono::milliseconds)> sleep) {
    std::lock_guard lock(g_clockMutex);
    g_sleep = std::move(sleep);
}

void SetGameNow(std::function<std::int64_t()> now) {
    std::lock_guard lock(g_clockMutex);
    g_now = std::move(now);
}
