// The log data parser: turns the captured input text into one LogFileRecord
// per log file found (plain logs and Logp logs), all fields kept as text.
#ifndef TAVIX_SORTING_LOG_PARSER_H
#define TAVIX_SORTING_LOG_PARSER_H

#include "sorting/log_search_text.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// One log file of the captured text.
struct LogFileRecord
{
    int fileNumber = 0;          // number after "File " (0 when it cannot be read)
    int kind = 0;                // 0 plain log, 1 Logp log
    QString headerText;          // from the brand word up to the header end
    // Plain log: the fields of the line above the rule line, then those of
    // the whole heading block. Logp log: "DATE", "TT-MM-DD", "TIME",
    // "HH:MM:SS", then name and unit of each variable line of the first entry.
    QStringList columnHeaders;
    // Plain log: the blank-separated fields of each data line. Logp log: per
    // entry its date, its time and the value text of each variable line.
    QList<QStringList> rows;

    friend bool operator==(const LogFileRecord &, const LogFileRecord &) = default;
};
Q_DECLARE_TYPEINFO(LogFileRecord, Q_RELOCATABLE_TYPE);

// A pair of character positions that the parse steps hand to each other.
struct LogScanRange
{
    int start = -2;
    int end = -2;
};

// Kinds of log file.
enum LogFileKind : int { LogKindPlain = 0, LogKindLogp = 1 };

// Splits a text into fields.
// Rule F1 (the line above the rule line): only non-empty fields; an empty or
// all-white text gives no field.
QStringList SplitFieldsF1(QStringView text);
// Rule F2 (heading block and data lines): always at least one field; the last
// one is what follows the last blank, empty when the text is empty or white.
QStringList SplitFieldsF2(QStringView text);

// Removes wide white space (QChar::isSpace: blank, tab, CR, LF, VT, FF, NEL,
// no-break space and the Unicode space separators) from both ends.
QStringView TrimWide(QStringView text);

// Reads the file number of a marker line the way the C library's atoi reads
// the low bytes of at most the first 99 characters: leading C white space,
// an optional sign, then digits. No digit gives 0. A number beyond the 32-bit
// range saturates at INT_MAX / INT_MIN, as strtol does on a 32-bit long.
int ReadFileNumber(QStringView trimmedText);

// The parse of the whole captured text into log file records.
//
// Every search is an exact, case-sensitive substring search on UTF-16 code
// units, forward from a start position; a start below 0 or beyond the end of
// the text finds nothing. The fixed words are looked up in the word indexes
// of LogSearchText, built in one pass over the text, so no search rescans
// the rest of the text for each file: the parse runs in time linear in the
// text plus the size of the records it produces (a file whose header or
// heading block reaches far ahead holds that much text itself).
class LogParser
{
public:
    // Parses input into sortedFiles. Returns false only when the text holds
    // no "File "; sortedFiles is then left as it was. Otherwise sortedFiles
    // is emptied and refilled with the files found, in input order; a file
    // that cannot be read (a plain log without a rule line, or whose table
    // runs to the end of the text) and all files after it are left out.
    // An input too long for 32-bit positions (about 2^31 characters) is
    // refused like a text without a file marker.
    bool ParseInputText(QStringView input, QList<LogFileRecord> &sortedFiles);

    // The parse steps. text is the input with the terminator appended.
    bool FindNextFile(const LogSearchText &text, LogScanRange &range, int from);
    bool FindFileHeader(const LogSearchText &text, LogScanRange &range, int from);
    bool ParsePlainLog(const LogSearchText &text, LogScanRange &range,
                       LogFileRecord &record, int from);
    bool ParseLogpEntries(const LogSearchText &text, LogScanRange &range,
                          LogFileRecord &record, int from);

    // The text appended to the input before parsing, so that the last file
    // ends like the files before it.
    static QString Terminator();

    int FileNumber() const { return m_nFileNumber; }
    bool FirstLogEntry() const { return m_bFirstLogEntry; }

private:
    int m_nFileNumber = 0;          // number of the file marker found last
    bool m_bFirstLogEntry = false;  // the Logp entry being read is its file's first
};

#endif // TAVIX_SORTING_LOG_PARSER_H
