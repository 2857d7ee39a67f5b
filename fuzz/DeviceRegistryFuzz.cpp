// Feeds any bytes as an entry of the device registry (the folder where simulated drones announce
// themselves, and where any process of the player's may write), registers a device of any names, and
// lists the present devices as port discovery does. Checks that
//   - listing never fails or hangs, whatever an entry holds;
//   - an entry is listed only when it is five lines of UTF-8 (the last line end optional) naming a
//     device node that exists and a process id above zero, and then as its first three lines; one
//     naming this very process (its id and start time) is listed;
//   - a device registered is listed exactly as it was registered when its node exists, and one that
//     cannot be registered (a field of several lines, a relative node path) leaves no entry.
// Input: instance id, friendly name and node path of the device to register (UTF-8, each ended by a
// zero byte), then the entry's bytes. "$PID", "$START" and "$NODE" stand for this process's id, its
// start time and an existing node, so that live entries are within reach.
#include "FuzzSupport.h"
#include "platform/DeviceList.h"

#include <QDir>
#include <QStringList>

#include <cstdint>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Scratch {
    QString registry = ScratchFolder() + QStringLiteral("/registry");
    QString node = ScratchFolder() + QStringLiteral("/pts7");
    QByteArray pid = QByteArray::number(::getpid());
    QByteArray start;

    Scratch() {
        // An empty tty class: only the registry's entries are listed.
        Check(QDir().mkpath(ScratchFolder() + QStringLiteral("/sys/class/tty")) && QDir().mkpath(registry) &&
                  ::chmod(QFile::encodeName(registry).constData(), 0700) == 0,
              "the scratch trees can be made");
        WriteBytes(node, {});
        SetSysfsRoot(ScratchFolder() + QStringLiteral("/sys"));
        SetDeviceRegistryFolder(registry);
        // Field 22 of /proc/self/stat; the command name before it is in parentheses.
        const QByteArray stat = ReadBytes(QStringLiteral("/proc/self/stat"));
        start = stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(19);
        Check(!start.isEmpty(), "this process's start time can be read");
    }

    QByteArray Expand(QByteArray bytes) const {
        return bytes.replace("$PID", pid).replace("$START", start).replace("$NODE", QFile::encodeName(node));
    }
};

const Scratch& TheScratch() {
    static const Scratch scratch;
    return scratch;
}

bool operator==(const DeviceRecord& a, const DeviceRecord& b) {
    return a.instanceId == b.instanceId && a.friendlyName == b.friendlyName && a.devicePath == b.devicePath;
}

bool Exists(const QString& path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

std::vector<DeviceRecord> List() {
    const auto devices = ListPresentDevices();
    Check(devices.has_value(), "a tty class that exists gives a list");
    return *devices;
}

// The entry as the listing must see it: listed only when well-formed, and then as its first lines.
void CheckEntry(const QByteArray& entry) {
    const std::vector<DeviceRecord> listed = List();
    Check(listed.size() <= 1, "one entry gives one device at most");
    const QString text = QString::fromUtf8(entry);
    const bool utf8 = text.toUtf8() == entry; // nothing replaced: every byte was well-formed UTF-8
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() == 6 && lines.last().isEmpty())
        lines.removeLast();
    const bool wellFormed = utf8 && lines.size() == 5;
    if (!listed.empty()) {
        Check(wellFormed, "only an entry of five lines of UTF-8 is listed");
        Check(listed[0] == DeviceRecord{lines[0], lines[1], lines[2]}, "an entry is listed as its lines");
        Check(lines[2].startsWith(QLatin1Char('/')) && Exists(lines[2]), "a listed node exists");
        Check(lines[3].toInt() > 0, "a listed entry names a process");
    }
    const Scratch& scratch = TheScratch();
    if (wellFormed && lines[2].startsWith(QLatin1Char('/')) && Exists(lines[2]) &&
        lines[3] == QString::fromLatin1(scratch.pid) && lines[4] == QString::fromLatin1(scratch.start))
        Check(listed.size() == 1, "an entry of this live process is listed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Scratch& scratch = TheScratch();
    QByteArray input = InputBytes(data, size);
    const DeviceRecord record{QString::fromUtf8(TakeField(input)), QString::fromUtf8(TakeField(input)),
                              QString::fromUtf8(scratch.Expand(TakeField(input)))};
    const QByteArray entry = scratch.Expand(input);
    const QString entryPath = scratch.registry + QStringLiteral("/fuzz.device");

    WriteBytes(entryPath, entry);
    CheckEntry(entry);
    QFile::remove(entryPath);

    const QString registered = RegisterDevice(record);
    const QStringList left = QDir(scratch.registry).entryList(QDir::Files | QDir::Hidden);
    if (registered.isEmpty()) {
        const auto singleLine = [](const QString& s) {
            return !s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\r'));
        };
        Check(!singleLine(record.instanceId) || !singleLine(record.friendlyName) ||
                  !singleLine(record.devicePath) || !record.devicePath.startsWith(QLatin1Char('/')),
              "only a device of several lines or a relative node is refused");
        Check(left.isEmpty(), "a refused device leaves no entry");
        return 0;
    }
    Check(left.size() == 1, "a device registers as one entry, without a temporary file left");
    const std::vector<DeviceRecord> listed = List();
    if (Exists(record.devicePath))
        Check(listed.size() == 1 && listed[0] == record, "a device is listed as it was registered");
    else
        Check(listed.empty(), "a device whose node is gone is not listed");
    UnregisterDevice(registered);
    Check(List().empty(), "an unregistered device is gone");
    return 0;
}
