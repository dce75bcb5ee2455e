#include "core/sorting/log_parser.h"

#include <QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>
#include <climits>
#include <limits>

namespace {

using W = LogSearchText;

// Characters that start a Logp value.
bool IsValueStart(QChar c)
{
    return c == u'-' || (c >= u'0' && c <= u'9');
}

// The first blank of a text, -1 if none. The texts searched are short
// (fields and lines), where a plain loop beats a call to the vectorised
// search.
qsizetype IndexOfBlank(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u' ')
            return i;
    }
    return -1;
}

QStringView TrimLeftWide(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    return text.sliced(i);
}

// The C library's isspace in the "C" locale.
bool IsCSpace(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The unit position of a header: the first of "sec", "sek", "tim", "hours"
// at or after from, tried in this order.
int FindUnitWord(const LogSearchText &text, int from)
{
    for (W::Word w : {W::UnitSec, W::UnitSek, W::UnitTim, W::UnitHours}) {
        const int u = text.Find(w, from);
        if (u != -1)
            return u;
    }
    return -1;
}

// The line break that ends the last non-empty line before the first empty
// line after from - 1, or the last line break of the text when no empty line
// follows. Walking line by line from "from" visits every line break at or
// after from in order and stops at the first one directly followed by another
// line break, or at the last one; that is the first "\r\n\r\n" at or after
// from, or else the last line break. With no line break at or after from the
// walk starts again from position -1 (the next line break after -1 is the
// first of the text): it then gives -1 when the text has no line break or
// one that starts at position 0 or 1, else the same search from 0.
int FindBlankLine(const LogSearchText &text, int from)
{
    if (text.Find(W::LineBreak, from) == -1) {
        const int first = text.Find(W::LineBreak, 0);
        if (first == -1 || first + 1 <= 2)
            return -1;
        from = 0;
    }
    const int empty = text.Find(W::EmptyLine, from);
    return empty != -1 ? empty : text.LastLineBreak();
}

} // namespace

QStringView TrimWide(QStringView text)
{
    qsizetype a = 0;
    qsizetype b = text.size();
    while (a < b && text[a].isSpace())
        ++a;
    while (b > a && text[b - 1].isSpace())
        --b;
    return text.sliced(a, b - a);
}

namespace {

// Rule F1: only non-empty fields.
template <typename Sink>
void SplitF1(QStringView text, Sink &&sink)
{
    QStringView rest = TrimWide(text);
    while (!rest.isEmpty()) {
        const qsizetype k = IndexOfBlank(rest);
        if (k < 0) {
            sink(rest);
            break;
        }
        sink(rest.first(k));
        // The right end is already trimmed; only the left end can change.
        rest = TrimLeftWide(rest.sliced(k));
    }
}

// Rule F2: what is left after the last blank is always a field.
template <typename Sink>
void SplitF2(QStringView text, Sink &&sink)
{
    QStringView rest = TrimWide(text);
    for (;;) {
        const qsizetype k = IndexOfBlank(rest);
        if (k < 0)
            break;
        sink(rest.first(k));
        rest = TrimLeftWide(rest.sliced(k));
    }
    sink(rest);
}

// Texts gathered before they go into a LogFieldList in one allocation.
using FieldViews = QVarLengthArray<QStringView, 32>;

LogFieldList FieldsF2(QStringView text)
{
    FieldViews views;
    SplitF2(text, [&](QStringView f) { views.append(f); });
    LogFieldList fields;
    fields.append(views.constData(), views.size());
    return fields;
}

} // namespace

QStringList SplitFieldsF1(QStringView text)
{
    QStringList fields;
    SplitF1(text, [&](QStringView f) { fields.append(f.toString()); });
    return fields;
}

QStringList SplitFieldsF2(QStringView text)
{
    QStringList fields;
    SplitF2(text, [&](QStringView f) { fields.append(f.toString()); });
    return fields;
}

