#include "core/export/csv_export.h"

#include "core/export/log_statistics.h"

#include <QHash>

bool CsvDialectFromName(const QString &name, CsvDialect *dialect)
{
    if (name == QLatin1String("rfc4180"))
        *dialect = CsvDialect::Rfc4180;
    else if (name == QLatin1String("semicolon"))
        *dialect = CsvDialect::Semicolon;
    else
        return false;
    return true;
}

namespace {

const QStringList kFixedColumns = {QStringLiteral("file"), QStringLiteral("date"), QStringLiteral("time"),
                                   QStringLiteral("datetime"), QStringLiteral("seconds")};

QChar Separator(CsvDialect dialect)
{
    return dialect == CsvDialect::Semicolon ? QLatin1Char(';') : QLatin1Char(',');
}

// A file's variables, and their columns in the plan. Consecutive files of
// one log type mostly have the same headings and row widths, so the
// variables of the file before are taken again for those.
struct FileColumns
{
    LogFieldList headers;
    int kind = -1;
    qsizetype fields = -1;
    QList<LogVariable> variables;
    DateOrder order = DateOrder::YearMonthDay;
};

qsizetype MostFields(const LogFileRecord &rec)
{
    qsizetype most = 0;
    for (const LogFieldList &row : rec.rows.fields())
        most = qMax(most, row.size());
    return most;
}

// Brings columns to rec's; true when they changed.
bool UpdateColumns(FileColumns &columns, const LogFileRecord &rec)
{
    const qsizetype fields = MostFields(rec);
    if (columns.kind == rec.kind && columns.fields == fields && columns.headers == rec.columnHeaders)
        return false;
    columns.headers = rec.columnHeaders;
    columns.kind = rec.kind;
    columns.fields = fields;
    columns.variables = LogVariables(rec);
    columns.order = FileDateOrder(rec);
    return true;
}

// The column of every variable title, in order of first appearance.
struct ColumnPlan
{
    QStringList titles;
    QHash<QString, qsizetype> index;
};

ColumnPlan PlanColumns(const QList<LogFileRecord> &records, const QList<qint32> &picked)
{
    ColumnPlan plan;
    FileColumns columns;
    for (qint32 i : picked) {
        if (!UpdateColumns(columns, records.at(i)))
            continue;
        for (const LogVariable &variable : std::as_const(columns.variables)) {
            if (plan.index.contains(variable.title))
                continue;
            plan.index.insert(variable.title, plan.titles.size());
            plan.titles.append(variable.title);
        }
    }
    return plan;
}

// Appends text as UTF-8; plain ASCII, by far the most of it, byte by byte.
void AppendUtf8(QByteArray &out, QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            out += text.toUtf8();
            return;
        }
    }
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char *p = out.data() + at;
    for (QChar c : text)
        *p++ = char(c.unicode());
}

