// What the simulator's two source files share: the state of one open
// handle and the helpers that write the call trace.
#ifndef TAVIXSIM_SIMULATOR_INTERNAL_H
#define TAVIXSIM_SIMULATOR_INTERNAL_H

#include "simulator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tavixsim {

inline constexpr auto kProgramOkDelay = std::chrono::milliseconds(500); // after the last program data
inline constexpr auto kSwitchOffDelay = std::chrono::seconds(1); // after "Program OK" was sent, if not read before
inline constexpr auto kLongestWait = std::chrono::hours(1);
inline constexpr size_t kNameBufferSize = 64;  // the caller's buffers in FT_ListDevices

inline constexpr uint8_t kProbe = 0x80;
inline constexpr uint8_t kEnter = 0x0D;
inline constexpr uint8_t kSpace = 0x20;
inline constexpr uint8_t kVersion = 0x76;

inline std::string status(FT_STATUS value)
{
    return " status=" + std::to_string(value);
}

inline std::string hexNumber(uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", value);
    return buffer;
}

// Copies a name into one of the caller's 64-byte buffers, cut to 63 bytes
// and always terminated.
inline void copyName(char *buffer, const std::string &name)
{
    const size_t length = std::min(name.size(), kNameBufferSize - 1);
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
}

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

} // namespace tavixsim

#endif
