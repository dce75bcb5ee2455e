// The record model of the parsed log files: one LogFileRecord per log file,
// its column headers and rows kept as text, packed so that a large capture
// costs few allocations.
#ifndef TAVIX_CORE_SORTING_LOG_RECORD_H
#define TAVIX_CORE_SORTING_LOG_RECORD_H

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <initializer_list>
#include <iterator>
#include <new>
#include <utility>

// Kinds of log file.
enum LogFileKind : int { LogKindPlain = 0, LogKindLogp = 1 };

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

#endif
