#include "sorting/sorted_output.h"

#include <algorithm>

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
// The sort asks this of every Logp file up to three times: a plain walk to
// each 'Q' of the short header, compared only there.
bool ContainsEither(QStringView text, QStringView a, QStringView b)
{
    for (qsizetype p = 0; p < text.size(); ++p) {
        if (text[p] != u'Q')
            continue;
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

// The layout of one record, handed to put piece by piece: put(text) is
// called for every piece in order. The same walk measures and writes.
template <typename Put>
void LayOutRecord(const LogFileRecord &record, Put &&put)
{
    QChar number[24];
    put(FileLine(record.fileNumber, number));
    put(kLineBreak);
    const bool logp = record.kind == LogKindLogp;
    if (logp) {
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
    const QStringView gap = logp ? kTab : kPlainFieldGap;
    for (const LogFieldList &row : record.rows.fields()) {
        for (QStringView field : row) {
            put(field);
            put(gap);
        }
        put(kLineBreak);
    }
}

// The characters AppendRecord writes for the record, from the sizes of its
// lists without walking their texts.
qsizetype RecordOutputSize(const LogFileRecord &record)
{
    QChar number[24];
    qsizetype n = FileLine(record.fileNumber, number).size() + kLineBreak.size();
    const LogFieldList &headers = record.columnHeaders;
    if (record.kind == LogKindLogp) {
        // Two lines; a tab after each header, one more after headers 0 and 2.
        n += headers.textSize() + headers.size() + qMin<qsizetype>((headers.size() + 1) / 2, 2)
             + 2 * kLineBreak.size();
        for (const LogFieldList &row : record.rows.fields())
            n += row.textSize() + row.size() * kTab.size() + kLineBreak.size();
    } else {
        n += headers.textSize() + headers.size() * kPlainHeaderGap.size() + kLineBreak.size();
        for (const LogFieldList &row : record.rows.fields())
            n += row.textSize() + row.size() * kPlainFieldGap.size() + kLineBreak.size();
    }
    return n;
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

} // namespace

bool MatchesLogType(const LogFileRecord &record, int logType)
{
    switch (logType) {
    case LogTypeQrt03Logp:
        return ContainsEither(record.headerText, u"QRT03", u"QRT 03");
    case LogTypeQrt31Logp:
        return ContainsEither(record.headerText, u"QRT 31", u"QRT 31");
    default:
        return false;
    }
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

bool WriteSortedOutput(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                       const ReplacementTable &abbreviations, const SortedOutputSink &sink, qsizetype pieceSize)
{
    // A table whose keys hold no line feed matches nothing across one, so
    // applying it to pieces that end with a line break gives the same text
    // as applying it to the whole; otherwise the whole output is one piece.
    const bool inPieces = !ReplacementTableSpansLines(abbreviations);
    QString piece;
    piece.reserve(pieceSize + 4096);
    auto flush = [&]() {
        const bool ok = sink(ApplyReplacementTable(std::move(piece), abbreviations));
        piece = QString();
        piece.reserve(pieceSize + 4096);
        return ok;
    };
    for (const qint32 i : picked) {
        AppendRecord(records[i], piece);
        if (inPieces && piece.size() >= pieceSize && !flush())
            return true;
    }
    if (!picked.isEmpty() && !piece.isEmpty())
        flush();
    return !picked.isEmpty();
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
