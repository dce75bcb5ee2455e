// Parsing of the NAME=VALUE settings of the simulated instrument.
#include "sim_settings.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace tavixsim {

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Splits at commas; blanks around each item are dropped, empty items too.
std::vector<std::string_view> splitList(std::string_view value)
{
    std::vector<std::string_view> items;
    size_t start = 0;
    while (start <= value.size()) {
        size_t comma = value.find(',', start);
        if (comma == std::string_view::npos)
            comma = value.size();
        const std::string_view item = trimmed(value.substr(start, comma - start));
        if (!item.empty())
            items.push_back(item);
        start = comma + 1;
    }
    return items;
}

// A byte written as hexadecimal with the prefix 0x ("0x3F") or as a
// decimal number ("63"), or the word none (no reply). False when the text
// is none of these; reply is then unchanged.
bool parseProbeReply(std::string_view value, std::optional<uint8_t> &reply)
{
    if (value == "none") {
        reply.reset();
        return true;
    }
    unsigned parsed = 0;
    int base = 10;
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        value.remove_prefix(2);
        base = 16;
    }
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed, base);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || parsed > 0xFF)
        return false;
    reply = static_cast<uint8_t>(parsed);
    return true;
}

std::optional<std::string> readWholeFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return bytes;
}

} // namespace

const std::vector<std::string_view> &settingNames()
{
    static const std::vector<std::string_view> names{
        "TAVIXSIM_DEVICES", "TAVIXSIM_PRINTOUT", "TAVIXSIM_AUTOPRINT", "TAVIXSIM_PROBE_REPLY",
        "TAVIXSIM_BAUD", "TAVIXSIM_FIRMWARE_OUT", "TAVIXSIM_FAULTS", "TAVIXSIM_TRACE",
    };
    return names;
}

std::optional<uint64_t> parseCount(std::string_view text)
{
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::vector<DeviceEntry>> parseDevices(std::string_view value)
{
    std::vector<DeviceEntry> devices;
    for (std::string_view item : splitList(value)) {
        DeviceEntry entry{std::string(item), "Tavix 3000"};
        // "SERIAL=Description" gives one device its own description.
        if (const auto eq = item.find('='); eq != std::string_view::npos) {
            entry.serial = std::string(trimmed(item.substr(0, eq)));
            entry.description = std::string(trimmed(item.substr(eq + 1)));
            if (entry.serial.empty() || entry.description.empty())
                return std::nullopt;
        }
        devices.push_back(std::move(entry));
    }
    return devices;
}

std::optional<Faults> parseFaults(std::string_view value)
{
    Faults faults;
    for (std::string_view item : splitList(value)) {
        const auto eq = item.find('=');
        const std::string_view key = eq == std::string_view::npos ? item : trimmed(item.substr(0, eq));
        const std::string_view arg = eq == std::string_view::npos ? std::string_view{} : trimmed(item.substr(eq + 1));
        const bool hasArg = eq != std::string_view::npos;
        if (!hasArg && key == "count_fail")
            faults.countFail = true;
        else if (!hasArg && key == "list_fail")
            faults.listFail = true;
        else if (!hasArg && key == "open_fail")
            faults.openFail = true;
        else if (!hasArg && key == "write_fail")
            faults.writeFail = true;
        else if (!hasArg && key == "read_io_error")
            faults.readIoError = true;
        else if (hasArg && key == "write_fail_after" && parseCount(arg))
            faults.writeFailAfter = parseCount(arg);
        else if (hasArg && key == "partial_write" && parseCount(arg))
            faults.partialWrite = parseCount(arg);
        else if (hasArg && key == "unplug_after" && parseCount(arg) && *parseCount(arg) > 0)
            faults.unplugAfter = parseCount(arg);
        else
            return std::nullopt;
    }
    return faults;
}

SettingResult applySetting(Settings &settings, std::string_view name, std::string_view value)
{
    const Settings defaults;
    if (name == "TAVIXSIM_DEVICES") {
        auto devices = parseDevices(value);
        if (!devices)
            return SettingResult::BadValue;
        settings.devices = std::move(*devices);
    } else if (name == "TAVIXSIM_PRINTOUT") {
        if (value.empty()) {
            settings.printout.reset();
            settings.printoutPath.clear();
        } else {
            const std::string path(value);
            auto bytes = readWholeFile(path);
            if (!bytes)
                return SettingResult::BadValue;
            settings.printout = std::move(*bytes);
            settings.printoutPath = path;
        }
    } else if (name == "TAVIXSIM_AUTOPRINT") {
        if (value.empty() || value == "0")
            settings.autoPrint = false;
        else if (value == "1")
            settings.autoPrint = true;
        else
            return SettingResult::BadValue;
    } else if (name == "TAVIXSIM_PROBE_REPLY") {
        if (value.empty()) {
            settings.probeReply = defaults.probeReply;
        } else {
            if (!parseProbeReply(value, settings.probeReply))
                return SettingResult::BadValue;
        }
    } else if (name == "TAVIXSIM_BAUD") {
        if (value.empty()) {
            settings.baud = defaults.baud;
        } else {
            // Up to 12 Mbaud, the fastest an FTDI bridge runs.
            const auto baud = parseCount(value);
            if (!baud || *baud > 12000000)
                return SettingResult::BadValue;
            settings.baud = static_cast<uint32_t>(*baud);
        }
    } else if (name == "TAVIXSIM_FIRMWARE_OUT") {
        settings.firmwareOut = std::string(value);
    } else if (name == "TAVIXSIM_TRACE") {
        settings.tracePath = std::string(value);
    } else if (name == "TAVIXSIM_FAULTS") {
        auto faults = parseFaults(value);
        if (!faults)
            return SettingResult::BadValue;
        settings.faults = *faults;
    } else {
        return SettingResult::UnknownName;
    }
    return SettingResult::Ok;
}

} // namespace tavixsim
