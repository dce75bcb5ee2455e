// Configuration of the simulated instrument: the attached devices, what the
// instrument prints, how it answers, the link rate, the firmware sink, the
// trace file and the faults to inject. Every setting is a NAME=VALUE text,
// read from the environment when the library loads and changeable at run
// time through TavixSim_Control with the same texts.
#ifndef TAVIXSIM_SIM_SETTINGS_H
#define TAVIXSIM_SIM_SETTINGS_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavixsim {

// One attached instrument as the bridge reports it.
struct DeviceEntry {
    std::string serial;
    std::string description;
    bool operator==(const DeviceEntry &) const = default;
};

// Injected driver failures (TAVIXSIM_FAULTS). Counters for the "after N"
// faults live in the simulator and restart whenever this setting is applied.
struct Faults {
    bool countFail = false;   // FT_ListDevices with FT_LIST_NUMBER_ONLY fails
    bool listFail = false;    // FT_ListDevices with FT_LIST_ALL or FT_LIST_BY_INDEX fails
    bool openFail = false;    // FT_Open and FT_OpenEx fail
    bool writeFail = false;   // every FT_Write fails
    bool readIoError = false; // FT_Read delivers its data with FT_IO_ERROR
    std::optional<uint64_t> writeFailAfter; // writes after the N-th fail
    std::optional<uint64_t> partialWrite;   // at most K bytes accepted per write
    std::optional<uint64_t> unplugAfter;    // the N-th FT_GetStatus unplugs the cable
};

struct Settings {
    std::vector<DeviceEntry> devices{{"TX300001", "Tavix 3000"}};
    // Bytes printed on the Print button; empty optional = the built-in print-out.
    std::optional<std::string> printout;
    std::string printoutPath;
    bool autoPrint = false;
    // Reply to the readiness probe 0x80; no value = the instrument stays silent.
    std::optional<uint8_t> probeReply = uint8_t{0x80};
    uint32_t baud = 115200; // 0 = no pacing
    std::string firmwareOut;
    std::string tracePath;
    Faults faults;
};

enum class SettingResult { Ok = 0, UnknownName = 1, BadValue = 2 };

// The names of all settings, in the order the environment is read.
const std::vector<std::string_view> &settingNames();

// Applies one setting; on any failure the settings stay unchanged. An empty
// value restores the setting's default, except for TAVIXSIM_DEVICES, where
// an empty value means that no instrument is attached.
SettingResult applySetting(Settings &settings, std::string_view name, std::string_view value);

// Parsers used by applySetting, exposed for the simulator's own checks.
std::optional<std::vector<DeviceEntry>> parseDevices(std::string_view value);
std::optional<Faults> parseFaults(std::string_view value);
std::optional<uint64_t> parseCount(std::string_view text);

} // namespace tavixsim

#endif