int ReadFileNumber(QStringView text)
{
    const qsizetype n = std::min<qsizetype>(text.size(), 99);
    qsizetype i = 0;
    // A character whose low byte is 0 would end the narrowed text; it is
    // neither white space, sign nor digit, so the reading stops there anyway.
    auto byteAt = [&](qsizetype k) { return static_cast<unsigned char>(text[k].unicode() & 0xFF); };
    while (i < n && IsCSpace(byteAt(i)))
        ++i;
    bool negative = false;
    if (i < n && (byteAt(i) == '+' || byteAt(i) == '-')) {
        negative = byteAt(i) == '-';
        ++i;
    }
    // Accumulate as a negative number so that INT_MIN itself fits.
    long long value = 0;
    bool overflow = false;
    for (; i < n; ++i) {
        const unsigned char c = byteAt(i);
        if (c < '0' || c > '9')
            break;
        if (!overflow) {
            value = value * 10 - (c - '0');
            if (value < static_cast<long long>(INT_MIN))
                overflow = true;
        }
    }
    if (negative)
        return overflow ? INT_MIN : static_cast<int>(value);
    if (overflow || value < -static_cast<long long>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(-value);
}

QString LogParser::Terminator()
{
    return QStringLiteral("\r\nDate ......................\r\n Signature .................");
}

bool LogParser::ParseInputText(QStringView input, QList<LogFileRecord> &sortedFiles)
{
    QString whole;
    whole.reserve(input.size() + Terminator().size());
    whole.append(input);
    return ParseOwnedText(std::move(whole), sortedFiles);
}

bool LogParser::ParseOwnedText(QString input, QList<LogFileRecord> &sortedFiles)
{
    m_bLimitExceeded = false;
    const QString terminator = Terminator();
    if (input.size() > std::numeric_limits<int>::max() - terminator.size() - 64)
        return false;
    input.append(terminator);
    const LogSearchText text(input);
    input = QString(); // the search text holds it
    if (m_fileSink)
        m_sunkText = text.Text();

    LogScanRange range{-2, -2};
    if (!FindNextFile(text, range, 0))
        return false;

    // At most one record per file marker: room for all of them at once, so
    // the table never moves while it grows.
    QList<LogFileRecord> files;
    if (!m_fileSink)
        files.reserve(text.Count(W::FileMarker));
    qsizetype characters = 0;

    // A large text is parsed in two parts at once. Where a file's parse
    // starts depends only on its marker, so a second parser starts at the
    // first marker past the middle while this one parses from the start; if
    // this one then arrives at that marker, the second's files are what it
    // would have parsed from there, and they are taken. If it passes the
    // marker without stopping there (a file that reads on past it) or stops
    // before it, the second's work is dropped and this one goes on alone.
    const int middle = text.Size() >= m_twoPartThreshold && m_threads == 2 && !m_fileSink
                           ? text.Find(W::FileMarker, text.Size() / 2)
                           : -1;
    if (middle > range.start) {
        LogParser second;
        second.m_characterLimit = m_characterLimit;
        QList<LogFileRecord> secondFiles;
        qsizetype secondCharacters = 0;
        FilesEnd secondEnd = FilesEnd::Done;
        std::atomic<bool> cancel = false;
        std::exception_ptr failure;
        std::optional<std::thread> worker;
        try {
            worker.emplace([&]() {
                try {
                    // Its own copy of the text's indexes: their lookups
                    // remember where they were, per parser.
                    const LogSearchText own(text, LogSearchText::Copy);
                    LogScanRange secondRange{-2, -2};
                    second.FindNextFile(own, secondRange, middle);
                    secondEnd = second.ParseFiles(own, secondRange, secondFiles, secondCharacters, -1, &cancel);
                } catch (...) {
                    failure = std::current_exception();
                }
            });
        } catch (const std::system_error &) {
            // No thread to be had: this one parses it all, below.
        }
        if (worker) {
            FilesEnd end = FilesEnd::Done;
            try {
                end = ParseFiles(text, range, files, characters, middle, nullptr);
            } catch (...) {
                cancel = true;
                worker->join();
                throw;
            }
            if (end != FilesEnd::AtMarker)
                cancel = true;
            worker->join();
            const bool taken = end == FilesEnd::AtMarker && !failure && secondEnd != FilesEnd::Limit
                               && (m_characterLimit < 0 || characters + secondCharacters <= m_characterLimit);
            if (taken) {
                characters += secondCharacters;
                for (LogFileRecord &record : secondFiles)
                    files.append(std::move(record));
                m_nFileNumber = second.m_nFileNumber;
                // The second parser's flag is its own only once it read a
                // Logp file; before that it is the state this parser
                // arrived at the marker with, as on one thread.
                if (second.m_bLogpEntriesRead)
                    m_bFirstLogEntry = second.m_bFirstLogEntry;
                end = FilesEnd::Done;
            } else if (end == FilesEnd::AtMarker || end == FilesEnd::PastMarker) {
                // Past the marker, or the second part failed or passed the
                // limit: this parser goes on from here alone, so that it
                // stops at exactly the file and in the state it would
                // have stopped in on one thread.
                secondFiles = QList<LogFileRecord>();
                end = ParseFiles(text, range, files, characters, -1, nullptr);
            }
            if (end == FilesEnd::Limit)
                return false;
            if (files.size() < files.capacity() / 2)
                SqueezeList(files);
            sortedFiles = std::move(files);
            return true;
        }
    }

    if (ParseFiles(text, range, files, characters, -1, nullptr) == FilesEnd::Limit)
        return false;
    if (files.size() < files.capacity() / 2)
        SqueezeList(files);
    sortedFiles = std::move(files);
    return true;
}

bool LogParser::ParseStreamedText(LogTextSource &source, qsizetype blockSize)
{
    Q_ASSERT(m_fileSink);
    m_bLimitExceeded = false;
    const QString terminator = Terminator();
    if (source.Size() > std::numeric_limits<int>::max() - terminator.size() - 64)
        return false;
    const LogSearchText text(source, terminator, blockSize, m_threads == 2);
    LogScanRange range{-2, -2};
    if (!FindNextFile(text, range, 0))
        return false;
    QList<LogFileRecord> none;
    qsizetype characters = 0;
    return ParseFiles(text, range, none, characters, -1, nullptr) != FilesEnd::Limit;
}

LogParser::FilesEnd LogParser::ParseFiles(const LogSearchText &text, LogScanRange &range,
                                          QList<LogFileRecord> &files, qsizetype &characters, int stopMarker,
                                          const std::atomic<bool> *cancel)
{
    for (;;) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return FilesEnd::Done;
        // Nothing before the file's marker is looked at again but through
        // the word indexes, which read a block again when they need it.
        text.ReleaseBefore(range.start);
        LogFileRecord record;
        record.fileNumber = m_nFileNumber;
        record.kind = LogKindPlain;

        // When no header is found the range keeps what FindNextFile gave it.
        FindFileHeader(text, range, range.end);
        const QStringView header = text.Mid(range.start, range.end);
        record.headerText = QString::fromRawData(header.data(), header.size());
        if (!m_fileSink)
            record.sharedText = text.Text();

        const int from = range.end;
        // A Logp file when a log marker follows before any rule line: only a
        // rule line before the marker counts, so none is looked for past it.
        const int logPos = text.Find(W::LogMarker, from);
        if (logPos != -1 && text.FindBefore(W::RuleLine, from, logPos) == -1)
            record.kind = LogKindLogp;

        m_countRowsOnly = m_fileWanted && !m_fileWanted(record.kind, header);
        m_countedRowCharacters = 0;
        const bool ok = record.kind == LogKindPlain
                            ? ParsePlainLog(text, range, record, from)
                            : ParseLogpEntries(text, range, record, from);
        if (!ok)
            return FilesEnd::Done;
        characters += RecordCharacters(record) + m_countedRowCharacters;
        if (m_characterLimit >= 0 && characters > m_characterLimit) {
            m_bLimitExceeded = true;
            return FilesEnd::Limit;
        }
        if (!m_fileSink)
            files.append(std::move(record));
        else if (!m_countRowsOnly && !m_fileSink(std::move(record)))
            return FilesEnd::Done;

        // range.start has not moved back past the current marker, so the
        // search goes strictly forward and never reads a marker twice.
        if (!FindNextFile(text, range, range.start + 1))
            return FilesEnd::Done;
        if (stopMarker >= 0 && range.start >= stopMarker)
            return range.start == stopMarker ? FilesEnd::AtMarker : FilesEnd::PastMarker;
    }
}

