// Why a port could not be opened, in words: a missing path, a node with no
// device behind it, no permission, something that is no terminal, a port
// another program holds (named by process id and name where /proc tells
// it), one already open here, and any other error of the kernel. The words
// go to standard error with the prefix "tavixserial: " and, without it, to
// TavixSerial_LastError; the same failure as a code (its kind, path, error
// number and holders) goes to TavixSerial_LastErrorCode, for a program that
// words it in its own language.
#ifndef TAVIXSERIAL_OPEN_ERRORS_H
#define TAVIXSERIAL_OPEN_ERRORS_H

#include "core/device/d2xx_types.h"

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

// The processes that hold the file: its lock holders that still have it
// open (a lock outlives the process that took it while another keeps the
// descriptor), or else those (other than this one) that have it open, found
// through /proc/PID/fd; at most three, and none where /proc does not tell.
std::vector<ProcessInfo> portHolders(const std::string &path);

// A failed open: its words (no prefix, no line feed) and its code.
struct OpenError {
    std::string words;
    int kind = TAVIXSERIAL_OPEN_OTHER;
    int error = 0;
    int detail = 0;
    std::string name;
    std::vector<ProcessInfo> holders;
};

// Each failure.
OpenError missingReason(const std::string &path);
// ENXIO or ENODEV: the node is there, no device answers behind it; for
// /dev/tty, the process has no controlling terminal.
OpenError noDeviceReason(const std::string &path, int error);
OpenError permissionReason(const std::string &path);
// `file` is what the path is instead: TAVIXSERIAL_FILE_*.
OpenError notTerminalReason(const std::string &path, int file);
OpenError busyReason(const std::string &path, const std::vector<ProcessInfo> &holders);
OpenError alreadyOpenReason(const std::string &path);
OpenError otherReason(const std::string &path, int error);
// `flags` is the FT_OPEN_BY_* flag the name was given with.
OpenError notListedReason(const std::string &name, DWORD flags);
OpenError noIndexReason(long index, size_t attached);
// Wrong arguments: only words.
OpenError argumentReason(std::string words);

// What a file of this mode is (TAVIXSERIAL_FILE_*), for notTerminalReason;
// -1 for a character device (which may be a terminal: only opening it tells).
int nonTerminalKind(mode_t mode);

} // namespace tavixserial

#endif
