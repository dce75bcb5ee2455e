// Byte layouts of the program's UTF-16 text files. Input data, sorted data
// and translated input data files are the two bytes FF FE followed by the
// text as UTF-16 little-endian code units; the display-value backup file has
// no byte-order mark. No file carries a terminating zero.
#ifndef TAVIX_CORE_IO_TEXT_FILE_H
#define TAVIX_CORE_IO_TEXT_FILE_H

#include <QByteArray>
#include <QByteArrayView>
#include <QFileDevice>
#include <QString>
#include <QStringView>

// The text as UTF-16 little-endian code units, two bytes each, no byte-order
// mark and no terminator. Every code unit is written as it is, lone surrogates,
// U+0000 and U+FEFF included.
QByteArray Utf16LeBytes(QStringView text);

// Appends Utf16LeBytes(text) to bytes, in one block copy on a little-endian
// machine and unit by unit on a big-endian one.
void AppendUtf16Le(QByteArray &bytes, QStringView text);

// FF FE followed by Utf16LeBytes(text).
QByteArray Utf16LeWithBom(QStringView text);

// Replaces the file at path, or creates it, with bytes, as a whole: the
// bytes go to a temporary file beside it that takes the old file's place
// only once every byte is written, so a failed write leaves an existing file
// exactly as it was. Where no such replacement is possible (no temporary
// file can be made in the folder, or the path names something other than a
// regular file, such as a device or a pipe) nothing is written and the
// refusal says so; the file is never written in place. Returns false and,
// when errorText is given, a message naming the file and the system's reason
// (its own words, "No space left on device" for a full disk).
bool WriteFileBytes(const QString &path, const QByteArray &bytes, QString *errorText = nullptr);

// Writes every byte of bytes to the open file. A write that stops short is
// taken up again with the rest, so a failure can leave no hole: the file
// holds a prefix of the bytes and the call reports why it ends there. A
// buffered file is flushed. Returns false and, when reason is given, the
// system's words for the failure (never an empty or "Unknown error" text).
bool WriteAllBytes(QFileDevice &file, QByteArrayView bytes, QString *reason = nullptr);

#endif
