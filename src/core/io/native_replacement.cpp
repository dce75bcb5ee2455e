// NativeFile::Replacement: the new file that takes its target's place as a
// whole, and, on POSIX systems, the removal of its hidden name when a signal
// ends the program.
#include "core/io/native_file.h"

#include "core/io/native_posix.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#endif

namespace NativeFile {

#ifdef Q_OS_UNIX

using Posix::OpenAtRetrying;
using Posix::SystemReason;

namespace {

// The hidden names that exist for a moment or, where the file system cannot
// make a file without a name, while a file is written. A signal that ends
// the program removes them first. A signal handler may only make calls that
// are safe there, so each entry holds what unlinkat needs, made beforehand:
// the folder's descriptor and the name. An entry is armed before its name
// is made and disarmed after the name is gone (renamed or removed); the
// handler takes an armed entry for itself before it removes the name, so a
// name is removed at most once and never after its folder was closed.
enum EntryState : int { kFree, kClaimed, kArmed, kRemoving };

struct PendingName
{
    std::atomic<int> state{kFree};
    int folder = -1;
    char name[256] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);

// As many files as the program ever writes at once, and more: a name that
// finds no free entry is written all the same, only not removed by a signal.
PendingName g_pending[32];

// The signals that end the program by default and that a user or the
// system sends to end it: Ctrl+C, a closed terminal, Ctrl+\, the request to
// end of kill, timeout and a shutdown, a write into a pipe nobody reads any
// more (standard error), and a CPU time limit.
const int kEndingSignals[] = {SIGINT, SIGHUP, SIGQUIT, SIGTERM, SIGPIPE, SIGXCPU};

extern "C" void RemovePendingNamesAndEnd(int signal)
{
    for (PendingName &entry : g_pending) {
        int armed = kArmed;
        if (entry.state.compare_exchange_strong(armed, kRemoving))
            ::unlinkat(entry.folder, entry.name, 0);
    }
    // Then the signal's own action ends the program, as without a handler.
    struct sigaction original{};
    original.sa_handler = SIG_DFL;
    sigemptyset(&original.sa_mask);
    ::sigaction(signal, &original, nullptr);
    ::raise(signal);
}

// The handler takes each ending signal that still has its default action;
// a signal the program takes for itself (the capture ends on Ctrl+C and
// keeps what arrived) or ignores is left to it, and the program then ends
// or keeps the file in its own way. The handler stays: with no name armed
// it ends the program exactly as the default action would.
void HandleEndingSignals()
{
    for (const int signal : kEndingSignals) {
        struct sigaction current{};
        if (::sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO)
            || current.sa_handler != SIG_DFL)
            continue;
        struct sigaction handler{};
        handler.sa_handler = RemovePendingNamesAndEnd;
        sigemptyset(&handler.sa_mask);
        handler.sa_flags = SA_RESTART;
        ::sigaction(signal, &handler, nullptr);
    }
}

// Arms an entry for name in folder, before the name is made; -1 when none
// is free.
int Arm(int folder, const QByteArray &name)
{
    if (name.size() >= qsizetype(sizeof(PendingName::name)))
        return -1;
    for (int i = 0; i < int(std::size(g_pending)); ++i) {
        int free = kFree;
        if (!g_pending[i].state.compare_exchange_strong(free, kClaimed))
            continue;
        HandleEndingSignals();
        g_pending[i].folder = folder;
        std::memcpy(g_pending[i].name, name.constData(), size_t(name.size()) + 1);
        g_pending[i].state.store(kArmed);
        return i;
    }
    return -1;
}

// Frees the entry once its name is gone. An entry a handler took is being
// removed by a signal that ends the program on another thread: this one
// waits for that end, so that the folder stays open for the handler.
void Disarm(int index)
{
    if (index < 0)
        return;
    int armed = kArmed;
    if (g_pending[index].state.compare_exchange_strong(armed, kFree))
        return;
    for (int waited = 0; waited < 1000 && g_pending[index].state.load() == kRemoving; ++waited)
        ::usleep(1000);
}

// A hidden name beside the target's (its start, if the name is long: the
// system allows 255 bytes).
QByteArray HiddenName(const QByteArray &name)
{
    return "." + name.left(200) + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
}

} // namespace

// The new file has no name while it is written (O_TMPFILE), so nothing can
// be left behind, whatever ends the program, and no other program sees a
// half-written file. Finish gives it a fresh hidden name (linkat through
// /proc/self/fd, which needs no privilege; linkat cannot replace a name)
// and at once renames that over the target, the only step that replaces a
// file in one piece. The hidden name exists for those two calls alone, and
// the signal handler removes it should a signal end the program between
// them; only SIGKILL or a power cut at that instant leaves it. Where the
// file system has no unnamed files, or /proc is missing, the new file is
// made under the hidden name at once, exclusively, and the handler removes
// it on a signal for the whole of the write.
struct Replacement::Data
{
    std::shared_ptr<const Folder> folder;
    QByteArray name;      // the target's name in folder
    QByteArray temporary; // the new file's hidden name, while it has one
    int pending = -1;     // the hidden name's entry among those a signal removes
    int fd = -1;
    bool unnamed = false; // fd is a file without a name
};

