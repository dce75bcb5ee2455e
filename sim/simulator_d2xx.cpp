// The simulated instrument's D2XX entry points: each takes the lock,
// settles what has arrived by now, does what FTDI's library would and writes
// one line to the call trace.
#include "simulator.h"

#include "simulator_internal.h"

#include <cstdlib>
#include <limits>

namespace tavixsim {

FT_STATUS Simulator::listDevices(void *arg1, void *arg2, DWORD flags)
{
    Lock lock(m_mutex);
    const std::vector<DeviceEntry> devices = attachedDevices();
    const bool byDescription = flags & FT_OPEN_BY_DESCRIPTION;
    const bool bySerial = flags & FT_OPEN_BY_SERIAL_NUMBER;
    auto nameOf = [&](const DeviceEntry &d) -> const std::string & { return byDescription ? d.description : d.serial; };
    std::string line = "FT_ListDevices flags=" + hexNumber(flags);
    FT_STATUS result = FT_OK;

    if (flags & FT_LIST_NUMBER_ONLY) {
        if (!arg1)
            result = FT_INVALID_PARAMETER;
        else if (m_settings.faults.countFail)
            result = FT_OTHER_ERROR;
        else
            *static_cast<DWORD *>(arg1) = static_cast<DWORD>(devices.size());
        line += status(result);
        if (result == FT_OK)
            line += " count=" + std::to_string(devices.size());
    } else if (flags & FT_LIST_BY_INDEX) {
        const auto index = reinterpret_cast<uintptr_t>(arg1);
        line += " index=" + std::to_string(index);
        if (!arg2 || (!byDescription && !bySerial))
            result = FT_INVALID_PARAMETER;
        else if (m_settings.faults.listFail)
            result = FT_OTHER_ERROR;
        else if (index >= devices.size())
            result = FT_DEVICE_NOT_FOUND;
        else
            copyName(static_cast<char *>(arg2), nameOf(devices[index]));
        line += status(result);
        if (result == FT_OK)
            line += " names=" + Trace::quoted(nameOf(devices[index]));
    } else if (flags & FT_LIST_ALL) {
        auto **table = static_cast<char **>(arg1);
        if (!table || !arg2 || (!byDescription && !bySerial))
            result = FT_INVALID_PARAMETER;
        else if (m_settings.faults.listFail)
            result = FT_OTHER_ERROR;
        line += status(result);
        if (result == FT_OK) {
            // Fill the caller's buffers in list order; a null entry ends the
            // table, so a table shorter than the list is never overrun.
            std::string names;
            for (size_t i = 0; i < devices.size() && table[i]; ++i) {
                copyName(table[i], nameOf(devices[i]));
                if (i)
                    names += ',';
                names += Trace::quoted(nameOf(devices[i]));
            }
            *static_cast<DWORD *>(arg2) = static_cast<DWORD>(devices.size());
            line += " count=" + std::to_string(devices.size()) + " names=" + names;
        }
    } else {
        result = FT_INVALID_PARAMETER;
        line += status(result);
    }
    traceLine(line);
    return result;
}

FT_STATUS Simulator::open(int deviceNumber, FT_HANDLE *handle)
{
    Lock lock(m_mutex);
    const std::vector<DeviceEntry> devices = attachedDevices();
    FT_STATUS result = FT_OK;
    if (!handle)
        result = FT_INVALID_PARAMETER;
    else if (m_settings.faults.openFail)
        result = FT_DEVICE_NOT_OPENED;
    else if (deviceNumber < 0 || static_cast<size_t>(deviceNumber) >= devices.size())
        result = FT_DEVICE_NOT_FOUND;
    else if (isOpen(devices[static_cast<size_t>(deviceNumber)].serial))
        result = FT_DEVICE_NOT_OPENED; // as D2XX: a device is opened once
    else
        result = createSession(devices[static_cast<size_t>(deviceNumber)], handle);
    traceLine("FT_Open index=" + std::to_string(deviceNumber) + status(result) + " "
              + handleText(result == FT_OK ? *handle : nullptr));
    return result;
}

FT_STATUS Simulator::openEx(void *arg, DWORD flags, FT_HANDLE *handle)
{
    Lock lock(m_mutex);
    const bool byDescription = flags == FT_OPEN_BY_DESCRIPTION;
    const bool bySerial = flags == FT_OPEN_BY_SERIAL_NUMBER;
    const std::string name = arg && (byDescription || bySerial) ? std::string(static_cast<const char *>(arg)) : "";
    FT_STATUS result = FT_DEVICE_NOT_FOUND;
    if (!handle || !arg || (!byDescription && !bySerial)) {
        result = FT_INVALID_PARAMETER;
    } else if (m_settings.faults.openFail) {
        result = FT_DEVICE_NOT_OPENED;
    } else {
        // The first attached device of that name that is not open yet.
        for (const DeviceEntry &device : attachedDevices()) {
            if ((bySerial ? device.serial : device.description) != name)
                continue;
            if (isOpen(device.serial)) {
                result = FT_DEVICE_NOT_OPENED;
                continue;
            }
            result = createSession(device, handle);
            break;
        }
    }
    traceLine("FT_OpenEx name=" + Trace::quoted(name) + " flags=" + std::to_string(flags) + status(result) + " "
              + handleText(result == FT_OK ? *handle : nullptr));
    return result;
}

FT_STATUS Simulator::close(FT_HANDLE handle)
{
    Lock lock(m_mutex);
    FT_STATUS result = FT_INVALID_HANDLE;
    if (SessionPtr session = find(handle)) {
        settle(*session, Clock::now());
        // A switched-off or unplugged device reports the failure, but the
        // handle is released all the same, so that it can be opened again.
        result = session->lost || session->off ? FT_IO_ERROR : FT_OK;
        session->closed = true;
        m_sessions.erase(session->id);
        m_changed.notify_all();
    }
    traceLine("FT_Close " + handleText(handle) + status(result));
    return result;
}

FT_STATUS Simulator::read(FT_HANDLE handle, void *buffer, DWORD count, DWORD *received)
{
    Lock lock(m_mutex);
    std::string line = "FT_Read " + handleText(handle) + " n=" + std::to_string(count);
    SessionPtr session = find(handle);
    FT_STATUS result = FT_OK;
    size_t got = 0;
    if (received)
        *received = 0;
    if (!session) {
        result = FT_INVALID_HANDLE;
    } else if ((!buffer && count > 0) || !received) {
        result = FT_INVALID_PARAMETER;
    } else {
        auto now = Clock::now();
        settle(*session, now);
        const auto deadline = session->readTimeout ? now + std::chrono::milliseconds(session->readTimeout)
                                                   : Clock::time_point::max();
        while (!session->lost && !session->off && session->rx.size() < count && now < deadline) {
            m_changed.wait_until(lock, nextWake(*session, count, deadline, now));
            now = Clock::now();
            if (session->closed)
                break;
            settle(*session, now);
        }
        if (session->closed) {
            result = FT_INVALID_HANDLE; // closed by another thread while waiting
        } else if (session->lost || session->off) {
            result = FT_IO_ERROR;
        } else {
            got = std::min<size_t>(count, session->rx.size());
            auto *out = static_cast<uint8_t *>(buffer);
            std::copy_n(session->rx.begin(), got, out);
            session->rx.erase(session->rx.begin(), session->rx.begin() + static_cast<std::ptrdiff_t>(got));
            session->consumed += got;
            *received = static_cast<DWORD>(got);
            result = m_settings.faults.readIoError ? FT_IO_ERROR : FT_OK;
        }
    }
    line += status(result) + " got=" + std::to_string(got) + " data=";
    if (got)
        line += Trace::hex(static_cast<const uint8_t *>(buffer), got);
    traceLine(line);
    return result;
}

FT_STATUS Simulator::write(FT_HANDLE handle, const void *buffer, DWORD count, DWORD *sent)
{
    Lock lock(m_mutex);
    SessionPtr session = find(handle);
    FT_STATUS result = FT_OK;
    DWORD accepted = 0;
    bool program = false;
    const auto *bytes = static_cast<const uint8_t *>(buffer);
    if (!session) {
        result = FT_INVALID_HANDLE;
    } else if ((!buffer && count > 0) || !sent) {
        result = FT_INVALID_PARAMETER;
    } else {
        const auto now = Clock::now();
        settle(*session, now);
        ++m_writeCalls;
        const Faults &faults = m_settings.faults;
        if (session->lost || session->off) {
            result = FT_IO_ERROR;
        } else if (faults.writeFail || (faults.writeFailAfter && m_writeCalls > *faults.writeFailAfter)) {
            result = FT_IO_ERROR;
        } else {
            accepted = faults.partialWrite ? static_cast<DWORD>(std::min<uint64_t>(count, *faults.partialWrite))
                                           : count;
            // A block of bytes is program data; once a transfer has begun,
            // every byte belongs to it until the instrument switches off.
            program = accepted > 0 && (count > 1 || session->programming);
            if (program)
                receiveProgram(*session, bytes, accepted, now);
            else if (accepted == 1)
                command(*session, bytes[0], now);
        }
    }
    if (sent)
        *sent = accepted;
    std::string line = "FT_Write " + handleText(handle) + " n=" + std::to_string(count) + status(result)
                       + " sent=" + std::to_string(accepted);
    if (program)
        line += " program=" + std::to_string(m_programBytes);
    line += " data=";
    if (accepted)
        line += Trace::hex(bytes, accepted);
    traceLine(line);
    return result;
}

FT_STATUS Simulator::resetDevice(FT_HANDLE handle)
{
    Lock lock(m_mutex);
    FT_STATUS result = FT_INVALID_HANDLE;
    if (SessionPtr session = find(handle)) {
        settle(*session, Clock::now());
        result = session->lost || session->off ? FT_IO_ERROR : FT_OK;
        session->consumed += session->rx.size();
        session->rx.clear();
    }
    traceLine("FT_ResetDevice " + handleText(handle) + status(result));
    return result;
}

FT_STATUS Simulator::purge(FT_HANDLE handle, ULONG mask)
{
    Lock lock(m_mutex);
    FT_STATUS result = FT_INVALID_HANDLE;
    if (SessionPtr session = find(handle)) {
        settle(*session, Clock::now());
        result = session->lost || session->off ? FT_IO_ERROR : FT_OK;
        // The transmit queue is always empty: the instrument takes every byte at once.
        if (result == FT_OK && (mask & FT_PURGE_RX)) {
            session->consumed += session->rx.size();
            session->rx.clear();
        }
    }
    traceLine("FT_Purge " + handleText(handle) + " mask=" + std::to_string(mask) + status(result));
    return result;
}

FT_STATUS Simulator::setTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs)
{
    Lock lock(m_mutex);
    FT_STATUS result = FT_INVALID_HANDLE;
    if (SessionPtr session = find(handle)) {
        settle(*session, Clock::now());
        result = session->lost || session->off ? FT_IO_ERROR : FT_OK;
        if (result == FT_OK) {
            session->readTimeout = readMs;
            session->writeTimeout = writeMs;
        }
    }
    traceLine("FT_SetTimeouts " + handleText(handle) + " read=" + std::to_string(readMs) + " write="
              + std::to_string(writeMs) + status(result));
    return result;
}

