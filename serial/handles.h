// The adapter's open ports by handle, and the opening of a listed port by
// index, serial number, description or location. Handles are small whole
// numbers, checked on every call and never reused. Each open that fails
// leaves its reason in words for TavixSerial_LastError (per thread) and,
// once per port and reason, on standard error.
#ifndef TAVIXSERIAL_HANDLES_H
#define TAVIXSERIAL_HANDLES_H

#include "core/device/d2xx_types.h"
#include "serial_port.h"
#include "serial_ports.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace tavixserial {

struct OpenPort {
    PortEntry entry;
    std::shared_ptr<SerialPort> port;
};

class Handles {
public:
    static Handles &instance();

    // FT_Open: the port at that place in the list.
    FT_STATUS openByIndex(long index, FT_HANDLE *handle);
    // FT_OpenEx and FT_W32_CreateFile: `flags` is one of FT_OPEN_BY_*;
    // `arg` the serial number or description (a string) or the location
    // (the value itself). The first listed port that matches and opens; an
    // open or busy one is skipped.
    FT_STATUS openBy(const void *arg, DWORD flags, FT_HANDLE *handle);

    // The port behind a handle; null for an unknown or closed one.
    std::shared_ptr<SerialPort> find(FT_HANDLE handle);
    // The handle's port with what the list said of it; no port when unknown.
    OpenPort describe(FT_HANDLE handle);
    // The handle a port's path is open under here; null when it is not.
    FT_HANDLE handleOf(const std::string &path);

    // Takes the handle out of the table first, so no new call can start on
    // it; the port's own close then waits for calls already running.
    FT_STATUS close(FT_HANDLE handle);

private:
    FT_STATUS open(const PortEntry &entry, FT_HANDLE *handle);

    std::mutex m_mutex;
    std::map<uintptr_t, OpenPort> m_ports;
    std::set<std::string> m_openPaths;
    std::map<std::string, std::string> m_told; // the reason last written to standard error, per path
    uintptr_t m_next = 1;
};

// Runs the call on the handle's port; FT_INVALID_HANDLE for an unknown or
// closed handle.
template<typename Call>
FT_STATUS withPort(FT_HANDLE handle, Call call)
{
    const std::shared_ptr<SerialPort> port = Handles::instance().find(handle);
    return port ? call(*port) : FT_INVALID_HANDLE;
}

// The reason the last failed open on this thread failed ("" before any),
// in words and as a code.
const char *lastOpenError();
const TAVIXSERIAL_OPEN_ERROR *lastOpenErrorCode();
void setLastOpenError(OpenError reason);

} // namespace tavixserial

#endif
