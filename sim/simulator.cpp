// The simulated Tavix 3000 behind its FTDI bridge.
#include "simulator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tavixsim {

namespace {

using namespace std::chrono_literals;

constexpr auto kProgramOkDelay = 500ms; // after the last program data
constexpr auto kSwitchOffDelay = 1s;    // after "Program OK" was sent, if not read before
constexpr auto kLongestWait = std::chrono::hours(1);
constexpr size_t kNameBufferSize = 64;  // the caller's buffers in FT_ListDevices

constexpr uint8_t kProbe = 0x80;
constexpr uint8_t kEnter = 0x0D;
constexpr uint8_t kSpace = 0x20;
constexpr uint8_t kVersion = 0x76;

std::string status(FT_STATUS value)
{
    return " status=" + std::to_string(value);
}

std::string hexNumber(uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", value);
    return buffer;
}

// Copies a name into one of the caller's 64-byte buffers, cut to 63 bytes
// and always terminated.
void copyName(char *buffer, const std::string &name)
{
    const size_t length = std::min(name.size(), kNameBufferSize - 1);
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
}

} // namespace

struct Simulator::Session {
    uintptr_t id = 0;
    DeviceEntry device;
    std::deque<uint8_t> rx;     // arrived, waiting to be read
    std::deque<uint8_t> flight; // sent by the instrument, still on the wire
    Clock::time_point flightStart;  // byte k of the flight arrives k byte times after this
    uint64_t flightArrived = 0;     // bytes of the flight already moved to rx
    Clock::time_point wireFreeAt;   // arrival of the last byte sent so far
    ULONG readTimeout = 0;          // ms; 0 waits for ever, as D2XX does
    ULONG writeTimeout = 0;
    bool closed = false;
    bool lost = false;              // unplugged: every call fails
    bool off = false;               // switched itself off after a program transfer
    bool programming = false;       // program data received; every write is program data
    Clock::time_point lastProgram;
    bool okSent = false;
    Clock::time_point okTime;
    uint64_t okEnd = 0;             // produced count once "Program OK" was sent
    uint64_t produced = 0;          // bytes the instrument sent
    uint64_t consumed = 0;          // bytes read or purged
};

Simulator &Simulator::instance()
{
    static Simulator simulator;
    return simulator;
}

Simulator::Simulator()
{
    loadEnvironment();
}

void Simulator::loadEnvironment()
{
    for (std::string_view name : settingNames()) {
        const char *value = std::getenv(std::string(name).c_str());
        if (!value)
            continue;
        if (applyNamed(name, value) != 0)
            std::fprintf(stderr, "tavixsim: ignoring %s=%s (a value it cannot use)\n", std::string(name).c_str(),
                         value);
    }
}

// Applies one setting with its side effects; the caller holds the lock (or
// is the constructor).
int Simulator::applyNamed(std::string_view name, std::string_view value)
{
    Settings changed = m_settings;
    const SettingResult result = applySetting(changed, name, value);
    if (result != SettingResult::Ok)
        return static_cast<int>(result);
    const auto now = Clock::now();
    if (name == "TAVIXSIM_TRACE") {
        if (!m_trace.setPath(changed.tracePath)) {
            m_trace.setPath(m_settings.tracePath);
            return static_cast<int>(SettingResult::BadValue);
        }
    } else if (name == "TAVIXSIM_BAUD") {
        // What is on the wire arrives at the new rate from now on.
        settleAll(now);
        m_settings.baud = changed.baud;
        for (auto &[id, session] : m_sessions) {
            session->flightStart = now;
            session->flightArrived = 0;
            session->wireFreeAt = now;
            if (!session->flight.empty() && changed.baud != 0)
                session->wireFreeAt = arrivalTime(*session, session->flight.size());
        }
    } else if (name == "TAVIXSIM_FAULTS") {
        m_writeCalls = 0;
        m_statusCalls = 0;
        m_unplugFired = false;
    } else if (name == "TAVIXSIM_AUTOPRINT") {
        m_autoPrintPending = changed.autoPrint;
    } else if (name == "TAVIXSIM_DEVICES") {
        // An open instrument that is no longer attached has been unplugged.
        for (auto &[id, session] : m_sessions) {
            const bool attached = std::any_of(changed.devices.begin(), changed.devices.end(),
                                              [&](const DeviceEntry &d) { return d.serial == session->device.serial; });
            if (!attached)
                session->lost = true;
        }
    }
    m_settings = std::move(changed);
    m_changed.notify_all();
    return 0;
}

