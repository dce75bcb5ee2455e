// Why a port could not be opened, in words.
#include "open_errors.h"
#include "sysfs_attribute.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tavixserial {

namespace {

constexpr size_t kMaxHolders = 3;
constexpr size_t kLocksLimit = 256 * 1024;

std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

template<typename Number>
bool parseNumber(std::string_view text, int base, Number *value)
{
    if (text.empty() || text.size() > 20)
        return false;
    unsigned long long result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (result > (~0ULL - static_cast<unsigned>(digit)) / static_cast<unsigned>(base))
            return false;
        result = result * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    }
    *value = static_cast<Number>(result);
    return static_cast<unsigned long long>(*value) == result;
}

std::string commandName(long pid)
{
    return readAttribute("/proc/" + std::to_string(pid) + "/comm");
}

bool isProcessDir(const char *name)
{
    if (!*name)
        return false;
    for (const char *c = name; *c; ++c)
        if (!std::isdigit(static_cast<unsigned char>(*c)))
            return false;
    return true;
}

bool sameFile(const struct stat &target, const struct stat &info)
{
    return S_ISCHR(target.st_mode) ? S_ISCHR(info.st_mode) && info.st_rdev == target.st_rdev
                                   : info.st_dev == target.st_dev && info.st_ino == target.st_ino;
}

enum class Holds { Yes, No, Unknown };

// Whether the process has a descriptor on the file (for a device node: on
// the same device); Unknown when its descriptors cannot be looked at (a
// process of another user), No when it is gone.
Holds holdsFile(const std::string &pid, const struct stat &target)
{
    const std::string fdDir = "/proc/" + pid + "/fd";
    DIR *fds = ::opendir(fdDir.c_str());
    if (!fds)
        return errno == ENOENT ? Holds::No : Holds::Unknown;
    Holds holds = Holds::No;
    while (dirent *fd = ::readdir(fds)) {
        struct stat info {};
        if (fd->d_name[0] != '.' && ::stat((fdDir + "/" + fd->d_name).c_str(), &info) == 0
            && sameFile(target, info)) {
            holds = Holds::Yes;
            break;
        }
    }
    ::closedir(fds);
    return holds;
}

// Processes other than this one with a descriptor on the same file.
std::vector<ProcessInfo> openers(const struct stat &target)
{
    std::vector<ProcessInfo> found;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return found;
    const std::string self = std::to_string(::getpid());
    while (dirent *entry = ::readdir(proc)) {
        if (found.size() >= kMaxHolders)
            break;
        if (!isProcessDir(entry->d_name) || self == entry->d_name)
            continue;
        if (holdsFile(entry->d_name, target) == Holds::Yes) {
            const long pid = std::strtol(entry->d_name, nullptr, 10);
            found.push_back({pid, commandName(pid)});
        }
    }
    ::closedir(proc);
    return found;
}

} // namespace

std::optional<LockRecord> parseLockLine(std::string_view line)
{
    // "N:" TYPE MANDATORY ACCESS PID MAJ:MIN:INODE START END
    const std::vector<std::string_view> fields = fieldsOf(line);
    if (fields.size() < 6 || fields[0].empty() || fields[0].back() != ':' || fields[1] == "->")
        return std::nullopt;
    if (fields[1] != "FLOCK" && fields[1] != "POSIX" && fields[1] != "OFDLCK")
        return std::nullopt;
    LockRecord record;
    const std::string_view device = fields[5];
    const size_t first = device.find(':');
    const size_t second = first == std::string_view::npos ? first : device.find(':', first + 1);
    if (second == std::string_view::npos || !parseNumber(fields[4], 10, &record.pid)
        || !parseNumber(device.substr(0, first), 16, &record.major)
        || !parseNumber(device.substr(first + 1, second - first - 1), 16, &record.minor)
        || !parseNumber(device.substr(second + 1), 10, &record.inode) || record.pid <= 0)
        return std::nullopt;
    return record;
}

std::vector<ProcessInfo> lockHolders(const std::string &path)
{
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0)
        return {};
    std::vector<ProcessInfo> holders;
    // /proc/locks holds one line a lock; read with a bound all the same.
    const auto locks = readAttributeFile("/proc/locks", kLocksLimit);
    std::string_view text = locks ? std::string_view(*locks) : std::string_view();
    while (!text.empty() && holders.size() < kMaxHolders) {
        const size_t end = text.find('\n');
        const auto record = parseLockLine(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (record && record->major == major(target.st_dev)
            && record->minor == minor(target.st_dev) && record->inode == target.st_ino)
            holders.push_back({record->pid, commandName(record->pid)});
    }
    return holders;
}

std::vector<ProcessInfo> portHolders(const std::string &path)
{
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0)
        return {};
    // A lock belongs to the open file, which outlives the process that took
    // it when another (a child) keeps the descriptor: /proc/locks then names
    // a process that is gone, or whose number is used again by another.
    std::vector<ProcessInfo> holders;
    for (const ProcessInfo &holder : lockHolders(path)) {
        if (holdsFile(std::to_string(holder.pid), target) != Holds::No)
            holders.push_back(holder);
    }
    return holders.empty() ? openers(target) : holders;
}

