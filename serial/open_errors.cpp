// Why a port could not be opened, in words.
#include "open_errors.h"
#include "sysfs_attribute.h"

#include <cctype>
#include <cstring>
#include <dirent.h>
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

// Processes other than this one with a descriptor on the same file (for a
// device node: the same device).
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
        const std::string fdDir = std::string("/proc/") + entry->d_name + "/fd";
        DIR *fds = ::opendir(fdDir.c_str());
        if (!fds)
            continue;
        while (dirent *fd = ::readdir(fds)) {
            struct stat info {};
            if (fd->d_name[0] == '.' || ::stat((fdDir + "/" + fd->d_name).c_str(), &info) != 0)
                continue;
            const bool same = S_ISCHR(target.st_mode) ? S_ISCHR(info.st_mode) && info.st_rdev == target.st_rdev
                                                      : info.st_dev == target.st_dev && info.st_ino == target.st_ino;
            if (same) {
                const long pid = std::strtol(entry->d_name, nullptr, 10);
                found.push_back({pid, commandName(pid)});
                break;
            }
        }
        ::closedir(fds);
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
    std::vector<ProcessInfo> holders = lockHolders(path);
    struct stat target {};
    if (holders.empty() && ::stat(path.c_str(), &target) == 0)
        holders = openers(target);
    return holders;
}

std::string missingReason(const std::string &path)
{
    return path + " does not exist: the device is unplugged or the path is wrong";
}

std::string permissionReason(const std::string &path)
{
    return "no permission to open " + path
           + ": add your user to the port's group (usually dialout: sudo usermod -aG dialout $USER, then log in"
             " again) or install the udev rule 60-tavixterminal.rules (see README, \"Real instrument on Linux\")";
}

std::string notTerminalReason(const std::string &path, const char *kind)
{
    return path + " is not a serial port: it is " + kind;
}

std::string busyReason(const std::string &path, const std::vector<ProcessInfo> &holders)
{
    if (holders.empty())
        return path + " is busy: another program holds it";
    std::string who = holders.size() == 1 ? "process " : "processes ";
    for (size_t i = 0; i < holders.size(); ++i) {
        if (i)
            who += ", ";
        who += std::to_string(holders[i].pid);
        if (!holders[i].name.empty())
            who += " (" + holders[i].name + ")";
    }
    return path + " is busy: " + who + (holders.size() == 1 ? " holds it" : " hold it");
}

std::string alreadyOpenReason(const std::string &path)
{
    return path + " is already open in this program";
}

std::string otherReason(const std::string &path, int error)
{
    char buffer[256];
    return path + " could not be opened: " + ::strerror_r(error, buffer, sizeof buffer);
}

const char *nonTerminalKind(mode_t mode)
{
    if (S_ISREG(mode))
        return "a regular file";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISCHR(mode))
        return nullptr;
    return "not a device";
}

} // namespace tavixserial
