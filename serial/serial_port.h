// One open serial port seen through D2XX's calls: raw 9600 8N1 without flow
// control, exclusive, closed on exec; reads and writes bounded by the
// D2XX time-outs; the kernel's errors turned into D2XX statuses.
//
// Threads: the program's poll queries and reads while its firmware worker
// writes, so the receiving calls (read, status, purge) and writes take
// separate locks and never wait for each other; the time-outs are atomic.
// Close takes both locks, so it waits for calls already running (at most
// their time-out; a read or write without a time-out waits for ever, as in
// D2XX). The handle table keeps the object alive while a call runs.
#ifndef TAVIXSERIAL_SERIAL_PORT_H
#define TAVIXSERIAL_SERIAL_PORT_H

#include "core/device/d2xx_types.h"

#include <atomic>
#include <mutex>
#include <string>

namespace tavixserial {

// The D2XX status for an errno of an open, read, write or ioctl: a vanished
// device (EIO, ENODEV, ENXIO, EPIPE, ENOENT) is FT_IO_ERROR, except that
// opening one is FT_DEVICE_NOT_FOUND; busy and no permission are
// FT_DEVICE_NOT_OPENED.
FT_STATUS statusForErrno(int error, bool opening);

// The one line written to standard error when a port cannot be opened for
// lack of permission: names the node and the two ways to get access.
std::string permissionHint(const std::string &path);

class SerialPort {
public:
    explicit SerialPort(std::string path) : m_path(std::move(path)) {}
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;
    ~SerialPort();

    // Opens and sets up the port; on failure the status, with errno kept in
    // *error for the caller's message.
    FT_STATUS open(int *error);
    FT_STATUS close();

    // Returns when `count` bytes came or the read time-out passed (0: no
    // limit), FT_OK with the bytes that came. A lost device gives
    // FT_IO_ERROR with whatever was read before it.
    FT_STATUS read(void *buffer, DWORD count, DWORD *received);
    // Writes until everything went or the write time-out passed (0: no
    // limit); a short count at the time-out is FT_OK, as with D2XX.
    FT_STATUS write(const void *buffer, DWORD count, DWORD *sent);
    // Bytes waiting to be read and waiting to go out. A port that was hung
    // up reports FT_IO_ERROR once nothing is left to read.
    FT_STATUS status(DWORD *rxBytes, DWORD *txBytes);
    FT_STATUS purge(ULONG mask);
    FT_STATUS reset();
    void setTimeouts(ULONG readMs, ULONG writeMs);

    const std::string &path() const { return m_path; }

private:
    bool hungUp() const;
    // The loop of read (reading) and write: moves bytes until count moved,
    // the time-out passed (FT_OK with what moved) or the port failed; the
    // caller holds the direction's lock.
    FT_STATUS transfer(bool reading, unsigned char *data, DWORD count, DWORD *done);

    const std::string m_path;
    int m_fd = -1;
    std::mutex m_readLock;
    std::mutex m_writeLock;
    std::atomic<ULONG> m_readTimeout{0};
    std::atomic<ULONG> m_writeTimeout{0};
};

} // namespace tavixserial

#endif
