// The sort command as one function of the captured text and the choices of
// the dialog: it parses the text into the sorted-file table, builds the two
// file lists of the graph, picks the files of the log type and writes the
// sorted output. The dialog's Sort button and the command line's batch sort
// both run it; what they do with a failure (a message box, an exit status)
// is theirs.
#ifndef TAVIX_CORE_SORTING_SORT_COMMAND_H
#define TAVIX_CORE_SORTING_SORT_COMMAND_H

#include "core/locale/keyword_tables.h"
#include "core/sorting/log_parser.h"

#include <QList>
#include <QString>
#include <QStringView>

// The choices the sort reads: the checked log-type button and the checked
// buttons of the two variable groups, each a 0-based index.
struct SortSelection
{
    int logType = 0;
    int logpVariable = 0;   // group A: Barometer, Vavg, Vmax, Vmin, StdD, T, DR%
    int plainVariable = 0;  // group B: Var1 .. Var4
};

enum class SortStatus {
    Sorted,          // the files of the log type were written
    NoFileMarker,    // the text holds no "File ": nothing was parsed
    NoFileOfType,    // the list of the chosen log type is empty
    VariableRefused, // "DR%" with "QRT 31 Logp"
    OutputTooLarge,  // the files read or the sorted output pass SortedOutputLimit: nothing was kept
};

// The most characters the sort lets the log files it reads, and the sorted
// output it lays out, hold: 4 times the characters of the captured text plus
// 32 Mi (33,554,432). A normal capture sorts into about as much text as it
// holds; a capture whose "File " markers (each without "Tavix" after it)
// read the same plain-log table again and again could otherwise ask for
// gigabytes from a few hundred kilobytes. Past the limit the sort is refused.
qsizetype SortedOutputLimit(qsizetype inputCharacters);

// Index of "DR%" in group A; log type 2 refuses it.
constexpr int kDraughtRatingVariable = 6;

struct SortResult
{
    SortStatus status = SortStatus::NoFileMarker;

    // Unless status is NoFileMarker or OutputTooLarge: the new table and both file lists (the
    // table indexes of the plain logs, and of the Logp files the log type
    // picks), in table order. The graph position goes back to 0 with them.
    QList<LogFileRecord> sortedFiles;
    QList<qint32> plainLogFiles;
    QList<qint32> logpFiles;
    // The parse state the parse ended with.
    int fileNumber = 0;
    bool firstLogEntry = false;

    // Only when status is Sorted: the list the browse buttons walk (0 plain,
    // 1 Logp), the field to plot, the table index of the first picked file
    // and the new sorted output. For the log types that pick nothing (3 to
    // 5) first index and field are both the number of table entries, an index
    // that addresses no entry, and the output is the previous one after the
    // abbreviation pass.
    int graphList = 0;
    int graphField = 0;
    qint32 firstIndex = -1;
    QString sortedOutput;
};

// The sort without its output: parses input (taken over, so the parse needs
// no copy of it), builds the file lists and decides the status, graph list,
// field and first index. sortedOutput stays empty; WriteSortedOutput or
// BuildSortedOutput lays it out. limit is the character limit of the sort
// (SortedOutputLimit of the input's size when negative).
SortResult SortFiles(QString input, const SortSelection &selection, qsizetype limit = -1);

// The table indexes of the files the sort writes for the log type: the
// plain logs for "QRT Log", the Logp files of the type for the Logp types,
// none for the types that pick nothing.
QList<qint32> PickedFileIndexes(const SortResult &result, int logType);

// Runs the sort on input (the captured text as it stands). previousOutput is
// the sorted output before the sort; it is kept when no record is written.
// The function has no other input and changes nothing outside its result.
SortResult SortInputText(QStringView input, const SortSelection &selection,
                         const ReplacementTable &abbreviations, const QString &previousOutput);

#endif // TAVIX_CORE_SORTING_SORT_COMMAND_H
