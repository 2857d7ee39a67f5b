#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include <csignal>

#include <sys/mount.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

std::map<QString, QByteArray> FolderContents(const QString& folder) {
    std::map<QString, QByteArray> contents;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            contents[relative + QLatin1Char('/')] = QByteArray();
            continue;
        }
        QFile file(path);
        contents[relative] =
            file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("(unreadable)");
    }
    return contents;
}

QStringList FolderChanges(const std::map<QString, QByteArray>& before,
                          const std::map<QString, QByteArray>& after) {
    QStringList changes;
    for (const auto& [path, bytes] : before) {
        const auto now = after.find(path);
        if (now == after.end())
            changes << QLatin1Char('-') + path;
        else if (now->second != bytes)
            changes << QLatin1Char('*') + path;
    }
    for (const auto& [path, bytes] : after)
        if (before.count(path) == 0)
            changes << QLatin1Char('+') + path;
    return changes;
}

bool SignalStarted(const QProcess& process, int signal) {
    const qint64 pid = process.processId();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), signal) == 0;
}

int RunAsOrdinaryUser(const std::function<int()>& body) {
    constexpr uid_t kNobody = 65534;
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(255);
        _exit(body() & 0xFF);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::chrono::microseconds ProcessCpuTime() {
    timespec ts{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0)
        return std::chrono::microseconds(-1);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::microseconds(ts.tv_nsec / 1000);
}

#include "platform/UiThread.h"

#include <QApplication>
#include <QTemporaryDir>

QApplication& OffscreenApp() {
    static int argc = 1;
    static char name[] = "aviluma-tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The pictures the windows keep between runs go to a folder of this test program's run, so every
    // run draws them afresh and none lands in the user's own cache.
    static QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    // Never destroyed: tearing Qt down among the other static objects at exit is not safe.
    static QApplication* app = new QApplication(argc, argv);
    if (!CUiThread::IsAttached())
        CUiThread::Attach();
    return *app;
}

CSmallDisk::CSmallDisk(const QString& folder, int kilobytes) : m_strFolder(folder) {
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0777";
    m_bMounted = mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0;
}

CSmallDisk::~CSmallDisk() {
    if (m_bMounted)
        umount2(QFile::encodeName(m_strFolder).constData(), MNT_DETACH);
}

void CSmallDisk::Fill() {
    QFile filler(m_strFolder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QByteArray block(512, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    // The last bytes a block write left unsaid.
    while (filler.write("x", 1) == 1 && filler.flush()) {
    }
}

void CSmallDisk::Free() {
    QFile::remove(m_strFolder + QStringLiteral("/filler"));
}
