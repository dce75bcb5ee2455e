#include "core/sorting/input_file.h"

#include "core/device/instrument_charset.h"
#include "core/util/two_halves.h"

#include <QByteArray>
#include <QFile>
#include <QSysInfo>

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
// The block read from a file at a time.
constexpr qsizetype kBlock = qsizetype(4) << 20;

bool IsUtf16(QByteArrayView bytes, InputFileForm form)
{
    return form == InputFileForm::Utf16Le || bytes.startsWith("\xFF\xFE");
}

// Puts count code units (2 * count bytes of in when utf16, else count
// bytes) into out, widening instrument bytes through the table.
void Convert(char16_t *out, const uchar *in, qsizetype count, bool utf16)
{
    static const WideningTable table;
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

bool ReadInputText(const QString &path, InputFileForm form, QString *text, QString *errorText, qsizetype extra)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *errorText = QStringLiteral("Cannot open file %1: %2").arg(path, file.errorString());
        return false;
    }
    const qint64 length = file.size();
    if (length > kMaxInputFileBytes) {
        *errorText = QStringLiteral("Cannot read file %1: it holds %2 bytes, more than the %3 bytes "
                                    "that can be held as text")
                         .arg(path)
                         .arg(length)
                         .arg(kMaxInputFileBytes);
        return false;
    }
    const bool utf16 = IsUtf16(file.peek(2), form);
    const qsizetype units = utf16 ? length / 2 : length;
    QString result;
    result.reserve(units + extra);
    result.resize(units);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    QByteArray block(qMin<qint64>(kBlock, qMax<qint64>(length, 2)), Qt::Uninitialized);
    const auto *in = reinterpret_cast<const uchar *>(block.constData());
    qsizetype done = 0; // code units in result
    while (done < units) {
        // An odd last byte of a UTF-16 file is never read.
        const qint64 want = utf16 ? 2 * qMin(block.size() / 2, units - done) : qMin(block.size(), units - done);
        const qint64 got = file.read(block.data(), want);
        if (got < want) {
            const QString reason = got < 0 || file.error() != QFileDevice::NoError
                ? file.errorString()
                : QStringLiteral("only %1 of its %2 bytes could be read")
                      .arg((utf16 ? 2 * done : done) + qMax<qint64>(got, 0))
                      .arg(length);
            *errorText = QStringLiteral("Cannot read file %1: %2").arg(path, reason);
            return false;
        }
        Convert(out + done, in, utf16 ? got / 2 : got, utf16);
        done += utf16 ? got / 2 : got;
    }
    *text = std::move(result);
    return true;
}
