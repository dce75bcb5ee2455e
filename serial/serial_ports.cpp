// The ports the serial adapter offers as D2XX devices.
#include "serial_ports.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <limits.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace tavixserial {

namespace {

// The first line of a sysfs attribute file, without its line feed; "" when
// the file is missing.
std::string readAttribute(const std::string &path)
{
    std::ifstream file(path);
    std::string line;
    if (file)
        std::getline(file, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

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

// Names compared with runs of digits taken as numbers.
bool naturalLess(const std::string &a, const std::string &b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej])))
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

} // namespace

std::vector<PortEntry> enumerateSysfs(const std::string &sysRoot)
{
    const std::string devices = sysRoot + "/bus/usb-serial/devices";
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

    std::vector<PortEntry> ports;
    char resolved[PATH_MAX];
    for (const std::string &name : names) {
        const std::string link = devices + "/" + name;
        char driver[PATH_MAX];
        const ssize_t length = ::readlink((link + "/driver").c_str(), driver, sizeof driver - 1);
        if (length <= 0)
            continue;
        driver[length] = '\0';
        if (baseName(driver) != "ftdi_sio")
            continue;
        if (!::realpath(link.c_str(), resolved))
            continue;
        char root[PATH_MAX];
        const std::string realRoot = ::realpath(sysRoot.c_str(), root) ? root : sysRoot;
        const std::string usb = usbDeviceOf(resolved, realRoot);
        PortEntry port;
        port.path = "/dev/" + name;
        if (!usb.empty()) {
            port.serial = readAttribute(usb + "/serial");
            port.description = readAttribute(usb + "/product");
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

std::optional<std::vector<PortEntry>> parsePortList(std::string_view text)
{
    std::vector<PortEntry> ports;
    while (!text.empty()) {
        const size_t end = text.find(';');
        std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        while (!item.empty() && std::isspace(static_cast<unsigned char>(item.front())))
            item.remove_prefix(1);
        while (!item.empty() && std::isspace(static_cast<unsigned char>(item.back())))
            item.remove_suffix(1);
        if (item.empty())
            continue;
        PortEntry port;
        const size_t first = item.find('=');
        port.path = std::string(item.substr(0, first));
        if (first != std::string_view::npos) {
            const std::string_view rest = item.substr(first + 1);
            const size_t second = rest.find('=');
            port.serial = std::string(rest.substr(0, second));
            if (second != std::string_view::npos)
                port.description = std::string(rest.substr(second + 1));
        }
        if (port.path.empty())
            return std::nullopt;
        ports.push_back(std::move(port));
    }
    return ports;
}

std::vector<PortEntry> attachedPorts()
{
    if (const char *list = std::getenv("TAVIX_SERIAL_PORTS")) {
        if (auto ports = parsePortList(list))
            return *ports;
        static std::once_flag reported;
        std::call_once(reported, [list] {
            std::fprintf(stderr, "tavixserial: TAVIX_SERIAL_PORTS=\"%s\" is not a list of PATH=SERIAL=DESCRIPTION "
                                 "entries; no port is listed\n", list);
        });
        return {};
    }
    const char *root = std::getenv("TAVIX_SERIAL_SYSFS");
    return enumerateSysfs(root && *root ? root : "/sys");
}

} // namespace tavixserial
