#include "records/SaveFailures.h"

#include "state/Log.h"

#include <QSet>

#include <cstring>
#include <mutex>

namespace {

std::mutex g_mutex;
SaveFailureListener g_listener;
SheetNoticeListener g_noticeListener;
QSet<QString> g_reported;

} // namespace

void ReportSaveFailure(const QString& path, int error, bool kept) {
    qCWarning(lcRecords, "cannot save %s: %s%s", qPrintable(path), std::strerror(error),
              kept ? " (kept, to be written when it can be)" : "");
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

void SetSheetNoticeListener(SheetNoticeListener listener) {
    std::lock_guard lock(g_mutex);
    g_noticeListener = std::move(listener);
}

void ReportSheetNotice(const SheetNotice& notice) {
    SheetNoticeListener listener;
    {
        std::lock_guard lock(g_mutex);
        listener = g_noticeListener;
    }
    if (listener)
        listener(notice);
}

void ForgetReportedSaveFailures() {
    std::lock_guard lock(g_mutex);
    g_reported.clear();
}
