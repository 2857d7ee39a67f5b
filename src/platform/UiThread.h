// Hands work from the link, heartbeat and game threads to the user-interface thread.
//
// Qt widgets may only be touched on the thread that runs the event loop. Other threads post small
// jobs here; the UI thread runs them in posting order when an eventfd wakes its QSocketNotifier. Posting
// is fire-and-forget (label texts, icons); Invoke waits for the job's result (message boxes, modal
// dialogs). Our own queue rather than queued signals: its locking is plain std::mutex, which
// ThreadSanitizer sees.
#pragma once

#include <cassert>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <type_traits>

class CWorkerThread;

class CUiThread {
public:
    // Makes the calling thread the UI thread. Call once, on the thread that runs the Qt event loop,
    // after the application object exists.
    static void Attach();
    // Forgets the UI thread: jobs posted later are dropped. Call before the application object goes.
    static void Detach();
    static bool IsAttached();
    static bool IsUiThread();

    // Queues job for the UI thread; runs nothing at once, even when called there, so jobs keep their
    // order. Dropped when no UI thread is attached.
    static void Post(std::function<void()> job);

    // Runs job on the UI thread and returns its result: at once when called there, otherwise the
    // caller waits until the UI thread has run it. When the UI thread goes away first, the job is
    // dropped and a default result comes back.
    template <typename Job>
    static auto Invoke(Job job) -> decltype(job()) {
        using Result = decltype(job());
        if (IsUiThread() || !IsAttached())
            return job();
        auto task = std::make_shared<std::packaged_task<Result()>>(std::move(job));
        std::future<Result> result = task->get_future();
        Post([task] { (*task)(); });
        try {
            return result.get();
        } catch (const std::future_error&) {
            if constexpr (!std::is_void_v<Result>)
                return Result{};
        }
    }

    // Runs the jobs queued so far. The notifier calls it; so does WaitFor.
    static void Drain();

    // On the UI thread: waits at most bound for done() to hold, running posted jobs meanwhile, so a
    // worker that waits for the UI thread can finish. Returns done().
    static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound);
    // The same for a worker's end (one that posts to the UI thread, or waits for it): once its body has
    // returned it is joined, and what it posted last has run. True when it ended within bound.
    static bool WaitForWorker(CWorkerThread& worker, std::chrono::milliseconds bound);
};

// Widgets belong to the UI thread alone: debug builds stop at a call from any other thread.
inline void AssertUiThread() {
    assert(!CUiThread::IsAttached() || CUiThread::IsUiThread());
}
