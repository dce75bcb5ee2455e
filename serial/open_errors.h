// Why a port could not be opened, in words: a missing path, no permission,
// something that is no terminal, a port another program holds (named by
// process id and name where /proc tells it), one already open here, and
// any other error of the kernel. The words go to standard error with the
// prefix "tavixserial: " and, without it, to TavixSerial_LastError.
#ifndef TAVIXSERIAL_OPEN_ERRORS_H
#define TAVIXSERIAL_OPEN_ERRORS_H

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tavixserial {

struct ProcessInfo {
    long pid = 0;
    std::string name; // its command name (/proc/PID/comm); "" when unreadable
    bool operator==(const ProcessInfo &) const = default;
};

// One line of /proc/locks: "1: FLOCK  ADVISORY  WRITE 4242 00:19:7 0 EOF".
struct LockRecord {
    long pid = 0;
    unsigned major = 0; // of the file system's device, hexadecimal in the line
    unsigned minor = 0;
    unsigned long long inode = 0;
    bool operator==(const LockRecord &) const = default;
};

// The lock a line of /proc/locks describes; nothing for a lock that waits
// ("1: -> FLOCK ..."), a lease, a lock no process holds (pid 0 or -1), or a
// line of another form.
std::optional<LockRecord> parseLockLine(std::string_view line);

// The processes with a lock on the file in /proc/locks; at most three.
std::vector<ProcessInfo> lockHolders(const std::string &path);

// The processes that hold the file: its lock holders, or else those (other
// than this one) that have it open, found through /proc/PID/fd; at most
// three, and none where /proc does not tell.
std::vector<ProcessInfo> portHolders(const std::string &path);

// The words for each failure (no prefix, no line feed).
std::string missingReason(const std::string &path);
std::string permissionReason(const std::string &path);
// `kind` is what the path is instead: "a regular file", "a folder", ...
std::string notTerminalReason(const std::string &path, const char *kind);
std::string busyReason(const std::string &path, const std::vector<ProcessInfo> &holders);
std::string alreadyOpenReason(const std::string &path);
std::string otherReason(const std::string &path, int error);

// What a file of this mode is, for notTerminalReason; nullptr for a
// character device (which may be a terminal: only opening it tells).
const char *nonTerminalKind(mode_t mode);

} // namespace tavixserial

#endif
