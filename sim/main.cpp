// aviluma-drone: a simulated drone the game finds like a real one, with a window to fly it from.
#include "platform/DeviceList.h"
#include "sim/DroneWindow.h"
#include "sim/FlightLoop.h"
#include "sim/SimDrone.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMetaObject>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include <pthread.h>

namespace {

bool HaveDisplay() {
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr ||
           std::getenv("QT_QPA_PLATFORM") != nullptr;
}

} // namespace

int main(int argc, char* argv[]) {
    // Block the stop signals before any thread starts, so only the waiter below receives them and the
    // registration is always removed on the way out.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated drone for Aviluma, found by the game like a real one."));
    parser.addHelpOption();
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("ATTITUDE frames a second (default 20; 0 for none)."),
                                  QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Answer no command."));
    const QCommandLineOption reply(QStringLiteral("reply-byte"),
                                   QStringLiteral("First payload byte of every answer (default 1)."),
                                   QStringLiteral("b"), QStringLiteral("1"));
    const QCommandLineOption roll(QStringLiteral("roll"), QStringLiteral("Fixed roll in degrees: no flying."),
                                  QStringLiteral("deg"));
    const QCommandLineOption pitch(
        QStringLiteral("pitch"), QStringLiteral("Fixed pitch in degrees: no flying."), QStringLiteral("deg"));
    const QCommandLineOption yaw(QStringLiteral("yaw"), QStringLiteral("Fixed yaw in degrees: no flying."),
                                 QStringLiteral("deg"));
    const QCommandLineOption printPort(QStringLiteral("print-port"),
                                       QStringLiteral("Print the device path on standard output."));
    const QCommandLineOption registry(
        QStringLiteral("registry"), QStringLiteral("Folder of the device registry."), QStringLiteral("dir"));
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("No window: fly by autopilot or not at all."));
    const QCommandLineOption autopilot(QStringLiteral("autopilot"),
                                       QStringLiteral("Start with the autopilot flying."));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the wind and gusts (default 1)."),
                                  QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("The gamepad settings file."), QStringLiteral("file"));
    parser.addOptions(
        {rate, silent, reply, roll, pitch, yaw, printPort, registry, headless, autopilot, seed, settings});
    parser.process(arguments);

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
    if (windowed && !HaveDisplay()) {
        std::fprintf(stderr, "aviluma-drone: no display found; use --headless (with --autopilot to fly).\n");
        return 1;
    }

    std::unique_ptr<QCoreApplication> app;
    if (windowed)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);

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
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
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
