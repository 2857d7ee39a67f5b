#include "app/AvilumaApp.h"

#include "app/AvilumaDlg.h"
#include "app/SingleInstance.h"
#include "classroom/ClassClient.h"
#include "platform/FileIo.h"
#include "platform/FolderLock.h"
#include "platform/MessageBox.h"
#include "platform/Translation.h"
#include "records/History.h"
#include "records/Outbox.h"
#include "records/Players.h"
#include "records/Records.h"
#include "records/SaveFailures.h"
#include "records/ScoreSheet.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "state/Log.h"
#include "windows/DlgPlayers.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <memory>

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

// Folders of the player's files this user cannot write to: said at start-up, not at the first save.
QStringList UnwritableFolders(const DataFolders& folders) {
    QStringList unwritable;
    for (const QString& folder : {folders.data, folders.record}) {
        int error = CheckFolders(folder);
        if (error == 0 && access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
            error = errno;
        if (error != 0)
            unwritable
                << Aviluma::tr("%1（%2）").arg(folder, ErrorText(error));
    }
    return unwritable;
}

// The settings files of the data folder that are set aside: a pipe, a device, a link another account
// could have made, a file too large to be ours, each read as missing. "path (why)" each.
QStringList SetAsideFiles() {
    QStringList files{PlayersFilePath(), ClassCfgPath(), DataFilePath(u"system.cfg"),
                      RecordCfgPath(),   RaceCfgPath(),  DataFilePath(u"language.cfg")};
    for (const Player& player : ReadPlayers())
        for (const char* name : {"system.cfg", "language.cfg"})
            files << PlayerFolderPath(player) + QLatin1Char('/') + QLatin1String(name);
    QStringList setAside;
    for (const QString& file : files) {
        QByteArray bytes;
        int error = 0;
        if (!ReadFileThroughSafeLinks(file, &bytes, &error, kMaxSettingsFileBytes) && error != ENOENT &&
            error != EACCES)
            setAside
                << Aviluma::tr("%1（%2）").arg(file, ErrorText(error));
    }
    return setAside;
}

} // namespace

QString SaveFailureText(const QString& path, int error, bool kept) {
    if (path.startsWith(OutboxFolder()))
        return Aviluma::tr("无法保存 "
                      "%1：%2。\n这局不会上传到班级服务器，但仍记在本机的训练记录里（若那里还能保存）。")
            .arg(path, ErrorText(error));
    return Aviluma::tr("无法保存 %1：%2。\n")
               .arg(path, ErrorText(error)) +
           (kept ? Aviluma::tr("这条成绩已暂存，问题解决后会自动补写。")
                 : Aviluma::tr("这次的更改没有保存。"));
}

QString SheetNoticeText(const SheetNotice& notice) {
    switch (notice.kind) {
    case SheetNoticeKind::LineLost:
        return Aviluma::tr("无法保存 "
                      "%1：%2。\n暂存也失败了：%3。\n这局的成绩没能保存到任何地方，请记下这一行：\n%4")
            .arg(notice.path, ErrorText(notice.error), ErrorText(notice.pendingError), notice.line);
    case SheetNoticeKind::SetAside:
        if (notice.pendingError != 0)
            return Aviluma::tr("等待补写的成绩文件 %1 无法读取（%2），也无法移开（%3）。\n"
                                     "问题解决之前，新的成绩不会暂存到那里。")
                .arg(notice.path, ErrorText(notice.error, true), ErrorText(notice.pendingError));
        if (notice.lines > 0)
            return Aviluma::tr("等待补写的成绩中有 %1 条不是本机成绩单的成绩，没有写入，已移到 %2。")
                .arg(notice.lines)
                .arg(notice.path);
        return Aviluma::tr("等待补写的成绩文件无法读取（%1），已移到 %2，没有覆盖。")
            .arg(ErrorText(notice.error, true), notice.path);
    case SheetNoticeKind::Waiting:
        return Tr(QStringLiteral(
                      QT_TRANSLATE_NOOP("Aviluma", "有 %1 条成绩在等待写入 %2：%3。问题解决后会自动补写。")))
            .arg(notice.lines)
            .arg(notice.path, ErrorText(notice.error));
    case SheetNoticeKind::Recreated:
        return Tr(QStringLiteral(
                      QT_TRANSLATE_NOOP("Aviluma", "成绩单 %1 已不存在，已重新创建并补写了 %2 条成绩。")))
            .arg(notice.path)
            .arg(notice.lines);
    }
    return {};
}