OpenError missingReason(const std::string &path)
{
    return {path + " does not exist: the device is unplugged or the path is wrong", TAVIXSERIAL_OPEN_MISSING, 0, 0,
            path, {}};
}

OpenError noDeviceReason(const std::string &path, int error)
{
    // /dev/tty names the calling process's controlling terminal; a process
    // started without one (a service, a desktop launcher) gets ENXIO.
    if (path == "/dev/tty" && error == ENXIO)
        return {"/dev/tty is the controlling terminal of the program, and it has none",
                TAVIXSERIAL_OPEN_NO_CONTROLLING_TERMINAL, error, 0, path, {}};
    char buffer[256];
    return {"no device answers at " + path + " (" + ::strerror_r(error, buffer, sizeof buffer)
                + "): it is unplugged or not present",
            TAVIXSERIAL_OPEN_NO_DEVICE, error, 0, path, {}};
}

OpenError permissionReason(const std::string &path)
{
    return {"no permission to open " + path
                + ": add your user to the port's group (usually dialout: sudo usermod -aG dialout $USER, then log in"
                  " again) or install the udev rule 60-tavixterminal.rules (see README, \"Real instrument on Linux\")",
            TAVIXSERIAL_OPEN_PERMISSION, 0, 0, path, {}};
}

OpenError notTerminalReason(const std::string &path, int file)
{
    static const char *const kKinds[] = {"not a device",     "a regular file", "a folder",
                                         "a FIFO",           "a socket",       "a block device",
                                         "a device that is not a terminal"};
    const int known = file >= 0 && file < int(std::size(kKinds)) ? file : TAVIXSERIAL_FILE_OTHER;
    return {path + " is not a serial port: it is " + kKinds[known], TAVIXSERIAL_OPEN_NOT_A_PORT, 0, known, path,
            {}};
}

OpenError busyReason(const std::string &path, const std::vector<ProcessInfo> &holders)
{
    OpenError result{{}, TAVIXSERIAL_OPEN_BUSY, 0, 0, path, holders};
    if (holders.empty()) {
        result.words = path + " is busy: another program holds it";
        return result;
    }
    std::string who = holders.size() == 1 ? "process " : "processes ";
    for (size_t i = 0; i < holders.size(); ++i) {
        if (i)
            who += ", ";
        who += std::to_string(holders[i].pid);
        if (!holders[i].name.empty())
            who += " (" + holders[i].name + ")";
    }
    result.words = path + " is busy: " + who + (holders.size() == 1 ? " holds it" : " hold it");
    return result;
}

OpenError alreadyOpenReason(const std::string &path)
{
    return {path + " is already open in this program", TAVIXSERIAL_OPEN_ALREADY_OPEN, 0, 0, path, {}};
}

OpenError otherReason(const std::string &path, int error)
{
    char buffer[256];
    return {path + " could not be opened: " + ::strerror_r(error, buffer, sizeof buffer), TAVIXSERIAL_OPEN_SYSTEM,
            error, 0, path, {}};
}

OpenError notListedReason(const std::string &name, DWORD flags)
{
    const char *what = flags == FT_OPEN_BY_DESCRIPTION ? "description"
                       : flags == FT_OPEN_BY_LOCATION  ? "location"
                                                       : "serial number";
    const std::string shown = flags == FT_OPEN_BY_LOCATION ? name : "\"" + name + "\"";
    return {std::string("no device with ") + what + " " + shown + " is attached", TAVIXSERIAL_OPEN_NOT_LISTED, 0,
            int(flags), name, {}};
}

OpenError noIndexReason(long index, size_t attached)
{
    return {"no device at index " + std::to_string(index) + " (" + std::to_string(attached) + " attached)",
            TAVIXSERIAL_OPEN_NOT_LISTED, 0, 0, std::to_string(index), {}};
}

OpenError argumentReason(std::string words)
{
    return {std::move(words), TAVIXSERIAL_OPEN_OTHER, 0, 0, {}, {}};
}

int nonTerminalKind(mode_t mode)
{
    if (S_ISREG(mode))
        return TAVIXSERIAL_FILE_REGULAR;
    if (S_ISDIR(mode))
        return TAVIXSERIAL_FILE_FOLDER;
    if (S_ISFIFO(mode))
        return TAVIXSERIAL_FILE_FIFO;
    if (S_ISSOCK(mode))
        return TAVIXSERIAL_FILE_SOCKET;
    if (S_ISBLK(mode))
        return TAVIXSERIAL_FILE_BLOCK_DEVICE;
    if (S_ISCHR(mode))
        return -1;
    return TAVIXSERIAL_FILE_OTHER;
}

} // namespace tavixserial