qsizetype LogParser::RecordCharacters(const LogFileRecord &record)
{
    return record.headerText.size() + record.columnHeaders.textSize() + record.columnHeaders.size()
           + record.rows.textSize() + record.rows.fieldCount() + 2 * record.rows.size();
}

bool LogParser::FindNextFile(const LogSearchText &text, LogScanRange &range, int from)
{
    const int p = text.Find(W::FileMarker, from);
    if (p == -1)
        return false;
    range.start = p;
    range.end = text.FindBlank(p + 5);

    const int n = text.FindBlank(p);
    const int e = text.Find(W::LineBreak, n);
    if (e <= n) {
        m_nFileNumber = 0;
        return true;
    }
    // Trailing white space never narrows to a digit or a sign, so it cannot
    // change the number read; only the left end is trimmed, which keeps this
    // step from scanning a long line's end once per marker on it.
    m_nFileNumber = ReadFileNumber(TrimLeftWide(text.Mid(n, e)));
    return true;
}

bool LogParser::FindFileHeader(const LogSearchText &text, LogScanRange &range, int from)
{
    const int b = text.Find(W::Brand, from);
    if (b == -1)
        return false;
    range.start = b;

    const int blank = FindBlankLine(text, b + 1);

    int end = blank;
    const int u1 = FindUnitWord(text, b + 3);
    if (u1 != -1) {
        const int u2 = FindUnitWord(text, u1 + 4);
        end = u2 == -1 ? blank : u2 + 5;
    }
    // The unit position counts only when it lies at least 30 characters
    // before the blank-line position.
    if (blank - end < 30)
        end = blank;
    if (end == -1)
        return false;
    range.end = end + 1;
    return true;
}

