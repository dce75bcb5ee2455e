// The batch sort of the command line: sorts a captured or saved input data
// file without a window and writes the sorted data, the same text the
// dialog's Sort writes and "Save sorted data" saves.
//
//   tavixterminal --sort FILE [--log-type 0|1|2] [--variable N] [--output OUT]
//                 [--plot PNG [--file K]] [--csv CSV [--csv-dialect D]]
//                 [--report PDF [--language en|zh] [--report-files N]]
//
// --plot also draws the window's log graph of the K-th picked file. FILE
// "-" is standard input, and a named pipe or a device is read as a stream;
// OUT "-" writes the sorted data file to standard output, PNG "-" the image.
// Exit status: 0 sorted; 1 the data cannot be sorted (what was wrong on
// standard error), or the sort would pass its size limit (SortedOutputLimit)
// or runs out of memory (a message saying so); 2 bad arguments (--file
// beyond the picked files included), an input file that cannot be read, or
// an output or PNG file that cannot be written (a message with the system's
// reason on standard error). An output file is replaced whole or left as it
// was. --csv and --report also write the CSV export and the PDF report of
// the picked files. All outputs of one run are written whole or not at
// all: if one fails, none replaces an existing file.
#ifndef TAVIX_CLI_BATCH_SORT_H
#define TAVIX_CLI_BATCH_SORT_H

#include "cli/diagnostics.h"
#include "core/export/csv_export.h"
#include "core/sorting/sort_command.h"
#include "paint/report_writer.h"
#include "core/sorting/sorted_output.h"

#include <QString>
#include <QStringList>

class QIODevice;

namespace BatchSort {

enum ExitStatus : int { ExitSorted = 0, ExitSortFailed = 1, ExitUsage = Cli::kExitUsage };

// What the arguments of a sort ask for, or a usage message.
struct SortOptions
{
    bool help = false;
    QString input; // "-": standard input
    int logType = LogTypeQrt03Logp;
    int variable = 0;
    QString output; // empty: UTF-8 to standard output; "-": the sorted data file to standard output
    QString plot;   // empty: no graph; "-": the PNG to standard output
    int fileNumber = 1;
    // The CSV export and the PDF report of the picked files ("-": standard
    // output), the CSV's dialect, the report's language and how many files
    // get pages of their own in it.
    QString csv;
    QString report;
    CsvDialect csvDialect = CsvDialect::Rfc4180;
    ReportLanguage language = ReportLanguage::English;
    int reportFileLimit = kDefaultReportFileLimit;
    QString error;  // non-empty: the arguments are wrong
};
SortOptions ParseSortOptions(const QStringList &arguments);

// What was wrong with a failed sort of file, in command-line terms; empty
// for a sort that succeeded.
QString SortFailureMessage(SortStatus status, const QString &file, int logType);

// Runs the command line (arguments[0] is the program). The sorted output
// goes to the file of --output as a sorted data file (FF FE and UTF-16
// little-endian), or else to out as UTF-8; messages go to err. Returns the
// exit status.
int Run(const QStringList &arguments, QIODevice &out, QIODevice &err);

} // namespace BatchSort

#endif
