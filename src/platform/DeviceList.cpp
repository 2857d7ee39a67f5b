#include "platform/DeviceList.h"

#include "platform/FileIo.h"

#include <QFile>
#include <QStringConverter>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

const QString kDefaultSysfsRoot = QStringLiteral("/sys");
const QString kEntrySuffix = QStringLiteral(".device");
const QString kDefaultProduct = QStringLiteral("USB Serial Device");
// Entries and sysfs attributes are a few lines; anything larger is not one of ours.
constexpr qsizetype kMaxTextFileBytes = 4096;
// Instance id, friendly name, device path, process id, and the process's start time.
constexpr int kEntryLineCount = 5;

std::mutex g_settingsMutex;
QString g_strSysfsRoot;      // empty: the default
QString g_strRegistryFolder; // empty: the default
std::atomic<unsigned> g_nEntrySeq{0};

// RAII for a descriptor so every early return closes it.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd != -1)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

class CDir {
public:
    explicit CDir(DIR* dir) : m_pDir(dir) {}
    ~CDir() {
        if (m_pDir != nullptr)
            ::closedir(m_pDir);
    }
    CDir(const CDir&) = delete;
    CDir& operator=(const CDir&) = delete;
    DIR* Get() const { return m_pDir; }

private:
    DIR* m_pDir;
};

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Names of a directory's entries in code-point order; "." and ".." left out.
std::optional<QStringList> ReadNames(DIR* dir) {
    QStringList names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0)
                return std::nullopt;
            break;
        }
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names.append(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<QByteArray> ReadAll(int fd) {
    QByteArray bytes;
    char chunk[512];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == -1) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            return bytes;
        bytes.append(chunk, got);
        if (bytes.size() > kMaxTextFileBytes)
            return std::nullopt;
    }
}

