#include "core/sorting/sorted_output.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr QStringView kLineBreak = u"\r\n";
constexpr QStringView kPlainHeaderGap = u"      ";
constexpr QStringView kPlainFieldGap = u"   ";
constexpr QStringView kTab = u"\t";

bool Picks(const LogFileRecord &record, int kind, int logType)
{
    if (record.kind != kind)
        return false;
    return logType == LogTypeQrtLog || MatchesLogType(record, logType);
}

// Whether text contains a or b (exact, case-sensitive); both start with 'Q'.
// The sort asks this of every Logp file up to three times: a search for
// each 'Q' of the short header, compared only there.
bool ContainsEither(QStringView text, QStringView a, QStringView b)
{
    for (qsizetype p = text.indexOf(u'Q'); p >= 0; p = text.indexOf(u'Q', p + 1)) {
        const QStringView rest = text.sliced(p);
        if (rest.startsWith(a) || rest.startsWith(b))
            return true;
    }
    return false;
}

// "File <n>" as "%d" writes it.
QStringView FileLine(int number, QChar (&buffer)[24])
{
    qsizetype pos = 24;
    long long n = number;
    const bool negative = n < 0;
    if (negative)
        n = -n;
    do {
        buffer[--pos] = QChar(char16_t(u'0' + n % 10));
        n /= 10;
    } while (n != 0);
    if (negative)
        buffer[--pos] = u'-';
    for (const char16_t c : {u' ', u'e', u'l', u'i', u'F'})
        buffer[--pos] = QChar(c);
    return QStringView(buffer + pos, 24 - pos);
}

// The header lines of a record's layout, handed to put piece by piece.
template <typename Put>
void LayOutHeaders(const LogFileRecord &record, Put &&put)
{
    if (record.kind == LogKindLogp) {
        // Names, dates and times first: the doubled tab after "DATE" and
        // "TIME" keeps them above their 8-character values.
        qsizetype j = 0;
        for (QStringView header : record.columnHeaders) {
            if (j % 2 == 0) {
                put(header);
                put(kTab);
                if (j == 0 || j == 2)
                    put(kTab);
            }
            ++j;
        }
        put(kLineBreak);
        j = 0;
        for (QStringView header : record.columnHeaders) {
            if (j % 2 == 1) {
                put(header);
                put(kTab);
            }
            ++j;
        }
        put(kLineBreak);
    } else {
        for (QStringView header : record.columnHeaders) {
            put(header);
            put(kPlainHeaderGap);
        }
        put(kLineBreak);
    }
}

// The data lines of a record's layout, handed to put piece by piece.
template <typename Put>
void LayOutRows(const LogFileRecord &record, Put &&put)
{
    const QStringView gap = record.kind == LogKindLogp ? kTab : kPlainFieldGap;
    for (const LogFieldList &row : record.rows.fields()) {
        for (QStringView field : row) {
            put(field);
            put(gap);
        }
        put(kLineBreak);
    }
}

// The layout of one record, handed to put piece by piece: put(text) is
// called for every piece in order. The same walk measures and writes.
template <typename Put>
void LayOutRecord(const LogFileRecord &record, Put &&put)
{
    QChar number[24];
    put(FileLine(record.fileNumber, number));
    put(kLineBreak);
    LayOutHeaders(record, put);
    LayOutRows(record, put);
}

// The characters of a record's data lines.
qsizetype RowsOutputSize(const LogFileRecord &record)
{
    const qsizetype gap = record.kind == LogKindLogp ? kTab.size() : kPlainFieldGap.size();
    return record.rows.textSize() + record.rows.fieldCount() * gap + record.rows.size() * kLineBreak.size();
}

// The characters AppendRecord writes for the record, from the sizes of its
// lists without walking their texts.
qsizetype RecordOutputSize(const LogFileRecord &record)
{
    // "File " and the number's digits and sign, as FileLine writes them.
    qsizetype n = 5 + (record.fileNumber < 0 ? 1 : 0) + kLineBreak.size();
    for (long long v = qAbs(qint64(record.fileNumber)); ; v /= 10) {
        ++n;
        if (v < 10)
            break;
    }
    const LogFieldList &headers = record.columnHeaders;
    if (record.kind == LogKindLogp) {
        // Two lines; a tab after each header, one more after headers 0 and 2.
        n += headers.textSize() + headers.size() + qMin<qsizetype>((headers.size() + 1) / 2, 2)
             + 2 * kLineBreak.size();
    } else {
        n += headers.textSize() + headers.size() * kPlainHeaderGap.size() + kLineBreak.size();
    }
    // Each field followed by its gap, each row by a line break.
    return n + RowsOutputSize(record);
}