namespace {

// Makes a new file (into *fd) under a fresh hidden name beside the target
// name in folder, exclusively: an existing file or link of that name is
// never opened; or, with unnamedFd, links that unnamed file there. The name
// and its entry among those a signal removes go to *temporary and *pending.
// Returns 0, or the system's error.
int MakeHiddenName(int folder, const QByteArray &name, int unnamedFd, int *fd, QByteArray *temporary,
                   int *pending)
{
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", unnamedFd);
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const QByteArray hidden = HiddenName(name);
        const int entry = Arm(folder, hidden);
        if (unnamedFd >= 0) {
            error = ::linkat(AT_FDCWD, procPath, folder, hidden.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
        } else {
            *fd = OpenAtRetrying(folder, hidden.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
            error = *fd >= 0 ? 0 : errno;
        }
        if (error == 0) {
            *temporary = hidden;
            *pending = entry;
        } else {
            Disarm(entry);
        }
    }
    return error;
}

// True when an unnamed file can be given a name later: through /proc.
bool CanBeNamed(int fd)
{
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    char target[8];
    return ::readlink(procPath, target, sizeof target) >= 0;
}

} // namespace

Replacement::Replacement() : d(std::make_unique<Data>()) {}

Replacement::~Replacement()
{
    Abandon();
}

bool Replacement::Begin(const Target &target, QString *reason)
{
    Abandon();
    if (!target.folder) {
        *reason = SystemReason(ENOENT);
        return false;
    }
    d->folder = target.folder;
    d->name = target.name;
    const int folder = d->folder->fd;
#ifdef O_TMPFILE
    d->fd = OpenAtRetrying(folder, ".", O_TMPFILE | O_WRONLY, 0666);
    if (d->fd >= 0 && !CanBeNamed(d->fd)) {
        ::close(d->fd);
        d->fd = -1;
    }
    d->unnamed = d->fd >= 0;
#endif
    if (d->fd < 0) {
        const int error = MakeHiddenName(folder, d->name, -1, &d->fd, &d->temporary, &d->pending);
        if (error != 0) {
            *reason = SystemReason(error);
            Abandon();
            return false;
        }
    }
    // The permissions of the file it replaces.
    struct stat old{};
    if (target.kind == Kind::Regular && ::fstatat(folder, d->name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISREG(old.st_mode))
        ::fchmod(d->fd, old.st_mode & 07777);
    return true;
}

bool Replacement::Write(QByteArrayView bytes, QString *reason)
{
    return d->fd >= 0 && Posix::WriteAll(d->fd, bytes, reason);
}

bool Replacement::Finish(QString *reason)
{
    if (d->fd < 0)
        return false;
    // The bytes reach the disk before the name does: after a crash the
    // target holds either its old or its whole new content.
    int failed = ::fsync(d->fd) == 0 ? 0 : errno;
    if (failed == 0 && d->unnamed)
        failed = MakeHiddenName(d->folder->fd, d->name, d->fd, nullptr, &d->temporary, &d->pending);
    const int fd = d->fd;
    d->fd = -1;
    if (::close(fd) != 0 && failed == 0)
        failed = errno;
    const int folder = d->folder->fd;
    if (failed == 0 && ::renameat(folder, d->temporary.constData(), folder, d->name.constData()) != 0)
        failed = errno;
    if (failed != 0) {
        *reason = SystemReason(failed);
        Abandon();
        return false;
    }
    d->temporary.clear();
    Disarm(d->pending);
    d->pending = -1;
    // The rename itself is made lasting by syncing the folder; a system that
    // cannot sync a folder has nothing more to offer.
    const int synced = OpenAtRetrying(folder, ".", O_RDONLY | O_DIRECTORY);
    if (synced >= 0) {
        ::fsync(synced);
        ::close(synced);
    }
    d->folder.reset();
    return true;
}

void Replacement::Abandon()
{
    if (d->fd >= 0)
        ::close(d->fd);
    d->fd = -1;
    if (!d->temporary.isEmpty())
        ::unlinkat(d->folder->fd, d->temporary.constData(), 0);
    d->temporary.clear();
    Disarm(d->pending);
    d->pending = -1;
    d->unnamed = false;
    d->folder.reset();
}

#else
// Elsewhere QSaveFile replaces a file whole.

struct Replacement::Data
{
    std::unique_ptr<QSaveFile> file;
};

Replacement::Replacement() : d(std::make_unique<Data>()) {}

Replacement::~Replacement()
{
    Abandon();
}

bool Replacement::Begin(const Target &target, QString *reason)
{
    Abandon();
    d->file = std::make_unique<QSaveFile>(FileSystemPath(target.path));
    d->file->setDirectWriteFallback(false);
    if (d->file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    *reason = d->file->errorString();
    d->file.reset();
    return false;
}

bool Replacement::Write(QByteArrayView bytes, QString *reason)
{
    qsizetype done = 0;
    while (d->file && done < bytes.size()) {
        const qint64 n = d->file->write(bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            *reason = d->file->errorString();
            return false;
        }
        done += n;
    }
    return bool(d->file);
}

bool Replacement::Finish(QString *reason)
{
    if (!d->file)
        return false;
    // Unbuffered, so commit has no bytes left to flush whose failure it
    // could pass over.
    const bool committed = d->file->commit();
    if (!committed)
        *reason = d->file->errorString();
    d->file.reset();
    return committed;
}

void Replacement::Abandon()
{
    if (d->file)
        d->file->cancelWriting();
    d->file.reset();
}

#endif

} // namespace NativeFile
