// One open serial port seen through D2XX's calls: line settings, modem
// lines, break, the latency timer and the Win32 layer's time-outs.
#include "serial_port.h"
#include "serial_ports.h"
#include "sysfs_attribute.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

namespace tavixserial {

namespace {

// The status for a failed request on a port: a driver that does not know
// it (a pseudo-terminal has no modem lines) is FT_NOT_SUPPORTED.
FT_STATUS requestFailure()
{
    return statusForErrno(errno);
}

} // namespace

// The kernel may drop framing it cannot do without an error (and glibc
// then answers EINVAL only when nothing at all changed), so what the port
// took is read back: framing it did not take is FT_NOT_SUPPORTED.
FT_STATUS SerialPort::applyLine()
{
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    termios wanted{};
    if (::tcgetattr(m_fd, &wanted) != 0)
        return FT_IO_ERROR;
    applyFraming(m_line, &wanted);
    termios got{};
    if (::tcsetattr(m_fd, TCSANOW, &wanted) != 0 && errno != EINVAL)
        return requestFailure();
    if (::tcgetattr(m_fd, &got) != 0)
        return FT_IO_ERROR;
    return framingTaken(wanted, got) ? FT_OK : FT_NOT_SUPPORTED;
}

// Puts back the framing before a change the port refused.
void SerialPort::restoreLine(const LineSettings &before)
{
    m_line = before;
    applyLine();
}

FT_STATUS SerialPort::setBaudRate(ULONG baud)
{
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    if (baud == 0 || baud > 12000000)
        return FT_INVALID_BAUD_RATE;
    bool set;
    if (const auto speed = standardSpeed(baud)) {
        termios t{};
        set = ::tcgetattr(m_fd, &t) == 0 && ::cfsetispeed(&t, *speed) == 0 && ::cfsetospeed(&t, *speed) == 0
              && ::tcsetattr(m_fd, TCSANOW, &t) == 0;
    } else {
        set = setCustomBaud(m_fd, baud);
    }
    // ftdi_sio falls back to 9600 for a rate its chip cannot make, and says
    // so in the settings read back.
    const auto taken = currentBaud(m_fd);
    if (!set || !taken || !baudMatches(baud, *taken))
        return FT_INVALID_BAUD_RATE;
    m_line.baud = baud;
    return FT_OK;
}

FT_STATUS SerialPort::setDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    if (!validCharacteristics(wordLength, stopBits, parity))
        return FT_INVALID_PARAMETER;
    std::lock_guard lock(m_lineLock);
    const LineSettings before = m_line;
    m_line.wordLength = wordLength;
    m_line.stopBits = stopBits;
    m_line.parity = parity;
    const FT_STATUS status = applyLine();
    if (status != FT_OK)
        restoreLine(before);
    return status;
}

FT_STATUS SerialPort::setFlowControl(USHORT flow, UCHAR xonChar, UCHAR xoffChar)
{
    if (flow != FT_FLOW_NONE && flow != FT_FLOW_RTS_CTS && flow != FT_FLOW_DTR_DSR && flow != FT_FLOW_XON_XOFF)
        return FT_INVALID_PARAMETER;
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    if (flow == FT_FLOW_DTR_DSR)
        return FT_NOT_SUPPORTED;
    const LineSettings before = m_line;
    m_line.flow = flow;
    if (flow == FT_FLOW_XON_XOFF) {
        m_line.xonChar = xonChar;
        m_line.xoffChar = xoffChar;
    }
    const FT_STATUS status = applyLine();
    if (status != FT_OK)
        restoreLine(before);
    return status;
}

FT_STATUS SerialPort::setChars(UCHAR eventChar, bool eventOn, UCHAR errorChar, bool errorOn)
{
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    if (errorOn)
        return FT_NOT_SUPPORTED;
    // The event character is kept and reported (FT_W32_GetCommState); the
    // kernel driver cannot give it to the chip, so it does not cut the
    // latency short: the latency timer does that.
    m_line.eventChar = eventChar;
    m_line.eventCharOn = eventOn;
    m_line.errorChar = errorChar;
    m_line.errorCharOn = false;
    return FT_OK;
}

