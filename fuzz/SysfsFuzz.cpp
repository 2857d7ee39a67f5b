// Feeds any bytes as the attributes of a USB device in a sysfs tree (idVendor, idProduct, serial,
// product; each may also be missing), under a port on a CDC ACM interface or behind a usb-serial
// adapter, and walks the tree as port discovery does. Checks that
//   - the walk never fails or hangs, whatever the attributes hold;
//   - the port is listed with its device's ids when both ids are there and read as one to four hex
//     digits (blanks around them allowed: the kernel ends them with a line feed), not listed when they
//     are there but read otherwise, and listed with the ids of the next USB device up (the root hub)
//     when one is missing; never with ids from above the sysfs root;
//   - its record is what the walk for the drone reads: instance id "USB\VID_xxxx&PID_xxxx\<serial>"
//     with the ids in four upper-case digits, a friendly name that carries the port's name whatever
//     the product string says, "/dev/<tty>" as its path;
//   - the drone (its USB ids) is found on its port whatever its serial and product say, and another
//     device is not taken for it (unless its serial spells the drone's ids: the walk looks for them
//     anywhere in the instance id, as the Windows program did).
// Input: a selector byte (bit 0: the usb-serial port instead of the ACM one; bits 1-4: idVendor,
// idProduct, serial, product missing), then the four attributes, each ended by a zero byte.
#include "FuzzSupport.h"
#include "link/PortDiscovery.h"
#include "link/Protocol.h"
#include "platform/DeviceList.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

#include <unistd.h>

namespace {

const char* const kAttributes[] = {"idVendor", "idProduct", "serial", "product"};

struct Port {
    QString tty;
    QString device; // the USB device folder its attributes are in
};

struct Tree {
    QString sys = ScratchFolder() + QStringLiteral("/sys");
    QString usb = sys + QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1");
    Port ports[2] = {{QStringLiteral("ttyACM0"), usb + QStringLiteral("/1-2")},
                     {QStringLiteral("ttyUSB0"), usb + QStringLiteral("/1-3")}};

    // The kernel's layout, relative links included: an ACM port sits in its interface's tty/ folder,
    // a usb-serial port one level further down. The root hub above both carries ids of its own, and
    // so does a folder above the sysfs root, which the walk must never reach.
    Tree() {
        Link(QStringLiteral("../../../1-2:1.0"), usb + QStringLiteral("/1-2/1-2:1.0/tty/ttyACM0/device"));
        Link(QStringLiteral("../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/tty/ttyACM0"),
             sys + QStringLiteral("/class/tty/ttyACM0"));
        Link(QStringLiteral("../../../ttyUSB0"),
             usb + QStringLiteral("/1-3/1-3:1.0/ttyUSB0/tty/ttyUSB0/device"));
        Link(QStringLiteral("../../devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/ttyUSB0/tty/ttyUSB0"),
             sys + QStringLiteral("/class/tty/ttyUSB0"));
        WriteBytes(usb + QStringLiteral("/idVendor"), "1d6b\n");
        WriteBytes(usb + QStringLiteral("/idProduct"), "0002\n");
        WriteBytes(ScratchFolder() + QStringLiteral("/idVendor"), "26ac\n");
        WriteBytes(ScratchFolder() + QStringLiteral("/idProduct"), "0011\n");
        SetSysfsRoot(sys);
        SetDeviceRegistryFolder(ScratchFolder() + QStringLiteral("/no-registry"));
    }

    static void Link(const QString& target, const QString& link) {
        Check(QDir().mkpath(QFileInfo(link).path()) &&
                  ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0,
              "the sysfs tree can be made");
    }
};

const Tree& TheTree() {
    static const Tree tree;
    return tree;
}

// Attributes are a few bytes; a larger file is not read at all.
constexpr qsizetype kMaxAttributeBytes = 4096;

// An id as the kernel writes it: four hex digits and a line feed; here one to four digits with any
// ASCII blanks around them.
std::optional<unsigned> UsbId(const std::optional<QByteArray>& attribute) {
    if (!attribute || attribute->size() > kMaxAttributeBytes)
        return std::nullopt;
    const QByteArray text = attribute->trimmed();
    bool ok = false;
    const unsigned value = text.toUInt(&ok, 16);
    const bool digitsOnly =
        std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(c) != 0; });
    if (!ok || !digitsOnly || text.isEmpty() || text.size() > 4)
        return std::nullopt;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const Tree& tree = TheTree();
    const Port& port = tree.ports[data[0] & 1];
    QByteArray input(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    std::optional<QByteArray> attributes[4];
    for (int i = 0; i < 4; ++i) {
        const QByteArray value = TakeField(input);
        const QString path = port.device + QLatin1Char('/') + QLatin1String(kAttributes[i]);
        if (data[0] & (2 << i)) {
            QFile::remove(path);
        } else {
            attributes[i] = value;
            WriteBytes(path, value);
        }
        // The other port's device has no attributes: it is listed with the root hub's ids.
        QFile::remove(tree.ports[~data[0] & 1].device + QLatin1Char('/') + QLatin1String(kAttributes[i]));
    }

    const auto devices = ListPresentDevices();
    Check(devices.has_value(), "a tty class that exists gives a list");
    const auto listed = std::find_if(devices->begin(), devices->end(), [&](const DeviceRecord& device) {
        return device.devicePath == QStringLiteral("/dev/") + port.tty;
    });
    const bool hasIds = attributes[0] && attributes[1];
    const auto vendor = UsbId(attributes[0]);
    const auto product = UsbId(attributes[1]);
    Check(devices->size() == (hasIds && !(vendor && product) ? 1u : 2u) &&
              (listed == devices->end()) == (devices->size() == 1),
          "a port is listed unless its device's ids are there but are no ids");
    if (listed == devices->end())
        return 0;
    const QString prefix = QStringLiteral("USB\\VID_%1&PID_%2\\");
    const QString expectedId =
        hasIds
            ? prefix.arg(*vendor, 4, 16, QLatin1Char('0')).arg(*product, 4, 16, QLatin1Char('0')).toUpper() +
                  (attributes[2] && attributes[2]->size() <= kMaxAttributeBytes
                       ? QString::fromUtf8(attributes[2]->trimmed())
                       : QString())
            : prefix.arg(QStringLiteral("1D6B"), QStringLiteral("0002")); // the root hub's
    Check(listed->instanceId == expectedId, "the instance id holds the device's ids and serial");
    Check(PortNameFromFriendlyName(listed->friendlyName) == port.tty, "the friendly name carries the port");

    const QString found = FindPortInDevices(DroneHardwareId(), *devices);
    if (vendor == kDroneVendorId && product == kDroneProductId)
        Check(found == listed->devicePath, "the drone is found on its port");
    else if (!listed->instanceId.toUpper().contains(DroneHardwareId()))
        Check(found.isEmpty(), "another device is not taken for the drone");
    return 0;
}
