#include "core/sorting/input_file.h"

#include "core/device/instrument_charset.h"
#include "core/io/native_file.h"
#include "core/util/two_halves.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cstdio>
#include <cstring>

namespace {

// The instrument's character table for every byte value.
struct WideningTable
{
    char16_t units[256];
    WideningTable()
    {
        for (int b = 0; b < 256; ++b)
            units[b] = TranslateInstrumentChar(quint8(b));
    }
};

// Bytes widened or copied in two halves at once from this many on.
constexpr qsizetype kLargeText = 1 << 20;
// The block read from a file at a time, and from a stream.
constexpr qsizetype kBlock = qsizetype(4) << 20;
constexpr qsizetype kStreamBlock = qsizetype(1) << 20;

bool IsUtf16(QByteArrayView bytes, InputFileForm form)
{
    return form == InputFileForm::Utf16Le || bytes.startsWith("\xFF\xFE");
}

// Puts count code units (2 * count bytes of in when utf16, else count
// bytes) into out, widening instrument bytes through the table.
void Convert(char16_t *out, const uchar *in, qsizetype count, bool utf16)
{
    static const WideningTable table;
    // Empty bytes may have no data pointer at all, which the copy must not see.
    if (count <= 0)
        return;
    InTwoHalves(count, kLargeText, [&](qsizetype from, qsizetype to) {
        if (!utf16) {
            for (qsizetype i = from; i < to; ++i)
                out[i] = table.units[in[i]];
        } else if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            // The code units in memory are the file's bytes already.
            std::memcpy(out + from, in + 2 * from, size_t(to - from) * 2);
        } else {
            for (qsizetype i = from; i < to; ++i)
                out[i] = char16_t(in[2 * i] | (in[2 * i + 1] << 8));
        }
    });
}

} // namespace

QString InputTextFromBytes(QByteArrayView bytes, InputFileForm form)
{
    const bool utf16 = IsUtf16(bytes, form);
    const qsizetype units = utf16 ? bytes.size() / 2 : bytes.size();
    QString text(units, Qt::Uninitialized);
    Convert(reinterpret_cast<char16_t *>(text.data()), reinterpret_cast<const uchar *>(bytes.data()), units, utf16);
    return text;
}

namespace {

QString TooLarge(const QString &name, qint64 length)
{
    return QStringLiteral("Cannot read file %1: it holds %2 bytes, more than the %3 bytes that can be held as text")
        .arg(name)
        .arg(length)
        .arg(kMaxInputFileBytes);
}

// A regular file, whose length is known: the text is made at its size once.
bool ReadRegular(QFile &file, const QString &name, InputFileForm form, QString *text, QString *errorText,
                 qsizetype extra)
{
    const qint64 length = file.size();
    if (length > kMaxInputFileBytes) {
        *errorText = TooLarge(name, length);
        return false;
    }
    const bool utf16 = IsUtf16(file.peek(2), form);
    const qsizetype units = utf16 ? length / 2 : length;
    QString result;
    result.reserve(units + extra);
    result.resize(units);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    // A UTF-16 file's bytes are the text's code units already on a
    // little-endian machine: they are read straight into the text.
    const bool direct = utf16 && QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    QByteArray block(direct ? 0 : qMin<qint64>(kBlock, qMax<qint64>(length, 2)), Qt::Uninitialized);
    const auto *in = reinterpret_cast<const uchar *>(block.constData());
    const qsizetype blockSize = direct ? kBlock : block.size();
    qsizetype done = 0; // code units in result
    while (done < units) {
        // An odd last byte of a UTF-16 file is never read.
        const qint64 want = utf16 ? 2 * qMin(blockSize / 2, units - done) : qMin(blockSize, units - done);
        const qint64 got = file.read(direct ? reinterpret_cast<char *>(out + done) : block.data(), want);
        if (got < want) {
            const QString reason = got < 0 || file.error() != QFileDevice::NoError
                ? file.errorString()
                : QStringLiteral("only %1 of its %2 bytes could be read")
                      .arg((utf16 ? 2 * done : done) + qMax<qint64>(got, 0))
                      .arg(length);
            *errorText = QStringLiteral("Cannot read file %1: %2").arg(name, reason);
            return false;
        }
        if (!direct)
            Convert(out + done, in, utf16 ? got / 2 : got, utf16);
        done += utf16 ? got / 2 : got;
    }
    *text = std::move(result);
    return true;
}

// A pipe, a device or standard input, read to its end: the text grows a
// block at a time. The form is told from the first two bytes; an odd byte
// of a UTF-16 stream waits for its partner in the next block.
bool ReadStream(QFile &file, const QString &name, InputFileForm form, QString *text, QString *errorText,
                qsizetype extra)
{
    QString result;
    QByteArray block(kStreamBlock, Qt::Uninitialized);
    const auto *in = reinterpret_cast<const uchar *>(block.constData());
    qint64 total = 0;
    qsizetype pending = 0; // bytes at the start of block not yet converted
    bool decided = false;
    bool utf16 = false;
    for (;;) {
        const qint64 got = file.read(block.data() + pending, block.size() - pending);
        if (got < 0) {
            *errorText = QStringLiteral("Cannot read file %1: %2").arg(name, file.errorString());
            return false;
        }
        total += got;
        if (total > kMaxInputFileBytes) {
            *errorText = TooLarge(name, total) + QStringLiteral(" (it was read as a stream and stopped there)");
            return false;
        }
        pending += qsizetype(got);
        const bool end = got == 0;
        if (!decided) {
            if (pending < 2 && !end)
                continue;
            utf16 = IsUtf16(QByteArrayView(block.constData(), pending), form);
            decided = true;
        }
        const qsizetype units = utf16 ? pending / 2 : pending;
        const qsizetype at = result.size();
        if (result.capacity() < at + units + extra)
            result.reserve(qMax(at + units + extra, 2 * result.capacity()));
        result.resize(at + units);
        Convert(reinterpret_cast<char16_t *>(result.data()) + at, in, units, utf16);
        const qsizetype used = utf16 ? 2 * units : units;
        if (pending > used)
            block[0] = block[used];
        pending -= used;
        if (end)
            break;
    }
    *text = std::move(result);
    return true;
}

} // namespace

bool ReadInputText(const QString &path, InputFileForm form, QString *text, QString *errorText, qsizetype extra,
                   InputStreams streams)
{
    QFile file;
    bool stream = true;
    QString reason;
    const bool standardInput = streams == InputStreams::Read && path == QLatin1String("-");
    const QString name = standardInput ? QStringLiteral("standard input") : path;
    const bool opened = standardInput
        ? file.open(fileno(stdin), QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle)
        : NativeFile::OpenForReading(file, path, streams == InputStreams::Read, &stream, &reason);
    if (!opened) {
        *errorText = QStringLiteral("Cannot open file %1: %2").arg(name, reason.isEmpty() ? file.errorString() : reason);
        return false;
    }
    return stream ? ReadStream(file, name, form, text, errorText, extra)
                  : ReadRegular(file, name, form, text, errorText, extra);
}

bool IsStreamPath(const QString &path)
{
    const QFileInfo info(NativeFile::FileSystemPath(path));
    return info.exists() && !info.isFile() && !info.isDir();
}
