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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
            qsizetype i = from;
#if defined(__SSE2__)
            // Bytes below 0x80 are their own characters: sixteen at a time
            // are widened as they are while none of them is higher.
            const __m128i zero = _mm_setzero_si128();
            for (; i + 16 <= to; i += 16) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
                if (_mm_movemask_epi8(bytes) != 0) {
                    for (qsizetype k = i; k < i + 16; ++k)
                        out[k] = table.units[in[k]];
                    continue;
                }
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(bytes, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
            }
#endif
            for (; i < to; ++i)
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

std::unique_ptr<InputFileSource> InputFileSource::Open(const QString &path, QString *errorText, bool *stream)
{
    std::unique_ptr<InputFileSource> source(new InputFileSource);
    *stream = false;
    QString reason;
    if (!NativeFile::OpenForReading(source->m_file, path, false, stream, &reason)) {
        if (*stream)
            return nullptr;
        *errorText = QStringLiteral("Cannot open file %1: %2")
                         .arg(path, reason.isEmpty() ? source->m_file.errorString() : reason);
        return nullptr;
    }
    source->m_name = path;
    source->m_length = source->m_file.size();
    if (source->m_length > kMaxInputFileBytes) {
        *errorText = TooLarge(path, source->m_length);
        return nullptr;
    }
    source->m_changed = source->m_file.fileTime(QFileDevice::FileModificationTime);
    source->m_utf16 = IsUtf16(source->m_file.peek(2), InputFileForm::Detected);
    source->m_units = source->m_utf16 ? source->m_length / 2 : source->m_length;
    return source;
}

void InputFileSource::Read(qsizetype from, qsizetype count, char16_t *out)
{
    if (count <= 0)
        return;
    const auto fail = [&](const QString &reason) {
        throw LogTextReadError(QStringLiteral("Cannot read file %1: %2").arg(m_name, reason));
    };
    if (m_file.size() != m_length)
        fail(QStringLiteral("it changed while it was read (it held %1 bytes, now %2)").arg(m_length).arg(m_file.size()));
    const qint64 width = m_utf16 ? 2 : 1;
    if (!m_file.seek(from * width))
        fail(m_file.errorString());
    // A UTF-16 file's bytes are the text's code units already on a
    // little-endian machine: they are read straight into the text.
    const bool direct = m_utf16 && QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    if (!direct && m_block.size() < count * width)
        m_block.resize(count * width);
    char *into = direct ? reinterpret_cast<char *>(out) : m_block.data();
    qint64 done = 0;
    while (done < count * width) {
        const qint64 got = m_file.read(into + done, count * width - done);
        if (got < 0)
            fail(m_file.errorString());
        if (got == 0)
            fail(QStringLiteral("only %1 of its %2 bytes could be read").arg(from * width + done).arg(m_length));
        done += got;
    }
    if (!direct)
        Convert(out, reinterpret_cast<const uchar *>(m_block.constData()), count, m_utf16);
}

bool InputFileSource::Unchanged() const
{
    return m_file.size() == m_length && m_file.fileTime(QFileDevice::FileModificationTime) == m_changed;
}

bool IsStreamPath(const QString &path)
{
    const QFileInfo info(NativeFile::FileSystemPath(path));
    return info.exists() && !info.isFile() && !info.isDir();
}
