// Byte layouts of the program's UTF-16 text files. Input data, sorted data
// and translated input data files are the two bytes FF FE followed by the
// text as UTF-16 little-endian code units; the display-value backup file has
// no byte-order mark. No file carries a terminating zero.
#ifndef TAVIX_LOCALE_TEXT_FILE_H
#define TAVIX_LOCALE_TEXT_FILE_H

#include <QByteArray>
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

// Creates the file at path, or truncates it if it exists, and writes bytes.
// The bytes go to a temporary file that replaces the old one only once every
// byte is written, so a failed write leaves an existing file as it was.
// Returns false and, when errorText is given, a message naming the file and
// the system's reason on failure.
bool WriteFileBytes(const QString &path, const QByteArray &bytes, QString *errorText = nullptr);

#endif