bool LogParser::ParsePlainLog(const LogSearchText &text, LogScanRange &range,
                              LogFileRecord &record, int from)
{
    const int lb = text.Find(W::LineBreak, from);
    const int d = lb - 30 < 0 ? -1 : text.Find(W::RuleLine, lb - 30);
    if (d == -1)
        return false;

    const QStringView block = text.Mid(lb, d);
    const int ruleEnd = text.Find(W::LineBreak, d + 1);
    range.end = ruleEnd + 1;

    // The line directly above the rule line: drop the rule line at the last
    // line feed (no line feed: all of it is rule line, nothing is left), then
    // keep the part from the last line feed on (none: all that is left).
    QStringView above = text.Mid(range.start, range.end);
    const qsizetype cut = above.lastIndexOf(QLatin1Char('\n'));
    above = cut < 0 ? QStringView() : above.first(cut);
    const qsizetype lineStart = above.lastIndexOf(QLatin1Char('\n'));
    if (lineStart >= 0)
        above = above.sliced(lineStart);

    FieldViews headers;
    SplitF1(above, [&](QStringView f) { headers.append(f); });
    SplitF2(block, [&](QStringView f) { headers.append(f); });
    SetColumnHeaders(record, headers.constData(), headers.size());

    // The rows are gathered and then moved into the record at once, so its
    // list is made at its final size.
    m_rows.clear();
    int p = range.end;
    for (;;) {
        const int q = text.Find(W::LineBreak, p);
        if (q == -1) {
            record.rows.appendTaken(m_rows);
            return false;
        }
        const QStringView line = text.Mid(p, q);
        if (line.size() < 2) {
            range.end = p;
            record.rows.appendTaken(m_rows);
            return true;
        }
        if (m_countRowsOnly) {
            SplitF2(line, [&](QStringView f) { m_countedRowCharacters += f.size() + 1; });
            m_countedRowCharacters += 2;
        } else {
            m_rows.append(FieldsF2(line));
        }
        p = q + 1;
    }
}

