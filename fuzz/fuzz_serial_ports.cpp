// The serial adapter's parsers: TAVIX_SERIAL_PORTS, the texts of sysfs
// attributes and of /proc/locks, USB location names, and FT_ListDevices
// over the ports parsed, with flags from the input. Every parsed entry has
// a path and reads back as itself once written with escapes; a listing
// never writes past the buffers D2XX callers give it.
#include "device_list.h"
#include "open_errors.h"
#include "serial_ports.h"
#include "sysfs_attribute.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

void listAll(const std::vector<tavixserial::PortEntry> &ports, DWORD flags)
{
    DWORD count = 0;
    std::vector<std::vector<char>> names(ports.size(), std::vector<char>(tavixserial::kListNameSize));
    std::vector<char *> table;
    for (auto &name : names)
        table.push_back(name.data());
    table.push_back(nullptr);
    std::vector<DWORD> locations(ports.size() + 1);
    const bool byLocation = (flags & FT_OPEN_BY_LOCATION) && !(flags & (FT_OPEN_BY_SERIAL_NUMBER | FT_OPEN_BY_DESCRIPTION));
    void *first = byLocation ? static_cast<void *>(locations.data()) : static_cast<void *>(table.data());
    if (tavixserial::listDevices(ports, first, &count, (flags & ~FT_LIST_MASK) | FT_LIST_ALL) != FT_OK
        || count != ports.size())
        std::abort();
    for (const auto &name : names)
        if (!byLocation && !std::memchr(name.data(), '\0', name.size()))
            std::abort();
    char one[tavixserial::kListNameSize];
    const uintptr_t index = ports.empty() ? 0 : flags % ports.size();
    const FT_STATUS status = tavixserial::listDevices(ports, reinterpret_cast<void *>(index), one,
                                                      (flags & ~FT_LIST_MASK) | FT_LIST_BY_INDEX);
    if (status != (ports.empty() ? FT_DEVICE_NOT_FOUND : FT_OK))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    if (const auto ports = tavixserial::parsePortList(text)) {
        for (const tavixserial::PortEntry &port : *ports) {
            const auto again = tavixserial::parsePortList(tavixserial::portListEntry(port));
            if (port.path.empty() || !again || again->size() != 1 || !(again->front() == port))
                std::abort();
        }
        DWORD flags = 0;
        std::memcpy(&flags, data, size < sizeof flags ? size : sizeof flags);
        listAll(*ports, flags);
    }
    const std::string line = tavixserial::attributeLine(text);
    if (line.size() > size || line.find('\n') != std::string::npos || line.find('\0') != std::string::npos)
        std::abort();
    if (const auto number = tavixserial::parseDecimal(text, 255); number && *number > 255)
        std::abort();
    (void)tavixserial::parseHexId(text);
    const DWORD location = tavixserial::locationOf(text);
    if (location != 0 && text.find('-') == std::string_view::npos)
        std::abort();
    if (const auto lock = tavixserial::parseLockLine(text); lock && lock->pid <= 0)
        std::abort();
    return 0;
}
