// The simulated Tavix 3000 behind its FTDI bridge: the state behind the
// exported D2XX entry points. One instance per loaded library; every entry
// point takes its one lock, so calls from several threads on one handle are
// safe (the firmware upload writes while the poll reads). A read that waits
// for data releases the lock while it waits.
//
// Received data is modelled without a background thread: what the instrument
// sends goes "on the wire" with the time it was sent, and every call first
// moves onto the receive queue what has arrived by now at the link's rate
// (10 bits a byte), using a monotonic clock. Timed events of the instrument
// (its "Program OK" 500 ms after the last program data, switching itself off)
// are settled the same way, at the next call after they are due.
#ifndef TAVIXSIM_SIMULATOR_H
#define TAVIXSIM_SIMULATOR_H

#include "core/device/d2xx_types.h"
#include "sim_printout.h"
#include "sim_settings.h"
#include "sim_trace.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace tavixsim {

using Clock = std::chrono::steady_clock;

class Simulator {
public:
    // The one instance; created with the settings of the environment.
    static Simulator &instance();

    FT_STATUS open(int deviceNumber, FT_HANDLE *handle);
    FT_STATUS openEx(void *arg, DWORD flags, FT_HANDLE *handle);
    FT_STATUS listDevices(void *arg1, void *arg2, DWORD flags);
    FT_STATUS close(FT_HANDLE handle);
    FT_STATUS read(FT_HANDLE handle, void *buffer, DWORD count, DWORD *received);
    FT_STATUS write(FT_HANDLE handle, const void *buffer, DWORD count, DWORD *sent);
    FT_STATUS resetDevice(FT_HANDLE handle);
    FT_STATUS purge(FT_HANDLE handle, ULONG mask);
    FT_STATUS setTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs);
    FT_STATUS getQueueStatus(FT_HANDLE handle, DWORD *rxBytes);
    FT_STATUS getStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *events);
    FT_STATUS setChars(FT_HANDLE handle, UCHAR eventChar, UCHAR eventOn, UCHAR errorChar, UCHAR errorOn);
    FT_STATUS setEventNotification(FT_HANDLE handle, DWORD mask, void *param);

    // "NAME=VALUE", "RESET", "PRINT", "UNPLUG" or "PLUG"; 0 on success,
    // 1 for an unknown setting or command, 2 for a value that cannot be used.
    int control(const char *setting);
    // Program bytes received since the library was loaded or last RESET.
    unsigned long long programBytes();

private:
    struct Session;
    using SessionPtr = std::shared_ptr<Session>;
    using Lock = std::unique_lock<std::mutex>;

    Simulator();
    void loadEnvironment();
    int applyNamed(std::string_view name, std::string_view value);
    void resetAll();
    void unplugAll();

    std::vector<DeviceEntry> attachedDevices() const;
    bool isOpen(const std::string &serial) const;
    FT_STATUS createSession(const DeviceEntry &device, FT_HANDLE *handle);
    SessionPtr find(FT_HANDLE handle) const;

    // Pacing and the instrument's timed events.
    void settle(Session &session, Clock::time_point now);
    void settleAll(Clock::time_point now);
    void moveArrived(Session &session, Clock::time_point now);
    void emit(Session &session, std::string_view bytes, Clock::time_point at);
    Clock::time_point arrivalTime(const Session &session, uint64_t bytesSinceStart) const;
    Clock::time_point nextWake(const Session &session, uint64_t wanted, Clock::time_point deadline,
                               Clock::time_point now) const;

    // What the instrument does with what it receives.
    void command(Session &session, uint8_t byte, Clock::time_point now);
    void receiveProgram(Session &session, const uint8_t *bytes, size_t count, Clock::time_point now);
    std::string printout(const Session &session) const;

    void traceLine(const std::string &text);
    static std::string handleText(FT_HANDLE handle);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed; // data arrived, a handle closed, settings changed
    Settings m_settings;
    Trace m_trace;
    std::map<uintptr_t, SessionPtr> m_sessions;
    uintptr_t m_nextHandle = 1;
    bool m_unplugged = false;      // the cable is pulled: nothing attached
    bool m_autoPrintPending = false;
    bool m_unplugFired = false;
    uint64_t m_writeCalls = 0;     // since TAVIXSIM_FAULTS was last applied
    uint64_t m_statusCalls = 0;    // since TAVIXSIM_FAULTS was last applied
    unsigned long long m_programBytes = 0;
    std::map<std::string, DisplayState> m_displays;
};

} // namespace tavixsim

#endif
