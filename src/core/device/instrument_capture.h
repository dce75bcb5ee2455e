// Receiving the instrument's print-out without the window: binds the D2XX
// library with the same binding the window uses, opens one instrument by its
// serial number or description as the window's Open does, optionally sends
// the Print key (0x0D), and hands on what arrives, chunk by chunk as it is
// read, widened through the instrument's character table, until the link
// has been quiet for a while, a time limit passes, a stop is requested or
// the instrument is lost. Nothing of the print-out is held here: the
// receiver of the chunks keeps them (the command line writes them to a file
// as they come).
#ifndef TAVIX_CORE_DEVICE_INSTRUMENT_CAPTURE_H
#define TAVIX_CORE_DEVICE_INSTRUMENT_CAPTURE_H

#include "core/device/d2xx_types.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>

class InstrumentCapture
{
public:
    enum class Status {
        Captured,        // at least one byte arrived and was taken
        NoDriver,        // the library could not be loaded or lacks an entry point
        DeviceNotOpened, // no instrument named, none of that name, or the driver refused to open it
        NothingReceived, // the instrument was open but sent nothing (deviceLost: it was lost first)
    };

    // A loss found this long after the last byte, or later, came after the
    // bytes had stopped coming (the link's read time-out): the print-out
    // was whole as far as can be told. One found sooner cut it short.
    static constexpr qint64 kPauseMs = 300;

    struct Request
    {
        QString driverPath;    // empty: the binding's default search
        QByteArray deviceName; // the name handed to FT_OpenEx; empty: none is known (DeviceNotOpened,
                               // after the library was bound, so that a missing library is told first)
        DWORD openBy = FT_OPEN_BY_SERIAL_NUMBER;
        bool sendPrint = false;
        // The capture ends when nothing has arrived for idleMs, or after
        // maxMs (0: no limit). The quiet time counts from the last byte; before
        // the first one it counts from the open, unless waitForFirstByte is
        // set (the Print button is pressed by hand, whenever the user gets
        // to it): then only maxMs or a stop ends the wait.
        int idleMs = 2000;
        int maxMs = 0;
        bool waitForFirstByte = false;
    };

    struct Result
    {
        Status status = Status::NothingReceived;
        qint64 bytes = 0;        // the number of bytes received and taken
        int stoppedBy = 0;       // ended by a stop request: its non-zero value
        // Ended because the driver reported a failure, before the quiet time
        // that ends a capture had passed; quietMs is the time from the last
        // byte (from the open before the first) to the poll that found it.
        // A failure found once the quiet time had passed ends the capture as
        // that quiet time would: deviceLost stays false.
        bool deviceLost = false;
        qint64 quietMs = 0;
        bool refused = false;    // ended because the receiver refused a chunk
        QString message;         // why it failed, for the user; empty when captured
    };

    // Takes every chunk as it arrives, one character a byte, with the running
    // byte count (this chunk included). Returning false ends the capture at
    // once (Result::refused): the chunk is not counted as taken.
    using Receiver = std::function<bool(QStringView chunk, qint64 bytes)>;

    // Runs the capture on the calling thread, polling every 10 ms and reading
    // at most 600 bytes a poll, as the window does. A chunk delivered with
    // FT_IO_ERROR is kept, as the window keeps it. stop may be null; when it
    // becomes non-zero the capture ends after the current poll, its value in
    // Result::stoppedBy. The device is closed and the library released
    // before return.
    static Result Run(const Request &request, const std::atomic<int> *stop, const Receiver &receiver);
};

#endif
