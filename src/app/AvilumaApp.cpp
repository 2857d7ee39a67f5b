#include "app/AvilumaApp.h"

#include "app/AvilumaDlg.h"
#include "app/SingleInstance.h"
#include "platform/FileIo.h"
#include "platform/MessageBox.h"
#include "records/SaveFailures.h"
#include "records/ScoreSheet.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "state/Log.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

// The window the player sees on top: a dialog of the game if one is open, else the main window.
void BringToFront(QWidget* mainWindow) {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr)
        window = mainWindow;
    window->showNormal();
    window->raise();
    window->activateWindow();
}

// Per user and per session: the runtime folder, or a folder of this user's own in the temporary folder
// when the session has none.
QString InstanceFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/aviluma");
    return QDir::tempPath() + QStringLiteral("/aviluma-%1").arg(geteuid());
}

} // namespace

QString SaveFailureText(const QString& path, int error, bool kept) {
    QString why;
    switch (error) {
    case EACCES:
    case EPERM:
        why = QStringLiteral("没有写入权限");
        break;
    case EROFS:
        why = QStringLiteral("磁盘为只读");
        break;
    case ENOSPC:
    case EDQUOT:
        why = QStringLiteral("磁盘空间已满");
        break;
    case EBUSY:
        why = QStringLiteral("文件正被其他程序占用");
        break;
    case ENOENT:
        why = QStringLiteral("文件或文件夹已不存在");
        break;
    default:
        why = QString::fromLocal8Bit(std::strerror(error));
        break;
    }
    return QStringLiteral("无法保存 %1：%2。\n").arg(path, why) +
           (kept ? QStringLiteral("这条成绩已暂存，问题解决后会自动补写。")
                 : QStringLiteral("这次的更改没有保存。"));
}

bool CAvilumaApp::InitInstance() {
    InitAppDir();
    CSingleInstance instance(InstanceFolder());
    CAvilumaDlg dlg;
    if (!instance.Claim([&dlg] { BringToFront(&dlg); })) {
        qCWarning(lcUi, "the game is already running; it has been brought to the front");
        return false;
    }

    const DataFolders folders = ChooseDataFolders(g_strAppDir.Get(), m_strDataDir);
    SetDataFolders(folders);
    qCDebug(lcRecords, "progress and records in %s, score sheets in %s", qPrintable(folders.data),
            qPrintable(folders.record));
    // Only one game runs, so what a write left half-done is an interrupted write's, never a live one's.
    RemoveLeftoverTempFiles(folders.data);
    RemoveLeftoverTempFiles(folders.record);
    SetSaveFailureListener(
        [](const QString& path, int error, bool kept) { MessageBoxOk(SaveFailureText(path, error, kept)); });
    WritePendingSheetLines();

    dlg.DoModal();
    dlg.Shutdown(); // the link stopped, every game and the heartbeat ended and joined
    SetSaveFailureListener({});
    return false;
}
