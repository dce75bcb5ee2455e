// The file operations that Qt's file classes cannot do safely, made with the
// system's own calls on POSIX systems and with Qt's classes elsewhere:
// following the links of a path that is to be written one at a time, under
// the rule the kernel's protected_symlinks applies to open; a replacement
// file that takes the place of its target only once it is complete and on
// the disk; a file opened to be written in place that is never a pipe, a
// device or a stranger's link; and an input file that never keeps the
// program waiting on a named pipe unless it is asked to read streams.
// Every failure carries the system's reason in its own words.
#ifndef TAVIX_CORE_IO_NATIVE_FILE_H
#define TAVIX_CORE_IO_NATIVE_FILE_H

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QFile;

namespace NativeFile {

// path as the file system names it. Qt's file classes take a path that
// starts with ':' for a resource built into the program; such a path gets
// "./" in front, so that it always names a file in the working folder.
QString FileSystemPath(const QString &path);

// What a path names.
enum class Kind { Missing, Regular, Folder, Pipe, Device, Socket };

// "a named pipe", "a device", ... for a message; empty for Missing and Regular.
QString KindName(Kind kind);

// A folder held open (a descriptor on POSIX systems): what is made, renamed
// or removed in it happens in the folder that was looked at, whatever its
// path leads to by then.
struct Folder;

// Where a path that is to be written leads.
struct Target
{
    QString path;              // the file the links lead to: the one written
    Kind kind = Kind::Missing; // what is there now
    // Why nothing may be written there, empty when it may: a link that is
    // not followed, too many links, or a folder on the way that cannot be
    // looked into (the system's reason).
    QString refusal;
    // The folder that holds the file, as the walk found it, and the file's
    // name in it: the replacement is made and renamed there. Null when the
    // path's folder is missing, and where the system has no descriptors.
    std::shared_ptr<const Folder> folder;
    QByteArray name;
};

// Follows the links of path one at a time, those of its folders included,
// as open would, but refuses a link that lies in a sticky folder writable by
// everyone (such as /tmp) and belongs neither to the user nor to the
// folder's owner: the rule of the kernel's protected_symlinks, applied here
// because a replacement file is made beside the link's target and renamed
// there, which the kernel's rule never sees. At most 40 links are followed.
// The walk holds each folder open and takes the next part inside it, never
// following a link it has not examined, so another user who swaps a folder
// on the way for a link after the walk cannot lead the write elsewhere: it
// goes into the folder the walk found (Target::folder). A path whose folder
// is missing resolves to itself (writing it then fails with the system's
// reason).
Target ResolveForWriting(const QString &path);

// A new file beside a target that takes the target's place as a whole:
// every write is checked, the bytes are synced to the disk before the new
// file takes the target's name, and anything short of Finish removes the
// new file again, so the target is either replaced or left as it was and
// nothing is left behind. Where the file system allows it the new file has
// no name until Finish gives it one, so not even the end of the program by
// SIGKILL or a power cut can leave it behind; elsewhere it is a hidden file
// beside the target, which Ctrl+C, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE and
// SIGXCPU remove before they end the program (when the program has not
// taken those signals for itself, as the capture does to end and keep what
// arrived).
class Replacement
{
public:
    Replacement();
    ~Replacement(); // Abandon() unless finished
    Replacement(const Replacement &) = delete;
    Replacement &operator=(const Replacement &) = delete;

    // Creates the new file in the target's folder (target.folder), with the
    // permissions of the file it replaces. target.kind must be Missing or
    // Regular.
    bool Begin(const Target &target, QString *reason);
    // Writes every byte; a write that stops short is taken up again.
    bool Write(QByteArrayView bytes, QString *reason);
    // Syncs the new file to the disk, closes it and gives it the target's
    // name in one step, replacing the old file (then syncs the folder, as
    // far as the system allows).
    bool Finish(QString *reason);
    // Closes and removes the new file; the target stays as it was.
    void Abandon();

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// Opens the file at path to be written in place from its start, unbuffered,
// into file (whose fileName() becomes path): links are followed as
// ResolveForWriting follows them, the last one never (a link put there in
// the meantime is refused); only a regular file is truncated, so a named
// pipe, a device or a folder is refused without waiting and unchanged; a
// missing file is created.
bool OpenInPlace(QFile &file, const QString &path, QString *reason);

// Opens path for reading into file. A regular file is opened at once. A
// named pipe, a device or a socket is read only when streams is true (then
// *isStream is set and opening a named pipe waits for its writer, as any
// reader of a pipe does); otherwise it is refused without waiting.
bool OpenForReading(QFile &file, const QString &path, bool streams, bool *isStream, QString *reason);

} // namespace NativeFile

#endif
