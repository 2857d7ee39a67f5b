#include "platform/DeviceList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Beside DeviceRecord itself so that the comparisons inside std::vector find them.
static bool operator==(const DeviceRecord& a, const DeviceRecord& b) {
    return a.instanceId == b.instanceId && a.friendlyName == b.friendlyName && a.devicePath == b.devicePath;
}

static void PrintTo(const DeviceRecord& r, std::ostream* os) {
    *os << "{" << r.instanceId.toStdString() << " | " << r.friendlyName.toStdString() << " | "
        << r.devicePath.toStdString() << "}";
}

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(content), content.size());
}

// Relative links, as the kernel makes them, so resolution has to work from the link's own folder.
void Link(const QString& target, const QString& linkPath) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(linkPath).path()));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(linkPath).constData()), 0);
}

const DeviceRecord kDrone{"USB\\VID_26AC&PID_0011\\DR0001", "Aviluma drone (ttyACM0)", "/dev/ttyACM0"};
const DeviceRecord kAdapter{"USB\\VID_0403&PID_6001\\", "USB Serial Device (ttyUSB1)", "/dev/ttyUSB1"};

class DeviceList : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tmp.isValid());
        m_savedRoot = SysfsRoot();
        m_savedRegistry = DeviceRegistryFolder();
        SetSysfsRoot(m_sys);
        SetDeviceRegistryFolder(m_registry);
        WriteFile(m_node, "");
        ASSERT_TRUE(QDir().mkpath(m_sys + "/class/tty"));
        ASSERT_TRUE(QDir().mkdir(m_registry));
        ASSERT_TRUE(
            QFile::setPermissions(m_registry, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    void TearDown() override {
        SetSysfsRoot(m_savedRoot);
        SetDeviceRegistryFolder(m_savedRegistry);
    }

    // Created out of name order so the listing has to sort. Ids above the sysfs root must never be reached.
    void BuildTree() {
        const QString usb1 = m_sys + "/devices/pci0000:00/0000:00:14.0/usb1";
        for (const auto& [folder, ids] : {std::pair{m_tmp.path(), "dead beef"},
                                          {usb1, "1d6b 0002"},
                                          {usb1 + "/1-3", "0403 6001"},
                                          {usb1 + "/1-2", "26ac 0011"}}) {
            WriteFile(folder + "/idVendor", QByteArray(ids).left(4) + "\n");
            WriteFile(folder + "/idProduct", QByteArray(ids).mid(5) + "\n");
        }
        Link("../../../ttyUSB1", usb1 + "/1-3/1-3:1.0/ttyUSB1/tty/ttyUSB1/device");
        Link("../../devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/ttyUSB1/tty/ttyUSB1",
             m_sys + "/class/tty/ttyUSB1");
        WriteFile(usb1 + "/1-2/serial", "DR0001\n");
        WriteFile(usb1 + "/1-2/product", "Aviluma drone\n");
        Link("../../../1-2:1.0", usb1 + "/1-2/1-2:1.0/tty/ttyACM0/device");
        Link("../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/tty/ttyACM0",
             m_sys + "/class/tty/ttyACM0");
        Link("../../../serial8250", m_sys + "/devices/platform/serial8250/tty/ttyS0/device");
        Link("../../devices/platform/serial8250/tty/ttyS0", m_sys + "/class/tty/ttyS0");
        ASSERT_TRUE(QDir().mkpath(m_sys + "/devices/virtual/tty/tty0"));
        Link("../../devices/virtual/tty/tty0", m_sys + "/class/tty/tty0");
    }

    // An entry as the drone program writes it, for a process that started at start (by default, this
    // process's own start, field 22 of /proc/self/stat).
    QByteArray Entry(const QString& node, qint64 pid, const QString& serial = "SIM",
                     QByteArray start = {}) const {
        if (start.isEmpty()) {
            QFile stat(QStringLiteral("/proc/self/stat"));
            EXPECT_TRUE(stat.open(QIODevice::ReadOnly));
            const QByteArray text = stat.readAll();
            start = text.mid(text.lastIndexOf(')') + 2).split(' ').value(19);
        }
        return QStringLiteral("USB\\VID_26AC&PID_0011\\%1\nSim drone (pts3)\n%2\n%3\n%4\n")
            .arg(serial, node)
            .arg(pid)
            .arg(QString::fromLatin1(start))
            .toUtf8();
    }

    std::vector<DeviceRecord> List() {
        const auto devices = ListPresentDevices();
        EXPECT_TRUE(devices.has_value());
        return devices.value_or(std::vector<DeviceRecord>{});
    }

    QTemporaryDir m_tmp;
    QString m_savedRoot, m_savedRegistry, m_sys = m_tmp.path() + "/sys",
                                          m_registry = m_tmp.path() + "/registry",
                                          m_node = m_tmp.path() + "/pts3";
};

TEST_F(DeviceList, UsbSerialPortsInTtyNameOrderWithTheirNearestUsbDevice) {
    EXPECT_EQ(List(), std::vector<DeviceRecord>{}); // an empty tty class is still a list
    BuildTree();
    EXPECT_EQ(List(), (std::vector<DeviceRecord>{kDrone, kAdapter}));
    SetSysfsRoot(m_tmp.path() + "/nowhere");
    EXPECT_FALSE(ListPresentDevices().has_value());
}

TEST_F(DeviceList, AProductStringCannotHideThePortName) {
    // Port discovery takes the port from the first parentheses of the friendly name, or from "(COM".
    BuildTree();
    WriteFile(m_sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-2/product", "Drone (COM port) :)\n");
    const std::vector<DeviceRecord> devices = List();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].friendlyName, QStringLiteral("Drone [COM port] :] (ttyACM0)"));
}

