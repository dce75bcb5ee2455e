#include "cli/export_outputs.h"

#include "cli/diagnostics.h"
#include "core/export/csv_export.h"
#include "core/sorting/sorted_output.h"
#include "paint/report_writer.h"

#include <QIODevice>

#include <new>

namespace BatchSort {

using Cli::Say;

namespace {

const QCommandLineOption kCsvOption(QStringLiteral("csv"), QString(), QStringLiteral("CSV"));
const QCommandLineOption kDialectOption(QStringLiteral("csv-dialect"), QString(), QStringLiteral("D"));
const QCommandLineOption kReportOption(QStringLiteral("report"), QString(), QStringLiteral("PDF"));
const QCommandLineOption kLanguageOption(QStringLiteral("language"), QString(), QStringLiteral("L"));
const QCommandLineOption kReportFilesOption(QStringLiteral("report-files"), QString(), QStringLiteral("N"));

bool IsStandardOutput(const QString &path)
{
    return path == QLatin1String("-");
}

} // namespace

QList<QCommandLineOption> ExportCommandLineOptions()
{
    return {kCsvOption, kDialectOption, kReportOption, kLanguageOption, kReportFilesOption};
}

QString ReadExportOptions(const QCommandLineParser &parser, SortOptions *options)
{
    for (const QCommandLineOption &option : ExportCommandLineOptions()) {
        if (parser.values(option).size() > 1)
            return QStringLiteral("--%1 is given more than once").arg(option.names().first());
    }
    options->csv = parser.value(kCsvOption);
    if (parser.isSet(kCsvOption) && options->csv.isEmpty())
        return QStringLiteral("--csv needs a file name");
    options->report = parser.value(kReportOption);
    if (parser.isSet(kReportOption) && options->report.isEmpty())
        return QStringLiteral("--report needs a file name");
    if (parser.isSet(kDialectOption)) {
        if (!parser.isSet(kCsvOption))
            return QStringLiteral("--csv-dialect chooses the form of --csv; give --csv CSV too");
        if (!CsvDialectFromName(parser.value(kDialectOption), &options->csvDialect))
            return QStringLiteral("--csv-dialect must be rfc4180 or semicolon, not '%1'")
                .arg(parser.value(kDialectOption));
    }
    for (const QCommandLineOption *option : {&kLanguageOption, &kReportFilesOption}) {
        if (parser.isSet(*option) && !parser.isSet(kReportOption))
            return QStringLiteral("--%1 belongs to --report; give --report PDF too").arg(option->names().first());
    }
    if (parser.isSet(kLanguageOption) && !ReportLanguageFromName(parser.value(kLanguageOption), &options->language))
        return QStringLiteral("--language must be en or zh, not '%1'").arg(parser.value(kLanguageOption));
    if (parser.isSet(kReportFilesOption)) {
        bool ok = false;
        options->reportFileLimit = parser.value(kReportFilesOption).trimmed().toInt(&ok, 10);
        if (!ok || options->reportFileLimit < 0)
            return QStringLiteral("--report-files must be a number from 0, not '%1'")
                .arg(parser.value(kReportFilesOption));
    }
    // Standard output takes one output at most; the sorted data goes there
    // without --output.
    int toStandardOutput = options->output.isEmpty() || IsStandardOutput(options->output) ? 1 : 0;
    for (const QString *path : {&options->plot, &options->csv, &options->report})
        toStandardOutput += IsStandardOutput(*path) ? 1 : 0;
    if (toStandardOutput > 1 && (IsStandardOutput(options->csv) || IsStandardOutput(options->report)))
        return QStringLiteral("only one output can go to standard output; give the others file names (the "
                              "sorted data goes there without --output FILE)");
    return QString();
}

int WriteExports(const SortResult &result, const QList<qint32> &picked, const SortOptions &options,
                 OutputBatch &batch, QIODevice &out, QIODevice &err)
{
    if (!options.csv.isEmpty()) {
        SafeFileWriter *writer = batch.Start(QStringLiteral("the CSV file"), options.csv, out, err);
        if (!writer)
            return ExitUsage;
        try {
            if (!WriteCsv(result.sortedFiles, picked, options.csvDialect,
                          [writer](const QByteArray &piece) { return writer->Write(piece); })) {
                batch.Fail(writer, err);
                return ExitUsage;
            }
        } catch (const std::bad_alloc &) {
            batch.CancelAll();
            Say(err, QStringLiteral("not enough memory to write the CSV file"));
            return ExitSortFailed;
        }
    }
    if (!options.report.isEmpty()) {
        ReportOptions report;
        report.captureName = IsStandardOutput(options.input) ? QStringLiteral("standard input") : options.input;
        report.logTypeName = LogTypeName(options.logType);
        report.language = options.language;
        report.fileLimit = options.reportFileLimit;
        // The report is made in memory (a few megabytes for hundreds of
        // files), then written whole like every output.
        const ReportResult made = MakeReport(result.sortedFiles, picked, report);
        if (made.pdf.isEmpty()) {
            batch.CancelAll();
            Say(err, QStringLiteral("cannot make the report %1: %2").arg(options.report, made.problem));
            return ExitUsage;
        }
        SafeFileWriter *writer = batch.Start(QStringLiteral("the report"), options.report, out, err);
        if (!writer)
            return ExitUsage;
        if (!writer->Write(made.pdf)) {
            batch.Fail(writer, err);
            return ExitUsage;
        }
    }
    return ExitSorted;
}

} // namespace BatchSort
