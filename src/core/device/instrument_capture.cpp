#include "core/device/instrument_capture.h"

#include "core/device/d2xx_binding.h"
#include "core/device/instrument_charset.h"
#include "core/device/open_failure.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr DWORD kReceiveBufferSize = 600;
constexpr unsigned long kPollPeriodMs = 10;
// The settle time of a freshly reset device, and the link's time-outs, as
// the window's Open uses them.
constexpr unsigned long kSettleMs = 150;
constexpr ULONG kTimeoutMs = 300;
constexpr quint8 kPrintKey = 0x0D;

// Why the open failed: the library's own words when it gives them (the
// serial adapter names a busy port's holder, a missing path, a file that is
// no port), else what the status tells.
QString OpenFailureText(const InstrumentCapture::Request &request, FT_STATUS status, const OpenFailure &failure)
{
    const QString what = request.openBy == FT_OPEN_BY_DESCRIPTION
        ? QStringLiteral("the instrument with description '%1'")
        : QStringLiteral("the instrument with serial number '%1'");
    const QString device = what.arg(QString::fromLatin1(request.deviceName));
    if (!failure.IsEmpty() && failure.kind != TAVIXSERIAL_OPEN_NOT_LISTED)
        return QStringLiteral("%1 could not be opened: %2").arg(device, failure.words);
    switch (status) {
    case FT_DEVICE_NOT_FOUND:
        return QStringLiteral("%1 is not attached").arg(device);
    case FT_DEVICE_NOT_OPENED:
        return QStringLiteral("%1 could not be opened (is it open in another program?)").arg(device);
    default:
        return QStringLiteral("%1 could not be opened (D2XX status %2)").arg(device).arg(status);
    }
}

} // namespace

InstrumentCapture::Result InstrumentCapture::Run(const Request &request, const std::atomic<int> *stop,
                                                 const Receiver &receiver)
{
    Result result;
    D2xxBinding driver;
    const D2xxBinding::LoadResult load = driver.Load(request.driverPath);
    if (!load.ok) {
        result.status = Status::NoDriver;
        const QString library = request.driverPath.isEmpty()
            ? QStringLiteral("the D2XX driver library")
            : QStringLiteral("the D2XX driver library '%1'").arg(request.driverPath);
        result.message = QStringLiteral("cannot use %1: %2").arg(library, load.message);
        return result;
    }
    if (request.deviceName.isEmpty()) {
        result.status = Status::DeviceNotOpened;
        result.message = QStringLiteral("no instrument is named");
        return result;
    }

    // Opening as the window's Open does: by name, the event characters and
    // notification off, reset, the receive queue emptied, a settle time.
    FT_HANDLE handle = nullptr;
    QByteArray name = request.deviceName; // FT_OpenEx takes a non-const pointer
    const FT_STATUS opened = driver.OpenEx(name.data(), request.openBy, &handle);
    if (opened != FT_OK) {
        result.status = Status::DeviceNotOpened;
        result.message = OpenFailureText(request, opened, driver.LastOpenFailure());
        return result;
    }
    driver.SetChars(handle, 0, 0, 0, 0);
    driver.SetEventNotification(handle, 0, nullptr);
    driver.ResetDevice(handle);
    driver.Purge(handle, FT_PURGE_RX);
    driver.ResetDevice(handle);
    QThread::msleep(kSettleMs);
    driver.SetTimeouts(handle, kTimeoutMs, kTimeoutMs);

    if (request.sendPrint) {
        const quint8 key = kPrintKey;
        DWORD sent = 0;
        driver.Write(handle, &key, 1, &sent);
    }

    QElapsedTimer total;
    total.start();
    QElapsedTimer quiet;
    quiet.start();
    char buffer[kReceiveBufferSize];
    for (;;) {
        if (const int stopper = stop ? stop->load() : 0) {
            result.stoppedBy = stopper;
            break;
        }
        // The time limit also ends a link that never goes quiet.
        if (request.maxMs > 0 && total.elapsed() >= request.maxMs)
            break;
        const bool waiting = result.bytes == 0 && request.waitForFirstByte;
        DWORD rx = 0, tx = 0, events = 0;
        if (driver.GetStatus(handle, &rx, &tx, &events) != FT_OK) {
            // A loss found only once the quiet time that ends the capture
            // had passed ends it as that quiet time would have: not lost.
            result.quietMs = quiet.elapsed();
            result.deviceLost = waiting || result.quietMs < request.idleMs;
            break;
        }
        if (rx > 0) {
            DWORD got = 0;
            const FT_STATUS status = driver.Read(handle, buffer, qMin(rx, kReceiveBufferSize), &got);
            got = qMin(got, kReceiveBufferSize);
            if (got > 0 && (status == FT_OK || status == FT_IO_ERROR)) {
                if (receiver && !receiver(InstrumentBytesToText(QByteArrayView(buffer, got)), result.bytes + got)) {
                    result.refused = true;
                    break;
                }
                result.bytes += got;
                quiet.restart();
                // More may be waiting already: read on without a pause.
                continue;
            }
        }
        if (!waiting && quiet.elapsed() >= request.idleMs)
            break;
        QThread::msleep(kPollPeriodMs);
    }
    driver.Close(handle);
    driver.Unload();

    if (result.bytes == 0) {
        result.status = Status::NothingReceived;
        result.message = result.deviceLost ? QStringLiteral("the instrument stopped answering before it sent anything")
                         : result.refused  ? QStringLiteral("the first bytes that arrived could not be kept")
                                           : QStringLiteral("nothing arrived from the instrument");
        return result;
    }
    result.status = Status::Captured;
    return result;
}
