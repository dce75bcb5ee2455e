// libtavixserial: the thirteen D2XX entry points the program binds,
// implemented on the kernel's serial driver (ftdi_sio's /dev/ttyUSB* ports,
// or any port named in TAVIX_SERIAL_PORTS). Devices are listed and opened
// by the USB serial number or product string that sysfs reports; handles
// are small whole numbers, checked on every call and never reused.
#include "core/device/d2xx_types.h"
#include "serial_port.h"
#include "serial_ports.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#define TAVIXSERIAL_EXPORT extern "C" __attribute__((visibility("default")))

using tavixserial::PortEntry;
using tavixserial::SerialPort;

namespace {

constexpr size_t kNameBufferSize = 64; // the caller's buffers in FT_ListDevices

class Handles {
public:
    static Handles &instance()
    {
        static Handles handles;
        return handles;
    }

    FT_STATUS open(const PortEntry &port, FT_HANDLE *handle)
    {
        {
            std::lock_guard lock(m_mutex);
            // D2XX opens a device once; the kernel's TIOCEXCL does not stop
            // this process (nor root) from opening it twice.
            if (m_openPaths.count(port.path))
                return FT_DEVICE_NOT_OPENED;
            m_openPaths.insert(port.path);
        }
        auto serial = std::make_shared<SerialPort>(port.path);
        int error = 0;
        const FT_STATUS status = serial->open(&error);
        std::lock_guard lock(m_mutex);
        if (status != FT_OK) {
            m_openPaths.erase(port.path);
            if ((error == EACCES || error == EPERM) && m_reported.insert(port.path).second)
                std::fprintf(stderr, "%s\n", tavixserial::permissionHint(port.path).c_str());
            return status;
        }
        const uintptr_t id = m_next++;
        m_ports.emplace(id, serial);
        *handle = reinterpret_cast<FT_HANDLE>(id);
        return FT_OK;
    }

    std::shared_ptr<SerialPort> find(FT_HANDLE handle)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_ports.find(reinterpret_cast<uintptr_t>(handle));
        return it == m_ports.end() ? nullptr : it->second;
    }

    // Takes the handle out of the table first, so no new call can start on
    // it; the port's own close then waits for calls already running.
    FT_STATUS close(FT_HANDLE handle)
    {
        std::shared_ptr<SerialPort> port;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_ports.find(reinterpret_cast<uintptr_t>(handle));
            if (it == m_ports.end())
                return FT_INVALID_HANDLE;
            port = it->second;
            m_ports.erase(it);
        }
        const FT_STATUS status = port->close();
        std::lock_guard lock(m_mutex);
        m_openPaths.erase(port->path());
        return status;
    }

private:
    std::mutex m_mutex;
    std::map<uintptr_t, std::shared_ptr<SerialPort>> m_ports;
    std::set<std::string> m_openPaths;
    std::set<std::string> m_reported; // permission problems already told
    uintptr_t m_next = 1;
};

void copyName(char *buffer, const std::string &name)
{
    const size_t length = std::min(name.size(), kNameBufferSize - 1);
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
}

const std::string &nameOf(const PortEntry &port, DWORD flags)
{
    return (flags & FT_OPEN_BY_DESCRIPTION) ? port.description : port.serial;
}

} // namespace

