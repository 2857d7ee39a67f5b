#include "support/TestSupport.h"

#include <pthread.h>
#include <time.h>

std::chrono::microseconds ThreadCpuTime(std::thread::native_handle_type thread) {
    clockid_t clock;
    timespec ts{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &ts) != 0)
        return std::chrono::microseconds(-1);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::microseconds(ts.tv_nsec / 1000);
}
