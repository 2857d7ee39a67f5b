// How long the game takes from its start to the main window's first paint, against a Qt widgets
// hello-world of the same size built with the same flags (bench_hello), and how much memory each holds
// then; where the game's milliseconds go (its start-up timeline); and, in this process, how soon the
// map and the run window open when a player clicks as early as a player can. Prints figures; asserts
// nothing. Runs on the display it finds (offscreen when there is none).
//
//   bench_startup [runs]   runs of each program, taken in turn (20 unless given)
#include "app/AvilumaDlg.h"
#include "platform/MessageBox.h"
#include "platform/UiThread.h"
#include "records/LevelStats.h"
#include "state/Globals.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

long ResidentKiB(const QString& process) {
    QFile status(QStringLiteral("/proc/%1/status").arg(process));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

struct Run {
    double firstPaintMs = -1;                 // from just before the fork to the line saying so
    long residentKiB = -1;                    // then
    std::vector<std::pair<QString, double>> marks; // the start-up timeline the program logged
};

// Starts program, reads its stderr until it says its first paint is done, then ends it as a player's
// close would (SIGTERM) and waits for it. Nothing when it never says so (within 30 s) or cannot start.
std::optional<Run> StartOnce(const QStringList& command) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<QByteArray> args;
    for (const QString& arg : command)
        args.push_back(QFile::encodeName(arg));
    std::vector<char*> argv;
    for (QByteArray& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    Run run;
    const double started = NowMs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return std::nullopt;
    }
    static const QRegularExpression mark(QStringLiteral("startup: (?:([0-9.]+) ms: )?(.*)$"));
    QByteArray pending;
    bool painted = false;
    bool ended = false;
    while (!ended) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        if (poll(&readable, 1, painted ? 10000 : 30000) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) {
            ended = true;
            break;
        }
        pending.append(buffer, static_cast<qsizetype>(n));
        for (qsizetype end; !painted && (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QRegularExpressionMatch found = mark.match(QString::fromUtf8(pending.left(end)));
            if (!found.hasMatch())
                continue;
            if (!found.captured(1).isEmpty())
                run.marks.emplace_back(found.captured(2), found.captured(1).toDouble());
            if (found.captured(2) == QLatin1String("first paint done")) {
                run.firstPaintMs = NowMs() - started;
                run.residentKiB = ResidentKiB(QString::number(pid));
                painted = true;
                kill(pid, SIGTERM);
            }
        }
    }
    if (!painted)
        kill(pid, SIGKILL);
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!painted)
        return std::nullopt;
    return run;
}

// Waits in this process for widget's next paint to have run to its end; the milliseconds that took.
double MsToFirstPaint(QWidget& widget, const std::function<void()>& open) {
    class CPainted final : public QObject {
    public:
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted = true;
            return false;
        }
        bool painted = false;
    } painted;
    widget.installEventFilter(&painted);
    QElapsedTimer timer;
    timer.start();
    open();
    while (!painted.painted)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents(); // the paint reaches the screen
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    widget.removeEventFilter(&painted);
    return ms;
}

// The windows a player opens first, in this process: started as the game starts its main window.
void OpenTheWindows() {
    CUiThread::Attach();
    InitAppDir();
    SetMessageResponder([](const QString&, MessageKind) { return false; });
    {
        CAvilumaDlg dlg;
        const double mainMs = MsToFirstPaint(dlg, [&dlg] { dlg.ShowModeless(); });
        // A player's quickest click on a mode card: about a third of a second after the window shows.
        QElapsedTimer sinceShown;
        sinceShown.start();
        while (sinceShown.elapsed() < 300)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 300 - static_cast<int>(sinceShown.elapsed()));
        const double mapMs = MsToFirstPaint(dlg.m_dlgMap, [&dlg] { dlg.m_dlgMap.ShowModeless(); });
        const double runMs =
            MsToFirstPaint(dlg.m_dlgMap.m_dlgRun, [&dlg] { dlg.m_dlgMap.m_dlgRun.ShowModeless(); });
        std::printf("in one process: main window painted %.1f ms after opening; clicked 300 ms later, the map "
                    "painted %.1f ms after opening, then the run window %.1f ms after opening\n",
                    mainMs, mapMs, runMs);
        dlg.m_dlgRun.ShowModeless();
        dlg.m_dlgGameType.ShowModeless();
        dlg.m_dlgRun.m_dlgRecord.ShowModeless();
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        std::printf("resident memory with every window built and opened: %ld KiB\n",
                    ResidentKiB(QStringLiteral("self")));
        dlg.Shutdown();
    }
    CUiThread::Detach();
}

} // namespace

