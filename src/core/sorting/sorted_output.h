// The sorted output: which log files a log type picks, and the text table
// the sort writes for them into the sorted output window.
#ifndef TAVIX_CORE_SORTING_SORTED_OUTPUT_H
#define TAVIX_CORE_SORTING_SORTED_OUTPUT_H

#include "core/locale/keyword_tables.h"
#include "core/sorting/log_parser.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

// The log types, by the index of their radio button (1043 to 1048).
enum LogType : int {
    LogTypeQrt03Logp = 0,         // "QRT 03 Logp": Logp files with "QRT03" or "QRT 03"
    LogTypeQrtLog = 1,            // "QRT Log": every plain log
    LogTypeQrt31Logp = 2,         // "QRT 31 Logp": Logp files with "QRT 31"
    LogTypeQrt03Pressure = 3,     // "QRT 03 Logp pressure setup": picks nothing
    LogTypeQrtLogNoInterval = 4,  // "QRT Log no interval": picks nothing
    LogTypeQrt31Pressure = 5,     // "QRT 31 Logp pressure setup": picks nothing
};

// The caption of a log type's button that picks files ("QRT 03 Logp",
// "QRT Log", "QRT 31 Logp"); "log type N" for the others.
QString LogTypeName(int logType);

// True when the record's header text passes the test of the log type: type 0
// contains "QRT03" or "QRT 03", type 2 contains "QRT 31" (exact,
// case-sensitive substring searches); every other type is false. The sort
// asks it for Logp records only.
bool MatchesLogType(const LogFileRecord &record, int logType);
// The same test on a header text.
bool MatchesLogType(QStringView headerText, int logType);

// The graph list a log type browses: 0 (the plain logs) for types 1 and 4,
// 1 (the Logp files of the type) for every other type.
int GraphListOfLogType(int logType);

// Writes the records of the given kind that the log type picks (every one of
// the kind for type 1, those passing MatchesLogType otherwise) into output,
// in table order:
//   "File <n>\r\n";
//   Logp (kind 1): the even headers each followed by a tab, one more tab
//   after headers 0 and 2, "\r\n", then the odd headers each followed by a
//   tab, "\r\n"; plain: every header followed by six blanks, "\r\n";
//   each row: every field followed by a tab (Logp) or three blanks (plain),
//   "\r\n".
// output is replaced only when at least one record is written; otherwise it
// keeps its old text. Either way abbreviations is then applied to the whole
// of output (values and headers alike).
void BuildSortedOutput(const QList<LogFileRecord> &records, int kind, int logType,
                       const ReplacementTable &abbreviations, QString &output);

// Where WriteSortedOutput hands its pieces; false stops the writing.
using SortedOutputSink = std::function<bool(QString piece)>;

// The same text as BuildSortedOutput writes when at least one record is
// picked, handed to sink in pieces of about pieceSize characters that each
// end with a line break, with abbreviations already applied to each piece;
// the pieces joined are exactly the text BuildSortedOutput writes. (A table
// with a key holding a line feed is applied to the whole text, given as one
// piece.) Returns whether a record was picked; with none, sink is not called.
// Pieces are small (64 KB by default), so each stays in the processor's cache
// through the abbreviation pass and its memory is reused for the next.
// The whole output is never held at once, so a large output streams to a
// file in about pieceSize characters of memory.
bool WriteSortedOutput(const QList<LogFileRecord> &records, int kind, int logType,
                       const ReplacementTable &abbreviations, const SortedOutputSink &sink,
                       qsizetype pieceSize = 1 << 15);

// The number of characters BuildSortedOutput lays out for the picked
// records, before the abbreviations.
qsizetype SortedOutputSize(const QList<LogFileRecord> &records, int kind, int logType);

// The table indexes of the records of the kind that the log type picks, in
// table order (what BuildSortedOutput writes).
QList<qint32> PickedFiles(const QList<LogFileRecord> &records, int kind, int logType);

// The same three on the picked records given by their table indexes, for a
// caller that has picked them already (the sort's file lists).
qsizetype SortedOutputSize(const QList<LogFileRecord> &records, const QList<qint32> &picked);
// How WriteSortedOutput makes its pieces: Two lets a second thread make
// every other piece (laid out and abbreviated) while the calling thread makes
// the rest and hands all of them to the sink in order; One makes them all on
// the calling thread. The pieces are the same either way, and the sink is
// always called on the calling thread.
enum class SortedOutputThreads { One, Two };
bool WriteSortedOutput(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                       const ReplacementTable &abbreviations, const SortedOutputSink &sink,
                       qsizetype pieceSize = 1 << 15, SortedOutputThreads threads = SortedOutputThreads::Two);
void BuildSortedOutput(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                       const ReplacementTable &abbreviations, QString &output);

// Lays out picked records one at a time into pieces of the sorted output,
// with the abbreviations applied, exactly as WriteSortedOutput does: for a
// caller that has the records one after another rather than in a table.
// Only for a table whose keys hold no line feed (ReplacementTableSpansLines
// false), which can be applied to each file's lines on their own.
class SortedOutputPieces
{
public:
    explicit SortedOutputPieces(const ReplacementTable &abbreviations);
    ~SortedOutputPieces();
    SortedOutputPieces(const SortedOutputPieces &) = delete;
    SortedOutputPieces &operator=(const SortedOutputPieces &) = delete;

    // Appends the record's layout, abbreviated, to piece.
    void Append(const LogFileRecord &record, QString &piece);
    // The characters the record's layout takes before the abbreviations.
    static qsizetype LaidOutSize(const LogFileRecord &record);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

#endif // TAVIX_CORE_SORTING_SORTED_OUTPUT_H
