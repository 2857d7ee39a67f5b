#include "app/AvilumaApp.h"
#include "classroom/ClassClient.h"
#include "platform/CommandLine.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "platform/WindowSystem.h"
#include "state/Log.h"
#include "state/Version.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

namespace {

struct Options {
    QString dataDir;
    QString player;
    bool newPlayer = false;
    QStringList classSettings; // connection, class, seat: all three or none
    QString language;          // "zh", "en", or empty when not given
    bool verbose = false;
    bool simulatedDrone = false;
};

// The options, read before any window exists, so --help and --version work without a display.
Options ReadOptions(int argc, char* argv[]) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        TerminalText("Aviluma: a training game in which players learn to fly a small drone.",
                     "Aviluma：学习操控小型无人机的训练游戏。"));
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        TerminalText("Keep progress and records in <dir>/Data and score sheets in <dir>/Record.",
                     "把进度和记录保存在 <dir>/Data，成绩单保存在 <dir>/Record。"),
        QStringLiteral("dir"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     TerminalText("Also log what goes right (link, records, game, windows).",
                                                  "同时记录正常运行的信息（连接、记录、游戏、窗口）。"));
    const QCommandLineOption simulatedDrone(
        QStringLiteral("simulated-drone"),
        TerminalText(
            "No drone? Practise with the simulated drone (aviluma-drone): it starts beside the game, "
            "connects, and ends with it.",
            "没有无人机？用模拟无人机练习：在游戏旁启动模拟无人机（aviluma-drone）并连接，随游戏结束。"));
    const QCommandLineOption player(
        QStringLiteral("player"),
        TerminalText("Start as the player <name> of this PC, without asking who flies.",
                     "以本机玩家 <name> 的身份开始，不再询问谁来飞。"),
        QStringLiteral("name"));
    const QCommandLineOption newPlayer(
        QStringLiteral("new-player"),
        TerminalText("With --player: add that player when this PC has none of that name.",
                     "与 --player 一起使用：本机没有这个玩家时新建。"));
    const QCommandLineOption classServer(
        QStringLiteral("class-server"),
        TerminalText(
            "Send every game to the class server at <connection> (a libpq connection string or "
            "postgresql:// URI, without a password); with --class and --seat. Kept for later starts.",
            "把每局成绩上传到班级服务器 <connection>（libpq 连接字符串或 postgresql:// 地址，不含密码）；"
            "与 --class、--seat 一起使用，之后启动时沿用。"),
        QStringLiteral("connection"));
    const QCommandLineOption className(QStringLiteral("class"),
                                       TerminalText("The class this PC belongs to.", "本机所属的班级。"),
                                       QStringLiteral("name"));
    const QCommandLineOption seat(QStringLiteral("seat"),
                                  TerminalText("This PC's seat in the room.", "本机的座位号。"),
                                  QStringLiteral("label"));
    const QCommandLineOption language = LanguageOption();
    ParseCommandLine(
        parser, {dataDir, player, newPlayer, classServer, className, seat, language, simulatedDrone, verbose},
        argc, argv);
    if (parser.isSet(newPlayer) && !parser.isSet(player)) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(TerminalText("aviluma: --new-player needs --player <name>.",
                                             "aviluma：--new-player 需要与 --player <name> 一起使用。")));
        std::exit(2);
    }
    if (parser.isSet(classServer) != parser.isSet(className) ||
        (parser.isSet(seat) && !parser.isSet(classServer))) {
        std::fprintf(
            stderr, "%s\n",
            qPrintable(TerminalText("aviluma: --class-server and --class go together (--seat with them).",
                                    "aviluma：--class-server 与 --class 需一起使用（--seat 亦同）。")));
        std::exit(2);
    }
    // A password in the connection would be kept in class.cfg for anyone who can read the data
    // folder: it belongs in ~/.pgpass or PGPASSWORD, which libpq reads itself.
    if (parser.isSet(classServer) && !IsClassConnection(parser.value(classServer))) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(TerminalText(
                         "aviluma: --class-server takes a libpq connection string or postgresql:// URI without a "
                         "password; the password goes in ~/.pgpass (mode 0600) or PGPASSWORD. Nothing was saved.",
                         "aviluma：--class-server 需要不含密码的 libpq 连接字符串或 postgresql:// 地址；"
                         "密码请写在 ~/.pgpass（权限 0600）或 PGPASSWORD 里。没有保存任何设置。")));
        std::exit(2);
    }
    Options options;
    if (parser.isSet(classServer))
        options.classSettings = {parser.value(classServer), parser.value(className), parser.value(seat)};
    options.dataDir = parser.value(dataDir);
    options.player = parser.value(player);
    options.newPlayer = parser.isSet(newPlayer);
    options.verbose = parser.isSet(verbose);
    options.simulatedDrone = parser.isSet(simulatedDrone);
    options.language = LanguageOptionValue(parser, language);
    return options;
}

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
    StartupMark("main");
    QCoreApplication::setApplicationName(QStringLiteral("aviluma"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kAvilumaVersion));
    const Options options = ReadOptions(argc, argv);
    // Warnings and errors go to stderr; what goes right only when asked for.
    qSetMessagePattern(QStringLiteral("aviluma: %{if-category}%{category}: %{endif}%{message}"));
    if (options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("link=true\nrecords=true\ngame=true\nui=true\nstartup=true"));
    if (const QString problem = ChooseWindowPlatform(); !problem.isEmpty()) {
        std::fprintf(stderr, "aviluma: %s; start it from a desktop session (or under xvfb-run).\n",
                     qPrintable(problem));
        return 1;
    }
    HoldStartupMessages("aviluma", options.verbose);
    StartupMark("options read");
    // Fontconfig reads its configuration and font lists on its first use, some ten milliseconds:
    // read while Qt connects to the display, instead of at the first text measured after it.
    std::thread fontconfig([] { FcInit(); });
    QApplication app(argc, argv);
    StartupMark("Qt's application and display connection made");
    fontconfig.join();
    StartupMark("fontconfig ready");
    ReleaseStartupMessages();
    ShowFocusAlways();
    QApplication::setApplicationName(QStringLiteral("Aviluma"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kAvilumaAppId));
    InstallFontSubstitutions();
    CUiThread::Attach();
    EndOnStopSignals();
    StartupMark("Chinese face and event hand-off set up");
    CAvilumaApp theApp(options.dataDir);
    theApp.StartAs(options.player, options.newPlayer);
    theApp.UseLanguage(options.language);
    theApp.UseSimulatedDrone(options.simulatedDrone);
    if (!options.classSettings.isEmpty())
        theApp.JoinClass({options.classSettings[0], options.classSettings[1], options.classSettings[2]});
    theApp.InitInstance();
    CUiThread::Detach();
    return theApp.ExitCode();
}
