// One open serial port seen through D2XX's calls: opening, locking,
// transfers, queue status and purges.
#include "serial_port.h"
#include "open_errors.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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

// The status and reason for an errno of open() or of the checks after it.
FT_STATUS openFailure(const std::string &path, int error, OpenError *reason)
{
    if (error == ENOENT) {
        *reason = missingReason(path);
        return FT_DEVICE_NOT_FOUND;
    }
    if (error == ENXIO || error == ENODEV) {
        *reason = noDeviceReason(path, error);
        return FT_DEVICE_NOT_FOUND;
    }
    if (error == EACCES || error == EPERM)
        *reason = permissionReason(path);
    else if (error == EBUSY || error == EWOULDBLOCK)
        *reason = busyReason(path, portHolders(path));
    else if (error == EISDIR)
        *reason = notTerminalReason(path, TAVIXSERIAL_FILE_FOLDER);
    else
        *reason = otherReason(path, error);
    return FT_DEVICE_NOT_OPENED;
}

} // namespace

FT_STATUS statusForErrno(int error)
{
    if (error == ENOTTY || error == EINVAL)
        return FT_NOT_SUPPORTED;
    return FT_IO_ERROR;
}

SerialPort::~SerialPort()
{
    close();
}

FT_STATUS SerialPort::open(OpenError *reason)
{
    *reason = OpenError();
    // What the path is decides before anything is opened: a regular file,
    // a folder or a FIFO is never opened as a port.
    struct stat info {};
    if (::stat(m_path.c_str(), &info) != 0)
        return openFailure(m_path, errno, reason);
    if (const int kind = nonTerminalKind(info.st_mode); kind >= 0) {
        *reason = notTerminalReason(m_path, kind);
        return FT_DEVICE_NOT_OPENED;
    }
    const int fd = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return openFailure(m_path, errno, reason);
    termios settings{};
    if (!::isatty(fd) || ::tcgetattr(fd, &settings) != 0) {
        ::close(fd);
        *reason = notTerminalReason(m_path, TAVIXSERIAL_FILE_DEVICE_NOT_TERMINAL);
        return FT_DEVICE_NOT_OPENED;
    }
    // Another program's lock refuses the port before its settings change.
    // A file system without flock (ENOLCK, EINVAL) leaves only TIOCEXCL.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK && errno != EINVAL) {
        const int error = errno;
        ::close(fd);
        return openFailure(m_path, error, reason);
    }
    // No other program may open the port while it is ours (root excepted,
    // which the kernel lets through).
    if (::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        return openFailure(m_path, error, reason);
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
        const int error = errno;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return openFailure(m_path, error, reason);
    }
    ::tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    readLineCounts(fd, &m_statusCounts);
    m_errorCounts = m_statusCounts;
    m_events = std::make_unique<PortEvents>(fd, &m_bytesRead);
    return FT_OK;
}

FT_STATUS SerialPort::close()
{
    // Event waits end and the watcher stops before the descriptor goes.
    if (m_events)
        m_events->stop();
    std::scoped_lock all(m_readLock, m_writeLock, m_lineLock);
    if (m_fd < 0)
        return FT_OK;
    ::ioctl(m_fd, TIOCNXCL);
    // Closing the descriptor also releases the flock.
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

FT_STATUS SerialPort::transfer(bool reading, unsigned char *data, DWORD count, DWORD *done, ULONG timeout)
{
    *done = 0;
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout);
    // Set when the poll said bytes wait: a read that then gives nothing is
    // the end of a hung-up line.
    bool readable = false;
    while (*done < count) {
        const ssize_t n = reading ? ::read(m_fd, data + *done, count - *done)
                                  : ::write(m_fd, data + *done, count - *done);
        if (n > 0) {
            *done += static_cast<DWORD>(n);
            if (reading)
                m_bytesRead += static_cast<uint64_t>(n);
            readable = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return FT_IO_ERROR;
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

FT_STATUS SerialPort::read(void *buffer, DWORD count, DWORD *received, std::optional<ULONG> timeoutMs)
{
    std::lock_guard lock(m_readLock);
    return transfer(true, static_cast<unsigned char *>(buffer), count, received, timeoutMs.value_or(m_readTimeout));
}

FT_STATUS SerialPort::write(const void *buffer, DWORD count, DWORD *sent, std::optional<ULONG> timeoutMs)
{
    std::lock_guard lock(m_writeLock);
    // A write only reads the buffer.
    return transfer(false, static_cast<unsigned char *>(const_cast<void *>(buffer)), count, sent,
                    timeoutMs.value_or(m_writeTimeout));
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
        return FT_IO_ERROR;
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
        return FT_IO_ERROR;
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
