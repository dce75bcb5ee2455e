// The simulated Tavix 3000 behind its FTDI bridge.
#include "simulator.h"

#include "simulator_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tavixsim {


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
        for (auto &entry : m_sessions) {
            const auto &session = entry.second;
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
