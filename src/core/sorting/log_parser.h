// The log data parser: turns the captured input text into one LogFileRecord
// per log file found (plain logs and Logp logs), all fields kept as text.
#ifndef TAVIX_CORE_SORTING_LOG_PARSER_H
#define TAVIX_CORE_SORTING_LOG_PARSER_H

#include "core/sorting/log_search_text.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <initializer_list>
#include <iterator>
#include <new>
#include <utility>

// Releases the room a QList holds beyond its elements. QList's own
// squeeze() copies the elements into a new block without checking that the
// block was allocated, so under a memory limit it dereferences a null
// pointer; here running out of memory is std::bad_alloc, as everywhere else
// (an exception part-way leaves list with moved-from elements).
template <typename T>
void SqueezeList(QList<T> &list)
{
    if (list.capacity() <= list.size())
        return;
    QList<T> squeezed;
    // Reserving on an empty list never copies: a failed allocation only
    // leaves it without room.
    squeezed.reserve(list.size());
    if (squeezed.capacity() < list.size())
        throw std::bad_alloc();
    if (list.isDetached()) {
        for (T &item : list)
            squeezed.append(std::move(item));
    } else {
        for (const T &item : std::as_const(list))
            squeezed.append(item);
    }
    list.swap(squeezed);
}

// The texts of one row or of one file's column headers, packed into one
// buffer: each text is its length (one code unit below 0x8000, else two)
// followed by its code units. A list of n short texts thus costs one
// allocation instead of n + 1, and equal lists have equal buffers. Reading
// text i walks the i texts before it; the sorted output and the graph read
// the texts in order or only the first few.
class LogFieldList
{
public:
    LogFieldList() = default;
    // Implicit, so that a list of texts can be assigned or appended as it is.
    LogFieldList(const QStringList &texts);

    qsizetype size() const { return m_count; }
    // The code units of all texts together.
    qsizetype textSize() const { return m_data.size() - m_count - m_longCount; }
    bool isEmpty() const { return m_count == 0; }
    // Text i; an empty view when there is no text i (a negative i included).
    QStringView at(qsizetype i) const;
    QString operator[](qsizetype i) const { return at(i).toString(); }

    void append(QStringView text);
    // Appends count texts with one allocation at most.
    void append(const QStringView *texts, qsizetype count);
    LogFieldList &operator<<(QStringView text)
    {
        append(text);
        return *this;
    }
    LogFieldList &operator<<(const QString &text)
    {
        append(text);
        return *this;
    }
    LogFieldList &operator<<(const QStringList &texts);
    void reserve(qsizetype units) { m_data.reserve(units); }
    // Releases the room reserved beyond the texts.
    void squeeze() { m_data.squeeze(); }

    QString join(QChar separator) const;
    QStringList toStringList() const;
    operator QStringList() const { return toStringList(); }

    // The texts in order.
    class const_iterator
    {
    public:
        using value_type = QStringView;
        using difference_type = qsizetype;
        using iterator_category = std::forward_iterator_tag;
        using pointer = void;
        using reference = QStringView;

        const_iterator() = default;
        QStringView operator*() const
        {
            const char16_t first = m_pos[0].unicode();
            if (first < 0x8000)
                return QStringView(m_pos + 1, qsizetype(first));
            return QStringView(m_pos + 2, (qsizetype(first & 0x7FFF) << 15) | m_pos[1].unicode());
        }
        const_iterator &operator++()
        {
            const char16_t first = m_pos[0].unicode();
            if (first < 0x8000)
                m_pos += 1 + first;
            else
                m_pos += 2 + ((qsizetype(first & 0x7FFF) << 15) | m_pos[1].unicode());
            return *this;
        }
        friend bool operator==(const_iterator a, const_iterator b) { return a.m_pos == b.m_pos; }
        friend bool operator!=(const_iterator a, const_iterator b) { return a.m_pos != b.m_pos; }

    private:
        friend class LogFieldList;
        const_iterator(const QChar *pos) : m_pos(pos) {}
        const QChar *m_pos = nullptr;
    };
    const_iterator begin() const { return const_iterator(m_data.constData()); }
    const_iterator end() const { return const_iterator(m_data.constData() + m_data.size()); }

    friend bool operator==(const LogFieldList &a, const LogFieldList &b)
    {
        return a.m_count == b.m_count && a.m_data == b.m_data;
    }
    // Whether the list holds exactly the count texts, in order.
    bool equals(const QStringView *texts, qsizetype count) const;
    friend bool operator!=(const LogFieldList &a, const LogFieldList &b) { return !(a == b); }
    friend bool operator==(const LogFieldList &a, const QStringList &b);
    friend bool operator==(const QStringList &a, const LogFieldList &b) { return b == a; }

private:
    QString m_data;
    qint32 m_count = 0;
    qint32 m_longCount = 0; // texts of 0x8000 code units or more (two length units)
};
Q_DECLARE_TYPEINFO(LogFieldList, Q_RELOCATABLE_TYPE);

