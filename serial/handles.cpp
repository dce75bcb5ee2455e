// The adapter's open ports by handle, and the opening of listed ports.
#include "handles.h"
#include "open_errors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tavixserial {

namespace {

thread_local OpenError t_lastOpenError;
thread_local TAVIXSERIAL_OPEN_ERROR t_lastOpenErrorCode{};

const std::string &nameOf(const PortEntry &port, DWORD flags)
{
    return flags == FT_OPEN_BY_DESCRIPTION ? port.description : port.serial;
}

std::string hexLocation(DWORD location)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", location);
    return text;
}

} // namespace

const char *lastOpenError()
{
    return t_lastOpenError.words.c_str();
}

const TAVIXSERIAL_OPEN_ERROR *lastOpenErrorCode()
{
    // The texts point into t_lastOpenError, which stays until the next
    // failure on this thread.
    const OpenError &error = t_lastOpenError;
    TAVIXSERIAL_OPEN_ERROR &code = t_lastOpenErrorCode;
    code = TAVIXSERIAL_OPEN_ERROR{};
    code.kind = error.kind;
    code.error = error.error;
    code.detail = error.detail;
    code.name = error.name.c_str();
    static const char kNone[] = "";
    for (int i = 0; i < 3; ++i) {
        const bool named = size_t(i) < error.holders.size();
        code.holderPid[i] = named ? error.holders[size_t(i)].pid : 0;
        code.holderName[i] = named ? error.holders[size_t(i)].name.c_str() : kNone;
    }
    code.holders = int(std::min<size_t>(error.holders.size(), 3));
    return &code;
}

void setLastOpenError(OpenError reason)
{
    t_lastOpenError = std::move(reason);
}

Handles &Handles::instance()
{
    static Handles handles;
    return handles;
}

FT_STATUS Handles::open(const PortEntry &entry, FT_HANDLE *handle)
{
    {
        std::lock_guard lock(m_mutex);
        // D2XX opens a device once; the kernel's TIOCEXCL does not stop
        // this process (nor root) from opening it twice.
        if (m_openPaths.count(entry.path)) {
            setLastOpenError(alreadyOpenReason(entry.path));
            return FT_DEVICE_NOT_OPENED;
        }
        m_openPaths.insert(entry.path);
    }
    auto port = std::make_shared<SerialPort>(entry.path);
    OpenError reason;
    const FT_STATUS status = port->open(&reason);
    std::lock_guard lock(m_mutex);
    if (status != FT_OK) {
        m_openPaths.erase(entry.path);
        // Told once per port and reason: a program that retries every
        // second does not flood standard error.
        std::string &told = m_told[entry.path];
        if (told != reason.words)
            std::fprintf(stderr, "tavixserial: %s\n", reason.words.c_str());
        told = reason.words;
        setLastOpenError(std::move(reason));
        return status;
    }
    m_told.erase(entry.path);
    const uintptr_t id = m_next++;
    m_ports.emplace(id, OpenPort{entry, port});
    *handle = reinterpret_cast<FT_HANDLE>(id);
    return FT_OK;
}

FT_STATUS Handles::openByIndex(long index, FT_HANDLE *handle)
{
    const auto ports = attachedPorts();
    if (index < 0 || static_cast<size_t>(index) >= ports.size()) {
        setLastOpenError(noIndexReason(index, ports.size()));
        return FT_DEVICE_NOT_FOUND;
    }
    return open(ports[static_cast<size_t>(index)], handle);
}

FT_STATUS Handles::openBy(const void *arg, DWORD flags, FT_HANDLE *handle)
{
    const bool byLocation = flags == FT_OPEN_BY_LOCATION;
    const DWORD location = static_cast<DWORD>(reinterpret_cast<uintptr_t>(arg));
    const std::string name = byLocation ? std::string() : static_cast<const char *>(arg);
    FT_STATUS result = FT_DEVICE_NOT_FOUND;
    bool matched = false;
    for (const PortEntry &port : attachedPorts()) {
        if (byLocation ? port.location != location || location == 0 : nameOf(port, flags) != name)
            continue;
        matched = true;
        result = open(port, handle);
        if (result == FT_OK)
            return FT_OK;
    }
    // A port that failed to open has left its own reason.
    if (!matched)
        setLastOpenError(notListedReason(byLocation ? hexLocation(location) : name, flags));
    return result;
}

std::shared_ptr<SerialPort> Handles::find(FT_HANDLE handle)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_ports.find(reinterpret_cast<uintptr_t>(handle));
    return it == m_ports.end() ? nullptr : it->second.port;
}

OpenPort Handles::describe(FT_HANDLE handle)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_ports.find(reinterpret_cast<uintptr_t>(handle));
    return it == m_ports.end() ? OpenPort{} : it->second;
}

FT_HANDLE Handles::handleOf(const std::string &path)
{
    std::lock_guard lock(m_mutex);
    for (const auto &[id, open] : m_ports)
        if (open.entry.path == path)
            return reinterpret_cast<FT_HANDLE>(id);
    return nullptr;
}

FT_STATUS Handles::close(FT_HANDLE handle)
{
    std::shared_ptr<SerialPort> port;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_ports.find(reinterpret_cast<uintptr_t>(handle));
        if (it == m_ports.end())
            return FT_INVALID_HANDLE;
        port = it->second.port;
        m_ports.erase(it);
    }
    const FT_STATUS status = port->close();
    std::lock_guard lock(m_mutex);
    m_openPaths.erase(port->path());
    return status;
}

} // namespace tavixserial