LineSettings SerialPort::lineSettings()
{
    std::lock_guard lock(m_lineLock);
    return m_line;
}

FT_STATUS SerialPort::setModemLines(int raise, int drop)
{
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    if (raise && ::ioctl(m_fd, TIOCMBIS, &raise) != 0)
        return requestFailure();
    if (drop && ::ioctl(m_fd, TIOCMBIC, &drop) != 0)
        return requestFailure();
    m_line.dtr = (m_line.dtr || (raise & TIOCM_DTR)) && !(drop & TIOCM_DTR);
    m_line.rts = (m_line.rts || (raise & TIOCM_RTS)) && !(drop & TIOCM_RTS);
    return FT_OK;
}

FT_STATUS SerialPort::modemStatus(ULONG *status)
{
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    int lines = 0;
    if (::ioctl(m_fd, TIOCMGET, &lines) != 0)
        return requestFailure();
    *status = modemStatusBits(lines);
    LineCounts counts;
    if (readLineCounts(m_fd, &counts)) {
        *status |= lineStatusBits(m_statusCounts, counts);
        m_statusCounts = counts;
    }
    return FT_OK;
}

DWORD SerialPort::commErrors()
{
    std::lock_guard lock(m_lineLock);
    LineCounts counts;
    if (m_fd < 0 || !readLineCounts(m_fd, &counts))
        return 0;
    const DWORD errors = commErrorBits(m_errorCounts, counts);
    m_errorCounts = counts;
    return errors;
}

FT_STATUS SerialPort::setBreak(bool on)
{
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    return ::ioctl(m_fd, on ? TIOCSBRK : TIOCCBRK) == 0 ? FT_OK : requestFailure();
}

FT_STATUS SerialPort::holdOutput(bool hold)
{
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    return ::tcflow(m_fd, hold ? TCOOFF : TCOON) == 0 ? FT_OK : requestFailure();
}

// The attribute lies on the port's device: <sysfs>/dev/char/MAJOR:MINOR
// links to the tty, whose "device" is ftdi_sio's port.
std::string SerialPort::latencyPath() const
{
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISCHR(info.st_mode))
        return {};
    return sysfsRoot() + "/dev/char/" + std::to_string(major(info.st_rdev)) + ":"
           + std::to_string(minor(info.st_rdev)) + "/device/latency_timer";
}

FT_STATUS SerialPort::latencyTimer(UCHAR *milliseconds)
{
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    const auto text = readAttributeFile(latencyPath());
    const auto value = text ? parseDecimal(*text, 255) : std::nullopt;
    if (!value)
        return FT_NOT_SUPPORTED;
    *milliseconds = static_cast<UCHAR>(*value);
    return FT_OK;
}

FT_STATUS SerialPort::setLatencyTimer(UCHAR milliseconds)
{
    std::lock_guard lock(m_lineLock);
    if (m_fd < 0)
        return FT_INVALID_HANDLE;
    int error = 0;
    if (writeAttribute(latencyPath(), std::to_string(milliseconds) + "\n", &error))
        return FT_OK;
    // No attribute (not an ftdi_sio port) or no right to write it (root's
    // by default): the chip keeps its timer.
    return error == EIO ? FT_IO_ERROR : FT_NOT_SUPPORTED;
}

FTTIMEOUTS SerialPort::w32Timeouts()
{
    std::lock_guard lock(m_lineLock);
    return m_w32Timeouts;
}

void SerialPort::setW32Timeouts(const FTTIMEOUTS &timeouts)
{
    std::lock_guard lock(m_lineLock);
    m_w32Timeouts = timeouts;
}

} // namespace tavixserial
