#include "app/AvilumaApp.h"
#include "platform/UiThread.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_stopPipe[1], &byte, 1);
    errno = saved;
}

// Ctrl+C, a kill or the end of the session leave like the close button: every window's loop ends,
// the link is stopped and the drone's port given back, instead of the process vanishing mid-write.
void EndOnStopSignals() {
    if (pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_stopPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::exit(0); });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[]) {
    // Qt ends the process with a long message when it finds no display; say it plainly instead.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fprintf(stderr,
                     "aviluma: no display found; start it from a desktop session (or under xvfb-run).\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Aviluma"));
    InstallFontSubstitutions();
    CUiThread::Attach();
    EndOnStopSignals();
    QCommandLineParser parser;
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Keep progress, records and score sheets in dir/Data and dir/Record."),
        QStringLiteral("dir"));
    parser.addOption(dataDir);
    parser.process(app);
    CAvilumaApp theApp(parser.value(dataDir));
    theApp.InitInstance();
    CUiThread::Detach();
    return 0;
}
