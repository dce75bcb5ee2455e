#include "core/io/native_file.h"

#include "core/io/native_posix.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <cerrno>

namespace NativeFile {

QString FileSystemPath(const QString &path)
{
    return path.startsWith(QLatin1Char(':')) ? QStringLiteral("./") + path : path;
}

QString KindName(Kind kind)
{
    switch (kind) {
    case Kind::Folder:
        return QStringLiteral("a folder");
    case Kind::Pipe:
        return QStringLiteral("a named pipe");
    case Kind::Device:
        return QStringLiteral("a device");
    case Kind::Socket:
        return QStringLiteral("a socket");
    case Kind::Missing:
    case Kind::Regular:
        break;
    }
    return QString();
}

namespace {

QString NotRegular(Kind kind)
{
    return QStringLiteral("it is %1, not a regular file").arg(KindName(kind));
}

} // namespace

#ifdef Q_OS_UNIX
// The system's own calls: descriptors, so that what is checked is what is
// written, and fsync, which Qt's file classes do not offer.

using Posix::KindOf;
using Posix::OpenRetrying;
using Posix::SystemReason;

namespace {

constexpr int kMaxLinks = 40;

// How the walk opens a folder: never through a link, and where the system
// can, only to look into it, which a folder the user may search but not
// list allows.
#ifdef O_PATH
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;
#endif

bool SetBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// True when parts hold nothing but "" and "." (a path that ends in '/').
bool NothingMore(const QList<QByteArray> &parts)
{
    return std::all_of(parts.cbegin(), parts.cend(),
                       [](const QByteArray &part) { return part.isEmpty() || part == "."; });
}

} // namespace

Target ResolveForWriting(const QString &path)
{
    Target target;
    const QByteArray encoded = QFile::encodeName(path);
    const auto refuse = [&target](int error, const QByteArray &where) {
        target.refusal = SystemReason(error);
        target.path = QFile::decodeName(where);
        target.folder.reset();
    };
    // The parts still to walk, first one first. target.folder holds the
    // folder walked so far open and walked names it for messages; no link
    // was followed into it unexamined, and ".." after it is its physical
    // parent.
    QList<QByteArray> parts = encoded.split('/');
    QByteArray walked = encoded.startsWith('/') ? QByteArray() : QByteArray(".");
    const auto openStart = [&](const QByteArray &start) {
        const int fd = Posix::OpenAtRetrying(AT_FDCWD, start.constData(), kFolderFlags);
        if (fd < 0)
            return false;
        target.folder = std::make_shared<const Folder>(fd);
        return true;
    };
    if (!openStart(walked.isEmpty() ? QByteArray("/") : walked)) {
        refuse(errno, walked.isEmpty() ? QByteArray("/") : walked);
        return target;
    }
    int links = 0;
    while (!parts.isEmpty()) {
        const QByteArray part = parts.takeFirst();
        if (part.isEmpty() || part == ".")
            continue;
        const int folder = target.folder->fd;
        const QByteArray candidate = walked + '/' + part;
        struct stat info{};
        if (::fstatat(folder, part.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) {
                refuse(errno, candidate);
                return target;
            }
            // Nothing there: the rest of the path is taken as it is. The
            // file is made in the folder held when it is the last part; a
            // missing folder holds nothing (writing fails with its reason).
            QByteArray rest = candidate;
            for (const QByteArray &more : parts)
                rest += '/' + more;
            target.path = QFile::decodeName(rest);
            target.kind = Kind::Missing;
            if (NothingMore(parts))
                target.name = part;
            else
                target.folder.reset();
            return target;
        }
        if (S_ISDIR(info.st_mode)) {
            const int fd = Posix::OpenAtRetrying(folder, part.constData(), kFolderFlags);
            if (fd < 0) {
                // A folder that became a link or a file since it was looked
                // at is looked at again, as a link counts.
                if ((errno == ELOOP || errno == ENOTDIR) && ++links <= kMaxLinks) {
                    parts.prepend(part);
                    continue;
                }
                refuse(errno, candidate);
                return target;
            }
            target.folder = std::make_shared<const Folder>(fd);
            target.kind = Kind::Folder;
            walked = candidate;
            continue;
        }
        if (!S_ISLNK(info.st_mode)) {
            if (!NothingMore(parts)) {
                refuse(ENOTDIR, candidate + '/' + parts.join('/'));
                return target;
            }
            target.kind = KindOf(info.st_mode);
            target.name = part;
            walked = candidate;
            continue;
        }
        struct stat folderInfo{};
        const QByteArray folderPath = walked.isEmpty() ? QByteArray("/") : walked;
        if (::fstat(folder, &folderInfo) == 0 && (folderInfo.st_mode & S_ISVTX) && (folderInfo.st_mode & S_IWOTH)
            && info.st_uid != ::geteuid() && info.st_uid != folderInfo.st_uid) {
            target.refusal = QStringLiteral("it is a link in %1, a folder every user may write to, and belongs to "
                                            "another user (uid %2); such a link is not followed")
                                 .arg(QFile::decodeName(folderPath))
                                 .arg(info.st_uid);
            target.path = QFile::decodeName(candidate);
            target.folder.reset();
            return target;
        }
        if (++links > kMaxLinks) {
            refuse(ELOOP, QByteArray());
            target.path = path;
            return target;
        }
        QByteArray link(qsizetype(info.st_size > 0 ? info.st_size : 255) + 1, Qt::Uninitialized);
        const ssize_t size = ::readlinkat(folder, part.constData(), link.data(), size_t(link.size()));
        if (size < 0 && errno == EINVAL) {
            // No longer a link: looked at again.
            parts.prepend(part);
            continue;
        }
        if (size < 0 || size >= link.size()) {
            refuse(size < 0 ? errno : ENAMETOOLONG, candidate);
            return target;
        }
        link.truncate(size);
        if (link.startsWith('/')) {
            walked.clear();
            if (!openStart("/")) {
                refuse(errno, "/");
                return target;
            }
        }
        parts = link.split('/') + parts;
    }
    target.path = walked.isEmpty() ? QStringLiteral("/") : QFile::decodeName(walked);
    return target;
}

bool OpenInPlace(QFile &file, const QString &path, QString *reason)
{
    const Target target = ResolveForWriting(path);
    if (!target.refusal.isEmpty()) {
        *reason = target.refusal;
        return false;
    }
    if (target.kind != Kind::Missing && target.kind != Kind::Regular) {
        *reason = NotRegular(target.kind);
        return false;
    }
    // Not truncated on opening: only once the descriptor is known to be a
    // regular file. Non-blocking, so that a named pipe put there meanwhile
    // cannot keep the window waiting.
    // Opened in the folder the walk found, by its name there.
    if (!target.folder) {
        *reason = SystemReason(ENOENT);
        return false;
    }
    const int fd = Posix::OpenAtRetrying(target.folder->fd, target.name.constData(),
                                         O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0) {
        *reason = errno == ELOOP ? QStringLiteral("it became a link while it was opened; it is not followed")
                                 : SystemReason(errno);
        return false;
    }
    struct stat info{};
    int failed = 0;
    if (::fstat(fd, &info) != 0)
        failed = errno;
    else if (!S_ISREG(info.st_mode))
        *reason = NotRegular(KindOf(info.st_mode));
    else if (::ftruncate(fd, 0) != 0 || !SetBlocking(fd))
        failed = errno;
    if (failed != 0)
        *reason = SystemReason(failed);
    if (failed != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    // Qt's file keeps the name only when it opens the file itself: it opens
    // it by name to append (the file is empty now), and must find there the
    // very file examined above, else it is refused.
    file.setFileName(FileSystemPath(path));
    struct stat opened{};
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        *reason = file.errorString();
    } else if (::fstat(file.handle(), &opened) != 0 || opened.st_dev != info.st_dev || opened.st_ino != info.st_ino) {
        *reason = QStringLiteral("it was replaced while it was opened");
        file.close();
    }
    ::close(fd);
    return file.isOpen();
}

bool OpenForReading(QFile &file, const QString &path, bool streams, bool *isStream, QString *reason)
{
    const QByteArray encoded = QFile::encodeName(path);
    // Non-blocking at first: opening a named pipe would wait for a writer.
    int fd = OpenRetrying(encoded.constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        *reason = SystemReason(errno);
        return false;
    }
    struct stat info{};
    if (::fstat(fd, &info) != 0) {
        *reason = SystemReason(errno);
        ::close(fd);
        return false;
    }
    const Kind kind = KindOf(info.st_mode);
    *isStream = kind != Kind::Regular;
    if (kind == Kind::Folder || (*isStream && !streams)) {
        *reason = kind == Kind::Folder ? SystemReason(EISDIR)
                                       : NotRegular(kind) + QStringLiteral(", and it is not read as one");
        ::close(fd);
        return false;
    }
    if (kind == Kind::Pipe) {
        // A pipe opened without waiting would read as empty until its writer
        // comes: it is opened again, waiting for the writer.
        ::close(fd);
        fd = OpenRetrying(encoded.constData(), O_RDONLY);
        if (fd < 0) {
            *reason = SystemReason(errno);
            return false;
        }
    } else if (!SetBlocking(fd)) {
        *reason = SystemReason(errno);
        ::close(fd);
        return false;
    }
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        *reason = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

#else
// Elsewhere Qt's classes stand in: a path is looked at through QFileInfo.
// Links are followed as Qt follows them.

namespace {

Kind KindOf(const QFileInfo &info)
{
    if (!info.exists())
        return Kind::Missing;
    if (info.isDir())
        return Kind::Folder;
    return info.isFile() ? Kind::Regular : Kind::Device;
}

} // namespace

Target ResolveForWriting(const QString &path)
{
    Target target;
    const QFileInfo info(FileSystemPath(path));
    target.kind = KindOf(info);
    target.path = info.exists() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : FileSystemPath(path);
    return target;
}

bool OpenInPlace(QFile &file, const QString &path, QString *reason)
{
    const Kind kind = KindOf(QFileInfo(FileSystemPath(path)));
    if (kind != Kind::Missing && kind != Kind::Regular) {
        *reason = NotRegular(kind);
        return false;
    }
    file.setFileName(FileSystemPath(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return true;
    *reason = file.errorString();
    return false;
}

bool OpenForReading(QFile &file, const QString &path, bool streams, bool *isStream, QString *reason)
{
    const Kind kind = KindOf(QFileInfo(FileSystemPath(path)));
    *isStream = kind != Kind::Regular && kind != Kind::Missing && kind != Kind::Folder;
    if (kind == Kind::Folder || (*isStream && !streams)) {
        *reason = kind == Kind::Folder ? QStringLiteral("it is a folder") : NotRegular(kind);
        return false;
    }
    file.setFileName(FileSystemPath(path));
    if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return true;
    *reason = file.errorString();
    return false;
}

#endif

} // namespace NativeFile
