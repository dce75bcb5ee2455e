// The system calls the native file layer shares between its parts on POSIX
// systems: descriptors, so that what is checked is what is written, the
// kinds of file a mode names, and the system's words for a failure.
#ifndef TAVIX_CORE_IO_NATIVE_POSIX_H
#define TAVIX_CORE_IO_NATIVE_POSIX_H

#include "core/io/native_file.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <QByteArrayView>
#include <QString>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NativeFile {

struct Folder
{
    explicit Folder(int descriptor) : fd(descriptor) {}
    ~Folder()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    const int fd;
};

namespace Posix {

inline QString SystemReason(int error)
{
    return qt_error_string(error);
}

inline Kind KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return Kind::Regular;
    if (S_ISDIR(mode))
        return Kind::Folder;
    if (S_ISFIFO(mode))
        return Kind::Pipe;
    if (S_ISSOCK(mode))
        return Kind::Socket;
    return Kind::Device;
}

// openat, taken up again when a signal interrupts it; the descriptor is
// never handed to a program the process starts.
inline int OpenAtRetrying(int folder, const char *path, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::openat(folder, path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

inline int OpenRetrying(const char *path, int flags, mode_t mode = 0)
{
    return OpenAtRetrying(AT_FDCWD, path, flags, mode);
}

// Writes every byte; a write that stops short is taken up again, and a
// short write followed by a refusal (a full disk, a file size limit) ends
// with the system's reason for the refusal.
inline bool WriteAll(int fd, QByteArrayView bytes, QString *reason)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *reason = n < 0 ? SystemReason(errno) : QStringLiteral("the system accepted no more bytes");
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace Posix
} // namespace NativeFile

#endif
#endif