int main(int argc, char* argv[]) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "startup.debug=true"); // the game's timeline, and nothing else of its log
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const QString folder = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath();
    QTemporaryDir data;
    // The game keeps its drawn backgrounds in the user's cache: a folder of this run's, so the first
    // start draws them as a player's very first start does, and the later ones read them back.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QStringList game = {folder + QStringLiteral("/aviluma"), QStringLiteral("--data-dir"), data.path(),
                              QStringLiteral("--player"), QStringLiteral("Bench"), QStringLiteral("--new-player")};
    const QStringList hello = {folder + QStringLiteral("/bench_hello")};
    std::vector<double> firstStarts; // with no drawing kept yet, each in a cache folder of its own
    for (int i = 0; i < std::min(runs, 5); ++i) {
        QTemporaryDir empty;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(empty.path()));
        if (const auto run = StartOnce(game))
            firstStarts.push_back(run->firstPaintMs);
    }
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    (void)StartOnce(game); // the player's folder made, the drawings kept, both programs in the page cache
    (void)StartOnce(hello);

    std::vector<double> gamePaint, helloPaint, gameKiB, helloKiB;
    std::map<QString, std::vector<double>> timeline;
    std::vector<QString> order;
    for (int i = 0; i < runs; ++i) {
        if (const auto run = StartOnce(hello)) {
            helloPaint.push_back(run->firstPaintMs);
            helloKiB.push_back(static_cast<double>(run->residentKiB));
        }
        if (const auto run = StartOnce(game)) {
            gamePaint.push_back(run->firstPaintMs);
            gameKiB.push_back(static_cast<double>(run->residentKiB));
            for (const auto& [what, ms] : run->marks) {
                if (!timeline.count(what))
                    order.push_back(what);
                timeline[what].push_back(ms);
            }
        }
    }
    if (gamePaint.empty() || helloPaint.empty()) {
        std::printf("FAILED: %s never said its first paint was done\n", gamePaint.empty() ? "the game" : "bench_hello");
        return 1;
    }
    const double game_ = Median(gamePaint);
    const double hello_ = Median(helloPaint);
    std::printf("start to first paint, median of %zu runs each, taken in turn on %s, backgrounds drawn on an earlier start:\n", gamePaint.size(),
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "this display" : qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("  aviluma      %6.1f ms, resident %6.1f MB\n", game_, Median(gameKiB) / 1024);
    std::printf("  hello-world  %6.1f ms, resident %6.1f MB\n", hello_, Median(helloKiB) / 1024);
    std::printf("  ratio        %6.2f x\n", game_ / hello_);
    if (!firstStarts.empty())
        std::printf("  aviluma's first start, its backgrounds not yet drawn (median of %zu): %.1f ms, %.2f x\n",
                    firstStarts.size(), Median(firstStarts), Median(firstStarts) / hello_);
    std::printf("the game's start-up timeline (median ms since main() began):\n");
    for (const QString& what : order)
        std::printf("  %7.1f  %s\n", Median(timeline[what]), qPrintable(what));

    QApplication app(argc, argv);
    InstallFontSubstitutions();
    OpenTheWindows();
    return 0;
}
