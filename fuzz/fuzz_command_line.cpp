// The command line's parsing: the input, cut at zero bytes, is the list of
// arguments. The choice of mode and the option parsers of --sort (with
// --plot) and --capture never crash, and whatever they accept holds values
// the commands can run with: a file to read or write, a log type, variable
// and file number in range, standard output asked for at most once, times
// above zero, an instrument to open.
#include "cli/batch_sort.h"
#include "cli/capture_command.h"
#include "cli/command_line.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The capture reads the remembered instrument from the profile: there
    // is none here.
    qputenv("XDG_CONFIG_HOME", "/nonexistent/tavixterminal-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList arguments{QStringLiteral("tavixterminal")};
    for (const QByteArray &part : QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0'))
        arguments << QString::fromUtf8(part);

    // Help and version come first; otherwise a capture is chosen (alone, or
    // in conflict with a sort) exactly when --capture is given.
    using CommandLine::Mode;
    const Mode mode = CommandLine::DecideMode(arguments);
    const bool captureMode = mode == Mode::Capture || mode == Mode::Conflict;
    if (mode != Mode::Help && mode != Mode::Version && captureMode != CaptureCommand::IsRequested(arguments))
        std::abort();

    const BatchSort::SortOptions sort = BatchSort::ParseSortOptions(arguments);
    if (sort.error.isEmpty() && !sort.help) {
        const int variables = sort.logType == 1 ? 4 : 7;
        if (sort.input.isEmpty() || sort.logType < 0 || sort.logType > 2 || sort.variable < 0
            || sort.variable >= variables || sort.fileNumber < 1 || (sort.fileNumber != 1 && sort.plot.isEmpty()))
            std::abort();
        const bool dataToStandardOutput = sort.output.isEmpty() || sort.output == QLatin1String("-");
        if (sort.plot == QLatin1String("-") && dataToStandardOutput)
            std::abort();
    }
    if (BatchSort::ParseSortOptions(arguments).error != sort.error)
        std::abort();

    const CaptureCommand::Options options = CaptureCommand::ParseOptions(arguments);
    if (options.error.isEmpty()) {
        const InstrumentCapture::Request &request = options.request;
        if (options.output.isEmpty() || request.idleMs < 1 || request.maxMs < 0
            || request.waitForFirstByte == request.sendPrint
            || (request.openBy != FT_OPEN_BY_SERIAL_NUMBER && request.openBy != FT_OPEN_BY_DESCRIPTION)
            || (!options.fromProfile && request.deviceName.isEmpty()))
            std::abort();
    }
    return 0;
}
