// The batch sort's CSV export and PDF report: their command-line options
// and their writing into the run's outputs.
//
//   --csv CSV [--csv-dialect rfc4180|semicolon]
//   --report PDF [--language en|zh] [--report-files N]
#ifndef TAVIX_CLI_EXPORT_OUTPUTS_H
#define TAVIX_CLI_EXPORT_OUTPUTS_H

#include "cli/batch_sort.h"
#include "cli/output_batch.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>

class QIODevice;

namespace BatchSort {

QList<QCommandLineOption> ExportCommandLineOptions();

// Reads the export options of parser into options (whose output and plot
// are read already); the usage message when they are wrong, else empty.
QString ReadExportOptions(const QCommandLineParser &parser, SortOptions *options);

// Writes the CSV and the report the options ask for, of the picked files
// of result, into batch (nothing is committed). Returns ExitSorted, or the
// exit status of the failure, reported on err.
int WriteExports(const SortResult &result, const QList<qint32> &picked, const SortOptions &options,
                 OutputBatch &batch, QIODevice &out, QIODevice &err);

} // namespace BatchSort

#endif