void LogParser::SetColumnHeaders(LogFileRecord &record, const QStringView *texts, qsizetype count)
{
    if (record.columnHeaders.isEmpty() && m_lastHeaders.equals(texts, count)) {
        record.columnHeaders = m_lastHeaders;
        return;
    }
    record.columnHeaders.append(texts, count);
    m_lastHeaders = record.columnHeaders;
}

bool LogParser::ParseLogpEntries(const LogSearchText &text, LogScanRange &range,
                                 LogFileRecord &record, int from)
{
    // The rows are gathered and then moved into the record at once, so its
    // list is made at its final size.
    m_rows.clear();
    const bool ok = ReadLogpEntries(text, range, record, from);
    record.rows.appendTaken(m_rows);
    return ok;
}

bool LogParser::ReadLogpEntries(const LogSearchText &text, LogScanRange &range, LogFileRecord &record, int from)
{
    m_bFirstLogEntry = true;
    m_bLogpEntriesRead = true;
    int l = text.Find(W::LogMarker, from);
    const int f = text.Find(W::FileMarker, from);
    if (l == -1)
        return f < 0;

    for (;;) {
        if (f != -1 && l > f)
            return true; // the entry belongs to a later file

        range.start = l;
        range.end = text.Find(W::LineBreak, l);
        // The eight characters skipped are "Log " and the entry number.
        const QStringView s = TrimWide(text.Mid(l + 8, range.end));

        FieldViews headers;
        if (m_bFirstLogEntry)
            headers << u"DATE" << u"TT-MM-DD" << u"TIME" << u"HH:MM:SS";

        FieldViews row;
        const qsizetype k = IndexOfBlank(s);
        if (k < 0) {
            row << QStringView() << s;
        } else {
            row << TrimWide(s.first(k)) << TrimWide(s.sliced(k));
        }

        // Variable lines. The first begins with the line feed of the entry
        // line's line break; trimming removes it.
        int next = 0;
        QStringView rest = u"Start";
        while (rest.size() > 1) {
            const int a = range.end + 1;
            const int e = text.Find(W::LineBreak, a);
            range.end = e + 1;
            const QStringView line = e == -1 ? QStringView() : text.Mid(a, e);
            if (line.isEmpty()) {
                next = a;
                break;
            }
            qsizetype vk = -1;
            for (qsizetype i = 0; i < line.size(); ++i) {
                if (IsValueStart(line[i])) {
                    vk = i;
                    break;
                }
            }
            if (m_bFirstLogEntry)
                headers.append(vk < 0 ? QStringView() : TrimWide(line.first(vk)));

            const QStringView t = vk < 0 ? line : line.sliced(vk);
            const qsizetype k2 = IndexOfBlank(t);
            row.append(k2 < 0 ? QStringView() : t.first(k2));
            rest = k2 < 0 ? t : t.sliced(k2);

            // In the first entry the unit is trimmed before the loop test, so
            // a unit of one character or none ends that entry.
            if (m_bFirstLogEntry) {
                rest = TrimWide(rest);
                headers.append(rest);
            }
            next = range.end + 1;
        }

        if (m_bFirstLogEntry)
            SetColumnHeaders(record, headers.constData(), headers.size());
        if (m_countRowsOnly) {
            for (QStringView field : row)
                m_countedRowCharacters += field.size() + 1;
            m_countedRowCharacters += 2;
        } else {
            LogFieldList fields;
            fields.append(row.constData(), row.size());
            m_rows.append(std::move(fields));
        }
        m_bFirstLogEntry = false;

        l = text.Find(W::LogMarker, next);
        if (l == -1)
            return true;
    }
}
