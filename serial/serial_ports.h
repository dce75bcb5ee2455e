// The ports the serial adapter offers as D2XX devices: the FTDI USB serial
// ports the kernel's ftdi_sio driver has bound, found in sysfs, or a list
// given in the environment that replaces that search.
#ifndef TAVIXSERIAL_SERIAL_PORTS_H
#define TAVIXSERIAL_SERIAL_PORTS_H

#include "core/device/d2xx_types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavixserial {

struct PortEntry {
    std::string path;        // the device node, /dev/ttyUSB0
    std::string serial;      // the chip's serial number ("" when it has none)
    std::string description; // the USB product string ("" when it has none)
    uint16_t vendorId = 0;   // 0 when unknown (a port of the environment's list)
    uint16_t productId = 0;
    FT_DEVICE type = FT_DEVICE_UNKNOWN;
    DWORD location = 0;      // see locationOf; 0 when unknown
    bool highSpeed = false;  // the USB device runs at 480 Mbit/s
    bool operator==(const PortEntry &) const = default;

    // D2XX's device id: the vendor id in the high word, the product id low.
    DWORD id() const { return DWORD(vendorId) << 16 | productId; }
};

// The most ports listed: a stranger sysfs tree is cut there.
constexpr size_t kMaxPorts = 128;

// The FTDI ports under <sysRoot>/bus/usb-serial/devices: every entry whose
// driver link ends in ftdi_sio, with the USB device above its interface:
// serial and product strings (a missing file gives ""), vendor and product
// ids, chip type (from bcdDevice), location and speed. On a chip with
// several interfaces (FT2232H, FT4232H) each port's serial number gets the
// interface letter appended ("FT1234A") and its description a blank and
// that letter, as D2XX names the channels. Ordered by name with numbers
// compared as numbers (ttyUSB2 before ttyUSB10). Every attribute is read
// with the bounds of sysfs_attribute.h; at most kMaxPorts ports.
std::vector<PortEntry> enumerateSysfs(const std::string &sysRoot);

// The D2XX chip type for a USB device's bcdDevice and number of interfaces,
// as ftdi_sio tells the chips apart (the oldest, SIO, is FT_DEVICE_UNKNOWN).
FT_DEVICE deviceTypeFor(uint16_t bcdDevice, unsigned interfaces);

// The location id of a USB device from its sysfs name "BUS-PORT.PORT...":
// the bus number, then each port number, one hexadecimal digit each
// ("1-4.2" gives 0x142); 0 for a name of another form, a number above 15 or
// more than seven digits in all.
DWORD locationOf(std::string_view usbName);

// TAVIX_SERIAL_PORTS: entries separated by ';', each PATH=SERIAL=DESCRIPTION
// (SERIAL and DESCRIPTION may be empty; "PATH" alone means both are). The
// description takes the rest of the entry, '=' included. A backslash gives
// the next character literally when that is ';', '=' or a backslash (so a
// path with '=' or ';' is written "/dev/odd\=name"); any other backslash is
// kept as it is. Blanks around an entry and blank entries are dropped.
// No value when an entry has an empty path; an empty list for a value
// without entries (the caller then searches sysfs).
std::optional<std::vector<PortEntry>> parsePortList(std::string_view text);

// One entry of a TAVIX_SERIAL_PORTS value for the port: its path, serial
// and description with ';', '=' and backslashes escaped, so that
// parsePortList gives them back.
std::string portListEntry(const PortEntry &port);

// The sysfs tree the adapter reads: TAVIX_SERIAL_SYSFS, or /sys.
std::string sysfsRoot();

// The ports as the adapter lists them now: TAVIX_SERIAL_PORTS when it holds
// entries (an unusable value lists nothing and says so on standard error
// once), otherwise the sysfs search under sysfsRoot().
std::vector<PortEntry> attachedPorts();

} // namespace tavixserial

#endif
