#include "core/io/native_file.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

namespace {

constexpr int kMaxLinks = 40;

QString SystemReason(int error)
{
    return qt_error_string(error);
}

Kind KindOf(mode_t mode)
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

int OpenRetrying(const char *path, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAll(int fd, QByteArrayView bytes, QString *reason)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A short write followed by a refusal (a full disk, a file size
            // limit) ends here with the system's reason for the refusal.
            *reason = n < 0 ? SystemReason(errno) : QStringLiteral("the system accepted no more bytes");
            return false;
        }
        done += n;
    }
    return true;
}

bool SetBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// The path's last part and its folder ("." for a bare name).
QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

} // namespace

Target ResolveForWriting(const QString &path)
{
    Target target;
    const QByteArray encoded = QFile::encodeName(path);
    // The parts still to walk, first one first; the folder walked so far
    // holds no link, so ".." after it is its physical parent.
    QList<QByteArray> parts = encoded.split('/');
    QByteArray walked = encoded.startsWith('/') ? QByteArray() : QByteArray(".");
    int links = 0;
    while (!parts.isEmpty()) {
        const QByteArray part = parts.takeFirst();
        if (part.isEmpty() || part == ".")
            continue;
        const QByteArray candidate = walked + '/' + part;
        struct stat info{};
        if (::lstat(candidate.constData(), &info) != 0) {
            if (errno != ENOENT) {
                target.refusal = SystemReason(errno);
                target.path = QFile::decodeName(candidate);
                return target;
            }
            // Nothing there: the rest of the path is taken as it is.
            QByteArray rest = candidate;
            for (const QByteArray &more : parts)
                rest += '/' + more;
            target.path = QFile::decodeName(rest);
            target.kind = Kind::Missing;
            return target;
        }
        if (!S_ISLNK(info.st_mode)) {
            walked = candidate;
            target.kind = KindOf(info.st_mode);
            continue;
        }
        struct stat folder{};
        const QByteArray folderPath = walked.isEmpty() ? QByteArray("/") : walked;
        if (::stat(folderPath.constData(), &folder) == 0 && (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH)
            && info.st_uid != ::geteuid() && info.st_uid != folder.st_uid) {
            target.refusal = QStringLiteral("it is a link in %1, a folder every user may write to, and belongs to "
                                            "another user (uid %2); such a link is not followed")
                                 .arg(QFile::decodeName(folderPath))
                                 .arg(info.st_uid);
            target.path = QFile::decodeName(candidate);
            return target;
        }
        if (++links > kMaxLinks) {
            target.refusal = SystemReason(ELOOP);
            target.path = path;
            return target;
        }
        QByteArray link(qsizetype(info.st_size > 0 ? info.st_size : 255) + 1, Qt::Uninitialized);
        const ssize_t size = ::readlink(candidate.constData(), link.data(), size_t(link.size()));
        if (size < 0 || size >= link.size()) {
            target.refusal = SystemReason(size < 0 ? errno : ENAMETOOLONG);
            target.path = QFile::decodeName(candidate);
            return target;
        }
        link.truncate(size);
        if (link.startsWith('/'))
            walked.clear();
        parts = link.split('/') + parts;
    }
    target.path = walked.isEmpty() ? QStringLiteral("/") : QFile::decodeName(walked);
    return target;
}

struct Replacement::Data
{
    int fd = -1;
    QByteArray temporary;
    QByteArray target;
};

Replacement::Replacement() : d(std::make_unique<Data>()) {}

Replacement::~Replacement()
{
    Abandon();
}

bool Replacement::Begin(const Target &target, QString *reason)
{
    Abandon();
    d->target = QFile::encodeName(target.path);
    const QByteArray folder = FolderOf(d->target);
    // A hidden name beside the target (its start, if the name is long: the
    // system allows 255 bytes), made exclusively: an existing file or link
    // of that name is never opened.
    const QByteArray name = d->target.mid(d->target.lastIndexOf('/') + 1).left(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = folder + "/." + name + '.'
                                     + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
        const int fd = OpenRetrying(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            d->fd = fd;
            d->temporary = temporary;
            struct stat old{};
            if (target.kind == Kind::Regular && ::stat(d->target.constData(), &old) == 0)
                ::fchmod(fd, old.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    *reason = SystemReason(errno);
    return false;
}

bool Replacement::Write(QByteArrayView bytes, QString *reason)
{
    return d->fd >= 0 && WriteAll(d->fd, bytes, reason);
}

bool Replacement::Finish(QString *reason)
{
    if (d->fd < 0)
        return false;
    // The bytes reach the disk before the name does: after a crash the
    // target holds either its old or its whole new content.
    int failed = ::fsync(d->fd) == 0 ? 0 : errno;
    const int fd = d->fd;
    d->fd = -1;
    if (::close(fd) != 0 && failed == 0)
        failed = errno;
    if (failed == 0 && ::rename(d->temporary.constData(), d->target.constData()) != 0)
        failed = errno;
    if (failed != 0) {
        *reason = SystemReason(failed);
        Abandon();
        return false;
    }
    d->temporary.clear();
    // The rename itself is made lasting by syncing the folder; a system that
    // cannot sync a folder has nothing more to offer.
    const int folder = OpenRetrying(FolderOf(d->target).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void Replacement::Abandon()
{
    if (d->fd >= 0)
        ::close(d->fd);
    d->fd = -1;
    if (!d->temporary.isEmpty())
        ::unlink(d->temporary.constData());
    d->temporary.clear();
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
    const QByteArray encoded = QFile::encodeName(target.path);
    const int fd = OpenRetrying(encoded.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0666);
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
// Elsewhere Qt's classes stand in: QSaveFile replaces a file whole, and a
// path is looked at through QFileInfo. Links are followed as Qt follows them.

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
