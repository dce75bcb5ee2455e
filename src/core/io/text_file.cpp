#include "core/io/text_file.h"

#include "core/io/safe_file_writer.h"

#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <cstring>

void AppendUtf16Le(QByteArray &bytes, QStringView text)
{
    // An empty view may have no data pointer at all, which the copy must not see.
    if (text.isEmpty())
        return;
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

// The system's words for the last failure of file: errno as the failing
// call left it when there is one, else the file's own error text.
QString SystemReason(int systemError, const QFileDevice &file)
{
    if (systemError != 0)
        return qt_error_string(systemError);
    if (file.error() != QFileDevice::NoError && !file.errorString().isEmpty())
        return file.errorString();
    return QStringLiteral("the system accepted no more bytes");
}

} // namespace

bool WriteAllBytes(QFileDevice &file, QByteArrayView bytes, QString *reason)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        const int systemError = errno;
        if (written <= 0) {
            if (reason)
                *reason = SystemReason(systemError, file);
            return false;
        }
        // A short write (a disk that filled up, a file size limit) stops
        // where the system refused; the rest is offered again, and the
        // system either takes it now or says why not.
        done += static_cast<qsizetype>(written);
    }
    if (!(file.openMode() & QIODevice::Unbuffered)) {
        errno = 0;
        const bool flushed = file.flush();
        const int systemError = errno;
        if (!flushed) {
            if (reason)
                *reason = SystemReason(systemError, file);
            return false;
        }
    }
    return true;
}

bool WriteFileBytes(const QString &path, QByteArrayView bytes, QString *errorText)
{
    SafeFileWriter writer(path);
    if (writer.Open() && writer.Write(bytes) && writer.Commit())
        return true;
    if (errorText)
        *errorText = writer.ErrorText();
    return false;
}

bool SaveTextFile(const QString &path, QStringView text, SaveFailure *failure)
{
    // A file that is there is never touched by a failed save.
    const bool existed = QFileInfo(NativeFile::FileSystemPath(path)).isFile();
    SafeFileWriter writer(path);
    if (writer.Open() && writer.Write("\xFF\xFE") && writer.WriteUtf16Le(text) && writer.Commit())
        return true;
    if (failure) {
        failure->text = writer.ErrorText();
        failure->reason = writer.Reason();
        failure->fileKept = existed;
    }
    return false;
}

bool SaveTextFile(const QString &path, QStringView text, QString *errorText)
{
    SafeFileWriter writer(path);
    if (writer.Open() && writer.Write("\xFF\xFE") && writer.WriteUtf16Le(text) && writer.Commit())
        return true;
    if (errorText)
        *errorText = writer.ErrorText();
    return false;
}
