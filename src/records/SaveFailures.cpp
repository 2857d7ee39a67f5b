#include "records/SaveFailures.h"

#include "platform/Translation.h"
#include "state/Log.h"

#include <QSet>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_mutex;
SaveFailureListener g_listener;
SheetNoticeListener g_noticeListener;
QSet<QString> g_reported;

} // namespace

QString ErrorText(int error, bool reading) {
    switch (error) {
    case EACCES:
    case EPERM:
        return reading ? Aviluma::tr("没有读取权限")
                       : Aviluma::tr("没有写入权限");
    case EROFS:
        return Aviluma::tr("磁盘为只读");
    case ENOSPC:
    case EDQUOT:
        return Aviluma::tr("磁盘空间已满");
    case EBUSY:
        return Aviluma::tr("文件正被其他程序占用");
    case ENOENT:
        return Aviluma::tr("文件或文件夹已不存在");
    case ELOOP:
        return Tr(QStringLiteral(
            QT_TRANSLATE_NOOP("Aviluma", "这是其他用户也能放置的链接，游戏不会经它读写别处的文件")));
    case EINVAL:
        return Aviluma::tr("这不是普通文件（可能是管道或设备）");
    case EFBIG:
        return Aviluma::tr("文件大得不像游戏写的");
    case EISDIR:
    case ENOTDIR:
        return Aviluma::tr("文件和文件夹放错了位置");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

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