// The rows of one file, each a LogFieldList.
class LogRowList
{
public:
    LogRowList() = default;
    // Implicit, so that rows given as lists of texts can be assigned.
    LogRowList(const QList<QStringList> &rows);
    LogRowList(std::initializer_list<QStringList> rows) : LogRowList(QList<QStringList>(rows)) {}

    qsizetype size() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const LogFieldList &operator[](qsizetype i) const { return m_rows[i]; }
    // A row handed out for changing: the totals below are counted afresh
    // from then on.
    LogFieldList &operator[](qsizetype i)
    {
        m_counted = false;
        return m_rows[i];
    }
    const LogFieldList &first() const { return m_rows.first(); }
    void append(LogFieldList row)
    {
        const qsizetype units = row.textSize();
        const qsizetype count = row.size();
        m_rows.append(std::move(row));
        m_textSize += units;
        m_fieldCount += count;
    }
    LogRowList &operator<<(const LogFieldList &row)
    {
        append(row);
        return *this;
    }
    void squeeze() { SqueezeList(m_rows); }
    // Moves the rows of rows to the end, the list growing once to its new
    // size; rows is left empty with its room kept, for gathering again.
    void appendTaken(QList<LogFieldList> &rows);

    // The code units of the texts of all rows together, and how many texts
    // they are: totals kept as rows are appended, so that the size of a
    // file's layout is known without reading its rows.
    qsizetype textSize() const;
    qsizetype fieldCount() const;

    // The rows as they are held, for reading them in order.
    const QList<LogFieldList> &fields() const { return m_rows; }

    // Walking the rows themselves gives each as a list of texts (a copy), for
    // code that wants QStringList rows; fields() reads them without copying.
    class const_iterator
    {
    public:
        using value_type = QStringList;
        using difference_type = qsizetype;
        using iterator_category = std::forward_iterator_tag;
        using pointer = void;
        using reference = QStringList;

        const_iterator() = default;
        QStringList operator*() const { return m_it->toStringList(); }
        const_iterator &operator++()
        {
            ++m_it;
            return *this;
        }
        friend bool operator==(const_iterator a, const_iterator b) { return a.m_it == b.m_it; }
        friend bool operator!=(const_iterator a, const_iterator b) { return a.m_it != b.m_it; }

    private:
        friend class LogRowList;
        explicit const_iterator(QList<LogFieldList>::const_iterator it) : m_it(it) {}
        QList<LogFieldList>::const_iterator m_it;
    };
    const_iterator begin() const { return const_iterator(m_rows.cbegin()); }
    const_iterator end() const { return const_iterator(m_rows.cend()); }

    friend bool operator==(const LogRowList &a, const LogRowList &b) { return a.m_rows == b.m_rows; }
    friend bool operator!=(const LogRowList &a, const LogRowList &b) { return !(a == b); }

private:
    QList<LogFieldList> m_rows;
    qsizetype m_textSize = 0;
    qsizetype m_fieldCount = 0;
    bool m_counted = true; // false once a row may have been changed in place
};
Q_DECLARE_TYPEINFO(LogRowList, Q_RELOCATABLE_TYPE);

// One log file of the captured text.
struct LogFileRecord
{
    int fileNumber = 0;          // number after "File " (0 when it cannot be read)
    int kind = 0;                // 0 plain log, 1 Logp log
    // From the brand word up to the header end. The parse sets it as a range
    // of the parse text (QString::fromRawData), kept alive by sharedText, so
    // a file's header costs no copy; changing it detaches it as usual.
    QString headerText;
    // Plain log: the fields of the line above the rule line, then those of
    // the whole heading block. Logp log: "DATE", "TT-MM-DD", "TIME",
    // "HH:MM:SS", then name and unit of each variable line of the first entry.
    LogFieldList columnHeaders;
    // Plain log: the blank-separated fields of each data line. Logp log: per
    // entry its date, its time and the value text of each variable line.
    LogRowList rows;
    // The text the parse read (implicitly shared, not copied), which
    // headerText points into; empty for a record made by other means. It is
    // no part of the record's value.
    QString sharedText;

    friend bool operator==(const LogFileRecord &a, const LogFileRecord &b)
    {
        return a.fileNumber == b.fileNumber && a.kind == b.kind && a.headerText == b.headerText
               && a.columnHeaders == b.columnHeaders && a.rows == b.rows;
    }
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
    // The same on a text the parse may keep and extend: the terminator is
    // appended in place, so the text is not copied.
    bool ParseOwnedText(QString input, QList<LogFileRecord> &sortedFiles);

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
    // the same result; 1: on the calling thread alone.
    void SetThreads(int threads) { m_threads = threads; }
    bool LimitExceeded() const { return m_bLimitExceeded; }

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
    LogFieldList m_lastHeaders;     // the column headers set last
    QList<LogFieldList> m_rows;     // the rows of the file being read, gathered
    qsizetype m_characterLimit = -1;
    bool m_bLimitExceeded = false;
    int m_nFileNumber = 0;          // number of the file marker found last
    bool m_bFirstLogEntry = false;  // the Logp entry being read is its file's first
};

#endif // TAVIX_CORE_SORTING_LOG_PARSER_H
