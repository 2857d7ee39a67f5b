// The drone's serial port: open it, write frames to it, and run the receive loop that turns the incoming
// bytes into frames.
#pragma once

#include "link/FrameCodec.h"
#include "platform/SerialPort.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

// How long the receive loop waits for bytes in one pass. It bounds how late the loop sees its stop flag.
inline constexpr std::chrono::milliseconds kReceivePollTimeout{20};

// Opens and configures the port at devicePath and keeps it in g_SerialPort; SerialOpenError::None when
// it is open. On failure nothing stays open, and osError (when given) receives the errno behind it.
SerialOpenError OpenDronePort(const QString& devicePath, int* osError = nullptr);

// Writes one frame, at most 2 ms per byte; a frame that cannot go out in time is dropped unreported.
void WritePort(const std::uint8_t* bytes, std::uint8_t length);
// Writes one frame as WritePort does, but only to the drone of connection link (a LinkReading::generation):
// once that connection has closed, the frame goes nowhere, even when another drone's port is open.
void WritePortOfLink(std::uint64_t link, const std::uint8_t* bytes, std::uint8_t length);

// Closes the port, waiting for a receive pass or a write under way to leave it first.
void CloseDronePort();

// The receive loop: runs while g_bReadThreadRun is set and hands every complete frame to dispatch, at
// most one frame per pass. It also ends when the port has gone (hung up, failed, or closed): a port
// that is gone stays gone, and its owner learns so by the loop's end with the flag still set. Returns
// the thread's exit code, 1.
int ReadThreadProc(const std::function<void(ConstFrameArray)>& dispatch);
