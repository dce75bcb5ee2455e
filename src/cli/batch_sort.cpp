#include "cli/batch_sort.h"

#include "cli/diagnostics.h"
#include "cli/export_outputs.h"
#include "cli/help_text.h"
#include "cli/output_batch.h"
#include "cli/sorted_data_writer.h"
#include "core/charts/chart_model.h"
#include "core/charts/log_graph.h"
#include "core/io/safe_file_writer.h"
#include "core/locale/keyword_tables.h"
#include "core/sorting/input_file.h"
#include "core/sorting/log_parser.h"
#include "core/sorting/sort_command.h"
#include "core/sorting/sorted_output.h"
#include "paint/fonts.h"
#include "paint/graph_picture.h"
#include "paint/log_graph_image.h"

#include <QBuffer>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QIODevice>
#include <QImage>
#include <QPainter>

#include <memory>
#include <new>
#include <optional>

namespace BatchSort {

namespace {

using Cli::Say;
using Cli::UsageError;

// The buttons of each usable log type's variable group: 7 for the Logp
// types (Barometer ... DR%; the sort refuses DR% for "QRT 31 Logp"), 4 for
// "QRT Log" (Var1 ... Var4).
int VariableCount(int logType)
{
    return logType == LogTypeQrtLog ? 4 : 7;
}

// A whole decimal integer, or false.
bool ReadInteger(const QString &text, int *value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok, 10);
    return ok;
}

int OutOfMemory(QIODevice &err, const QString &inputPath)
{
    Say(err, QStringLiteral("not enough memory to sort %1").arg(inputPath));
    return ExitSortFailed;
}

} // namespace


QString SortFailureMessage(SortStatus status, const QString &file, int logType)
{
    const QString type = QStringLiteral("%1 (\"%2\")").arg(logType).arg(LogTypeName(logType));
    switch (status) {
    case SortStatus::Sorted:
        return QString();
    case SortStatus::NoFileMarker:
        return QStringLiteral("%1 holds no \"File \" marker, so it holds no log file; capture the "
                              "instrument's log files (long-press Print, or --capture OUT --print)")
            .arg(file);
    case SortStatus::NoFileOfType:
        return QStringLiteral("no log file of log type %1 in %2").arg(type, file);
    case SortStatus::VariableRefused:
        return QStringLiteral("DR% (--variable %1) cannot be shown for log type %2")
            .arg(kDraughtRatingVariable)
            .arg(type);
    case SortStatus::OutputTooLarge:
        return QStringLiteral("%1 is not sorted: its log files would need more than 4 times its characters "
                              "plus 33554432 characters of sorted data")
            .arg(file);
    }
    return QString();
}