TAVIXSERIAL_EXPORT FT_STATUS FT_ListDevices(void *pArg1, void *pArg2, DWORD flags)
{
    const bool named = (flags & (FT_OPEN_BY_SERIAL_NUMBER | FT_OPEN_BY_DESCRIPTION)) != 0;
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (!pArg1)
            return FT_INVALID_PARAMETER;
        *static_cast<DWORD *>(pArg1) = static_cast<DWORD>(tavixserial::attachedPorts().size());
        return FT_OK;
    }
    if (flags & FT_LIST_BY_INDEX) {
        if (!pArg2 || !named)
            return FT_INVALID_PARAMETER;
        const auto ports = tavixserial::attachedPorts();
        const auto index = reinterpret_cast<uintptr_t>(pArg1);
        if (index >= ports.size())
            return FT_DEVICE_NOT_FOUND;
        copyName(static_cast<char *>(pArg2), nameOf(ports[index], flags));
        return FT_OK;
    }
    if (flags & FT_LIST_ALL) {
        auto **table = static_cast<char **>(pArg1);
        if (!table || !pArg2 || !named)
            return FT_INVALID_PARAMETER;
        // A null entry ends the caller's table: it is never overrun.
        const auto ports = tavixserial::attachedPorts();
        for (size_t i = 0; i < ports.size() && table[i]; ++i)
            copyName(table[i], nameOf(ports[i], flags));
        *static_cast<DWORD *>(pArg2) = static_cast<DWORD>(ports.size());
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

TAVIXSERIAL_EXPORT FT_STATUS FT_Open(int deviceNumber, FT_HANDLE *pHandle)
{
    if (!pHandle)
        return FT_INVALID_PARAMETER;
    const auto ports = tavixserial::attachedPorts();
    if (deviceNumber < 0 || static_cast<size_t>(deviceNumber) >= ports.size())
        return FT_DEVICE_NOT_FOUND;
    return Handles::instance().open(ports[static_cast<size_t>(deviceNumber)], pHandle);
}

TAVIXSERIAL_EXPORT FT_STATUS FT_OpenEx(void *pArg1, DWORD flags, FT_HANDLE *pHandle)
{
    if (!pHandle || !pArg1 || (flags != FT_OPEN_BY_SERIAL_NUMBER && flags != FT_OPEN_BY_DESCRIPTION))
        return FT_INVALID_PARAMETER;
    const std::string name = static_cast<const char *>(pArg1);
    // The first port of that name that opens; an open or busy one is skipped.
    FT_STATUS result = FT_DEVICE_NOT_FOUND;
    for (const PortEntry &port : tavixserial::attachedPorts()) {
        if (nameOf(port, flags) != name)
            continue;
        result = Handles::instance().open(port, pHandle);
        if (result == FT_OK)
            break;
    }
    return result;
}

TAVIXSERIAL_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    return Handles::instance().close(handle);
}

TAVIXSERIAL_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, DWORD bytesToRead, DWORD *bytesReturned)
{
    auto port = Handles::instance().find(handle);
    if (!port)
        return FT_INVALID_HANDLE;
    if (!bytesReturned || (!buffer && bytesToRead))
        return FT_INVALID_PARAMETER;
    return port->read(buffer, bytesToRead, bytesReturned);
}

TAVIXSERIAL_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, DWORD bytesToWrite, DWORD *bytesWritten)
{
    auto port = Handles::instance().find(handle);
    if (!port)
        return FT_INVALID_HANDLE;
    if (!bytesWritten || (!buffer && bytesToWrite))
        return FT_INVALID_PARAMETER;
    return port->write(buffer, bytesToWrite, bytesWritten);
}

TAVIXSERIAL_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    auto port = Handles::instance().find(handle);
    return port ? port->reset() : FT_INVALID_HANDLE;
}

TAVIXSERIAL_EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask)
{
    auto port = Handles::instance().find(handle);
    return port ? port->purge(mask) : FT_INVALID_HANDLE;
}

TAVIXSERIAL_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeout, ULONG writeTimeout)
{
    auto port = Handles::instance().find(handle);
    if (!port)
        return FT_INVALID_HANDLE;
    port->setTimeouts(readTimeout, writeTimeout);
    return FT_OK;
}

TAVIXSERIAL_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD *rxBytes)
{
    auto port = Handles::instance().find(handle);
    if (!port)
        return FT_INVALID_HANDLE;
    return rxBytes ? port->status(rxBytes, nullptr) : FT_INVALID_PARAMETER;
}

TAVIXSERIAL_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventDWord)
{
    auto port = Handles::instance().find(handle);
    if (!port)
        return FT_INVALID_HANDLE;
    const FT_STATUS status = port->status(rxBytes, txBytes);
    if (status == FT_OK && eventDWord)
        *eventDWord = 0;
    return status;
}

// Event and error characters and event notification have no use here: the
// program turns them off, and any setting is accepted.
TAVIXSERIAL_EXPORT FT_STATUS FT_SetChars(FT_HANDLE handle, UCHAR, UCHAR, UCHAR, UCHAR)
{
    return Handles::instance().find(handle) ? FT_OK : FT_INVALID_HANDLE;
}

TAVIXSERIAL_EXPORT FT_STATUS FT_SetEventNotification(FT_HANDLE handle, DWORD, void *)
{
    return Handles::instance().find(handle) ? FT_OK : FT_INVALID_HANDLE;
}