FT_STATUS Simulator::getQueueStatus(FT_HANDLE handle, DWORD *rxBytes)
{
    Lock lock(m_mutex);
    FT_STATUS result = FT_INVALID_HANDLE;
    size_t waiting = 0;
    if (SessionPtr session = find(handle)) {
        settle(*session, Clock::now());
        result = session->lost || session->off ? FT_IO_ERROR : (rxBytes ? FT_OK : FT_INVALID_PARAMETER);
        if (result == FT_OK) {
            waiting = session->rx.size();
            *rxBytes = static_cast<DWORD>(waiting);
        }
    }
    traceLine("FT_GetQueueStatus " + handleText(handle) + status(result) + " rx=" + std::to_string(waiting));
    return result;
}

FT_STATUS Simulator::getStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *events)
{
    Lock lock(m_mutex);
    FT_STATUS result = FT_INVALID_HANDLE;
    size_t waiting = 0;
    if (SessionPtr session = find(handle)) {
        settle(*session, Clock::now());
        ++m_statusCalls;
        const auto &unplugAfter = m_settings.faults.unplugAfter;
        if (unplugAfter && !m_unplugFired && m_statusCalls >= *unplugAfter) {
            m_unplugFired = true;
            unplugAll();
            traceLine("EVENT unplugged");
        }
        result = session->lost || session->off ? FT_IO_ERROR : FT_OK;
        if (result == FT_OK) {
            waiting = session->rx.size();
            // Null pointers are skipped rather than written through.
            if (rxBytes)
                *rxBytes = static_cast<DWORD>(waiting);
            if (txBytes)
                *txBytes = 0;
            if (events)
                *events = 0;
        }
    }
    traceLine("FT_GetStatus " + handleText(handle) + status(result) + " rx=" + std::to_string(waiting)
              + " tx=0 events=0");
    return result;
}

FT_STATUS Simulator::setChars(FT_HANDLE handle, UCHAR eventChar, UCHAR eventOn, UCHAR errorChar, UCHAR errorOn)
{
    Lock lock(m_mutex);
    FT_STATUS result = FT_INVALID_HANDLE;
    if (SessionPtr session = find(handle)) {
        settle(*session, Clock::now());
        result = session->lost || session->off ? FT_IO_ERROR : FT_OK;
    }
    traceLine("FT_SetChars " + handleText(handle) + " event=" + std::to_string(eventChar) + " eventOn="
              + std::to_string(eventOn) + " error=" + std::to_string(errorChar) + " errorOn="
              + std::to_string(errorOn) + status(result));
    return result;
}

FT_STATUS Simulator::setEventNotification(FT_HANDLE handle, DWORD mask, void *)
{
    Lock lock(m_mutex);
    FT_STATUS result = FT_INVALID_HANDLE;
    if (SessionPtr session = find(handle)) {
        settle(*session, Clock::now());
        result = session->lost || session->off ? FT_IO_ERROR : FT_OK;
    }
    traceLine("FT_SetEventNotification " + handleText(handle) + " mask=" + std::to_string(mask) + status(result));
    return result;
}

} // namespace tavixsim
