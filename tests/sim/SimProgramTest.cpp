#include "link/Protocol.h"
#include "platform/DeviceList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

using namespace std::chrono_literals;

// The aviluma-drone program registers on start and removes its registration however it is stopped.
TEST(SimProgram, RegistersAndCleansUpOnEachStopSignal) {
    for (int stopSignal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(stopSignal);
        QTemporaryDir registry;
        const QString folder = registry.path() + QStringLiteral("/devices");
        QProcess drone;
        drone.start(QStringLiteral(AVILUMA_DRONE_PROGRAM),
                    {QStringLiteral("--headless"), QStringLiteral("--print-port"),
                     QStringLiteral("--registry"), folder});
        ASSERT_TRUE(drone.waitForReadyRead(5000));
        const QString port = QString::fromLocal8Bit(drone.readLine()).trimmed();
        EXPECT_TRUE(port.startsWith(QStringLiteral("/dev/pts/"))) << qPrintable(port);

        SetDeviceRegistryFolder(folder);
        const auto devices = ListPresentDevices();
        ASSERT_TRUE(devices.has_value());
        bool found = false;
        for (const DeviceRecord& d : *devices)
            found = found || (d.devicePath == port && d.instanceId.contains(DroneHardwareId()));
        EXPECT_TRUE(found);

        ASSERT_TRUE(SignalStarted(drone, stopSignal));
        ASSERT_TRUE(drone.waitForFinished(5000));
        EXPECT_EQ(drone.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(drone.exitCode(), 0);
        EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.device")}, QDir::Files).isEmpty());
        SetDeviceRegistryFolder(QString());
    }
}

TEST(SimProgram, RefusesNonsenseOptions) {
    QProcess drone;
    drone.start(QStringLiteral(AVILUMA_DRONE_PROGRAM), {QStringLiteral("--rate"), QStringLiteral("fast")});
    ASSERT_TRUE(drone.waitForFinished(5000));
    EXPECT_EQ(drone.exitCode(), 2);
}

} // namespace