QString FolderInUseText(const QString& folder, const CFolderLock::Holder& holder) {
    if (holder.pid <= 0) // a process the kernel would not name to us
        return Aviluma::tr("数据文件夹 %1 正被另一局游戏使用。\n"
                                                              "同一个数据文件夹同时只能运行一局游戏。")
            .arg(folder);
    return Aviluma::tr("数据文件夹 %1 正被另一局游戏使用（用户 %2，进程 %3）。\n"
                                               "同一个数据文件夹同时只能运行一局游戏。")
        .arg(folder, holder.user)
        .arg(holder.pid);
}

QString NoSuchPlayerText(const QString& name) {
    return Aviluma::tr("本机没有名为“%1”的玩家。\n要新建这位玩家，请加上 --new-player。")
        .arg(name);
}

bool CAvilumaApp::ChooseStartPlayer(CAvilumaDlg& dlg) {
    FinishAdoption(); // a move of today's progress cut short last time
    const std::vector<Player> players = ReadPlayers();
    std::optional<Player> flying;
    if (!m_strPlayer.isEmpty()) {
        std::optional<Player> player = FindPlayer(players, m_strPlayer);
        QString error;
        if (!player && m_bNewPlayer) {
            player = CDlgPlayers::CreatePlayer(
                m_strPlayer,
                [](const QString& label, const QString& initial) -> std::optional<QString> {
                    bool ok = false;
                    const QString text = QInputDialog::getText(nullptr, Tr(kChoosePlayerTitle), Tr(label),
                                                               QLineEdit::Normal, initial, &ok);
                    return ok ? std::optional<QString>(text) : std::nullopt;
                },
                &error);
        } else if (!player) {
            error = NoSuchPlayerText(m_strPlayer);
        }
        if (!player) {
            if (!error.isEmpty()) {
                qCWarning(lcRecords, "%s", qPrintable(error));
                MessageBoxOk(error);
            }
            m_nExitCode = 2;
            return false;
        }
        flying = player;
    } else if (players.size() == 1) {
        flying = players.front();
    } else if (players.size() > 1) {
        flying = SummarisePlayers(players).front().player; // until the chooser's answer
        dlg.ChoosePlayerOnShow();
    }
    if (QString error; !UsePlayer(flying, &error)) {
        MessageBoxOk(error);
        if (m_strPlayer.isEmpty() && players.size() > 1)
            return true; // the chooser asks who flies
        m_nExitCode = 2;
        return false;
    }
    return true;
}

