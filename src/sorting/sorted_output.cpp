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

void AppendLogpHeaders(const QStringList &headers, QString &output)
{
    // Names, dates and times first: the doubled tab after "DATE" and "TIME"
    // keeps them above their 8-character values.
    for (qsizetype j = 0; j < headers.size(); j += 2) {
        output += headers[j];
        output += kTab;
        if (j == 0 || j == 2)
            output += kTab;
    }
    output += kLineBreak;
    for (qsizetype j = 1; j < headers.size(); j += 2) {
        output += headers[j];
        output += kTab;
    }
    output += kLineBreak;
}

void AppendRecord(const LogFileRecord &record, QString &output)
{
    output += QStringLiteral("File %1").arg(record.fileNumber);
    output += kLineBreak;
    const bool logp = record.kind == LogKindLogp;
    if (logp) {
        AppendLogpHeaders(record.columnHeaders, output);
    } else {
        for (const QString &header : record.columnHeaders) {
            output += header;
            output += kPlainHeaderGap;
        }
        output += kLineBreak;
    }
    for (const QStringList &row : record.rows) {
        for (const QString &field : row) {
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

void BuildSortedOutput(const QList<LogFileRecord> &records, int kind, int logType,
                       const ReplacementTable &abbreviations, QString &output)
{
    bool first = true;
    for (const LogFileRecord &record : records) {
        if (!Picks(record, kind, logType))
            continue;
        if (first) {
            output.clear();
            first = false;
        }
        AppendRecord(record, output);
    }
    output = ApplyReplacementTable(std::move(output), abbreviations);
}
