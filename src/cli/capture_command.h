// The command line's capture: receives the instrument's print-out without a
// window and writes it as an input data file, the file "Save input data"
// writes (FF FE, then UTF-16 little-endian), which --sort and the window's
// "Open input data" read. The bytes go into a new file beside OUT as they
// arrive, which takes OUT's place at the end (SafeFileWriter), so an
// unplugged instrument, a signal or a shortage of memory loses nothing
// that arrived; OUT "-" is standard output.
//
//   tavixterminal --capture OUT [--driver PATH] [--serial S | --description D]
//                 [--print] [--idle SECONDS] [--max-seconds SECONDS]
//
// Without --serial or --description the instrument remembered in the
// program's profile is opened, by its serial number, as the window opens it
// at start-up.
#ifndef TAVIX_CLI_CAPTURE_COMMAND_H
#define TAVIX_CLI_CAPTURE_COMMAND_H

#include "cli/diagnostics.h"
#include "core/device/instrument_capture.h"

#include <QString>
#include <QStringList>

#include <atomic>

class QIODevice;

namespace CaptureCommand {

enum ExitStatus : int {
    ExitCaptured = 0,
    ExitUsage = Cli::kExitUsage, // bad arguments
    ExitNoDriver = 3,          // the D2XX library cannot be loaded or bound
    ExitNoDevice = 4,          // no such instrument, it cannot be opened, or none is remembered
    ExitNothingReceived = 5,   // the instrument sent nothing
    ExitOutputNotWritable = 6, // the output file cannot be written
    // 7 belongs to the window (no display).
    ExitInstrumentLost = 8, // the instrument was lost (unplugged) before the capture ended; what arrived is written
};

// The status of a capture that SIGTERM or SIGHUP ended (what arrived is
// written): 128 + the signal's number, as a shell reports a program that
// signal ended. SIGINT (Ctrl+C), the documented way to end a capture by
// hand, gives ExitCaptured.
constexpr int SignalStatus(int signal)
{
    return 128 + signal;
}

// True when the arguments (arguments[0] is the program) ask for a capture.
bool IsRequested(const QStringList &arguments);

// What the arguments ask for, or a usage message.
struct Options
{
    QString output;
    InstrumentCapture::Request request;
    bool fromProfile = false; // the device name came from the profile
    QString error;            // non-empty: the arguments are wrong
};
Options ParseOptions(const QStringList &arguments);

// Why a file cannot be written at path, or an empty text when it can be
// tried: the path is empty, names a folder, or its folder is missing or not
// writable. "-" (standard output) can always be tried.
QString OutputProblem(const QString &path);

// The progress line: a self-updating line (carriage return, no line feed)
// on a terminal, or one plain line per 4096 bytes otherwise.
class ProgressWriter
{
public:
    ProgressWriter(QIODevice &err, bool terminal) : m_err(err), m_terminal(terminal) {}
    void Received(qint64 bytes);
    // Ends a self-updating line so that the next message starts on its own.
    void Finish();

private:
    QIODevice &m_err;
    bool m_terminal;
    qint64 m_lastReported = 0;
    bool m_lineOpen = false;
};

// Runs the capture; the data goes to out for OUT "-", messages and progress
// to err. stopSignal (may be null) ends the capture early when it becomes
// the number of a signal, keeping what arrived. Returns the exit status.
int Run(const QStringList &arguments, QIODevice &out, QIODevice &err, bool errIsTerminal,
        const std::atomic<int> *stopSignal);

} // namespace CaptureCommand

#endif
