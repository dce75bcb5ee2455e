// Input data files, as the window's "Open input data" and the command
// line's --sort read them. A file saved with "Save input data" or written by
// --capture is FF FE followed by the text as UTF-16 little-endian code
// units; the command line also takes the raw bytes of the instrument, which
// it widens through the instrument's character table.
#ifndef TAVIX_CORE_SORTING_INPUT_FILE_H
#define TAVIX_CORE_SORTING_INPUT_FILE_H

#include "core/sorting/log_search_text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <memory>

// The largest input data file that is read (512 MiB).
constexpr qint64 kMaxInputFileBytes = qint64(512) * 1024 * 1024;
// The most characters the window's input text holds: the text of the
// largest file that is read, its byte-order mark included (268,435,456).
constexpr qsizetype kMaxInputCharacters = qsizetype(kMaxInputFileBytes / 2);
// The live capture stops one character short of that, so that a saved
// capture (FF FE, then two bytes a character) is a file that is read back
// whole, by the window and by the command line (268,435,455 characters).
constexpr qsizetype kMaxCapturedCharacters = kMaxInputCharacters - 1;
// The capture is warned of its end when it passes this: 16 Mi characters
// before it, about 4.7 minutes at the link's full 60,000 bytes a second.
constexpr qsizetype kCaptureWarningCharacters = kMaxCapturedCharacters - (qsizetype(16) << 20);

// How the bytes of an input data file become text.
enum class InputFileForm {
    // Every whole little-endian code unit, as the window reads a file: a
    // leading byte-order mark stays as U+FEFF, an odd last byte is dropped.
    Utf16Le,
    // As Utf16Le when the bytes start with FF FE, else each byte widened
    // through the instrument's character table (the command line's --sort).
    Detected,
};

// The text of an input data file's bytes in the given form. Large inputs
// are widened or copied in two halves at once.
QString InputTextFromBytes(QByteArrayView bytes, InputFileForm form = InputFileForm::Detected);

// Whether named pipes, devices and standard input are read.
enum class InputStreams {
    // Only regular files: a named pipe or a device is refused at once, never
    // waited on (the window).
    Refused,
    // Read as streams, to their end, within the same limit; "-" is standard
    // input (the command line).
    Read,
};

// Reads the input data file at path into text, a block at a time straight
// into the text, so the file's bytes are never held whole beside it; extra
// more code units are reserved after the text (room for a terminator that a
// parse appends in place). A path is never taken as a Qt resource. False,
// with text unchanged and errorText naming the file and the cause, when it
// cannot be opened, holds more than kMaxInputFileBytes, cannot be read to
// its end (a file that shrinks while it is read included), or is a stream
// that streams refuses. An empty file reads as an empty text.
bool ReadInputText(const QString &path, InputFileForm form, QString *text, QString *errorText,
                   qsizetype extra = 0, InputStreams streams = InputStreams::Refused);

// An input data file read a part at a time, as the command line's streamed
// sort reads it: the text ReadInputText reads in the Detected form, each part
// read again from the file whenever it is asked for, so that the file's text
// is never held whole.
class InputFileSource : public LogTextSource
{
public:
    // The source of the regular file at path; null with errorText set as
    // ReadInputText sets it when it cannot be opened or is too large, and
    // null with *stream true (errorText empty) when path names a named
    // pipe, a device or a socket, which can be read only once.
    static std::unique_ptr<InputFileSource> Open(const QString &path, QString *errorText, bool *stream);

    qsizetype Size() const override { return m_units; }
    // Throws LogTextReadError when the part cannot be read whole or the
    // file's length has changed since it was opened.
    void Read(qsizetype from, qsizetype count, char16_t *out) override;
    // False when the file was written since it was opened (its length or
    // its time of change differ): the parts read may not belong together.
    bool Unchanged() const;

private:
    InputFileSource() = default;
    QString m_name;
    QFile m_file;
    bool m_utf16 = false;
    qsizetype m_units = 0;
    qint64 m_length = 0;
    QDateTime m_changed;
    QByteArray m_block; // the bytes of a part of a file that is not UTF-16
};

// True when path names a named pipe, a device or a socket (through links):
// something that would be read as a stream, not a file.
bool IsStreamPath(const QString &path);

#endif
