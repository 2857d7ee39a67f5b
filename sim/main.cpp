// aviluma-drone: a simulated drone the game finds like a real one, with a window to fly it from.
#include "platform/CommandLine.h"
#include "platform/DeviceList.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "platform/WindowSystem.h"
#include "sim/DroneWindow.h"
#include "sim/FlightLoop.h"
#include "sim/SimDrone.h"
#include "state/Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QScopeGuard>

#include <csignal>
#include <cstdio>
#include <memory>
#include <thread>

#include <pthread.h>

int main(int argc, char* argv[]) {
    // Block the stop signals before any thread starts, so only the waiter below receives them and the
    // registration is always removed on the way out.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication::setApplicationName(QStringLiteral("aviluma-drone"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kAvilumaVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        TerminalText("A simulated drone for Aviluma, found by the game like a real one.",
                     "Aviluma 的模拟无人机：游戏像找真无人机一样找到它。"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  TerminalText("ATTITUDE frames a second (default 20; 0 for none).",
                                               "每秒发送的 ATTITUDE 帧数（默认 20；0 为不发送）。"),
                                  QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    TerminalText("Answer no command.", "不应答任何命令。"));
    const QCommandLineOption reply(QStringLiteral("reply-byte"),
                                   TerminalText("First payload byte of every answer (default 1).",
                                                "每个应答的第一个数据字节（默认 1）。"),
                                   QStringLiteral("b"), QStringLiteral("1"));
    const QCommandLineOption roll(
        QStringLiteral("roll"),
        TerminalText("Fixed roll in degrees: no flying.", "固定横滚角（度），不飞行。"),
        QStringLiteral("deg"));
    const QCommandLineOption pitch(
        QStringLiteral("pitch"),
        TerminalText("Fixed pitch in degrees: no flying.", "固定俯仰角（度），不飞行。"),
        QStringLiteral("deg"));
    const QCommandLineOption yaw(
        QStringLiteral("yaw"), TerminalText("Fixed yaw in degrees: no flying.", "固定偏航角（度），不飞行。"),
        QStringLiteral("deg"));
    const QCommandLineOption printPort(
        QStringLiteral("print-port"),
        TerminalText("Print the device path on standard output.", "在标准输出上打印设备路径。"));
    const QCommandLineOption registry(
        QStringLiteral("registry"), TerminalText("Folder of the device registry.", "设备登记所在的文件夹。"),
        QStringLiteral("dir"));
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        TerminalText("No window: fly by autopilot or not at all.", "不开窗口：由自动驾驶飞行，或不飞行。"));
    const QCommandLineOption autopilot(
        QStringLiteral("autopilot"),
        TerminalText("Start with the autopilot flying.", "启动时由自动驾驶飞行。"));
    const QCommandLineOption seed(
        QStringLiteral("seed"),
        TerminalText("Seed of the wind and gusts (default 1).", "风和阵风的随机种子（默认 1）。"),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      TerminalText("The gamepad settings file.", "手柄设置文件。"),
                                      QStringLiteral("file"));
    const QCommandLineOption language = LanguageOption();
    ParseCommandLine(parser,
                     {rate, silent, reply, roll, pitch, yaw, printPort, registry, headless, autopilot, seed,
                      settings, language},
                     argc, argv);
    const QString languageCode = LanguageOptionValue(parser, language);

    bool ok = true;
    auto number = [&](const QCommandLineOption& option) {
        bool valid = false;
        const double value = parser.value(option).toDouble(&valid);
        ok = ok && valid;
        return value;
    };
    SimOptions options;
    options.nFrameRate = static_cast<int>(number(rate));
    options.bSilent = parser.isSet(silent);
    const double replyByte = number(reply);
    const double seedValue = number(seed);
    const bool fixedAttitude = parser.isSet(roll) || parser.isSet(pitch) || parser.isSet(yaw);
    if (fixedAttitude) {
        options.fRollDeg = parser.isSet(roll) ? static_cast<float>(number(roll)) : 0.0f;
        options.fPitchDeg = parser.isSet(pitch) ? static_cast<float>(number(pitch)) : 0.0f;
        options.fYawDeg = parser.isSet(yaw) ? static_cast<float>(number(yaw)) : 0.0f;
    }
    if (!ok || options.nFrameRate < 0 || options.nFrameRate > 1000 || replyByte < 0 || replyByte > 255 ||
        seedValue < 0) {
        std::fprintf(stderr, "aviluma-drone: invalid option value (see --help)\n");
        return 2;
    }
    options.nReplyByte = static_cast<std::uint8_t>(replyByte);
    if (parser.isSet(registry))
        SetDeviceRegistryFolder(parser.value(registry));
    const bool windowed = !parser.isSet(headless) && !fixedAttitude;
    if (const QString problem = windowed ? ChooseWindowPlatform() : QString(); !problem.isEmpty()) {
        std::fprintf(stderr, "aviluma-drone: %s; use --headless (with --autopilot to fly).\n",
                     qPrintable(problem));
        return 1;
    }

    std::unique_ptr<QCoreApplication> app;
    if (windowed) {
        HoldStartupMessages("aviluma-drone", false);
        app = std::make_unique<QApplication>(argc, argv);
        ReleaseStartupMessages();
        ShowFocusAlways();
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    InstallLanguage(ChooseLanguage(languageCode, QString(), QLocale::system()));
    // The stop signal's waiter reaches the event loop through the UI queue, as every thread of ours does.
    CUiThread::Attach();
    const auto detach = qScopeGuard([] { CUiThread::Detach(); });

    CSimDrone drone(options);
    if (!drone.Start()) {
        std::fprintf(stderr, "aviluma-drone: cannot open a pseudo-terminal\n");
        return 1;
    }
    if (parser.isSet(printPort))
        std::printf("%s\n", qPrintable(drone.DevicePath()));
    else
        std::printf("aviluma-drone: simulated drone on %s, %d ATTITUDE frames a second. Ctrl+C ends it.\n",
                    qPrintable(drone.DevicePath()), options.nFrameRate);
    std::fflush(stdout);

    // A fixed attitude for tests stays fixed; otherwise the drone flies.
    std::unique_ptr<CFlightLoop> loop;
    if (!fixedAttitude) {
        loop = std::make_unique<CFlightLoop>(drone, static_cast<std::uint32_t>(seedValue));
        loop->SetAutopilot(parser.isSet(autopilot));
        loop->Start();
    }

    std::thread signalWaiter([&stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        CUiThread::Post([] { QCoreApplication::quit(); });
    });
    {
        std::unique_ptr<CDroneWindow> window;
        if (windowed) {
            window = std::make_unique<CDroneWindow>(
                drone, *loop, parser.isSet(settings) ? parser.value(settings) : DefaultGamepadSettingsPath());
            window->show();
        }
        app->exec();
    }
    // Closing the window ends the program as a stop signal does; the waiter needs one to finish.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    if (loop)
        loop->Stop();
    drone.Stop();
    return 0;
}
