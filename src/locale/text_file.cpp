#include "locale/text_file.h"

#include <QSaveFile>
#include <QSysInfo>

#include <cstring>

void AppendUtf16Le(QByteArray &bytes, QStringView text)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + text.size() * 2);
    char *out = bytes.data() + start;
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        // The code units in memory already are the file's bytes.
        std::memcpy(out, text.data(), size_t(text.size()) * 2);
    } else {
        for (const QChar ch : text) {
            const char16_t unit = ch.unicode();
            *out++ = static_cast<char>(unit & 0xFF);
            *out++ = static_cast<char>(unit >> 8);
        }
    }
}

QByteArray Utf16LeBytes(QStringView text)
{
    QByteArray bytes;
    AppendUtf16Le(bytes, text);
    return bytes;
}

QByteArray Utf16LeWithBom(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.append(static_cast<char>(0xFF));
    bytes.append(static_cast<char>(0xFE));
    AppendUtf16Le(bytes, text);
    return bytes;
}

namespace {

QString FileError(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot write the file %1: %2").arg(path, reason);
}

} // namespace

bool WriteFileBytes(const QString &path, const QByteArray &bytes, QString *errorText)
{
    QSaveFile file(path);
    // A file in a folder where no temporary file can be made is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorText)
            *errorText = FileError(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (errorText)
            *errorText = FileError(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (errorText)
            *errorText = FileError(path, file.errorString());
        return false;
    }
    return true;
}
