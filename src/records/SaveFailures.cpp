#include "records/SaveFailures.h"

#include <QSet>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_mutex;
SaveFailureListener g_listener;
QSet<QString> g_reported;

} // namespace

void ReportSaveFailure(const QString& path, int error, bool kept) {
    std::fprintf(stderr, "aviluma: cannot save %s: %s\n", qPrintable(path), std::strerror(error));
    SaveFailureListener listener;
    {
        std::lock_guard lock(g_mutex);
        if (g_reported.contains(path))
            return;
        g_reported.insert(path);
        listener = g_listener;
    }
    if (listener)
        listener(path, error, kept);
}

void SetSaveFailureListener(SaveFailureListener listener) {
    std::lock_guard lock(g_mutex);
    g_listener = std::move(listener);
}

void ForgetReportedSaveFailures() {
    std::lock_guard lock(g_mutex);
    g_reported.clear();
}