bool NeedsQuotes(QStringView text, QChar separator)
{
    if (text.isEmpty())
        return false;
    if (text.front() == QLatin1Char(' ') || text.back() == QLatin1Char(' '))
        return true;
    for (QChar c : text) {
        if (c == separator || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    }
    return false;
}

void AppendField(QByteArray &out, QStringView text, QChar separator)
{
    if (!NeedsQuotes(text, separator)) {
        AppendUtf8(out, text);
        return;
    }
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('"');
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted += QLatin1Char('"');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    out += quoted.toUtf8();
}

// A value: a number with the dialect's decimal sign, other text as printed.
void AppendValue(QByteArray &out, QStringView text, QChar separator, char decimalSign)
{
    double unused = 0;
    if (!ReadLogNumber(text, &unused)) {
        AppendField(out, text, separator);
        return;
    }
    for (QChar c : text)
        out += (c == QLatin1Char('.') || c == QLatin1Char(',')) ? decimalSign : char(c.unicode());
}

void AppendNumber(QByteArray &out, qint64 value, int width = 0)
{
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    quint64 rest = negative ? quint64(-(value + 1)) + 1 : quint64(value);
    do {
        digits[n++] = char('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    while (n < width)
        digits[n++] = '0';
    if (negative)
        out += '-';
    while (n > 0)
        out += digits[--n];
}

} // namespace

QStringList CsvColumns(const QList<LogFileRecord> &records, const QList<qint32> &picked)
{
    return kFixedColumns + PlanColumns(records, picked).titles;
}

QString CsvField(const QString &text, CsvDialect dialect)
{
    QByteArray field;
    AppendField(field, text, Separator(dialect));
    return QString::fromUtf8(field);
}

bool WriteCsv(const QList<LogFileRecord> &records, const QList<qint32> &picked, CsvDialect dialect,
              const CsvSink &sink, qsizetype pieceSize)
{
    const ColumnPlan plan = PlanColumns(records, picked);
    const QChar separator = Separator(dialect);
    const char sep = char(separator.unicode());
    const char decimalSign = dialect == CsvDialect::Semicolon ? ',' : '.';
    QByteArray piece("\xEF\xBB\xBF");
    piece.reserve(pieceSize + 4096);
    const auto endLine = [&]() {
        piece += "\r\n";
        if (piece.size() < pieceSize)
            return true;
        const bool taken = sink(piece);
        piece.resize(0);
        return taken;
    };

    bool firstColumn = true;
    for (const QString &title : kFixedColumns + plan.titles) {
        if (!firstColumn)
            piece += sep;
        firstColumn = false;
        AppendField(piece, title, separator);
    }
    if (!endLine())
        return false;

    FileColumns columns;
    QList<qsizetype> columnOfVariable;
    QList<QStringView> cells(plan.titles.size());
    for (qint32 i : picked) {
        const LogFileRecord &rec = records.at(i);
        if (UpdateColumns(columns, rec)) {
            // The plan's column of each of the file's variables.
            columnOfVariable.clear();
            for (const LogVariable &variable : std::as_const(columns.variables))
                columnOfVariable.append(plan.index.value(variable.title));
        }
        const qsizetype variableCount = columnOfVariable.size();
        QByteArray fileNumber;
        AppendNumber(fileNumber, rec.fileNumber);
        qint64 start = -1;
        bool firstRow = true;
        // Rows of one day repeat their date: its reading is kept.
        QStringView lastDate;
        RowTime day;
        qint64 daySeconds = -1;
        for (const LogFieldList &row : rec.rows.fields()) {
            QStringView date, time;
            cells.fill(QStringView());
            qsizetype f = 0;
            for (QStringView text : row) {
                if (f == 0)
                    date = text;
                else if (f == 1)
                    time = text;
                else if (f - 2 < variableCount)
                    cells[columnOfVariable.at(f - 2)] = text;
                else
                    break;
                ++f;
            }
            if (firstRow || date != lastDate) {
                day = ReadRowTime(date, u"0:00", columns.order);
                daySeconds = day.Seconds();
                lastDate = date;
            }
            RowTime when = day;
            when.valid = day.valid && ReadTimeOfDay(time, &when.hour, &when.minute, &when.second);
            const qint64 seconds = when.valid ? daySeconds + when.hour * 3600 + when.minute * 60 + when.second : -1;
            if (firstRow)
                start = seconds;
            firstRow = false;

            piece += fileNumber;
            piece += sep;
            AppendField(piece, date, separator);
            piece += sep;
            AppendField(piece, time, separator);
            piece += sep;
            if (when.valid) {
                AppendNumber(piece, when.year, 4);
                piece += '-';
                AppendNumber(piece, when.month, 2);
                piece += '-';
                AppendNumber(piece, when.day, 2);
                piece += 'T';
                AppendNumber(piece, when.hour, 2);
                piece += ':';
                AppendNumber(piece, when.minute, 2);
                piece += ':';
                AppendNumber(piece, when.second, 2);
            }
            piece += sep;
            if (when.valid && start >= 0)
                AppendNumber(piece, seconds - start);
            for (QStringView cell : std::as_const(cells)) {
                piece += sep;
                AppendValue(piece, cell, separator, decimalSign);
            }
            if (!endLine())
                return false;
        }
    }
    return piece.isEmpty() || sink(piece);
}
