#include "platform/UiThread.h"

#include "platform/WorkerThread.h"

#include <QSocketNotifier>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

struct UiQueue {
    std::mutex mutex;
    std::deque<std::function<void()>> jobs;
    std::thread::id uiThread;
    int wakeFd = -1;
    QSocketNotifier* notifier = nullptr;
};

UiQueue& Queue() {
    static UiQueue queue;
    return queue;
}

std::atomic<bool> g_attached{false};

void Wake(int fd) {
    const std::uint64_t one = 1;
    // A full counter (never reached) or an interrupted call only delays the wake-up to the next post.
    while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void ClearWake(int fd) {
    std::uint64_t count;
    while (read(fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

} // namespace

void CUiThread::Attach() {
    UiQueue& q = Queue();
    std::lock_guard lock(q.mutex);
    if (q.wakeFd < 0)
        q.wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    q.uiThread = std::this_thread::get_id();
    if (q.notifier == nullptr && q.wakeFd >= 0) {
        q.notifier = new QSocketNotifier(q.wakeFd, QSocketNotifier::Read);
        QObject::connect(q.notifier, &QSocketNotifier::activated, [] { Drain(); });
    }
    g_attached = true;
    if (!q.jobs.empty())
        Wake(q.wakeFd);
}

void CUiThread::Detach() {
    UiQueue& q = Queue();
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(q.mutex);
        g_attached = false;
        delete q.notifier;
        q.notifier = nullptr;
        q.uiThread = {};
        dropped.swap(q.jobs);
    }
    // Jobs hold promises; dropping them outside the lock breaks the waiters' futures instead of
    // leaving them waiting.
}

bool CUiThread::IsAttached() {
    return g_attached;
}

bool CUiThread::IsUiThread() {
    UiQueue& q = Queue();
    std::lock_guard lock(q.mutex);
    return g_attached && q.uiThread == std::this_thread::get_id();
}

void CUiThread::Post(std::function<void()> job) {
    UiQueue& q = Queue();
    std::lock_guard lock(q.mutex);
    if (!g_attached)
        return;
    const bool wasEmpty = q.jobs.empty();
    q.jobs.push_back(std::move(job));
    if (wasEmpty)
        Wake(q.wakeFd);
}

void CUiThread::Drain() {
    UiQueue& q = Queue();
    std::deque<std::function<void()>> jobs;
    {
        std::lock_guard lock(q.mutex);
        if (q.wakeFd >= 0)
            ClearWake(q.wakeFd);
        jobs.swap(q.jobs);
    }
    // A job may open a modal loop that drains again; the jobs taken here are already off the queue.
    for (auto& job : jobs)
        job();
}

bool CUiThread::WaitForWorker(CWorkerThread& worker, std::chrono::milliseconds bound) {
    const bool ended = WaitFor([&worker] { return !worker.Running(); }, bound);
    if (ended) {
        worker.Join();
        Drain();
    }
    return ended;
}

bool CUiThread::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + bound;
    constexpr std::chrono::milliseconds kPollSlice{10};
    int fd;
    {
        std::lock_guard lock(Queue().mutex);
        fd = Queue().wakeFd;
    }
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return done();
        Drain();
        if (done())
            return true;
        if (fd >= 0) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, static_cast<int>(std::min(left, kPollSlice).count()));
        } else {
            std::this_thread::sleep_for(std::min(left, kPollSlice));
        }
    }
    return true;
}
