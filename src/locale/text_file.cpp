#include "locale/text_file.h"

#include <QSaveFile>

QByteArray Utf16LeBytes(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        bytes.append(static_cast<char>(unit & 0xFF));
        bytes.append(static_cast<char>(unit >> 8));
    }
    return bytes;
}

QByteArray Utf16LeWithBom(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.append(static_cast<char>(0xFF));
    bytes.append(static_cast<char>(0xFE));
    bytes.append(Utf16LeBytes(text));
    return bytes;
}

bool WriteFileBytes(const QString &path, const QByteArray &bytes, QString *errorText)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (errorText)
            *errorText = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}
