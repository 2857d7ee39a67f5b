#include "platform/SerialPort.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

SerialOpenError OpenErrorFrom(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return SerialOpenError::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
        return SerialOpenError::Busy;
    default:
        return SerialOpenError::Other;
    }
}

std::atomic<bool> g_bRefuseSettings{false};

bool ApplyLineSettings(int fd) {
    if (g_bRefuseSettings) {
        errno = EINVAL; // as a driver that cannot take the line's speed answers
        return false;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio); // binary: no echo, no line editing, no CR/LF translation, 8 bits
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD; // CLOCAL: a missing carrier must not block or hang up the port
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // Reads never block in the driver: the receive loop waits in poll() and reads what is there.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, B115200) != 0 || cfsetospeed(&tio, B115200) != 0)
        return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

SerialOpenResult OpenSerialDevice(const QString& devicePath) {
    const int fd = open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {-1, OpenErrorFrom(errno), errno};

    // TIOCEXCL keeps other programs from opening the port after us, but root passes it; the advisory
    // lock is what serial tools agree on, and it also tells us when someone else was first.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        return {-1, OpenErrorFrom(error == EWOULDBLOCK ? EBUSY : error),
                error == EWOULDBLOCK ? EBUSY : error};
    }
    ioctl(fd, TIOCEXCL);

    if (!ApplyLineSettings(fd)) {
        const int error = errno;
        CloseSerialDevice(fd); // the exclusive flag belongs to the tty: a plain close would leave it set
        return {-1, SerialOpenError::Settings, error};
    }
    // Pseudo-terminals have no modem lines, so these may fail; the drone does not need them to.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &lines);
    tcflush(fd, TCIOFLUSH);
    return {fd, SerialOpenError::None};
}

bool WriteSerial(int fd, const std::uint8_t* bytes, std::size_t count, std::chrono::milliseconds bound) {
    const Clock::time_point deadline = Clock::now() + bound;
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = write(fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
            return false;
    }
    return true;
}

SerialWait WaitSerialReadable(int fd, std::chrono::milliseconds timeout) {
    pollfd p{fd, POLLIN, 0};
    const int n = poll(&p, 1, static_cast<int>(timeout.count()));
    if (n < 0)
        return errno == EINTR ? SerialWait::Timeout : SerialWait::Gone;
    if (n == 0)
        return SerialWait::Timeout;
    if (p.revents & POLLIN)
        return SerialWait::Readable; // read what is left even when the other end has hung up
    return SerialWait::Gone;         // POLLHUP, POLLERR or POLLNVAL without data
}

ssize_t ReadSerial(int fd, std::uint8_t* bytes, std::size_t count) {
    for (;;) {
        const ssize_t n = read(fd, bytes, count);
        if (n > 0)
            return n;
        if (n == 0)
            return -1; // end of file: the device has hung up
        if (errno == EINTR)
            continue;
        return errno == EAGAIN ? 0 : -1; // EIO and the rest: the device is gone
    }
}

void CloseSerialDevice(int fd) {
    if (fd < 0)
        return;
    // Either may fail on a port that has hung up; the close below still frees it.
    ioctl(fd, TIOCNXCL);
    flock(fd, LOCK_UN);
    close(fd);
}

void RefuseSerialSettingsForTests(bool refuse) {
    g_bRefuseSettings = refuse;
}

void CloseSerial(int fd) {
    if (fd >= 0)
        close(fd);
}