void Simulator::resetAll()
{
    for (auto &[id, session] : m_sessions)
        session->closed = true;
    m_sessions.clear();
    m_settings = Settings{};
    m_trace.setPath({});
    m_nextHandle = 1;
    m_unplugged = false;
    m_autoPrintPending = false;
    m_unplugFired = false;
    m_writeCalls = 0;
    m_statusCalls = 0;
    m_programBytes = 0;
    m_displays.clear();
    m_changed.notify_all();
}

void Simulator::unplugAll()
{
    m_unplugged = true;
    for (auto &[id, session] : m_sessions)
        session->lost = true;
    m_changed.notify_all();
}

std::vector<DeviceEntry> Simulator::attachedDevices() const
{
    return m_unplugged ? std::vector<DeviceEntry>{} : m_settings.devices;
}

bool Simulator::isOpen(const std::string &serial) const
{
    return std::any_of(m_sessions.begin(), m_sessions.end(),
                       [&](const auto &entry) { return entry.second->device.serial == serial; });
}

FT_STATUS Simulator::createSession(const DeviceEntry &device, FT_HANDLE *handle)
{
    auto session = std::make_shared<Session>();
    session->id = m_nextHandle++;
    session->device = device;
    session->flightStart = session->wireFreeAt = Clock::now();
    m_sessions.emplace(session->id, session);
    *handle = reinterpret_cast<FT_HANDLE>(session->id);
    return FT_OK;
}

Simulator::SessionPtr Simulator::find(FT_HANDLE handle) const
{
    const auto it = m_sessions.find(reinterpret_cast<uintptr_t>(handle));
    return it == m_sessions.end() ? nullptr : it->second;
}

std::string Simulator::handleText(FT_HANDLE handle)
{
    return "handle=" + std::to_string(reinterpret_cast<uintptr_t>(handle));
}

void Simulator::traceLine(const std::string &text)
{
    m_trace.line(text);
}

// ---- pacing and timed events ----------------------------------------------

Clock::time_point Simulator::arrivalTime(const Session &session, uint64_t bytesSinceStart) const
{
    // Ten bits a byte: byte k arrives k * 10 / baud seconds after the start.
    const unsigned __int128 bits = static_cast<unsigned __int128>(bytesSinceStart) * 10u * 1000000000u;
    const unsigned __int128 ns = (bits + m_settings.baud - 1) / m_settings.baud;
    return session.flightStart + std::chrono::nanoseconds(static_cast<int64_t>(ns));
}

void Simulator::moveArrived(Session &session, Clock::time_point now)
{
    if (session.flight.empty())
        return;
    uint64_t count = session.flight.size();
    if (m_settings.baud != 0) {
        uint64_t total = 0;
        if (now > session.flightStart) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now - session.flightStart).count();
            const unsigned __int128 bytes =
                static_cast<unsigned __int128>(ns) * m_settings.baud / (10u * 1000000000ull);
            total = static_cast<uint64_t>(std::min<unsigned __int128>(bytes, std::numeric_limits<uint64_t>::max()));
        }
        count = total > session.flightArrived ? std::min<uint64_t>(total - session.flightArrived, count) : 0;
    }
    if (count == 0)
        return;
    const auto end = session.flight.begin() + static_cast<std::ptrdiff_t>(count);
    session.rx.insert(session.rx.end(), session.flight.begin(), end);
    session.flight.erase(session.flight.begin(), end);
    session.flightArrived += count;
    m_changed.notify_all();
}

void Simulator::emit(Session &session, std::string_view bytes, Clock::time_point at)
{
    if (bytes.empty())
        return;
    session.produced += bytes.size();
    if (m_settings.baud == 0) {
        moveArrived(session, at);
        session.rx.insert(session.rx.end(), bytes.begin(), bytes.end());
        m_changed.notify_all();
        return;
    }
    if (session.flight.empty()) {
        // The new bytes follow what was sent before, or start now.
        session.flightStart = std::max(at, session.wireFreeAt);
        session.flightArrived = 0;
    }
    session.flight.insert(session.flight.end(), bytes.begin(), bytes.end());
    session.wireFreeAt = arrivalTime(session, session.flightArrived + session.flight.size());
    m_changed.notify_all();
}

