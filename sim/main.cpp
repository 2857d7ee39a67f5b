// aviluma-drone: a simulated drone the game finds like a real one.
#include "platform/DeviceList.h"
#include "sim/SimDrone.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include <pthread.h>

int main(int argc, char* argv[]) {
    // Block the stop signals before any thread starts, so only sigwait below receives them and the
    // registration is always removed on the way out.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("aviluma-drone"));
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
    const QCommandLineOption roll(QStringLiteral("roll"), QStringLiteral("Roll in degrees."),
                                  QStringLiteral("deg"), QStringLiteral("0"));
    const QCommandLineOption pitch(QStringLiteral("pitch"), QStringLiteral("Pitch in degrees."),
                                   QStringLiteral("deg"), QStringLiteral("0"));
    const QCommandLineOption yaw(QStringLiteral("yaw"), QStringLiteral("Yaw in degrees."),
                                 QStringLiteral("deg"), QStringLiteral("0"));
    const QCommandLineOption printPort(QStringLiteral("print-port"),
                                       QStringLiteral("Print the device path on standard output."));
    const QCommandLineOption registry(
        QStringLiteral("registry"), QStringLiteral("Folder of the device registry."), QStringLiteral("dir"));
    parser.addOptions({rate, silent, reply, roll, pitch, yaw, printPort, registry});
    parser.process(app);

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
    options.fRollDeg = static_cast<float>(number(roll));
    options.fPitchDeg = static_cast<float>(number(pitch));
    options.fYawDeg = static_cast<float>(number(yaw));
    if (!ok || options.nFrameRate < 0 || options.nFrameRate > 1000 || replyByte < 0 || replyByte > 255) {
        std::fprintf(stderr, "aviluma-drone: invalid option value (see --help)\n");
        return 2;
    }
    options.nReplyByte = static_cast<std::uint8_t>(replyByte);
    if (parser.isSet(registry))
        SetDeviceRegistryFolder(parser.value(registry));

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

    int signal = 0;
    sigwait(&stopSignals, &signal);
    drone.Stop();
    return 0;
}