// Appends the record's layout to output, sized once and filled in place.
void AppendRecord(const LogFileRecord &record, QString &output)
{
    const qsizetype start = output.size();
    output.resize(start + RecordOutputSize(record));
    QChar *out = output.data() + start;
    LayOutRecord(record, [&](QStringView text) {
        std::copy(text.begin(), text.end(), out);
        out += text.size();
    });
    Q_ASSERT(out == output.constData() + output.size());
}

// Whether any key of a replacement table occurs in a text, told in one pass
// that stops only at characters that start a key. Applying the table to a
// text in which no key occurs changes nothing (its first row finds nothing,
// so neither does any later one), so most of the sorted output - dates,
// times and numbers - is passed over once instead of once per row.
class KeyPresence
{
public:
    explicit KeyPresence(const ReplacementTable &table)
    {
        for (const ReplacementRow &row : table) {
            if (row.key.isEmpty())
                continue;
            m_keys.push_back(row.key);
            const char16_t c = row.key.front().unicode();
            m_starts[c >> 6] |= quint64(1) << (c & 63);
        }
    }

    bool OccursIn(QStringView text) const
    {
        if (m_keys.empty())
            return false;
        const char16_t *d = text.utf16();
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = d[i];
            if (!((m_starts[c >> 6] >> (c & 63)) & 1))
                continue;
            const QStringView rest(d + i, n - i);
            for (QStringView key : m_keys) {
                if (key.front() == c && rest.startsWith(key))
                    return true;
            }
        }
        return false;
    }

private:
    quint64 m_starts[1024] = {};
    std::vector<QStringView> m_keys;
};

// What a piece is made with: the table, whether a piece is made of whole
// lines the table can be applied to one at a time (no key holds a line
// feed), and the quick test for its keys.
struct Abbreviations
{
    explicit Abbreviations(const ReplacementTable &rows)
        : table(rows), byLines(!ReplacementTableSpansLines(rows)), presence(rows)
    {
    }
    const ReplacementTable &table;
    bool byLines;
    KeyPresence presence;
};

// The abbreviated header lines of the record made last: consecutive files of
// one kind of log mostly have the same headers, which are then laid out and
// abbreviated once.
struct HeaderLines
{
    bool valid = false;
    int kind = 0;
    LogFieldList headers;
    QString text;
};

// Applies the table to output from start on, where whole lines were just
// appended; nothing is done when no key occurs there.
void AbbreviateFrom(QString &output, qsizetype start, const Abbreviations &abbreviations)
{
    if (!abbreviations.presence.OccursIn(QStringView(output).sliced(start)))
        return;
    QString lines = ApplyReplacementTable(QStringView(output).sliced(start).toString(), abbreviations.table);
    output.truncate(start);
    output.append(lines);
}

// Appends the record's layout with the table applied. A key holds no line
// feed, so no match reaches across a line break: applying the table line
// by line, or to any run of whole lines, gives the same text as applying it
// to the whole output, and the file line, the header lines and the data
// lines are abbreviated each on their own.
void AppendAbbreviatedRecord(const LogFileRecord &record, QString &output, const Abbreviations &abbreviations,
                             HeaderLines &last)
{
    qsizetype start = output.size();
    QChar number[24];
    output.append(FileLine(record.fileNumber, number));
    output.append(kLineBreak);
    AbbreviateFrom(output, start, abbreviations);

    if (!last.valid || last.kind != record.kind || last.headers != record.columnHeaders) {
        QString lines;
        LayOutHeaders(record, [&](QStringView text) { lines.append(text); });
        last.text = ApplyReplacementTable(std::move(lines), abbreviations.table);
        last.headers = record.columnHeaders;
        last.kind = record.kind;
        last.valid = true;
    }
    output.append(last.text);

    start = output.size();
    output.resize(start + RowsOutputSize(record));
    QChar *out = output.data() + start;
    LayOutRows(record, [&](QStringView text) {
        std::copy(text.begin(), text.end(), out);
        out += text.size();
    });
    Q_ASSERT(out == output.constData() + output.size());
    AbbreviateFrom(output, start, abbreviations);
}

} // namespace

