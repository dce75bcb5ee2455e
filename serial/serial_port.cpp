// One open serial port seen through D2XX's calls.
#include "serial_port.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tavixserial {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline for poll(): -1 waits for ever.
int remainingMs(bool limited, Clock::time_point deadline)
{
    if (!limited)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool lostDeviceErrno(int error)
{
    return error == EIO || error == ENODEV || error == ENXIO || error == EPIPE || error == ENOENT
           || error == EBADF;
}

} // namespace

FT_STATUS statusForErrno(int error, bool opening)
{
    if (error == EACCES || error == EPERM || error == EBUSY)
        return FT_DEVICE_NOT_OPENED;
    if (lostDeviceErrno(error))
        return opening ? FT_DEVICE_NOT_FOUND : FT_IO_ERROR;
    return opening ? FT_DEVICE_NOT_OPENED : FT_IO_ERROR;
}

std::string permissionHint(const std::string &path)
{
    return "tavixserial: no permission to open " + path
           + ": add your user to the port's group (usually dialout: sudo usermod -aG dialout $USER, then log in"
             " again) or install the udev rule 60-tavixterminal.rules (see README, \"Real instrument on Linux\")";
}

SerialPort::~SerialPort()
{
    close();
}

FT_STATUS SerialPort::open(int *error)
{
    *error = 0;
    const int fd = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return statusForErrno(*error, true);
    }
    termios settings{};
    if (!::isatty(fd) || ::tcgetattr(fd, &settings) != 0) {
        *error = errno ? errno : ENOTTY;
        ::close(fd);
        return FT_DEVICE_NOT_OPENED;
    }
    // No other program may open the port while it is ours (root excepted,
    // which the kernel lets through).
    if (::ioctl(fd, TIOCEXCL) != 0) {
        *error = errno;
        ::close(fd);
        return statusForErrno(*error, true);
    }
    // The line as an FTDI chip has it after a D2XX open: 9600 baud, 8 data
    // bits, no parity, 1 stop bit; raw: no echo, no line editing, no signal
    // characters, no CR/LF translation; no flow control of either kind.
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        *error = errno;
        ::close(fd);
        return statusForErrno(*error, true);
    }
    ::tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    return FT_OK;
}

FT_STATUS SerialPort::close()
{
    std::scoped_lock both(m_readLock, m_writeLock);
    if (m_fd < 0)
        return FT_OK;
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    return FT_OK;
}

// A hang-up (the cable pulled, the pseudo-terminal's master closed) or an
// error condition on the descriptor.
bool SerialPort::hungUp() const
{
    pollfd fd{m_fd, POLLIN, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL));
}

FT_STATUS SerialPort::transfer(bool reading, unsigned char *data, DWORD count, DWORD *done)
{
    *done = 0;
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    const ULONG timeout = reading ? m_readTimeout : m_writeTimeout;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout);
    // Set when the poll said bytes wait: a read that then gives nothing is
    // the end of a hung-up line.
    bool readable = false;
    while (*done < count) {
        const ssize_t n = reading ? ::read(m_fd, data + *done, count - *done)
                                  : ::write(m_fd, data + *done, count - *done);
        if (n > 0) {
            *done += static_cast<DWORD>(n);
            readable = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return statusForErrno(errno, false);
        if (n == 0 && readable)
            return FT_IO_ERROR;
        // Nothing could move (EAGAIN, or a read of 0 in raw mode): wait until
        // the time-out, which ends the call with FT_OK and what moved so far.
        const int waitMs = remainingMs(timeout != 0, deadline);
        if (waitMs == 0)
            break;
        pollfd fd{m_fd, short(reading ? POLLIN : POLLOUT), 0};
        const int ready = ::poll(&fd, 1, waitMs);
        if (ready < 0 && errno != EINTR)
            return FT_IO_ERROR;
        readable = reading && ready > 0 && (fd.revents & POLLIN);
        // A hang-up with nothing left to read is the device gone.
        if (ready > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) && !readable)
            return FT_IO_ERROR;
    }
    return FT_OK;
}

FT_STATUS SerialPort::read(void *buffer, DWORD count, DWORD *received)
{
    std::lock_guard lock(m_readLock);
    return transfer(true, static_cast<unsigned char *>(buffer), count, received);
}

FT_STATUS SerialPort::write(const void *buffer, DWORD count, DWORD *sent)
{
    std::lock_guard lock(m_writeLock);
    // A write only reads the buffer.
    return transfer(false, static_cast<unsigned char *>(const_cast<void *>(buffer)), count, sent);
}

FT_STATUS SerialPort::status(DWORD *rxBytes, DWORD *txBytes)
{
    // The receiving side's lock: a close on another thread cannot pull the
    // descriptor away mid-query (the writer is not held up).
    std::lock_guard lock(m_readLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    int waiting = 0, queued = 0;
    if (::ioctl(m_fd, FIONREAD, &waiting) != 0)
        return statusForErrno(errno, false);
    if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0)
        queued = 0;
    // Bytes that came before a hang-up are still delivered; the loss is
    // reported once they have been read.
    if (waiting == 0 && hungUp())
        return FT_IO_ERROR;
    if (rxBytes)
        *rxBytes = static_cast<DWORD>(waiting);
    if (txBytes)
        *txBytes = static_cast<DWORD>(queued);
    return FT_OK;
}

FT_STATUS SerialPort::purge(ULONG mask)
{
    std::lock_guard lock(m_readLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    const bool rx = mask & FT_PURGE_RX, tx = mask & FT_PURGE_TX;
    if (!rx && !tx)
        return FT_OK;
    if (::tcflush(m_fd, rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH) != 0)
        return statusForErrno(errno, false);
    return hungUp() ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SerialPort::reset()
{
    return purge(FT_PURGE_RX | FT_PURGE_TX);
}

void SerialPort::setTimeouts(ULONG readMs, ULONG writeMs)
{
    m_readTimeout = readMs;
    m_writeTimeout = writeMs;
}

} // namespace tavixserial
