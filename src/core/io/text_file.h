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

// Replaces the file at path, or creates it, with bytes, as a whole, through
// SafeFileWriter: a failed write leaves an existing file exactly as it was,
// and a target that is no regular file (a device, a pipe, a folder) is
// refused. Returns false and, when errorText is given, a message naming the
// file and the system's reason (its own words, "No space left on device"
// for a full disk) and what became of the file.
bool WriteFileBytes(const QString &path, QByteArrayView bytes, QString *errorText = nullptr);

// Saves text as an input data, sorted data or translated input data file
// (FF FE, then the text as UTF-16 little-endian), as WriteFileBytes writes,
// streamed from the text a piece at a time: no second copy of it is made.
bool SaveTextFile(const QString &path, QStringView text, QString *errorText = nullptr);

// Why a save failed, in parts, so that a message can be worded in any
// language: the whole sentence as WriteFileBytes gives it, the reason alone
// (the system's words, or why the target was refused), and whether a file
// was there before (it is left as it was; otherwise nothing was written).
struct SaveFailure
{
    QString text;
    QString reason;
    bool fileKept = false;
};
bool SaveTextFile(const QString &path, QStringView text, SaveFailure *failure);

// Writes every byte of bytes to the open file. A write that stops short is
// taken up again with the rest, so a failure can leave no hole: the file
// holds a prefix of the bytes and the call reports why it ends there. A
// buffered file is flushed. Returns false and, when reason is given, the
// system's words for the failure (never an empty or "Unknown error" text).
bool WriteAllBytes(QFileDevice &file, QByteArrayView bytes, QString *reason = nullptr);

#endif
