#include "cli/batch_sort.h"

#include "cli/diagnostics.h"
#include "cli/help_text.h"
#include "cli/sorted_data_writer.h"
#include "core/charts/log_graph.h"
#include "core/sorting/input_file.h"
#include "core/sorting/log_parser.h"
#include "core/sorting/sort_command.h"
#include "core/sorting/sorted_output.h"
#include "paint/log_graph_image.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QIODevice>
#include <QImage>

#include <new>

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

QString LogTypeName(int logType)
{
    switch (logType) {
    case LogTypeQrt03Logp:
        return QStringLiteral("QRT 03 Logp");
    case LogTypeQrtLog:
        return QStringLiteral("QRT Log");
    case LogTypeQrt31Logp:
        return QStringLiteral("QRT 31 Logp");
    default:
        return QStringLiteral("log type %1").arg(logType);
    }
}

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

namespace {

// Draws the graph of the fileNumber-th picked file (counted from 1) into a
// PNG file, as the window's graph shows it after the sort and the browse
// buttons.
int Plot(const SortResult &result, const QString &inputPath, int logType, int variable, int fileNumber,
         const QString &pngPath, QIODevice &err)
{
    const QList<qint32> &picked = result.graphList == 1 ? result.logpFiles : result.plainLogFiles;
    if (fileNumber > picked.size())
        return UsageError(err, QStringLiteral("--file %1: log type %2 (\"%3\") picked %4 log file%5 in %6")
                                   .arg(fileNumber)
                                   .arg(logType)
                                   .arg(LogTypeName(logType))
                                   .arg(picked.size())
                                   .arg(picked.size() == 1 ? "" : "s")
                                   .arg(inputPath));
    const LogFileRecord &rec = result.sortedFiles.at(picked.at(fileNumber - 1));
    if (!LogGraphHasField(rec, result.graphField)) {
        Say(err, QStringLiteral("log file %1 (File %2) has no variable %3 (row field %4)")
                           .arg(fileNumber)
                           .arg(rec.fileNumber)
                           .arg(variable)
                           .arg(result.graphField));
        return ExitSortFailed;
    }
    const QImage image = RenderLogGraph(rec, result.graphField);
    if (image.isNull() || !image.save(pngPath, "PNG")) {
        Say(err, QStringLiteral("cannot write the PNG file %1").arg(pngPath));
        return ExitUsage;
    }
    return ExitSorted;
}

int RunSort(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
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

    if (!parser.parse(arguments))
        return UsageError(err, parser.errorText());
    if (parser.isSet(helpOption)) {
        out.write(HelpText().toUtf8());
        return ExitSorted;
    }
    if (!parser.isSet(sortOption))
        return UsageError(err, QStringLiteral("--sort FILE is missing"));
    if (!parser.positionalArguments().isEmpty())
        return UsageError(err, QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    for (const QCommandLineOption &option : {sortOption, typeOption, variableOption, outputOption, plotOption,
                                             fileOption}) {
        if (parser.values(option).size() > 1)
            return UsageError(err, QStringLiteral("--%1 is given more than once").arg(option.names().first()));
    }
    if (parser.isSet(driverOption))
        return UsageError(err, QStringLiteral("--driver has no use with --sort"));

    int logType = LogTypeQrt03Logp;
    if (parser.isSet(typeOption)
        && (!ReadInteger(parser.value(typeOption), &logType) || logType < LogTypeQrt03Logp
            || logType > LogTypeQrt31Logp))
        return UsageError(err, QStringLiteral("--log-type must be 0, 1 or 2, not '%1'").arg(parser.value(typeOption)));
    int variable = 0;
    if (parser.isSet(variableOption)
        && (!ReadInteger(parser.value(variableOption), &variable) || variable < 0
            || variable >= VariableCount(logType)))
        return UsageError(err, QStringLiteral("--variable must be 0 to %1 for log type %2, not '%3'")
                                   .arg(VariableCount(logType) - 1)
                                   .arg(logType)
                                   .arg(parser.value(variableOption)));

    int fileNumber = 1;
    if (parser.isSet(fileOption) && !parser.isSet(plotOption))
        return UsageError(err, QStringLiteral("--file chooses the log file of --plot; give --plot PNG too"));
    if (parser.isSet(fileOption) && (!ReadInteger(parser.value(fileOption), &fileNumber) || fileNumber < 1))
        return UsageError(err, QStringLiteral("--file must be a number from 1, not '%1'").arg(parser.value(fileOption)));
    if (parser.isSet(plotOption) && parser.value(plotOption).isEmpty())
        return UsageError(err, QStringLiteral("--plot needs a file name"));

    const QString inputPath = parser.value(sortOption);
    if (inputPath.isEmpty())
        return UsageError(err, QStringLiteral("--sort needs a file name"));
    QString text;
    QString error;
    try {
        if (!ReadInputText(inputPath, InputFileForm::Detected, &text, &error, LogParser::Terminator().size())) {
            Say(err, error);
            return ExitUsage;
        }
    } catch (const std::bad_alloc &) {
        return OutOfMemory(err, inputPath);
    }

    SortSelection selection;
    selection.logType = logType;
    if (logType == LogTypeQrtLog)
        selection.plainVariable = variable;
    else
        selection.logpVariable = variable;
    SortResult result;
    try {
        // The parse takes over the text, so the capture is held once while
        // it is sorted.
        result = SortFiles(std::move(text), selection);
    } catch (const std::bad_alloc &) {
        return OutOfMemory(err, inputPath);
    }
    if (result.status != SortStatus::Sorted) {
        Say(err, SortFailureMessage(result.status, inputPath, logType));
        return ExitSortFailed;
    }
    if (parser.isSet(plotOption)) {
        const int status = Plot(result, inputPath, logType, variable, fileNumber, parser.value(plotOption), err);
        if (status != ExitSorted)
            return status;
    }

    if (parser.isSet(outputOption) && parser.value(outputOption).isEmpty())
        return UsageError(err, QStringLiteral("--output needs a file name"));
    return WriteSortedData(std::move(result), logType, parser.value(outputOption), out, err);
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
