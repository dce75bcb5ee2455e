// The ports the serial adapter offers as D2XX devices: the FTDI USB serial
// ports the kernel's ftdi_sio driver has bound, found in sysfs, or a list
// given in the environment that replaces that search.
#ifndef TAVIXSERIAL_SERIAL_PORTS_H
#define TAVIXSERIAL_SERIAL_PORTS_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavixserial {

struct PortEntry {
    std::string path;        // the device node, /dev/ttyUSB0
    std::string serial;      // the chip's serial number ("" when it has none)
    std::string description; // the USB product string ("" when it has none)
    bool operator==(const PortEntry &) const = default;
};

// The FTDI ports under <sysRoot>/bus/usb-serial/devices: every entry whose
// driver link ends in ftdi_sio, with the serial and product strings of the
// USB device above its interface (a missing file gives ""; a trailing line
// feed is dropped). Ordered by name with numbers compared as numbers
// (ttyUSB2 before ttyUSB10), so the order does not depend on the directory.
std::vector<PortEntry> enumerateSysfs(const std::string &sysRoot);

// TAVIX_SERIAL_PORTS: entries separated by ';', each PATH=SERIAL=DESCRIPTION
// (the description may itself contain '='; SERIAL and DESCRIPTION may be
// empty, "PATH" alone means both are). Blank entries are skipped. No value
// when an entry has an empty path.
std::optional<std::vector<PortEntry>> parsePortList(std::string_view text);

// The ports as the adapter lists them now: TAVIX_SERIAL_PORTS when it is set
// (an unusable value lists nothing and says so on standard error once),
// otherwise the sysfs search under TAVIX_SERIAL_SYSFS (default /sys).
std::vector<PortEntry> attachedPorts();

} // namespace tavixserial

#endif
