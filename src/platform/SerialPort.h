// POSIX serial-port calls with the line the drone uses: 115200 baud, 8 data bits, no parity, one stop
// bit, raw bytes, no flow control, DTR and RTS raised, exclusive use.
#pragma once

#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <sys/types.h>

enum class SerialOpenError {
    None,
    PermissionDenied, // the device exists but this user may not open it
    Busy,             // another program holds the port
    Settings,         // the line settings were refused
    Other,            // missing device and everything else the player cannot act on
};

struct SerialOpenResult {
    int fd = -1;
    SerialOpenError error = SerialOpenError::Other;
    int osError = 0; // the errno behind a failure, for the log
};

// Opens and configures the device; on any failure nothing stays open.
SerialOpenResult OpenSerialDevice(const QString& devicePath);

// Writes all bytes, giving up when bound has passed; true when every byte went out.
bool WriteSerial(int fd, const std::uint8_t* bytes, std::size_t count, std::chrono::milliseconds bound);

enum class SerialWait {
    Readable, // bytes are waiting
    Timeout,  // nothing arrived in time
    Gone,     // the device hung up or failed (unplugged)
};

// Blocks at most timeout for bytes to arrive.
SerialWait WaitSerialReadable(int fd, std::chrono::milliseconds timeout);

// Reads what is waiting, at most count bytes, without blocking. Returns the number read; 0 when
// nothing was there; -1 when the device is gone.
ssize_t ReadSerial(int fd, std::uint8_t* bytes, std::size_t count);

// Gives up the exclusive use taken by OpenSerialDevice and closes the port. The exclusive flag belongs
// to the tty, not to our descriptor: left set, it would keep every later opener out (root aside) for as
// long as anyone else still holds the tty open.
void CloseSerialDevice(int fd);

// Closes any descriptor of these calls (a pseudo-terminal's, say) without touching its tty's flags.
void CloseSerial(int fd);

// Makes OpenSerialDevice find its line settings refused, as a driver may refuse them (tests).
void RefuseSerialSettingsForTests(bool refuse);