bool CAvilumaApp::InitInstance() {
    InitAppDir();
    // Before any window or message box: --lang, or else the locale. The player's own choice, stored
    // in their folder, follows once the player is known.
    const Language language = ChooseLanguage(m_strLanguage, QString(), QLocale::system());
    if (!InstallLanguage(language))
        qCWarning(lcUi, "the %s translation could not be loaded; the texts stay as they are",
                  qPrintable(LanguageCode(language)));
    StartupMark("language installed");
    CSingleInstance instance(InstanceFolder());
    CAvilumaDlg dlg;
    if (!instance.Claim([&dlg] { BringToFront(&dlg); })) {
        qCWarning(lcUi, "the game is already running; it has been brought to the front");
        return false;
    }
    StartupMark("main window built, this game the only one running");

    const DataFolders folders = ChooseDataFolders(g_strAppDir.Get(), m_strDataDir);
    SetDataFolders(folders);
    qCDebug(lcRecords, "progress and records in %s, score sheets in %s", qPrintable(folders.data),
            qPrintable(folders.record));
    // One game per data folder, whoever starts it: two would write over each other's records.
    CFolderLock dataLock(folders.data);
    switch (dataLock.Claim()) {
    case CFolderLock::Result::Busy:
        qCWarning(lcRecords, "%s is in use by another game (user %s, process %lld)", qPrintable(folders.data),
                  qPrintable(dataLock.Owner().user), static_cast<long long>(dataLock.Owner().pid));
        MessageBoxOk(FolderInUseText(folders.data, dataLock.Owner()));
        m_nExitCode = 1;
        return false;
    case CFolderLock::Result::Failed:
        qCWarning(lcRecords, "cannot lock %s (%s): nothing keeps another game off these files",
                  qPrintable(dataLock.FilePath()), std::strerror(dataLock.Error()));
        break;
    case CFolderLock::Result::Held:
        // Only games holding this lock write here, so what a write left half-done is an interrupted
        // write's, never a live one's.
        for (const QString& folder : {folders.data, folders.record, HistoryFolder(), OutboxFolder()})
            RemoveLeftoverTempFiles(folder);
        for (const Player& player : ReadPlayers()) {
            RemoveLeftoverTempFiles(PlayerFolderPath(player));
            RemoveLeftoverTempFiles(PlayerHistoryFolder(player));
        }
        break;
    }
    if (const QStringList unwritable = UnwritableFolders(folders); !unwritable.isEmpty()) {
        qCWarning(lcRecords, "cannot write to %s", qPrintable(unwritable.join(QStringLiteral(", "))));
        MessageBoxOk(
            Aviluma::tr("无法写入这些文件夹，进度和成绩将不能保存：\n%1")
                .arg(unwritable.join(QLatin1Char('\n'))));
    }
    if (const QStringList setAside = SetAsideFiles(); !setAside.isEmpty()) {
        qCWarning(lcRecords, "set aside: %s", qPrintable(setAside.join(QStringLiteral(", "))));
        MessageBoxOk(
            Aviluma::tr("这些设置文件没有读取，游戏当它们不存在：\n%1\n"
                                                           "它们可能是其他用户放的。请检查后把它们移走。")
                .arg(setAside.join(QLatin1Char('\n'))));
    }
    SetSaveFailureListener(
        [](const QString& path, int error, bool kept) { MessageBoxOk(SaveFailureText(path, error, kept)); });
    SetSheetNoticeListener([](const SheetNotice& notice) { MessageBoxOk(SheetNoticeText(notice)); });
    QStringList waiting;
    for (const SheetNotice& notice : WritePendingSheetLines())
        waiting << SheetNoticeText(notice);
    if (!waiting.isEmpty())
        MessageBoxOk(waiting.join(QLatin1Char('\n')));

    StartupMark("data folder locked and checked, waiting score sheet lines written");
    if (m_joinClass) {
        QString error;
        if (!WriteClassSettings(*m_joinClass, &error))
            MessageBoxOk(error);
    }
    dlg.m_strLanguageOption = m_strLanguage;
    if (ChooseStartPlayer(dlg)) {
        dlg.UsePlayersLanguage();
        if (m_bSimulatedDrone)
            QTimer::singleShot(0, &dlg, [&dlg] { dlg.PracticeWithSimulatedDrone(); }); // once it shows
        // A PC of a class sends its games to the class server from a thread of its own.
        auto link =
            std::make_unique<CClassLink>([&dlg](const ClassStatus& status) { dlg.ShowClassStatus(status); });
        dlg.onClassChanged = [&] { link->Restart(); };
        StartupMark("player chosen, class link started");
        dlg.DoModal();
        dlg.Shutdown(); // the link stopped, every game and the heartbeat ended and joined
        dlg.onClassChanged = {};
        link.reset(); // waits at most for a connection being opened (its connect_timeout)
    }
    SetSaveFailureListener({});
    SetSheetNoticeListener({});
    return false;
}
