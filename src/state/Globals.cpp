#include "state/Globals.h"

#include <QFile>
#include <QFileInfo>

template <typename T>
constexpr bool kLockFree = std::atomic<T>::is_always_lock_free;
static_assert(kLockFree<bool> && kLockFree<std::uint8_t> && kLockFree<int> && kLockFree<float> &&
                  kLockFree<GameMode> && kLockFree<PlayType> && kLockFree<LinkState> &&
                  kLockFree<std::int64_t> && kLockFree<std::uint64_t>,
              "the shared flags and numbers must be lock-free");

std::atomic<bool> g_bLinkActive{false};
std::atomic<bool> g_bReadThreadRun{false};
std::atomic<std::uint8_t> g_nAckStatus{0};
std::atomic<GameMode> g_nGameMode{GameMode::Level};
std::atomic<PlayType> g_nPlayType{PlayType::Practice};
std::atomic<int> g_nLevel{0};
std::atomic<int> g_nScore{0};
std::atomic<int> g_nLevelResult{0};
std::atomic<float> g_fPitch{0.0f};
std::atomic<float> g_fRoll{0.0f};
std::atomic<float> g_fYaw{0.0f};
std::atomic<int> g_nAttitudeCount{0};
std::atomic<bool> g_bDroneConnected{false};
CSharedString g_strPlayerName;
SerialPortRecord g_SerialPort;
CSharedString g_strAppDir;
CSharedString g_strSheetPath;
std::atomic<std::uint8_t> g_nSeqCommand{0};
std::atomic<std::uint8_t> g_nSeqHeartbeat{0};

QString CSharedString::Get() const {
    std::lock_guard lock(m_mutex);
    return m_value;
}

void CSharedString::Set(const QString& value) {
    std::lock_guard lock(m_mutex);
    m_value = value;
}

QString DirectoryOf(const QString& filePath) {
    const qsizetype slash = filePath.lastIndexOf(u'/');
    return slash < 0 ? QString() : filePath.left(slash);
}

bool InitAppDir() {
    // /proc/self/exe names the executable itself, whatever the working directory or argv[0] say.
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (exe.isEmpty())
        return false;
    g_strAppDir.Set(DirectoryOf(exe));
    return true;
}

QString AppPath(QStringView relative) {
    QString path = g_strAppDir.Get();
    path.append(relative);
    return path;
}

QString SourcePicturePath(QStringView fileName) {
    QString folder = AppPath(u"/Source/");
    if (!QFileInfo(folder).isDir())
        folder = AppPath(u"/../share/aviluma/Source/");
    folder.append(fileName);
    return folder;
}