void Simulator::settle(Session &session, Clock::time_point now)
{
    if (session.lost || session.off)
        return;
    if (session.programming && !session.okSent && now >= session.lastProgram + kProgramOkDelay) {
        session.okSent = true;
        session.okTime = session.lastProgram + kProgramOkDelay;
        emit(session, programOkMessage(), session.okTime);
        session.okEnd = session.produced;
        traceLine("EVENT handle=" + std::to_string(session.id) + " program-ok program="
                  + std::to_string(m_programBytes));
    }
    moveArrived(session, now);
    if (session.okSent && (session.consumed >= session.okEnd || now >= session.okTime + kSwitchOffDelay)) {
        session.off = true;
        session.rx.clear();
        session.flight.clear();
        traceLine("EVENT handle=" + std::to_string(session.id) + " switched-off");
        m_changed.notify_all();
    }
}

void Simulator::settleAll(Clock::time_point now)
{
    for (auto &[id, session] : m_sessions)
        settle(*session, now);
}

Clock::time_point Simulator::nextWake(const Session &session, uint64_t wanted, Clock::time_point deadline,
                                      Clock::time_point now) const
{
    Clock::time_point wake = std::min(deadline, now + kLongestWait);
    const uint64_t missing = wanted - session.rx.size();
    if (!session.flight.empty() && m_settings.baud != 0 && missing <= session.flight.size())
        wake = std::min(wake, arrivalTime(session, session.flightArrived + missing));
    if (session.programming && !session.okSent)
        wake = std::min(wake, session.lastProgram + kProgramOkDelay);
    if (session.okSent && !session.off)
        wake = std::min(wake, session.okTime + kSwitchOffDelay);
    return wake;
}

// ---- what the instrument does --------------------------------------------

std::string Simulator::printout(const Session &session) const
{
    return m_settings.printout ? *m_settings.printout : builtInPrintout(session.device.serial);
}

void Simulator::command(Session &session, uint8_t byte, Clock::time_point now)
{
    switch (byte) {
    case kProbe:
        if (m_settings.probeReply) {
            const char reply = static_cast<char>(*m_settings.probeReply);
            emit(session, std::string_view(&reply, 1), now);
        }
        if (m_autoPrintPending) {
            m_autoPrintPending = false;
            emit(session, printout(session), now);
        }
        break;
    case kEnter:
        emit(session, printout(session), now);
        break;
    case kSpace:
        emit(session, m_displays[session.device.serial].nextLine(), now);
        break;
    case kVersion:
        emit(session, versionLine(), now);
        break;
    default:
        break; // other keys mean nothing to the instrument
    }
}

void Simulator::receiveProgram(Session &session, const uint8_t *bytes, size_t count, Clock::time_point now)
{
    session.programming = true;
    session.lastProgram = now;
    m_programBytes += count;
    if (m_settings.firmwareOut.empty())
        return;
    std::FILE *file = std::fopen(m_settings.firmwareOut.c_str(), "ab");
    bool written = file && std::fwrite(bytes, 1, count, file) == count;
    if (file && std::fclose(file) != 0)
        written = false;
    if (!written)
        traceLine("EVENT handle=" + std::to_string(session.id) + " firmware-out-failed path="
                  + Trace::quoted(m_settings.firmwareOut));
}

// ---- the D2XX entry points ------------------------------------------------

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
                names += (i ? "," : "") + Trace::quoted(nameOf(devices[i]));
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

int Simulator::control(const char *setting)
{
    Lock lock(m_mutex);
    const std::string_view text = setting ? std::string_view(setting) : std::string_view{};
    int result = 0;
    if (text == "RESET") {
        traceLine("TavixSim_Control setting=" + Trace::quoted(text) + " status=0");
        resetAll();
        return 0;
    }
    if (text == "PRINT") {
        // The Print button of every open instrument; nothing to print on
        // when none is open.
        const auto now = Clock::now();
        result = 2;
        for (auto &[id, session] : m_sessions) {
            settle(*session, now);
            if (session->lost || session->off)
                continue;
            emit(*session, printout(*session), now);
            result = 0;
        }
    } else if (text == "UNPLUG") {
        settleAll(Clock::now());
        unplugAll();
    } else if (text == "PLUG") {
        m_unplugged = false;
    } else if (const auto eq = text.find('='); eq != std::string_view::npos) {
        result = applyNamed(text.substr(0, eq), text.substr(eq + 1));
    } else {
        result = 1;
    }
    traceLine("TavixSim_Control setting=" + Trace::quoted(text) + status(static_cast<FT_STATUS>(result)));
    return result;
}

unsigned long long Simulator::programBytes()
{
    Lock lock(m_mutex);
    return m_programBytes;
}

} // namespace tavixsim
