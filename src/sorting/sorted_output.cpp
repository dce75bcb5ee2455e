#include "sorting/sorted_output.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kPlainHeaderGap = QStringLiteral("      ");
const QString kPlainFieldGap = QStringLiteral("   ");
const QChar kTab = QLatin1Char('\t');

bool Picks(const LogFileRecord &record, int kind, int logType)
{
    if (record.kind != kind)
        return false;
    return logType == LogTypeQrtLog || MatchesLogType(record, logType);
}

void AppendLogpHeaders(const LogFieldList &headers, QString &output)
{
    // Names, dates and times first: the doubled tab after "DATE" and "TIME"
    // keeps them above their 8-character values.
    qsizetype j = 0;
    for (QStringView header : headers) {
        if (j % 2 == 0) {
            output += header;
            output += kTab;
            if (j == 0 || j == 2)
                output += kTab;
        }
        ++j;
    }
    output += kLineBreak;
    j = 0;
    for (QStringView header : headers) {
        if (j % 2 == 1) {
            output += header;
            output += kTab;
        }
        ++j;
    }
    output += kLineBreak;
}

// The characters AppendRecord writes for the record.
qsizetype RecordOutputSize(const LogFileRecord &record)
{
    qsizetype n = QStringLiteral("File %1").arg(record.fileNumber).size() + 2;
    const bool logp = record.kind == LogKindLogp;
    qsizetype j = 0;
    for (QStringView header : record.columnHeaders) {
        n += header.size() + (logp ? 1 : kPlainHeaderGap.size());
        if (logp && (j == 0 || j == 2))
            ++n;
        ++j;
    }
    n += logp ? 4 : 2;
    for (const LogFieldList &row : record.rows.fields()) {
        for (QStringView field : row)
            n += field.size() + (logp ? 1 : kPlainFieldGap.size());
        n += 2;
    }
    return n;
}

void AppendRecord(const LogFileRecord &record, QString &output)
{
    output += QStringLiteral("File %1").arg(record.fileNumber);
    output += kLineBreak;
    const bool logp = record.kind == LogKindLogp;
    if (logp) {
        AppendLogpHeaders(record.columnHeaders, output);
    } else {
        for (QStringView header : record.columnHeaders) {
            output += header;
            output += kPlainHeaderGap;
        }
        output += kLineBreak;
    }
    for (const LogFieldList &row : record.rows.fields()) {
        for (QStringView field : row) {
            output += field;
            if (logp)
                output += kTab;
            else
                output += kPlainFieldGap;
        }
        output += kLineBreak;
    }
}

} // namespace

bool MatchesLogType(const LogFileRecord &record, int logType)
{
    switch (logType) {
    case LogTypeQrt03Logp:
        return record.headerText.contains(QLatin1String("QRT03"))
            || record.headerText.contains(QLatin1String("QRT 03"));
    case LogTypeQrt31Logp:
        return record.headerText.contains(QLatin1String("QRT 31"));
    default:
        return false;
    }
}

int GraphListOfLogType(int logType)
{
    return logType == LogTypeQrtLog || logType == LogTypeQrtLogNoInterval ? 0 : 1;
}

qsizetype SortedOutputSize(const QList<LogFileRecord> &records, int kind, int logType)
{
    qsizetype n = 0;
    for (const LogFileRecord &record : records) {
        if (Picks(record, kind, logType))
            n += RecordOutputSize(record);
    }
    return n;
}

bool WriteSortedOutput(const QList<LogFileRecord> &records, int kind, int logType,
                       const ReplacementTable &abbreviations, const SortedOutputSink &sink,
                       qsizetype pieceSize)
{
    // A table whose keys hold no line feed matches nothing across one, so
    // applying it to pieces that end with a line break gives the same text
    // as applying it to the whole; otherwise the whole output is one piece.
    const bool inPieces = !ReplacementTableSpansLines(abbreviations);
    QString piece;
    bool written = false;
    auto flush = [&]() {
        const bool ok = sink(ApplyReplacementTable(std::move(piece), abbreviations));
        piece = QString();
        return ok;
    };
    for (const LogFileRecord &record : records) {
        if (!Picks(record, kind, logType))
            continue;
        written = true;
        AppendRecord(record, piece);
        if (inPieces && piece.size() >= pieceSize && !flush())
            return true;
    }
    if (written && !piece.isEmpty())
        flush();
    return written;
}

void BuildSortedOutput(const QList<LogFileRecord> &records, int kind, int logType,
                       const ReplacementTable &abbreviations, QString &output)
{
    QString built;
    const bool written = WriteSortedOutput(records, kind, logType, abbreviations,
                                           [&](QString piece) {
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
