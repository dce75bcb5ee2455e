#include "core/device/firmware_worker.h"

#include "core/io/native_file.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

FirmwareWorker::FirmwareWorker(std::chrono::milliseconds stallLimit, QObject *parent)
    : QObject(parent), m_stallLimit(stallLimit)
{
}

int FirmwareWorker::SendProgramWorker(const FirmwareJob &job)
{
    qint64 bytesSent = 0;
    qint64 writeCalls = 0;
    const Result result = Send(job, bytesSent, writeCalls);
    emit Finished(result, bytesSent, writeCalls);
    return 0;
}

FirmwareWorker::Result FirmwareWorker::Send(const FirmwareJob &job, qint64 &bytesSent, qint64 &writeCalls)
{
    // Only a regular file is read: a named pipe put in its place after the
    // window checked the path would keep the worker waiting for a writer.
    QFile file;
    bool isStream = false;
    QString reason;
    if (!job.write || !NativeFile::OpenForReading(file, job.path, false, &isStream, &reason))
        return Result::OpenFailed;

    char block[kBlockSize];
    // Time since the device last accepted a byte (or since the start).
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    for (;;) {
        const qint64 n = file.read(block, kBlockSize);
        if (n < 0)
            return Result::OpenFailed; // the file went away or cannot be read on
        if (n == 0)
            return Result::Sent;

        // The block goes until every byte of it was accepted: a write that
        // accepted fewer bytes is continued from the first byte not accepted.
        int failures = 0;
        qint64 position = 0;
        qint64 remaining = n;
        while (remaining > 0) {
            if (StopRequested())
                return Result::Stopped;
            DWORD sent = 0;
            const FT_STATUS status = job.write(block + position, static_cast<DWORD>(remaining), &sent);
            ++writeCalls;
            if (status == FT_OK)
                failures = 0;
            else if (++failures > kFailureLimit)
                return Result::WriteFailed;
            // A driver that reports more than it was given cannot move past the block.
            const qint64 accepted = qMin<qint64>(sent, remaining);
            if (accepted > 0) {
                position += accepted;
                remaining -= accepted;
                bytesSent += accepted;
                sinceProgress.restart();
                continue;
            }
            if (sinceProgress.elapsed() >= m_stallLimit.count())
                return Result::Stalled;
            // A real driver blocks for its write time-out before it reports
            // that nothing went; one that answers at once is not hammered.
            if (status == FT_OK)
                QThread::msleep(1);
        }
    }
}
