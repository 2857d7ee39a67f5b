#include "platform/LocalClock.h"

#include <chrono>
#include <mutex>

namespace {
std::mutex g_sourceMutex;
std::function<QDateTime()> g_source;
} // namespace

QDateTime CurrentLocalTime() {
    std::function<QDateTime()> source;
    {
        std::lock_guard lock(g_sourceMutex);
        source = g_source;
    }
    return source ? source() : QDateTime::currentDateTime();
}

void SetLocalTimeSource(std::function<QDateTime()> source) {
    std::lock_guard lock(g_sourceMutex);
    g_source = std::move(source);
}

std::int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