// A sysfs attribute without its trailing newline; nullopt when the attribute is absent.
std::optional<QByteArray> ReadAttribute(const std::string& folder, const char* name) {
    CFd fd(::open((folder + "/" + name).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() == -1)
        return std::nullopt;
    const auto bytes = ReadAll(fd.Get());
    if (!bytes)
        return std::nullopt;
    return bytes->trimmed();
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::string> CanonicalPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return std::nullopt;
    std::string result(resolved);
    ::free(resolved);
    return result;
}

bool IsWithin(const std::string& path, const std::string& root) {
    if (root == "/")
        return true;
    return path == root ||
           (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
}

// The kernel writes USB ids as four hex digits; anything else is not an id to build an instance id from.
std::optional<unsigned> ParseUsbId(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        const int digit = (c >= '0' && c <= '9')   ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
        if (digit == -1)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

// The USB device a tty hangs off: the interface (ACM) or usb-serial port (FTDI and friends) its device
// link names sits one or two levels below it, so climb until a folder carries the USB ids.
std::optional<DeviceRecord> UsbSerialRecord(const std::string& classFolder, const std::string& sysfsRoot,
                                            const QString& ttyName) {
    auto folder = CanonicalPath(classFolder + "/" + Native(ttyName) + "/device");
    if (!folder)
        return std::nullopt;
    std::string current = *folder;
    while (IsWithin(current, sysfsRoot)) {
        if (Exists(current + "/idVendor") && Exists(current + "/idProduct")) {
            const auto vendorText = ReadAttribute(current, "idVendor");
            const auto productIdText = ReadAttribute(current, "idProduct");
            if (!vendorText || !productIdText)
                return std::nullopt;
            const auto vendor = ParseUsbId(*vendorText);
            const auto productId = ParseUsbId(*productIdText);
            if (!vendor || !productId)
                return std::nullopt;
            const auto serial = ReadAttribute(current, "serial");
            const auto product = ReadAttribute(current, "product");
            DeviceRecord record;
            record.instanceId = QString::asprintf("USB\\VID_%04X&PID_%04X\\", *vendor, *productId) +
                                QString::fromUtf8(serial.value_or(QByteArray()));
            // The walk takes the port name from the first parentheses (or the first "(COM"), so the
            // device's own string, which may hold any, gets brackets instead.
            QString productName =
                product && !product->isEmpty() ? QString::fromUtf8(*product) : kDefaultProduct;
            productName.replace(QLatin1Char('('), QLatin1Char('['))
                .replace(QLatin1Char(')'), QLatin1Char(']'));
            record.friendlyName = productName + QStringLiteral(" (") + ttyName + QLatin1Char(')');
            record.devicePath = QStringLiteral("/dev/") + ttyName;
            return record;
        }
        if (current == "/")
            break;
        const auto slash = current.find_last_of('/');
        current = slash == 0 ? std::string("/") : current.substr(0, slash);
    }
    return std::nullopt;
}

// Another user could create the registry folder first (it may live in /tmp) and plant entries naming
// their own device, so only a folder that this user alone can write to is trusted.
bool IsPrivateFolder(int dirFd) {
    struct stat st;
    if (::fstat(dirFd, &st) == -1)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// When process pid started, in clock ticks since boot (field 22 of /proc/<pid>/stat); nullopt when no
// such process runs (a zombie runs no more). Process ids are reused, start times with them are not:
// the pair names one process.
std::optional<QByteArray> ProcessStartTime(qint64 pid) {
    CFd fd(
        ::open(QByteArray("/proc/" + QByteArray::number(pid) + "/stat").constData(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() == -1)
        return std::nullopt;
    const auto stat = ReadAll(fd.Get());
    // The command name in parentheses may hold spaces and parentheses itself; the fields after it do not.
    const qsizetype close = stat ? stat->lastIndexOf(')') : -1;
    if (close < 0)
        return std::nullopt;
    constexpr int kStartTimeAfterName = 20; // fields 3 (state) to 22 (starttime)
    const QList<QByteArray> fields = stat->mid(close + 1).simplified().split(' ');
    if (fields.size() < kStartTimeAfterName)
        return std::nullopt;
    // A killed process its parent has not reaped yet (Z) no longer runs.
    if (fields[0] == "Z" || fields[0] == "X")
        return std::nullopt;
    return fields[kStartTimeAfterName - 1];
}

// *dead is set for a well-formed entry whose process is gone: nobody will ever remove it but its finder.
std::optional<DeviceRecord> ParseEntry(const QByteArray& bytes, bool* dead) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() == kEntryLineCount + 1 && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() != kEntryLineCount)
        return std::nullopt;
    bool ok = false;
    const int pid = lines[3].toInt(&ok);
    // /proc knows no process 0 and no negative ones; refuse them before asking.
    if (!ok || pid <= 0 || !lines[2].startsWith(QLatin1Char('/')))
        return std::nullopt;
    // The registering process must still run: a pid taken over by another process, or a device node
    // reused by another pseudo-terminal after the drone died without unregistering, is no drone.
    if (ProcessStartTime(pid) != lines[4].toLatin1()) {
        *dead = true;
        return std::nullopt;
    }
    if (!Exists(Native(lines[2])))
        return std::nullopt;
    return DeviceRecord{lines[0], lines[1], lines[2]};
}

void AppendRegistryEntries(const QString& folder, std::vector<DeviceRecord>& devices) {
    CFd dirFd(::open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dirFd.Get() == -1 || !IsPrivateFolder(dirFd.Get()))
        return;
    // Listing through a duplicate of the checked descriptor (fdopendir owns it) rather than by path means
    // the names read are those of the folder just checked, even if the path is swapped meanwhile.
    const int listFd = ::dup(dirFd.Get());
    if (listFd == -1)
        return;
    CDir dir(::fdopendir(listFd));
    if (dir.Get() == nullptr) {
        ::close(listFd);
        return;
    }
    const auto names = ReadNames(dir.Get());
    if (!names)
        return;
    for (const QString& name : *names) {
        if (!name.endsWith(kEntrySuffix) || name.startsWith(QLatin1Char('.')))
            continue;
        // O_NONBLOCK so a FIFO under an entry's name cannot hang the listing before the type check.
        CFd fd(::openat(dirFd.Get(), Native(name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.Get() == -1)
            continue;
        struct stat st;
        if (::fstat(fd.Get(), &st) == -1 || !S_ISREG(st.st_mode))
            continue;
        const auto bytes = ReadAll(fd.Get());
        if (!bytes)
            continue;
        bool dead = false;
        if (auto record = ParseEntry(*bytes, &dead))
            devices.push_back(std::move(*record));
        else if (dead) // a drone killed before it could unregister
            static_cast<void>(::unlinkat(dirFd.Get(), Native(name).c_str(), 0));
    }
}

// Best effort: the listing never reads temp files, so one left behind costs only its few bytes.
void DiscardTemp(int dirFd, const std::string& tempName) {
    static_cast<void>(::unlinkat(dirFd, tempName.c_str(), 0));
}

bool IsSingleLine(const QString& text) {
    return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
}

} // namespace

QString SysfsRoot() {
    std::lock_guard lock(g_settingsMutex);
    return g_strSysfsRoot.isEmpty() ? kDefaultSysfsRoot : g_strSysfsRoot;
}

void SetSysfsRoot(const QString& root) {
    std::lock_guard lock(g_settingsMutex);
    g_strSysfsRoot = root;
}

QString DeviceRegistryFolder() {
    {
        std::lock_guard lock(g_settingsMutex);
        if (!g_strRegistryFolder.isEmpty())
            return g_strRegistryFolder;
    }
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty())
        return runtimeDir + QStringLiteral("/aviluma-devices");
    return QStringLiteral("/tmp/aviluma-devices-%1").arg(::geteuid());
}

void SetDeviceRegistryFolder(const QString& folder) {
    std::lock_guard lock(g_settingsMutex);
    g_strRegistryFolder = folder;
}

QString SessionLanguagePath() {
    return DeviceRegistryFolder() + QStringLiteral("/language");
}

bool PublishSessionLanguage(const QString& code, int* error) {
    int failure = 0;
    const bool published = MakePrivateFolder(DeviceRegistryFolder(), &failure) &&
                           ReplaceFileAtomically(SessionLanguagePath(), code.toUtf8(), &failure, 0600);
    if (error != nullptr)
        *error = failure;
    return published;
}

QString ReadSessionLanguage() {
    constexpr qint64 kLimit = 16; // "zh" or "en"; anything longer is not ours
    QByteArray bytes;
    int error = 0;
    if (!ReadRegularFile(SessionLanguagePath(), &bytes, &error, kLimit, true))
        return {};
    const QString code = QString::fromUtf8(bytes).trimmed();
    return code == QLatin1String("zh") || code == QLatin1String("en") ? code : QString();
}

std::optional<std::vector<DeviceRecord>> ListPresentDevices() {
    const QString root = SysfsRoot();
    const std::string classFolder = Native(root) + "/class/tty";
    CDir dir(::opendir(classFolder.c_str()));
    if (dir.Get() == nullptr && (errno == ENOENT || errno == ENOTDIR))
        return std::nullopt;

    std::vector<DeviceRecord> devices;
    // An unreadable tty class still leaves the simulated drones to be found.
    const auto canonicalRoot = CanonicalPath(Native(root));
    if (dir.Get() != nullptr && canonicalRoot) {
        if (const auto names = ReadNames(dir.Get())) {
            for (const QString& name : *names) {
                if (auto record = UsbSerialRecord(classFolder, *canonicalRoot, name))
                    devices.push_back(std::move(*record));
            }
        }
    }
    AppendRegistryEntries(DeviceRegistryFolder(), devices);
    return devices;
}

QString RegisterDevice(const DeviceRecord& record) {
    if (!IsSingleLine(record.instanceId) || !IsSingleLine(record.friendlyName) ||
        !IsSingleLine(record.devicePath) || !record.devicePath.startsWith(QLatin1Char('/')))
        return QString();

    const QString folder = DeviceRegistryFolder();
    const std::string nativeFolder = Native(folder);
    if (::mkdir(nativeFolder.c_str(), 0700) == -1 && errno != EEXIST)
        return QString();
    CFd dirFd(::open(nativeFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Writing into a folder the listing would ignore would only hide the simulated drone.
    if (dirFd.Get() == -1 || !IsPrivateFolder(dirFd.Get()))
        return QString();

    // Zero-padded so the listing's name order is the order of registration within a process.
    const unsigned seq = g_nEntrySeq.fetch_add(1);
    const QString stem =
        QStringLiteral("%1-%2").arg(::getpid(), 10, 10, QLatin1Char('0')).arg(seq, 6, 10, QLatin1Char('0'));
    const std::string tempName = Native(QLatin1Char('.') + stem + QStringLiteral(".tmp"));
    const QString entryName = stem + kEntrySuffix;

    const auto started = ProcessStartTime(::getpid());
    if (!started)
        return QString();
    const QByteArray content = (QStringList{record.instanceId, record.friendlyName, record.devicePath,
                                            QString::number(::getpid()), QString::fromLatin1(*started)}
                                    .join(QLatin1Char('\n')) +
                                QLatin1Char('\n'))
                                   .toUtf8();
    {
        CFd fd(::openat(dirFd.Get(), tempName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                        0600));
        if (fd.Get() == -1)
            return QString();
        const bool written = WriteAll(fd.Get(), content);
        // close() reports deferred write errors, so it counts as part of the write.
        if (::close(fd.Release()) == -1 || !written) {
            DiscardTemp(dirFd.Get(), tempName);
            return QString();
        }
    }
    // The rename is what makes the entry visible, so a listing never reads a half-written one.
    if (::renameat(dirFd.Get(), tempName.c_str(), dirFd.Get(), Native(entryName).c_str()) == -1) {
        DiscardTemp(dirFd.Get(), tempName);
        return QString();
    }
    return folder + QLatin1Char('/') + entryName;
}

void UnregisterDevice(const QString& entryPath) {
    if (entryPath.isEmpty())
        return;
    // Best effort on purpose: an entry left behind stops counting as present once this process is gone.
    static_cast<void>(::unlink(Native(entryPath).c_str()));
}
