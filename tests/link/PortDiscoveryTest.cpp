#include "link/PortDiscovery.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <tuple>

#include <unistd.h>

namespace {

DeviceRecord Drone(const QString& name, const QString& path) {
    return {DroneInstanceId("5&1A2B3C&0&2"), name, path};
}

TEST(PortDiscovery, PortNameFromFriendlyName) {
    const struct {
        const char* name;
        std::optional<QString> port;
    } cases[] = {
        {"Aviluma drone (COM7)", "COM7"},
        {"USB Serial (COM12) and more", "COM12"},
        {"(COM012)", "COM12"},
        {"(COM7a)", "COM7"},
        {"Drone (COM)", ""},
        {"Drone (COM0)", ""},
        {"Drone (COM 7)", ""},
        {"Drone (COM99999999999)", ""}, // past int range
        {"Aviluma drone (ttyACM0)", "ttyACM0"},
        {"Drone ()", ""},
        {"(LPT1) (COM4)", ""}, // the first ")" stands before "(COM"
        {"Drone without port", std::nullopt},
        {"Drone (COM3", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PortNameFromFriendlyName(c.name), c.port);
    }
}

TEST(PortDiscovery, WalkOverDeviceRecords) {
    const DeviceRecord other{"USB\\VID_0403&PID_6001\\A50285BI", "USB Serial Port (COM3)", "COM3"};
    const DeviceRecord com7 = Drone("Drone (COM7)", "COM7");
    const DeviceRecord com12 = Drone("Drone (COM12) and more", "COM12");
    const DeviceRecord lower{"usb\\vid_26ac&pid_0011\\abc", "Drone (COM5)", "COM5"};
    const struct {
        const char* what;
        std::vector<DeviceRecord> devices;
        QString port;
    } cases[] = {
        {"no match", {other}, ""},
        {"single match", {other, com7}, "COM7"},
        {"lower-case id", {lower}, "COM5"},
        {"port without a number", {Drone("Drone (COM)", "COM0")}, ""},
        {"name without a port keeps the earlier result", {com7, Drone("Drone", "X"), com12}, "COM7"},
        {"later match wins", {com7, com12}, "COM12"},
        {"later match without a number clears the result", {com7, Drone("Drone (COM)", "COM0")}, ""},
        {"empty id stops the walk", {com7, DeviceRecord{"", "Drone (COM9)", "COM9"}, com12}, "COM7"},
        {"empty name stops the walk", {com7, Drone("", "COM9"), com12}, "COM7"},
        {"an unmatched device's empty name does not",
         {DeviceRecord{other.instanceId, "", "X"}, com7},
         "COM7"},
        {"Linux tty name", {Drone("Aviluma drone (ttyACM0)", "/dev/ttyACM0")}, "/dev/ttyACM0"},
    };
    EXPECT_EQ(DroneHardwareId(), "VID_26AC&PID_0011");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FindPortInDevices(DroneHardwareId(), c.devices), c.port);
    }
    // The upper-cased id is tested against the fragment as given.
    EXPECT_EQ(FindPortInDevices("vid_26ac&pid_0011", {lower}), "");
}

// The drone as the kernel shows it: a tty whose device link names an interface of the USB device.
TEST(PortDiscovery, FindsTheDroneAmongPresentPorts) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const auto restore = qScopeGuard([root = SysfsRoot(), registry = DeviceRegistryFolder()] {
        SetSysfsRoot(root);
        SetDeviceRegistryFolder(registry);
    });
    SetSysfsRoot(tmp.path() + "/sys");
    SetDeviceRegistryFolder(tmp.path() + "/registry");
    EXPECT_EQ(FindPortByHardwareId(DroneHardwareId()), ""); // no tty class at all
    auto hex = [](std::uint16_t id) { return QByteArray::number(id, 16).rightJustified(4, '0'); };
    for (const auto& [tty, vid, pid] : {std::tuple{"ttyUSB0", QByteArray("0403"), QByteArray("6001")},
                                        {"ttyACM0", hex(kDroneVendorId), hex(kDroneProductId)}}) {
        const QString usb = tmp.path() + "/sys/devices/usb1/1-" + tty, ttyFolder = usb + "/if0/tty/" + tty;
        ASSERT_TRUE(QDir().mkpath(ttyFolder));
        ASSERT_TRUE(QDir().mkpath(tmp.path() + "/sys/class/tty"));
        for (const auto& [file, id] : {std::pair{"/idVendor", vid}, {"/idProduct", pid}}) {
            QFile f(usb + file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(id) == 4);
        }
        ASSERT_EQ(::symlink("../..", QFile::encodeName(ttyFolder + "/device").constData()), 0);
        ASSERT_EQ(::symlink(QFile::encodeName(ttyFolder).constData(),
                            QFile::encodeName(tmp.path() + "/sys/class/tty/" + tty).constData()),
                  0);
    }
    EXPECT_EQ(FindPortByHardwareId(DroneHardwareId()), "/dev/ttyACM0");
}

} // namespace
