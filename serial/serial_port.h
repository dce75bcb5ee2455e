// One open serial port seen through D2XX's calls: raw 9600 8N1 without flow
// control, exclusive, closed on exec; reads and writes bounded by the
// D2XX time-outs; the kernel's errors turned into D2XX statuses.
//
// Exclusive: the port is locked with flock(LOCK_EX | LOCK_NB), the
// convention of picocom, tio, minicom's successors and pyserial
// (exclusive=True), and kept locked while open; TIOCEXCL besides keeps out
// programs that open without looking (root excepted). A port another
// program has locked is refused before anything about it is changed, so
// that program is not disturbed.
//
// Threads: the program's poll queries and reads while its firmware worker
// writes, so the receiving calls (read, status, purge) and writes take
// separate locks and never wait for each other; line settings take a third
// lock; the time-outs are atomic. Close takes all of them, so it waits for
// calls already running (at most their time-out; a read or write without a
// time-out waits for ever, as in D2XX). The handle table keeps the object
// alive while a call runs.
#ifndef TAVIXSERIAL_SERIAL_PORT_H
#define TAVIXSERIAL_SERIAL_PORT_H

#include "core/device/d2xx_types.h"
#include "line_settings.h"
#include "open_errors.h"
#include "port_events.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tavixserial {

// The D2XX status for an errno of a request on the port: one the port's
// driver does not know (ENOTTY, EINVAL) is FT_NOT_SUPPORTED; anything else
// (a vanished device: EIO, ENODEV, ...) FT_IO_ERROR.
FT_STATUS statusForErrno(int error);

class SerialPort {
public:
    explicit SerialPort(std::string path) : m_path(std::move(path)) {}
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;
    ~SerialPort();

    // Opens, locks and sets up the port. On failure: FT_DEVICE_NOT_FOUND
    // for a missing path or one with no device behind it,
    // FT_DEVICE_NOT_OPENED otherwise, and the reason (open_errors.h) in
    // *reason.
    FT_STATUS open(OpenError *reason);
    FT_STATUS close();

    // Returns when `count` bytes came or the time-out passed (the handle's
    // read time-out unless one is given; 0: no limit), FT_OK with the bytes
    // that came. A lost device gives FT_IO_ERROR with whatever was read
    // before it.
    FT_STATUS read(void *buffer, DWORD count, DWORD *received, std::optional<ULONG> timeoutMs = {});
    // Writes until everything went or the time-out passed; a short count at
    // the time-out is FT_OK, as with D2XX.
    FT_STATUS write(const void *buffer, DWORD count, DWORD *sent, std::optional<ULONG> timeoutMs = {});
    // Bytes waiting to be read and waiting to go out. A port that was hung
    // up reports FT_IO_ERROR once nothing is left to read.
    FT_STATUS status(DWORD *rxBytes, DWORD *txBytes);
    FT_STATUS purge(ULONG mask);
    FT_STATUS reset();
    void setTimeouts(ULONG readMs, ULONG writeMs);
    ULONG readTimeout() const { return m_readTimeout; }
    ULONG writeTimeout() const { return m_writeTimeout; }

    // Line settings (serial_port_lines.cpp). A rate the kernel does not
    // take within 3 % is FT_INVALID_BAUD_RATE; framing the port does not
    // take (a pseudo-terminal has only 8 bits without parity), DTR/DSR flow
    // control, which the kernel's serial drivers do not offer, and an error
    // character (the kernel cannot put one in the data) are
    // FT_NOT_SUPPORTED, and the settings before stay.
    FT_STATUS setBaudRate(ULONG baud);
    FT_STATUS setDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity);
    FT_STATUS setFlowControl(USHORT flow, UCHAR xonChar, UCHAR xoffChar);
    FT_STATUS setChars(UCHAR eventChar, bool eventOn, UCHAR errorChar, bool errorOn);
    LineSettings lineSettings();
    // Modem lines: TIOCM_* bits to raise and to drop; FT_NOT_SUPPORTED on a
    // port without modem lines (a pseudo-terminal).
    FT_STATUS setModemLines(int raise, int drop);
    // The modem status (FT_MODEM_STATUS_*) with, in the second byte, the
    // line errors since the last call (FT_LINE_STATUS_*).
    FT_STATUS modemStatus(ULONG *status);
    // The Win32 error flags (CE_*) since the last call; none on a port
    // whose driver counts no errors.
    DWORD commErrors();
    FT_STATUS setBreak(bool on);
    // Output held as by a received XOFF (true) or let go again.
    FT_STATUS holdOutput(bool hold);
    // ftdi_sio's latency_timer attribute of this port's device.
    FT_STATUS latencyTimer(UCHAR *milliseconds);
    FT_STATUS setLatencyTimer(UCHAR milliseconds);

    PortEvents *events() { return m_events.get(); }
    const std::string &path() const { return m_path; }

    // The Win32 layer's time-outs and its last error (FT_W32_GetLastError).
    FTTIMEOUTS w32Timeouts();
    void setW32Timeouts(const FTTIMEOUTS &timeouts);
    std::atomic<DWORD> lastW32Error{FT_OK};

private:
    bool hungUp() const;
    // The loop of read (reading) and write: moves bytes until count moved,
    // the time-out passed (FT_OK with what moved) or the port failed; the
    // caller holds the direction's lock.
    FT_STATUS transfer(bool reading, unsigned char *data, DWORD count, DWORD *done, ULONG timeout);
    // Applies m_line's framing to the port, or puts back what it was; the
    // caller holds m_lineLock.
    FT_STATUS applyLine();
    void restoreLine(const LineSettings &before);
    std::string latencyPath() const;

    const std::string m_path;
    int m_fd = -1;
    std::mutex m_readLock;
    std::mutex m_writeLock;
    std::mutex m_lineLock;
    std::atomic<ULONG> m_readTimeout{0};
    std::atomic<ULONG> m_writeTimeout{0};
    std::atomic<uint64_t> m_bytesRead{0};
    std::unique_ptr<PortEvents> m_events;
    LineSettings m_line;        // under m_lineLock
    LineCounts m_statusCounts;  // the counts modemStatus last saw, under m_lineLock
    LineCounts m_errorCounts;   // the counts commErrors last saw, under m_lineLock
    FTTIMEOUTS m_w32Timeouts{}; // under m_lineLock
};

} // namespace tavixserial

#endif