QString LogTypeName(int logType)
{
    switch (logType) {
    case LogTypeQrt03Logp:
        return QStringLiteral("QRT 03 Logp");
    case LogTypeQrtLog:
        return QStringLiteral("QRT Log");
    case LogTypeQrt31Logp:
        return QStringLiteral("QRT 31 Logp");
    default:
        return QStringLiteral("log type %1").arg(logType);
    }
}

bool MatchesLogType(QStringView headerText, int logType)
{
    switch (logType) {
    case LogTypeQrt03Logp:
        return ContainsEither(headerText, u"QRT03", u"QRT 03");
    case LogTypeQrt31Logp:
        return ContainsEither(headerText, u"QRT 31", u"QRT 31");
    default:
        return false;
    }
}

bool MatchesLogType(const LogFileRecord &record, int logType)
{
    return MatchesLogType(QStringView(record.headerText), logType);
}

int GraphListOfLogType(int logType)
{
    return logType == LogTypeQrtLog || logType == LogTypeQrtLogNoInterval ? 0 : 1;
}

QList<qint32> PickedFiles(const QList<LogFileRecord> &records, int kind, int logType)
{
    QList<qint32> picked;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (Picks(records[i], kind, logType))
            picked.append(qint32(i));
    }
    return picked;
}

qsizetype SortedOutputSize(const QList<LogFileRecord> &records, const QList<qint32> &picked)
{
    qsizetype n = 0;
    for (const qint32 i : picked)
        n += RecordOutputSize(records[i]);
    return n;
}

qsizetype SortedOutputSize(const QList<LogFileRecord> &records, int kind, int logType)
{
    return SortedOutputSize(records, PickedFiles(records, kind, logType));
}

namespace {

// One piece of the output: the records picked[.., end) after the previous
// piece, laid out in size characters.
struct PieceEnd
{
    qsizetype end = 0;
    qsizetype size = 0;
};

// The pieces: each takes records until it holds pieceSize characters or
// more, the last one what is left; the same cut points as filling one piece
// at a time. With whole set, one piece of everything.
std::vector<PieceEnd> PieceEnds(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                                qsizetype pieceSize, bool whole)
{
    std::vector<PieceEnd> ends;
    qsizetype size = 0;
    for (qsizetype k = 0; k < picked.size(); ++k) {
        size += RecordOutputSize(records[picked[k]]);
        if (size >= pieceSize && !whole) {
            ends.push_back({k + 1, size});
            size = 0;
        }
    }
    if (size > 0)
        ends.push_back({picked.size(), size});
    return ends;
}

// The laid-out records picked[from, to) (size characters) with
// abbreviations applied; last carries the header lines from one piece to
// the next made on the same thread.
QString MakePiece(const QList<LogFileRecord> &records, const QList<qint32> &picked, qsizetype from, PieceEnd to,
                  const Abbreviations &abbreviations, HeaderLines &last)
{
    QString piece;
    piece.reserve(to.size);
    if (!abbreviations.byLines) {
        for (qsizetype k = from; k < to.end; ++k)
            AppendRecord(records[picked[k]], piece);
        return ApplyReplacementTable(std::move(piece), abbreviations.table);
    }
    for (qsizetype k = from; k < to.end; ++k)
        AppendAbbreviatedRecord(records[picked[k]], piece, abbreviations, last);
    return piece;
}

// Makes the pieces one after another and hands each to sink, until sink
// returns false.
bool SinkPiecesInTurn(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                      const std::vector<PieceEnd> &ends, const Abbreviations &abbreviations,
                      const SortedOutputSink &sink)
{
    HeaderLines last;
    qsizetype from = 0;
    for (const PieceEnd to : ends) {
        if (!sink(MakePiece(records, picked, from, to, abbreviations, last)))
            break;
        from = to.end;
    }
    return true;
}

// Makes the pieces on two threads and hands them to sink in order on the
// calling thread: a second thread makes the odd pieces, at most kAhead of
// them ahead of the sink, while the calling thread makes the even ones and
// hands every piece on. Each piece is made exactly as alone, so the order
// of the making changes no character. A false sink or a failure to make a
// piece stops both threads; the failure is then thrown on the calling
// thread.
bool SinkPiecesConcurrently(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                            const std::vector<PieceEnd> &ends, const Abbreviations &abbreviations,
                            const SortedOutputSink &sink)
{
    constexpr size_t kAhead = 4;
    const size_t count = ends.size();
    auto start = [&](size_t i) { return i == 0 ? qsizetype(0) : ends[i - 1].end; };

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QString> made; // the odd pieces made and not yet handed on, in order
    bool stop = false;
    bool failed = false;
    std::exception_ptr failure;

    std::thread worker;
    try {
        worker = std::thread([&]() {
            HeaderLines last;
            for (size_t i = 1; i < count; i += 2) {
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return stop || made.size() < kAhead; });
                    if (stop)
                        return;
                }
                // Running out of memory here is handed to the main thread,
                // which rethrows it: an exception must not leave this thread.
                try {
                    QString piece = MakePiece(records, picked, start(i), ends[i], abbreviations, last);
                    const std::lock_guard lock(mutex);
                    made.push_back(std::move(piece));
                    changed.notify_all();
                } catch (...) {
                    const std::lock_guard lock(mutex);
                    failure = std::current_exception();
                    failed = true;
                    changed.notify_all();
                    return;
                }
            }
        });
    } catch (const std::system_error &) {
        // No thread to be had: nothing is handed on yet, so all on this one.
        return SinkPiecesInTurn(records, picked, ends, abbreviations, sink);
    }
    auto finish = [&]() {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        worker.join();
    };

    HeaderLines last;
    try {
        for (size_t i = 0; i < count; ++i) {
            QString piece;
            if (i % 2 == 0) {
                piece = MakePiece(records, picked, start(i), ends[i], abbreviations, last);
            } else {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return failed || !made.empty(); });
                if (made.empty())
                    break;
                piece = std::move(made.front());
                made.pop_front();
                changed.notify_all();
            }
            if (!sink(std::move(piece)))
                break;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    if (failure)
        std::rethrow_exception(failure);
    return true;
}

} // namespace