TEST_F(DeviceList, RegistryEntriesFollowSysfsAndOnlyLiveOnesCount) {
    const pid_t dead = ::fork(); // exited and reaped below, so its pid names nobody
    if (dead == 0)
        ::_exit(0);
    ASSERT_NE(dead, -1);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    BuildTree();
    WriteFile(m_registry + "/b.device", Entry(m_node, ::getpid(), "B"));
    WriteFile(m_registry + "/a.device", Entry(m_node, ::getpid(), "A"));
    WriteFile(m_registry + "/c.device", Entry(m_tmp.path() + "/unplugged", ::getpid()));
    WriteFile(m_registry + "/d.device", Entry(m_node, dead));
    WriteFile(m_registry + "/.e.tmp", Entry(m_node, ::getpid()));
    WriteFile(m_registry + "/f.device", Entry(m_node, ::getpid(), "F", "1")); // our pid, not our start
    const pid_t zombie = ::fork(); // killed, not yet reaped by its parent: it runs no more
    if (zombie == 0)
        ::_exit(0);
    ASSERT_NE(zombie, -1);
    QByteArray zombieStat;
    ASSERT_TRUE(WaitUntil([&] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(zombie));
        zombieStat = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        return zombieStat.contains(") Z ");
    }));
    WriteFile(
        m_registry + "/g.device",
        Entry(m_node, zombie, "G", zombieStat.mid(zombieStat.lastIndexOf(')') + 2).split(' ').value(19)));
    const DeviceRecord a{"USB\\VID_26AC&PID_0011\\A", "Sim drone (pts3)", m_node};
    const DeviceRecord b{"USB\\VID_26AC&PID_0011\\B", "Sim drone (pts3)", m_node};
    EXPECT_EQ(List(), (std::vector<DeviceRecord>{kDrone, kAdapter, a, b}));
    ::waitpid(zombie, nullptr, 0);
    // The entries of drones killed before they could unregister go; the unplugged one's process lives.
    EXPECT_EQ(QDir(m_registry).entryList(QDir::Files | QDir::Hidden),
              QStringList({".e.tmp", "a.device", "b.device", "c.device"}));
}

TEST_F(DeviceList, MalformedEntriesAreSkipped) {
    const QByteArray node = m_node.toUtf8(), pid = QByteArray::number(::getpid());
    const QByteArray start = Entry(m_node, ::getpid()).split('\n').value(4);
    const QByteArray cases[] = {
        "id\nname\n" + node + "\n" + pid + "\n",                     // no start time
        "id\nname\n" + node + "\nabc\n" + start + "\n",              // pid not a number
        "id\nname\n" + node + "\n0\n" + start + "\n",                // no process 0
        "id\nname\n" + node + "\n-1\n" + start + "\n",               // nor negative ones
        "id\nname \xff\n" + node + "\n" + pid + "\n" + start + "\n", // not UTF-8
    };
    WriteFile(m_registry + "/x.device", Entry(m_node, ::getpid()));
    ASSERT_EQ(List().size(), 1u); // the same folder does list a well-formed entry
    for (const QByteArray& content : cases) {
        SCOPED_TRACE(content.toStdString());
        WriteFile(m_registry + "/x.device", content);
        EXPECT_EQ(List(), std::vector<DeviceRecord>{});
    }
}

TEST_F(DeviceList, FolderOthersCanWriteToIsIgnored) {
    WriteFile(m_registry + "/x.device", Entry(m_node, ::getpid()));
    ASSERT_EQ(List().size(), 1u);
    ASSERT_EQ(::chmod(QFile::encodeName(m_registry).constData(), 0770), 0);
    EXPECT_EQ(List(), std::vector<DeviceRecord>{});
    EXPECT_EQ(RegisterDevice(DeviceRecord{"USB\\X", "Sim (pts3)", m_node}), QString());
}

TEST_F(DeviceList, RegisterAndUnregisterRoundTrip) {
    ASSERT_TRUE(QDir(m_registry).removeRecursively()); // so registering has to create it
    // Past ten entries, so the listing shows whether registration order survives sorting by name.
    std::vector<DeviceRecord> records;
    QStringList entries;
    for (int i = 0; i < 11; ++i) {
        records.push_back(
            {QStringLiteral("USB\\VID_26AC&PID_0011\\SIM%1").arg(i), "Sim drone (pts3)", m_node});
        entries.append(RegisterDevice(records.back()));
        ASSERT_FALSE(entries.back().isEmpty());
    }
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(m_registry).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(List(), records);
    EXPECT_EQ(QDir(m_registry).entryList(QDir::Files | QDir::Hidden).size(), 11); // no temp file left

    UnregisterDevice(entries.takeFirst());
    records.erase(records.begin());
    EXPECT_EQ(List(), records);
    // A second line in any field would shift every line after it.
    EXPECT_EQ(RegisterDevice(DeviceRecord{"USB\\A", "two\nlines (pts3)", m_node}), QString());
}

} // namespace
