#include "platform/LocalClock.h"

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
