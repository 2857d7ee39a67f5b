// A simulated drone on a pseudo-terminal: it registers with the drone's USB ids so port discovery finds
// it, streams ATTITUDE, answers every command frame, and keeps what it received.
#pragma once

#include "link/LinkRecords.h"
#include "platform/WorkerThread.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <vector>

struct SimOptions {
    int nFrameRate = 20;         // ATTITUDE frames a second; 0 streams none
    bool bSilent = false;        // answer no command
    std::uint8_t nReplyByte = 1; // first payload byte of every answer
    float fRollDeg = 0.0f;       // attitude streamed until changed
    float fPitchDeg = 0.0f;
    float fYawDeg = 0.0f;
    bool bRegister = true; // appear in the device list
};

// A frame the drone received from the PC, checksum verified.
struct SimReceivedFrame {
    std::chrono::steady_clock::time_point time;
    std::uint8_t nMessageId = 0;
    std::uint8_t nSequence = 0;
    std::vector<std::uint8_t> payload; // as it travelled, trailing zeros trimmed
};

class CSimDrone {
public:
    explicit CSimDrone(SimOptions options = {});
    ~CSimDrone();
    CSimDrone(const CSimDrone&) = delete;
    CSimDrone& operator=(const CSimDrone&) = delete;

    // Opens the pseudo-terminal, registers it and starts streaming and listening.
    bool Start();
    // Stops both threads, removes the registration and closes the pseudo-terminal. Safe to repeat.
    void Stop();
    // The drone is unplugged: the port and the registration go at once.
    void Vanish();

    // The device the game opens, such as /dev/pts/3.
    QString DevicePath() const { return m_strDevicePath; }

    void SetAttitudeDegrees(float roll, float pitch, float yaw);
    void SetAttitudeRadians(float roll, float pitch, float yaw);
    void SetFrameRate(int framesPerSecond);

    // Called on the drone's listening thread with every command frame it accepts, before it answers.
    void SetCommandObserver(std::function<void(const GameCommand&)> observer);

    std::vector<SimReceivedFrame> Received() const;
    int CountReceived(std::uint8_t messageId) const;
    int AttitudeFramesSent() const { return m_nAttitudeSent.load(); }

private:
    void StreamThreadProc();
    void ListenThreadProc();
    void Send(const std::uint8_t* bytes, std::size_t length);
    void OnFrame(const std::uint8_t* frame);
    void ClosePort();
    // A game that died (kill -9, a crash) cannot give back the port's exclusive use, which belongs to
    // the tty and would keep every later game out: we give it back for it.
    void ReleaseAbandonedPort();

    SimOptions m_options;
    std::atomic<float> m_fRoll{0.0f}, m_fPitch{0.0f}, m_fYaw{0.0f}; // radians
    std::atomic<int> m_nFrameRate{0};
    std::atomic<bool> m_bRun{false};
    std::atomic<int> m_nAttitudeSent{0};

    // Shared by the threads that use the descriptors, taken alone by the close; senders also take
    // m_sendMutex so two frames never interleave.
    std::shared_mutex m_portMutex;
    std::mutex m_sendMutex;
    int m_nMasterFd = -1; // our end of the pseudo-terminal
    int m_nHoldFd = -1;   // the port's end, held open so the game may close and reopen it
    QString m_strDevicePath;
    QString m_strRegistryEntry;

    std::mutex m_wakeMutex;
    std::condition_variable m_wake; // ends the stream's wait at Stop

    mutable std::mutex m_logMutex;
    std::vector<SimReceivedFrame> m_received;
    std::function<void(const GameCommand&)> m_commandObserver; // under m_logMutex

    std::uint8_t m_nSeqAttitude = 0; // stream thread only
    std::uint8_t m_nSeqReply = 0;    // listen thread only
    CWorkerThread m_streamThread;
    CWorkerThread m_listenThread;
};
