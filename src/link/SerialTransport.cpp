#include "link/SerialTransport.h"

#include "state/Globals.h"
#include "state/LinkReading.h"

#include <QString>

#include <array>
#include <mutex>

namespace {

constexpr std::size_t kReadBufferSize = 1024;
constexpr std::chrono::milliseconds kWriteTimePerByte{2};

enum class ReadOutcome { Appended, Nothing, Gone };

// One wait and read on the port, holding the read lock so the port cannot be closed under it.
ReadOutcome ReadOnce(CReceiveBuffer& buffer, std::array<std::uint8_t, kReadBufferSize>& readBuffer) {
    std::lock_guard lock(g_SerialPort.readMutex);
    const int fd = g_SerialPort.fd.load();
    if (fd == SerialPortRecord::kNoPort)
        return ReadOutcome::Gone;
    switch (WaitSerialReadable(fd, kReceivePollTimeout)) {
    case SerialWait::Timeout:
        return ReadOutcome::Nothing;
    case SerialWait::Gone:
        return ReadOutcome::Gone;
    case SerialWait::Readable:
        break;
    }
    const ssize_t n = ReadSerial(fd, readBuffer.data(), readBuffer.size());
    if (n < 0)
        return ReadOutcome::Gone;
    if (n == 0)
        return ReadOutcome::Nothing;
    buffer.Append({readBuffer.data(), static_cast<std::size_t>(n)}); // only what was really read
    return ReadOutcome::Appended;
}

} // namespace

SerialOpenError OpenDronePort(const QString& devicePath, int* osError) {
    const SerialOpenResult result = OpenSerialDevice(devicePath);
    if (osError != nullptr)
        *osError = result.osError;
    if (result.error != SerialOpenError::None)
        return result.error;
    std::scoped_lock lock(g_SerialPort.readMutex, g_SerialPort.writeMutex);
    CloseSerialDevice(g_SerialPort.fd.exchange(result.fd));
    return SerialOpenError::None;
}

void WritePort(const std::uint8_t* bytes, std::uint8_t length) {
    std::lock_guard lock(g_SerialPort.writeMutex);
    const int fd = g_SerialPort.fd.load();
    if (fd == SerialPortRecord::kNoPort)
        return;
    WriteSerial(fd, bytes, length, kWriteTimePerByte * length);
}

void WritePortOfLink(std::uint64_t link, const std::uint8_t* bytes, std::uint8_t length) {
    std::lock_guard lock(g_SerialPort.writeMutex);
    // The link service moves the generation on only after a close has taken the port away (under this
    // lock), and opens the next port only after that: a generation still the same here means the port
    // is the connection's own, or none.
    const int fd = g_SerialPort.fd.load();
    if (g_Link.Generation() != link || fd == SerialPortRecord::kNoPort)
        return;
    WriteSerial(fd, bytes, length, kWriteTimePerByte * length);
}

void CloseDronePort() {
    std::scoped_lock lock(g_SerialPort.readMutex, g_SerialPort.writeMutex);
    CloseSerialDevice(g_SerialPort.fd.exchange(SerialPortRecord::kNoPort));
}

int ReadThreadProc(const std::function<void(ConstFrameArray)>& dispatch) {
    CReceiveBuffer buffer;
    std::array<std::uint8_t, kReadBufferSize> readBuffer{};
    std::array<std::uint8_t, kFrameArraySize> frame{};
    int lastTake = 0;

    while (g_bReadThreadRun.load()) {
        // Frames already received are drained before more bytes are read.
        const bool draining = lastTake > 0 && buffer.Size() >= kMinFrameSize;
        if (!draining) {
            const ReadOutcome outcome = ReadOnce(buffer, readBuffer);
            if (outcome == ReadOutcome::Gone)
                break;
            if (outcome == ReadOutcome::Nothing) {
                lastTake = 0;
                continue;
            }
        }
        lastTake = TakeFrame(buffer, frame);
        if (lastTake > 0) {
            dispatch(frame);
            frame.fill(0);
        }
    }
    return 1;
}
