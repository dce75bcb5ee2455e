// The ports the serial adapter offers as D2XX devices.
#include "serial_ports.h"
#include "sysfs_attribute.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <limits.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace tavixserial {

namespace {

bool isFile(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string baseName(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Names compared with runs of digits taken as numbers.
bool naturalLess(const std::string &a, const std::string &b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            const size_t za = na.find_first_not_of('0'), zb = nb.find_first_not_of('0');
            const std::string ta = za == std::string::npos ? "" : na.substr(za);
            const std::string tb = zb == std::string::npos ? "" : nb.substr(zb);
            if (ta.size() != tb.size())
                return ta.size() < tb.size();
            if (ta != tb)
                return ta < tb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

// The USB device that holds the port: the nearest directory above the
// port's own that has an idVendor file (the interface directory lies between).
std::string usbDeviceOf(const std::string &portDir, const std::string &sysRoot)
{
    for (std::string dir = parentOf(portDir); dir.size() > sysRoot.size(); dir = parentOf(dir)) {
        if (isFile(dir + "/idVendor"))
            return dir;
    }
    return {};
}

// The names under bus/usb-serial/devices, at most kMaxPorts of them.
std::vector<std::string> deviceNames(const std::string &devices)
{
    std::vector<std::string> names;
    if (DIR *dir = ::opendir(devices.c_str())) {
        while (dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end(), naturalLess);
    return names;
}

// Fills the USB device's part of the entry; the port's interface directory
// lies between the device and the port.
void describeUsbDevice(PortEntry *port, const std::string &usb, const std::string &portDir)
{
    port->serial = readAttribute(usb + "/serial");
    port->description = readAttribute(usb + "/product");
    port->vendorId = parseHexId(readAttribute(usb + "/idVendor")).value_or(0);
    port->productId = parseHexId(readAttribute(usb + "/idProduct")).value_or(0);
    const unsigned interfaces = parseDecimal(readAttribute(usb + "/bNumInterfaces"), 32).value_or(1);
    if (const auto bcd = parseHexId(readAttribute(usb + "/bcdDevice")))
        port->type = deviceTypeFor(*bcd, interfaces);
    port->location = locationOf(baseName(usb));
    port->highSpeed = parseDecimal(readAttribute(usb + "/speed"), 100000).value_or(0) >= 480;
    const auto number = parseDecimal(readAttribute(parentOf(portDir) + "/bInterfaceNumber"), 25);
    if (interfaces > 1 && number) {
        const char letter = static_cast<char>('A' + *number);
        port->serial += letter;
        port->description += std::string(" ") + letter;
    }
}

// The position of the next `wanted` character in text from `from` that is
// not escaped by a backslash; npos when there is none.
size_t findUnescaped(std::string_view text, char wanted, size_t from)
{
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()
            && (text[i + 1] == ';' || text[i + 1] == '=' || text[i + 1] == '\\')) {
            ++i;
            continue;
        }
        if (text[i] == wanted)
            return i;
    }
    return std::string_view::npos;
}

std::string unescaped(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()
            && (text[i + 1] == ';' || text[i + 1] == '=' || text[i + 1] == '\\'))
            ++i;
        result += text[i];
    }
    return result;
}

std::string escaped(const std::string &text)
{
    std::string result;
    for (char c : text) {
        if (c == ';' || c == '=' || c == '\\')
            result += '\\';
        result += c;
    }
    return result;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

FT_DEVICE deviceTypeFor(uint16_t bcdDevice, unsigned interfaces)
{
    if (interfaces > 1) {
        if (bcdDevice == 0x0800)
            return FT_DEVICE_4232H;
        if (bcdDevice == 0x0700)
            return FT_DEVICE_2232H;
        if (bcdDevice == 0x3600)
            return FT_DEVICE_4232HA;
        return FT_DEVICE_2232C;
    }
    if (bcdDevice < 0x0200)
        return FT_DEVICE_UNKNOWN;
    if (bcdDevice < 0x0400)
        return FT_DEVICE_AM;
    if (bcdDevice < 0x0600)
        return FT_DEVICE_BM;
    if (bcdDevice < 0x0900)
        return FT_DEVICE_232R;
    if (bcdDevice < 0x1000)
        return FT_DEVICE_232H;
    return FT_DEVICE_X_SERIES;
}

DWORD locationOf(std::string_view usbName)
{
    const size_t dash = usbName.find('-');
    if (dash == std::string_view::npos)
        return 0;
    // The bus number, then the port numbers separated by '.'.
    std::vector<std::string_view> numbers{usbName.substr(0, dash)};
    const std::string_view path = usbName.substr(dash + 1);
    for (size_t start = 0;;) {
        const size_t dot = path.find('.', start);
        numbers.push_back(path.substr(start, dot == std::string_view::npos ? path.npos : dot - start));
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (numbers.size() > 7)
        return 0;
    DWORD location = 0;
    for (std::string_view number : numbers) {
        if (number.empty() || number.size() > 2 || !std::all_of(number.begin(), number.end(), isDigit))
            return 0;
        const DWORD value = number.size() == 1 ? DWORD(number[0] - '0') : DWORD((number[0] - '0') * 10 + number[1] - '0');
        if (value > 15)
            return 0;
        location = location << 4 | value;
    }
    return location;
}

std::vector<PortEntry> enumerateSysfs(const std::string &sysRoot)
{
    const std::string devices = sysRoot + "/bus/usb-serial/devices";
    char root[PATH_MAX];
    const std::string realRoot = ::realpath(sysRoot.c_str(), root) ? root : sysRoot;
    std::vector<PortEntry> ports;
    char resolved[PATH_MAX];
    for (const std::string &name : deviceNames(devices)) {
        if (ports.size() >= kMaxPorts)
            break;
        const std::string link = devices + "/" + name;
        char driver[PATH_MAX];
        const ssize_t length = ::readlink((link + "/driver").c_str(), driver, sizeof driver - 1);
        if (length <= 0)
            continue;
        driver[length] = '\0';
        if (baseName(driver) != "ftdi_sio" || !::realpath(link.c_str(), resolved))
            continue;
        PortEntry port;
        port.path = "/dev/" + name;
        const std::string usb = usbDeviceOf(resolved, realRoot);
        if (!usb.empty())
            describeUsbDevice(&port, usb, resolved);
        ports.push_back(std::move(port));
    }
    return ports;
}

std::optional<std::vector<PortEntry>> parsePortList(std::string_view text)
{
    std::vector<PortEntry> ports;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = findUnescaped(text, ';', start);
        std::string_view item = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
        start = end == std::string_view::npos ? text.size() + 1 : end + 1;
        while (!item.empty() && isBlank(item.front()))
            item.remove_prefix(1);
        while (!item.empty() && isBlank(item.back()))
            item.remove_suffix(1);
        if (item.empty())
            continue;
        PortEntry port;
        const size_t first = findUnescaped(item, '=', 0);
        port.path = unescaped(item.substr(0, first));
        if (first != std::string_view::npos) {
            const size_t second = findUnescaped(item, '=', first + 1);
            port.serial = unescaped(item.substr(first + 1, second == item.npos ? item.npos : second - first - 1));
            if (second != std::string_view::npos)
                port.description = unescaped(item.substr(second + 1));
        }
        if (port.path.empty())
            return std::nullopt;
        ports.push_back(std::move(port));
    }
    return ports;
}

std::string portListEntry(const PortEntry &port)
{
    return escaped(port.path) + "=" + escaped(port.serial) + "=" + escaped(port.description);
}

std::string sysfsRoot()
{
    const char *root = std::getenv("TAVIX_SERIAL_SYSFS");
    return root && *root ? root : "/sys";
}

std::vector<PortEntry> attachedPorts()
{
    if (const char *list = std::getenv("TAVIX_SERIAL_PORTS")) {
        const auto ports = parsePortList(list);
        if (ports && !ports->empty())
            return *ports;
        if (!ports) {
            static std::once_flag reported;
            std::call_once(reported, [list] {
                std::fprintf(stderr, "tavixserial: TAVIX_SERIAL_PORTS=\"%s\" is not a list of PATH=SERIAL=DESCRIPTION "
                                     "entries; no port is listed\n", list);
            });
            return {};
        }
    }
    return enumerateSysfs(sysfsRoot());
}

} // namespace tavixserial