bool WriteSortedOutput(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                       const ReplacementTable &abbreviations, const SortedOutputSink &sink, qsizetype pieceSize,
                       SortedOutputThreads threads)
{
    if (picked.isEmpty())
        return false;
    // A table whose keys hold no line feed matches nothing across one, so
    // applying it to pieces that end with a line break gives the same text
    // as applying it to the whole; otherwise the whole output is one piece.
    const Abbreviations table(abbreviations);
    const std::vector<PieceEnd> ends = PieceEnds(records, picked, pieceSize, !table.byLines);
    if (threads == SortedOutputThreads::Two && ends.size() > 1 && std::thread::hardware_concurrency() > 1)
        return SinkPiecesConcurrently(records, picked, ends, table, sink);
    return SinkPiecesInTurn(records, picked, ends, table, sink);
}

bool WriteSortedOutput(const QList<LogFileRecord> &records, int kind, int logType,
                       const ReplacementTable &abbreviations, const SortedOutputSink &sink,
                       qsizetype pieceSize)
{
    return WriteSortedOutput(records, PickedFiles(records, kind, logType), abbreviations, sink, pieceSize);
}

void BuildSortedOutput(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                       const ReplacementTable &abbreviations, QString &output)
{
    QString built;
    const bool written = WriteSortedOutput(records, picked, abbreviations, [&](QString piece) {
        if (built.isEmpty())
            built = std::move(piece);
        else
            built += piece;
        return true;
    });
    if (written)
        output = std::move(built);
    else
        output = ApplyReplacementTable(std::move(output), abbreviations);
}

void BuildSortedOutput(const QList<LogFileRecord> &records, int kind, int logType,
                       const ReplacementTable &abbreviations, QString &output)
{
    BuildSortedOutput(records, PickedFiles(records, kind, logType), abbreviations, output);
}

struct SortedOutputPieces::State
{
    explicit State(const ReplacementTable &table) : abbreviations(table) {}
    Abbreviations abbreviations;
    HeaderLines last;
};

SortedOutputPieces::SortedOutputPieces(const ReplacementTable &abbreviations)
    : m_state(std::make_unique<State>(abbreviations))
{
    Q_ASSERT(m_state->abbreviations.byLines);
}

SortedOutputPieces::~SortedOutputPieces() = default;

void SortedOutputPieces::Append(const LogFileRecord &record, QString &piece)
{
    AppendAbbreviatedRecord(record, piece, m_state->abbreviations, m_state->last);
}

qsizetype SortedOutputPieces::LaidOutSize(const LogFileRecord &record)
{
    return RecordOutputSize(record);
}
