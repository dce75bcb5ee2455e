#include "core/io/safe_file_writer.h"

#include "core/io/text_file.h"

#include <QByteArray>
#include <QDir>
#include <QFileDevice>
#include <QIODevice>
#include <QSysInfo>

#include <cerrno>

namespace {

// Code units written at a time from a text.
constexpr qsizetype kPieceUnits = qsizetype(1) << 19;

// The system's words for the last failure on device: errno as the failing
// call left it when there is one, else the device's own error text.
QString StreamReason(int systemError, const QIODevice &device)
{
    if (systemError != 0)
        return qt_error_string(systemError);
    if (!device.errorString().isEmpty() && device.errorString() != QLatin1String("Unknown error"))
        return device.errorString();
    return QStringLiteral("the system accepted no more bytes");
}

} // namespace

SafeFileWriter::SafeFileWriter(const QString &path)
    : m_path(path), m_file(std::make_unique<NativeFile::Replacement>())
{
}

SafeFileWriter::SafeFileWriter(QIODevice &stream, const QString &name) : m_stream(&stream), m_streamName(name) {}

SafeFileWriter::~SafeFileWriter()
{
    if (m_open)
        Cancel();
}

bool SafeFileWriter::Fail(const QString &reason)
{
    m_failed = true;
    m_reason = reason;
    Cancel();
    return false;
}

bool SafeFileWriter::Open()
{
    m_failed = false;
    m_reason.clear();
    if (m_stream) {
        m_open = true;
        return true;
    }
    if (m_path.isEmpty())
        return Fail(QStringLiteral("no file is named"));
    m_target = NativeFile::ResolveForWriting(m_path);
    if (!m_target.refusal.isEmpty())
        return Fail(m_target.refusal);
    using NativeFile::Kind;
    if (m_target.kind != Kind::Missing && m_target.kind != Kind::Regular)
        return Fail(QStringLiteral("it is %1, not a regular file, so it cannot be replaced as a whole")
                        .arg(NativeFile::KindName(m_target.kind)));
    QString reason;
    if (!m_file->Begin(m_target, &reason)) {
        // Writing in place instead would leave the old file cut short by a
        // write that fails half-way.
        if (m_target.kind == Kind::Regular)
            return Fail(QStringLiteral("no temporary file can be made in its folder (%1), so it cannot be "
                                       "replaced as a whole")
                            .arg(reason));
        return Fail(reason);
    }
    m_open = true;
    return true;
}

bool SafeFileWriter::Write(QByteArrayView bytes)
{
    if (!m_open || m_failed)
        return false;
    if (!m_stream) {
        QString reason;
        return m_file->Write(bytes, &reason) || Fail(reason);
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 written = m_stream->write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return Fail(StreamReason(errno, *m_stream));
        done += qsizetype(written);
    }
    return true;
}

bool SafeFileWriter::WriteUtf16Le(QStringView text)
{
    for (qsizetype at = 0; at < text.size(); at += kPieceUnits) {
        const QStringView piece = text.sliced(at, qMin(kPieceUnits, text.size() - at));
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            // The code units in memory are the file's bytes already.
            if (!Write(QByteArrayView(reinterpret_cast<const char *>(piece.data()), piece.size() * 2)))
                return false;
        } else {
            QByteArray bytes;
            AppendUtf16Le(bytes, piece);
            if (!Write(bytes))
                return false;
        }
    }
    return m_open && !m_failed;
}

bool SafeFileWriter::Commit()
{
    if (!m_open || m_failed)
        return false;
    if (m_stream) {
        // Flushed even when opened unbuffered: a file opened on a C stream
        // (stdout) still has the stream's own buffer behind it.
        if (auto *file = qobject_cast<QFileDevice *>(m_stream)) {
            errno = 0;
            if (!file->flush())
                return Fail(StreamReason(errno, *file));
        }
        m_open = false;
        return true;
    }
    QString reason;
    if (!m_file->Finish(&reason))
        return Fail(reason);
    m_open = false;
    return true;
}

void SafeFileWriter::Cancel()
{
    if (m_file)
        m_file->Abandon();
    m_open = false;
}

QString SafeFileWriter::Problem() const
{
    if (m_stream)
        return m_reason;
    const bool oldFileKept = m_target.refusal.isEmpty() && m_target.kind == NativeFile::Kind::Regular;
    return m_reason + (oldFileKept ? QStringLiteral("; the file was left as it was")
                                   : QStringLiteral("; nothing was written"));
}

QString SafeFileWriter::ErrorText() const
{
    if (m_stream)
        return QStringLiteral("Cannot write to %1: %2").arg(m_streamName, Problem());
    return QStringLiteral("Cannot write the file %1: %2").arg(QDir::toNativeSeparators(m_path), Problem());
}
