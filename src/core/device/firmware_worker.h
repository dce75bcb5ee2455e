// The firmware upload worker: sends a program file to the instrument in
// blocks of 128 bytes, byte for byte, through the driver's write on the open
// device handle. It lives on its own thread and touches nothing of the
// dialog: the progress note, the fonts and the input text are the dialog's
// business, done on the user-interface thread when Finished arrives there.
#ifndef TAVIX_CORE_DEVICE_FIRMWARE_WORKER_H
#define TAVIX_CORE_DEVICE_FIRMWARE_WORKER_H

#include "core/device/d2xx_types.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>

// The driver's write on one device handle: (data, count, accepted) -> status.
using FirmwareWriteFunction = std::function<FT_STATUS(const void *data, DWORD count, DWORD *sent)>;

// What the worker is given for one upload: the full path of the program file
// and the write on the handle that was open when the upload started. The
// worker gets the write, not the dialog, so that it cannot reach a widget.
struct FirmwareJob
{
    QString path;
    FirmwareWriteFunction write;
};

class FirmwareWorker : public QObject
{
    Q_OBJECT
public:
    // How an upload ended.
    enum class Result {
        Sent,         // the whole file was accepted
        OpenFailed,   // the file could not be opened or read
        WriteFailed,  // 101 consecutive writes failed
        Stalled,      // the device accepted no byte for the stall limit while reporting success
        Stopped,      // a stop was requested between two writes
    };
    Q_ENUM(Result)

    static constexpr int kBlockSize = 128;
    // Consecutive failed writes tolerated; the next one ends the upload.
    static constexpr int kFailureLimit = 100;
    static constexpr std::chrono::milliseconds kDefaultStallLimit{30000};

    // stallLimit: how long writes may keep accepting nothing before the upload fails.
    explicit FirmwareWorker(std::chrono::milliseconds stallLimit = kDefaultStallLimit,
                            QObject *parent = nullptr);

    // Sends the file of the job and emits Finished once, at the end. Runs on
    // the worker's thread (the dialog invokes it there by a queued call);
    // tests may call it directly. Returns 0, as the thread function does.
    int SendProgramWorker(const FirmwareJob &job);

    // The job Run sends; set before the worker's thread starts.
    void SetJob(const FirmwareJob &job) { m_job = job; }
    // Sends the job set with SetJob: the slot the thread's start runs.
    void Run() { SendProgramWorker(m_job); }

    // Asks a running upload to end before its next write; safe from any
    // thread. Sequentially consistent, so that whatever the asking thread
    // did before is seen by the worker once it sees the request.
    void RequestStop() { m_stopRequested.store(true); }
    bool StopRequested() const { return m_stopRequested.load(); }

    std::chrono::milliseconds StallLimit() const { return m_stallLimit; }

signals:
    // bytesSent counts the bytes the device accepted; writeCalls every call of
    // the write, failed ones included.
    void Finished(FirmwareWorker::Result result, qint64 bytesSent, qint64 writeCalls);

private:
    Result Send(const FirmwareJob &job, qint64 &bytesSent, qint64 &writeCalls);

    const std::chrono::milliseconds m_stallLimit;
    FirmwareJob m_job;
    std::atomic_bool m_stopRequested{false};
};

#endif
