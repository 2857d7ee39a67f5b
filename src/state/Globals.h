// State shared by the windows and the link, game and heartbeat threads.
//
// Each value here is read and written on its own. Numbers and flags are lock-free atomics, so a flag
// cleared on one thread is seen by the loop that polls it on another. The three texts sit behind a
// small mutex because a QString copy is not a single store. What the link says about the drone for a
// game (its connection, attitude, the attitude's time and the monitor's verdict) must change together,
// and is published as one reading instead (state/LinkReading.h); g_fRoll, g_fPitch and g_fYaw hold the
// same attitude for the instruments, which draw whatever came last.
#pragma once

#include "state/GameTypes.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>

// A QString that several threads read and write as one value.
class CSharedString {
public:
    QString Get() const;
    void Set(const QString& value);

private:
    mutable std::mutex m_mutex;
    QString m_value;
};

// The drone's serial port. The user-interface thread opens and closes it; the receive, heartbeat and
// game threads use the descriptor, each only while holding the lock of its direction, and the close
// takes both locks, so a descriptor is never used after it has been closed (and its number reused).
struct SerialPortRecord {
    static constexpr int kNoPort = -1;
    std::atomic<int> fd{kNoPort};
    std::mutex writeMutex; // writers: one frame at a time
    std::mutex readMutex;  // the receive loop, while it waits on and reads the port
};

extern std::atomic<bool> g_bLinkActive;        // a run window is open; heartbeat and game loops run
extern std::atomic<bool> g_bReadThreadRun;     // the serial receive loop keeps running
extern std::atomic<std::uint8_t> g_nAckStatus; // first payload byte of the last command reply
extern std::atomic<GameMode> g_nGameMode;      // the mode of the game being chosen or played
extern std::atomic<PlayType> g_nPlayType;      // practice or competition (wild and endless)
extern std::atomic<int> g_nLevel;              // level chosen on the map, 1..10
extern std::atomic<int> g_nScore;              // score of the current game
extern std::atomic<int> g_nLevelResult;        // 1 when the last level game was passed
extern std::atomic<float> g_fPitch;            // degrees, from the last verified ATTITUDE
extern std::atomic<float> g_fRoll;             // degrees
extern std::atomic<float> g_fYaw;              // degrees
extern std::atomic<int> g_nAttitudeCount;      // verified ATTITUDE frames since the monitor last looked
extern std::atomic<bool> g_bDroneConnected;    // the port is open and the link threads run
extern CSharedString g_strPlayerName;          // name typed in the name-entry dialog
extern SerialPortRecord g_SerialPort;
extern CSharedString g_strAppDir;                 // the executable's folder, no trailing separator
extern CSharedString g_strSheetPath;              // the current competition score sheet
extern std::atomic<std::uint8_t> g_nSeqCommand;   // sequence number of the next command frame
extern std::atomic<std::uint8_t> g_nSeqHeartbeat; // sequence number of the next heartbeat frame

// Sets g_strAppDir from the running executable's own path; the working directory plays no part.
// Returns false (and leaves g_strAppDir as it was) when the path cannot be read.
bool InitAppDir();

// The folder part of an absolute file path: everything before the last '/', so "/opt/game/aviluma"
// gives "/opt/game" and "/aviluma" gives "" (the root, without its trailing separator).
QString DirectoryOf(const QString& filePath);

// g_strAppDir followed by a relative path that begins with '/', such as "/Data/system.cfg".
QString AppPath(QStringView relative);

// A picture of the instruments: in Source/ beside the program (the build's program, a portable copy),
// or, installed, in share/aviluma/Source/ beside the program's bin/.
QString SourcePicturePath(QStringView fileName);