SortOptions ParseSortOptions(const QStringList &arguments)
{
    SortOptions options;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption sortOption(QStringLiteral("sort"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption typeOption(QStringLiteral("log-type"), QString(), QStringLiteral("T"));
    const QCommandLineOption variableOption(QStringLiteral("variable"), QString(), QStringLiteral("N"));
    const QCommandLineOption outputOption(QStringLiteral("output"), QString(), QStringLiteral("OUT"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help"),
                                                    QStringLiteral("?")});
    const QCommandLineOption driverOption(QStringLiteral("driver"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption plotOption(QStringLiteral("plot"), QString(), QStringLiteral("PNG"));
    const QCommandLineOption fileOption(QStringLiteral("file"), QString(), QStringLiteral("K"));
    parser.addOptions({sortOption, typeOption, variableOption, outputOption, helpOption, driverOption, plotOption,
                       fileOption});
    parser.addOptions(ExportCommandLineOptions());

    const auto wrong = [&options](const QString &message) {
        options.error = message;
        return options;
    };
    if (!parser.parse(arguments))
        return wrong(Cli::ParseErrorText(parser, QStringLiteral("--sort")));
    if (parser.isSet(helpOption)) {
        options.help = true;
        return options;
    }
    if (!parser.isSet(sortOption))
        return wrong(QStringLiteral("--sort FILE is missing"));
    if (!parser.positionalArguments().isEmpty())
        return wrong(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    for (const QCommandLineOption &option : {sortOption, typeOption, variableOption, outputOption, plotOption,
                                             fileOption}) {
        if (parser.values(option).size() > 1)
            return wrong(QStringLiteral("--%1 is given more than once").arg(option.names().first()));
    }
    if (parser.isSet(driverOption))
        return wrong(QStringLiteral("--driver has no use with --sort"));

    if (parser.isSet(typeOption)
        && (!ReadInteger(parser.value(typeOption), &options.logType) || options.logType < LogTypeQrt03Logp
            || options.logType > LogTypeQrt31Logp))
        return wrong(QStringLiteral("--log-type must be 0, 1 or 2, not '%1'").arg(parser.value(typeOption)));
    if (parser.isSet(variableOption)
        && (!ReadInteger(parser.value(variableOption), &options.variable) || options.variable < 0
            || options.variable >= VariableCount(options.logType)))
        return wrong(QStringLiteral("--variable must be 0 to %1 for log type %2, not '%3'")
                         .arg(VariableCount(options.logType) - 1)
                         .arg(options.logType)
                         .arg(parser.value(variableOption)));

    if (parser.isSet(fileOption) && !parser.isSet(plotOption))
        return wrong(QStringLiteral("--file chooses the log file of --plot; give --plot PNG too"));
    if (parser.isSet(fileOption)
        && (!ReadInteger(parser.value(fileOption), &options.fileNumber) || options.fileNumber < 1))
        return wrong(QStringLiteral("--file must be a number from 1, not '%1'").arg(parser.value(fileOption)));
    options.plot = parser.value(plotOption);
    if (parser.isSet(plotOption) && options.plot.isEmpty())
        return wrong(QStringLiteral("--plot needs a file name"));
    options.input = parser.value(sortOption);
    if (options.input.isEmpty())
        return wrong(QStringLiteral("--sort needs a file name"));
    options.output = parser.value(outputOption);
    if (parser.isSet(outputOption) && options.output.isEmpty())
        return wrong(QStringLiteral("--output needs a file name"));
    // Standard output takes one of them: the sorted data (without --output,
    // or with --output -) or the image (--plot -).
    if (options.plot == QLatin1String("-") && (options.output.isEmpty() || options.output == QLatin1String("-")))
        return wrong(QStringLiteral("--plot - writes the image to standard output, where the sorted data would "
                                    "go too; give --output FILE"));

    // The CSV export and the report.
    if (const QString problem = ReadExportOptions(parser, &options); !problem.isEmpty())
        return wrong(problem);
    return options;
}

namespace {

// Draws the graph of the fileNumber-th picked file (counted from 1) into a
// PNG file, as the window's graph shows it after the sort and the browse
// buttons.
int Plot(const SortResult &result, const SortOptions &options, OutputBatch &batch, QIODevice &out, QIODevice &err)
{
    const QList<qint32> &picked = result.graphList == 1 ? result.logpFiles : result.plainLogFiles;
    if (options.fileNumber > picked.size())
        return UsageError(err, QStringLiteral("--file %1: log type %2 (\"%3\") picked %4 log file%5 in %6")
                                   .arg(options.fileNumber)
                                   .arg(options.logType)
                                   .arg(LogTypeName(options.logType))
                                   .arg(picked.size())
                                   .arg(picked.size() == 1 ? "" : "s")
                                   .arg(options.input));
    const LogFileRecord &rec = result.sortedFiles.at(picked.at(options.fileNumber - 1));
    if (!LogGraphHasField(rec, result.graphField)) {
        Say(err, QStringLiteral("log file %1 (File %2) has no variable %3 (row field %4)")
                           .arg(options.fileNumber)
                           .arg(rec.fileNumber)
                           .arg(options.variable)
                           .arg(result.graphField));
        return ExitSortFailed;
    }
    // The picture is made in memory (a few kilobytes): SVG or PDF for a name
    // ending in ".svg" or ".pdf", PNG otherwise and on standard output.
    const PictureFormat format = options.plot == QLatin1String("-") ? PictureFormat::Png : PictureFormatOf(options.plot);
    QByteArray bytes;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        const int field = result.graphField;
        bytes = RenderPicture(format, QSize(kLogGraphWindowRect.Width(), kLogGraphWindowRect.Height()), DialogFont(),
                              QStringLiteral("File %1").arg(rec.fileNumber),
                              [&rec, field](QPainter &painter, const QRect &target) {
                                  PaintLogGraph(painter, target, rec, field);
                              });
    }
    const QString kind = format == PictureFormat::Svg   ? QStringLiteral("SVG")
                         : format == PictureFormat::Pdf ? QStringLiteral("PDF")
                                                        : QStringLiteral("PNG");
    if (bytes.isEmpty()) {
        Say(err, QStringLiteral("cannot write the %1 file %2: the picture could not be made")
                     .arg(kind, options.plot == QLatin1String("-") ? QStringLiteral("to standard output") : options.plot));
        return ExitUsage;
    }
    // Written with the run's other outputs: committed only when all are.
    SafeFileWriter *writer = batch.Start(QStringLiteral("the %1 file").arg(kind), options.plot, out, err);
    if (!writer)
        return ExitUsage;
    if (!writer->Write(bytes))
        return batch.Fail(writer, err), ExitUsage;
    return ExitSorted;
}

int RunSort(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    const SortOptions options = ParseSortOptions(arguments);
    if (!options.error.isEmpty())
        return UsageError(err, options.error);
    if (options.help) {
        out.write(HelpText().toUtf8());
        return ExitSorted;
    }

    const QString &inputPath = options.input;
    SortSelection selection;
    selection.logType = options.logType;
    if (options.logType == LogTypeQrtLog)
        selection.plainVariable = options.variable;
    else
        selection.logpVariable = options.variable;
    const QString inputName = inputPath == QLatin1String("-") ? QStringLiteral("standard input") : inputPath;
    // The sorted data is made as the sort goes when it is the only output; a
    // graph, the CSV export and the report need the sorted files, and are
    // committed with the sorted data or not at all, so with any of them the
    // sort comes first and the writing after.
    const bool onlySortedData = options.plot.isEmpty() && options.csv.isEmpty() && options.report.isEmpty()
                                && !ReplacementTableSpansLines(AbbreviationRows());
    QString text;
    QString error;
    bool streamed = false; // the streamed sort was tried and could not open the output
    // A regular file is then read a part at a time as the sort comes to it;
    // a pipe, a device or standard input is read whole first.
    if (onlySortedData && inputPath != QLatin1String("-")) {
        bool stream = false;
        std::unique_ptr<InputFileSource> source;
        try {
            source = InputFileSource::Open(inputPath, &error, &stream);
        } catch (const std::bad_alloc &) {
            return OutOfMemory(err, inputPath);
        }
        if (!source && !stream) {
            Say(err, error);
            return ExitUsage;
        }
        if (source) {
            const int status =
                StreamSortedData(text, source.get(), selection, options.output, out, inputPath, inputName, err);
            if (status >= 0)
                return status;
            streamed = true;
        }
    }
    try {
        if (!ReadInputText(inputPath, InputFileForm::Detected, &text, &error, LogParser::Terminator().size(),
                           InputStreams::Read)) {
            Say(err, error);
            return ExitUsage;
        }
    } catch (const std::bad_alloc &) {
        return OutOfMemory(err, inputPath);
    }

    if (onlySortedData && !streamed) {
        const int status = StreamSortedData(text, nullptr, selection, options.output, out, inputPath, inputName, err);
        if (status >= 0)
            return status;
    }
    SortResult result;
    try {
        // The parse takes over the text, so the capture is held once while
        // it is sorted.
        result = SortFiles(std::move(text), selection);
    } catch (const std::bad_alloc &) {
        return OutOfMemory(err, inputPath);
    }
    if (result.status != SortStatus::Sorted) {
        Say(err, SortFailureMessage(result.status, inputName, options.logType));
        return ExitSortFailed;
    }
    // Every output goes into one batch, committed when all are written.
    OutputBatch batch;
    if (!options.plot.isEmpty()) {
        const int status = Plot(result, options, batch, out, err);
        if (status != ExitSorted)
            return status;
    }
    if (!options.csv.isEmpty() || !options.report.isEmpty()) {
        const int status = WriteExports(result, PickedFileIndexes(result, options.logType), options, batch, out, err);
        if (status != ExitSorted)
            return status;
    }
    return WriteSortedData(std::move(result), options.logType, options.output, out, err, &batch);
}

} // namespace

int Run(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    // Running out of memory anywhere in the batch sort (reading the file
    // included) becomes a message and status 1, never an abort.
    try {
        return RunSort(arguments, out, err);
    } catch (const std::bad_alloc &) {
        Say(err, QStringLiteral("not enough memory to sort"));
        return ExitSortFailed;
    }
}

} // namespace BatchSort
