// A data race of ours, one side of it under Qt's event loop: a worker thread writes a plain int, a
// timer's callback on the main thread reads it, nothing orders the two. Built only in the
// ThreadSanitizer tree, where CTest runs it with the suppressions and options of every other program
// there and passes only when ThreadSanitizer reports the race: a suppression that matches Qt's frames
// anywhere in a stack (and so every slot, timer and paint of ours) fails it.
#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

int g_nShared = 0; // the raced value: deliberately not atomic, and no lock

// Tells the timer the write has happened, without ordering it: a relaxed flag gives ThreadSanitizer no
// happens-before edge, so the read below always races with the write, however the threads are timed.
std::atomic<bool> g_fWritten{false};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::thread worker([] {
        g_nShared = 42;
        g_fWritten.store(true, std::memory_order_relaxed);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [] {
        if (!g_fWritten.load(std::memory_order_relaxed))
            return;
        std::printf("read %d on the main thread\n", g_nShared);
        QCoreApplication::quit();
    });
    poll.start(1);
    app.exec();
    worker.join();
    // Reached only when the race went unreported (a report halts the program).
    std::printf("no race reported\n");
    return 0;
}
