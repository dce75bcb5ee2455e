// The one way the program writes a file: the batch sort's output, the
// graph's PNG, the capture, and the window's saves. A file is replaced as a
// whole: the bytes go to a new file beside it, every write is checked, and
// only once all of them are on the disk does the new file take the old
// one's name; on any failure the old file stays exactly as it was and the
// new one is removed. The new file has no name until then where the file
// system allows it, so a signal that ends the program, SIGKILL included,
// leaves nothing behind (see NativeFile::Replacement). A target that is no
// regular file (a named pipe, a device, a folder) is refused, never
// replaced or written into, a stranger's link in a shared folder is not
// followed, and the new file is made in the folder the path was resolved
// to, whatever the path leads to meanwhile (see
// NativeFile::ResolveForWriting). The same writer can stream into a device
// the program was handed, such as standard output (the way into a pipe),
// with every write checked there too. Failures carry the system's reason.
#ifndef TAVIX_CORE_IO_SAFE_FILE_WRITER_H
#define TAVIX_CORE_IO_SAFE_FILE_WRITER_H

#include "core/io/native_file.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>

class QIODevice;

class SafeFileWriter
{
public:
    // A writer that replaces the file at path.
    explicit SafeFileWriter(const QString &path);
    // A writer into stream, which stays open and is not owned; name is how
    // messages call it ("standard output").
    SafeFileWriter(QIODevice &stream, const QString &name);
    // An open writer that was not committed is cancelled.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    // Resolves the path and makes the new file beside it (nothing for a
    // stream). False when the target is refused or no new file can be made.
    bool Open();
    // Appends bytes. False once any write has failed.
    bool Write(QByteArrayView bytes);
    // Appends text as UTF-16 little-endian code units, a piece at a time
    // from the text itself, so no second copy of a long text is made.
    bool WriteUtf16Le(QStringView text);
    // Makes the bytes the file's content: synced and renamed over the old
    // file; for a stream, a buffered file behind it is flushed.
    bool Commit();
    // Drops what was written: the new file is removed, the old one stays.
    void Cancel();

    // The system's words for the failure ("No space left on device"), or
    // why the target was refused.
    const QString &Reason() const { return m_reason; }
    // Reason() and what became of the target: "...; the file was left as
    // it was" when there was a file, "...; nothing was written" otherwise.
    QString Problem() const;
    // A sentence for a message box: "Cannot write the file P: Problem()"
    // ("Cannot write to standard output: ..." for a stream).
    QString ErrorText() const;

private:
    bool Fail(const QString &reason);

    QString m_path;
    QIODevice *m_stream = nullptr;
    QString m_streamName;
    NativeFile::Target m_target;
    std::unique_ptr<NativeFile::Replacement> m_file;
    QString m_reason;
    bool m_failed = false;
    bool m_open = false;
};

#endif
