#include "cli/capture_command.h"

#include "cli/diagnostics.h"
#include "core/device/device_names.h"
#include "core/device/profile.h"
#include "core/io/native_file.h"
#include "core/io/safe_file_writer.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include <cmath>
#include <csignal>
#include <optional>

namespace CaptureCommand {

namespace {

using Cli::Say;

constexpr qint64 kPlainProgressStep = 4096;
// The open mode the window starts in, and so the one the profile's
// remembered device is opened by: the serial number.
constexpr int kSerialMode = 1;

// A positive number of seconds, as milliseconds (at least 1), or -1.
int Milliseconds(const QString &text)
{
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 24 * 3600)
        return -1;
    return qMax(1, int(std::lround(seconds * 1000)));
}

QString SecondsText(int ms)
{
    return QString::number(ms / 1000.0, 'g', 6) + QStringLiteral(" s");
}

} // namespace

bool IsRequested(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("--capture") || arg.startsWith(QLatin1String("--capture=")))
            return true;
    }
    return false;
}

Options ParseOptions(const QStringList &arguments)
{
    Options options;
    QCommandLineParser parser;
    const QCommandLineOption captureOption(QStringLiteral("capture"), QString(), QStringLiteral("OUT"));
    const QCommandLineOption driverOption(QStringLiteral("driver"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption serialOption(QStringLiteral("serial"), QString(), QStringLiteral("S"));
    const QCommandLineOption descriptionOption(QStringLiteral("description"), QString(), QStringLiteral("D"));
    const QCommandLineOption printOption(QStringLiteral("print"));
    const QCommandLineOption idleOption(QStringLiteral("idle"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption maxOption(QStringLiteral("max-seconds"), QString(), QStringLiteral("SECONDS"));
    parser.addOptions({captureOption, driverOption, serialOption, descriptionOption, printOption, idleOption,
                       maxOption});
    if (!parser.parse(arguments)) {
        options.error = Cli::ParseErrorText(parser, QStringLiteral("--capture"));
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return options;
    }
    for (const QCommandLineOption &option : {captureOption, driverOption, serialOption, descriptionOption,
                                             idleOption, maxOption}) {
        if (parser.values(option).size() > 1) {
            options.error = QStringLiteral("--%1 is given more than once").arg(option.names().first());
            return options;
        }
    }
    options.output = parser.value(captureOption);
    if (options.output.isEmpty()) {
        options.error = QStringLiteral("--capture needs a file name");
        return options;
    }
    if (parser.isSet(serialOption) && parser.isSet(descriptionOption)) {
        options.error = QStringLiteral("give either --serial or --description, not both");
        return options;
    }

    InstrumentCapture::Request &request = options.request;
    request.driverPath = parser.value(driverOption);
    if (parser.isSet(driverOption) && request.driverPath.isEmpty()) {
        options.error = QStringLiteral("--driver needs a path");
        return options;
    }
    request.sendPrint = parser.isSet(printOption);
    // Without --print the user long-presses Print on the instrument: the
    // quiet time starts with the first byte.
    request.waitForFirstByte = !request.sendPrint;
    if (parser.isSet(idleOption) && (request.idleMs = Milliseconds(parser.value(idleOption))) < 0) {
        options.error = QStringLiteral("--idle must be a number of seconds above 0, not '%1'")
                            .arg(parser.value(idleOption));
        return options;
    }
    if (parser.isSet(maxOption) && (request.maxMs = Milliseconds(parser.value(maxOption))) < 0) {
        options.error = QStringLiteral("--max-seconds must be a number of seconds above 0, not '%1'")
                            .arg(parser.value(maxOption));
        return options;
    }

    if (parser.isSet(serialOption) || parser.isSet(descriptionOption)) {
        const bool bySerial = parser.isSet(serialOption);
        const QString name = parser.value(bySerial ? serialOption : descriptionOption);
        if (name.isEmpty()) {
            options.error = QStringLiteral("--%1 needs a name").arg(bySerial ? "serial" : "description");
            return options;
        }
        request.openBy = bySerial ? FT_OPEN_BY_SERIAL_NUMBER : FT_OPEN_BY_DESCRIPTION;
        request.deviceName = NarrowDeviceName(name);
    } else {
        // The remembered device, turned into a name as the window's open
        // does: a listed "Tavix3000 s/n " entry loses its prefix.
        options.fromProfile = true;
        const QString remembered = Profile::ReadDeviceText(kSerialMode);
        request.openBy = FT_OPEN_BY_SERIAL_NUMBER;
        if (remembered != Profile::DefaultDeviceText() && !remembered.isEmpty())
            request.deviceName = NarrowDeviceName(DeviceNameToOpen(remembered, kSerialMode));
    }
    return options;
}

QString OutputProblem(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("no output file named");
    if (path == QLatin1String("-"))
        return QString();
    const QFileInfo info(NativeFile::FileSystemPath(path));
    if (info.isDir())
        return QStringLiteral("%1 is a folder").arg(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("the folder of %1 does not exist").arg(path);
    if (!folder.isWritable())
        return QStringLiteral("the folder of %1 is not writable").arg(path);
    if (info.exists() && !info.isWritable())
        return QStringLiteral("%1 is not writable").arg(path);
    return QString();
}

void ProgressWriter::Received(qint64 bytes)
{
    if (m_terminal) {
        m_err.write(QStringLiteral("\rtavixterminal: received %1 bytes").arg(bytes).toUtf8());
        m_lineOpen = true;
        return;
    }
    if (bytes / kPlainProgressStep > m_lastReported / kPlainProgressStep) {
        Say(m_err, QStringLiteral("received %1 bytes").arg(bytes));
        m_lastReported = bytes;
    }
}

void ProgressWriter::Finish()
{
    if (m_lineOpen)
        m_err.write("\n");
    m_lineOpen = false;
}

namespace {

// How a stop by signal is told: Ctrl+C as before, other signals by name.
QString StopNote(int signal)
{
    if (signal == SIGINT)
        return QStringLiteral(" (stopped by interrupt)");
    if (signal == SIGTERM)
        return QStringLiteral(" (stopped by SIGTERM; the print-out may be incomplete)");
#ifdef SIGHUP
    if (signal == SIGHUP)
        return QStringLiteral(" (stopped by SIGHUP; the print-out may be incomplete)");
#endif
    return QStringLiteral(" (stopped by signal %1; the print-out may be incomplete)").arg(signal);
}

} // namespace

int Run(const QStringList &arguments, QIODevice &out, QIODevice &err, bool errIsTerminal,
        const std::atomic<int> *stopSignal)
{
    const Options options = ParseOptions(arguments);
    if (!options.error.isEmpty()) {
        return Cli::UsageError(err, options.error);
    }
    // Checked first, so that no print-out is fetched for nothing.
    const QString problem = OutputProblem(options.output);
    if (!problem.isEmpty()) {
        Say(err, QStringLiteral("cannot write %1: %2").arg(options.output, problem));
        return ExitOutputNotWritable;
    }
    const InstrumentCapture::Request &request = options.request;
    if (request.deviceName.isEmpty()) {
        // The library is bound all the same: without one, that is the
        // first thing to mend (status 3), whatever is remembered.
        const InstrumentCapture::Result bound = InstrumentCapture::Run(request, stopSignal, {});
        if (bound.status == InstrumentCapture::Status::NoDriver) {
            Say(err, bound.message);
            return ExitNoDriver;
        }
        Say(err, QStringLiteral("no instrument is remembered in the profile %1; give --serial S or "
                                      "--description D, or open the instrument once in the window")
                           .arg(QDir::toNativeSeparators(Profile::FilePath())));
        return ExitNoDevice;
    }

    // The new file is made before the instrument is opened: a target that
    // is refused (a named pipe, a device, a stranger's link) or a folder
    // where nothing can be made ends the command before anything is fetched.
    const bool toStandardOutput = options.output == QLatin1String("-");
    const QString outputName = toStandardOutput ? QStringLiteral("standard output") : options.output;
    std::optional<SafeFileWriter> writer;
    if (toStandardOutput)
        writer.emplace(out, outputName);
    else
        writer.emplace(options.output);
    const auto cannotWrite = [&]() {
        Say(err, QStringLiteral("cannot write %1: %2").arg(outputName, writer->Problem()));
        return ExitOutputNotWritable;
    };
    if (!writer->Open())
        return cannotWrite();

    const QString device = QString::fromLatin1(request.deviceName);
    Say(err, QStringLiteral("opening %1 %2%3%4; receiving until nothing arrives for %5%6")
                       .arg(request.openBy == FT_OPEN_BY_DESCRIPTION ? "description" : "serial number", device,
                            options.fromProfile ? QStringLiteral(" (remembered in the profile)") : QString(),
                            request.sendPrint ? QStringLiteral(", sending Print") : QString(),
                            SecondsText(request.idleMs),
                            request.maxMs > 0 ? QStringLiteral(" or for at most %1").arg(SecondsText(request.maxMs))
                                              : QString()));
    if (request.waitForFirstByte)
        Say(err, QStringLiteral("long-press Print on the instrument now (Ctrl+C gives up)"));
    ProgressWriter progress(err, errIsTerminal);
    // Each chunk is written as it arrives; the byte-order mark comes with
    // the first, so that a capture that receives nothing writes nothing.
    const InstrumentCapture::Result result =
        InstrumentCapture::Run(request, stopSignal, [&](QStringView chunk, qint64 bytes) {
            if (bytes == chunk.size() && !writer->Write("\xFF\xFE"))
                return false;
            if (!writer->WriteUtf16Le(chunk))
                return false;
            progress.Received(bytes);
            return true;
        });
    progress.Finish();

    if (result.refused)
        return cannotWrite();
    switch (result.status) {
    case InstrumentCapture::Status::NoDriver:
        Say(err, result.message);
        return ExitNoDriver;
    case InstrumentCapture::Status::DeviceNotOpened:
        Say(err, result.message);
        return ExitNoDevice;
    case InstrumentCapture::Status::NothingReceived:
        // Unplugged before the first byte: no advice about the Print key.
        if (result.deviceLost) {
            Say(err, result.message);
            return ExitInstrumentLost;
        }
        Say(err, result.message + (request.sendPrint ? QString()
                                                           : QStringLiteral(" (give --print to send the Print "
                                                                            "key, or long-press Print on the "
                                                                            "instrument)")));
        return ExitNothingReceived;
    case InstrumentCapture::Status::Captured:
        break;
    }

    if (!writer->Commit())
        return cannotWrite();
    if (result.deviceLost) {
        // Bytes were still coming, or the link went quiet first and was lost
        // before the quiet time that ends a capture: then the print-out had
        // ended as far as can be told, but nothing proves that it had.
        if (result.quietMs < InstrumentCapture::kPauseMs)
            Say(err, QStringLiteral("the instrument stopped answering after %1 bytes, before the print-out ended; "
                                    "what arrived is written into %2")
                         .arg(result.bytes)
                         .arg(outputName));
        else
            Say(err, QStringLiteral("the link to the instrument was lost after %1 bytes, %2 after the last of them "
                                    "and before %3 without data had passed; as far as can be told the %1 bytes are "
                                    "the whole print-out; they are written into %4")
                         .arg(result.bytes)
                         .arg(SecondsText(int(result.quietMs)), SecondsText(request.idleMs), outputName));
        return ExitInstrumentLost;
    }
    Say(err, QStringLiteral("captured %1 bytes into %2%3")
                 .arg(result.bytes)
                 .arg(outputName, result.stoppedBy != 0 ? StopNote(result.stoppedBy) : QString()));
    if (result.stoppedBy != 0 && result.stoppedBy != SIGINT)
        return SignalStatus(result.stoppedBy);
    return ExitCaptured;
}

} // namespace CaptureCommand
