// The log data parser: turns the captured input text into one LogFileRecord
// per log file found (plain logs and Logp logs), all fields kept as text.
#ifndef TAVIX_CORE_SORTING_LOG_PARSER_H
#define TAVIX_CORE_SORTING_LOG_PARSER_H

#include "core/sorting/log_record.h"
#include "core/sorting/log_search_text.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <functional>


// A pair of character positions that the parse steps hand to each other.
struct LogScanRange
{
    int start = -2;
    int end = -2;
};

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
    // The same on a text the parse may keep and extend: the terminator is
    // appended in place, so the text is not copied.
    bool ParseOwnedText(QString input, QList<LogFileRecord> &sortedFiles);

    // The same on the text of source, streamed (see LogSearchText), for a
    // parse that hands its files to a sink (SetFileSink), which it needs:
    // the text is read a block at a time as the parse comes to it and given
    // back behind the file being read: a file's header text is a view of
    // the text that holds only while the file is handed to the sink, which
    // copies it if it keeps the file. A block that cannot be read is
    // LogTextReadError.
    bool ParseStreamedText(LogTextSource &source, qsizetype blockSize = LogSearchText::kStreamBlock);

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

    // The most characters the files of one parse may hold, counted as
    // RecordCharacters counts them. A capture whose file markers re-read the
    // same table many times would otherwise grow without end: a parse whose
    // files pass the limit stops, ParseInputText returns false with
    // LimitExceeded() true, and the table is left as it was. No limit by
    // default.
    void SetCharacterLimit(qsizetype limit) { m_characterLimit = limit; }
    // 2 (the default): a large text is parsed in two parts at once, with
    // the same result, and a streamed text is read ahead on a thread of its
    // own; 1: all on the calling thread.
    void SetThreads(int threads) { m_threads = threads; }
    // The text size (in characters, the terminator included) from which two
    // threads parse in two parts; 1 Mi by default. Tests lower it so that
    // small texts take both ways.
    void SetTwoPartThreshold(int characters) { m_twoPartThreshold = characters; }
    bool LimitExceeded() const { return m_bLimitExceeded; }
    // Hands each file to sink as soon as it is read (and counted against the
    // limit) instead of keeping it: the parse then runs on the calling
    // thread alone and leaves the table it is given empty. sink returning
    // false ends the parse there, as a file that cannot be read does. The
    // files handed on do not keep the parsed text alive themselves (their
    // sharedText is empty): the parser keeps it until it is destroyed, so
    // they must be done with before then.
    using FileSink = std::function<bool(LogFileRecord &&record)>;
    // wanted (when given) tells from a file's kind and header text, before
    // its rows are read, whether sink wants it: the rows of a file it does
    // not want are only counted against the limit, never kept, and the file
    // is not handed on.
    using FileWanted = std::function<bool(int kind, QStringView headerText)>;
    void SetFileSink(FileSink sink, FileWanted wanted = {})
    {
        m_fileSink = std::move(sink);
        m_fileWanted = std::move(wanted);
    }

    // The characters a record holds: its header text and every column header
    // and field, each field counted with one more for its separator.
    static qsizetype RecordCharacters(const LogFileRecord &record);

private:
    // How ParseFiles ended: no further file (or a file that could not be
    // read), the character limit passed, or the next file's marker is the
    // stop marker or lies past it.
    enum class FilesEnd { Done, Limit, AtMarker, PastMarker };
    // Parses the files from the one whose marker range holds on, appending
    // them to files and their characters to characters, until it ends; with
    // stopMarker >= 0 also before parsing a file whose marker is at or past
    // stopMarker; with cancel set, as soon as cancel is true (Done).
    FilesEnd ParseFiles(const LogSearchText &text, LogScanRange &range, QList<LogFileRecord> &files,
                        qsizetype &characters, int stopMarker, const std::atomic<bool> *cancel);

    // ParseLogpEntries with the rows gathered in m_rows.
    bool ReadLogpEntries(const LogSearchText &text, LogScanRange &range, LogFileRecord &record, int from);
    // Sets the record's column headers to the count texts; the same texts as
    // the previous file's share that file's buffer, as the files of one kind
    // of log mostly have the same headers.
    void SetColumnHeaders(LogFileRecord &record, const QStringView *texts, qsizetype count);

    int m_threads = 2;
    FileSink m_fileSink;
    FileWanted m_fileWanted;
    // The file being read is not wanted: its rows are counted here (their
    // characters as RecordCharacters counts them), not kept.
    bool m_countRowsOnly = false;
    qsizetype m_countedRowCharacters = 0;
    QString m_sunkText; // the text the files handed to m_fileSink point into
    int m_twoPartThreshold = 1 << 20;
    LogFieldList m_lastHeaders;     // the column headers set last
    QList<LogFieldList> m_rows;     // the rows of the file being read, gathered
    qsizetype m_characterLimit = -1;
    bool m_bLimitExceeded = false;
    int m_nFileNumber = 0;          // number of the file marker found last
    bool m_bFirstLogEntry = false;  // the Logp entry being read is its file's first
    bool m_bLogpEntriesRead = false; // ReadLogpEntries ran, so m_bFirstLogEntry is this parse's own
};

#endif // TAVIX_CORE_SORTING_LOG_PARSER_H
