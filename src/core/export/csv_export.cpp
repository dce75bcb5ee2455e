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

// The column of every variable title, in order of first appearance.
struct ColumnPlan
{
    QStringList titles;
    QHash<QString, qsizetype> index;
};

ColumnPlan PlanColumns(const QList<LogFileRecord> &records, const QList<qint32> &picked)
{
    ColumnPlan plan;
    for (qint32 i : picked) {
        for (const LogVariable &variable : LogVariables(records.at(i))) {
            if (plan.index.contains(variable.title))
                continue;
            plan.index.insert(variable.title, plan.titles.size());
            plan.titles.append(variable.title);
        }
    }
    return plan;
}

void AppendField(QString &line, QStringView text, CsvDialect dialect)
{
    const QChar separator = Separator(dialect);
    bool quote = !text.isEmpty() && (text.front() == QLatin1Char(' ') || text.back() == QLatin1Char(' '));
    for (QChar c : text) {
        if (c == separator || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            quote = true;
            break;
        }
    }
    if (!quote) {
        line += text;
        return;
    }
    line += QLatin1Char('"');
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            line += QLatin1Char('"');
        line += c;
    }
    line += QLatin1Char('"');
}

// A value: a number with the dialect's decimal sign, other text as printed.
void AppendValue(QString &line, QStringView text, CsvDialect dialect)
{
    double unused = 0;
    if (!ReadLogNumber(text, &unused)) {
        AppendField(line, text, dialect);
        return;
    }
    const QChar sign = dialect == CsvDialect::Semicolon ? QLatin1Char(',') : QLatin1Char('.');
    for (QChar c : text)
        line += (c == QLatin1Char('.') || c == QLatin1Char(',')) ? sign : c;
}

} // namespace

QStringList CsvColumns(const QList<LogFileRecord> &records, const QList<qint32> &picked)
{
    return kFixedColumns + PlanColumns(records, picked).titles;
}

QString CsvField(const QString &text, CsvDialect dialect)
{
    QString field;
    AppendField(field, text, dialect);
    return field;
}

bool WriteCsv(const QList<LogFileRecord> &records, const QList<qint32> &picked, CsvDialect dialect,
              const CsvSink &sink, qsizetype pieceSize)
{
    const ColumnPlan plan = PlanColumns(records, picked);
    const QChar separator = Separator(dialect);
    QString line;
    QByteArray piece("\xEF\xBB\xBF");
    const auto endLine = [&]() {
        line += QLatin1String("\r\n");
        piece += line.toUtf8();
        line.clear();
        if (piece.size() < pieceSize)
            return true;
        const bool taken = sink(piece);
        piece.clear();
        return taken;
    };

    bool firstColumn = true;
    for (const QString &title : kFixedColumns + plan.titles) {
        if (!firstColumn)
            line += separator;
        firstColumn = false;
        AppendField(line, title, dialect);
    }
    if (!endLine())
        return false;

    for (qint32 i : picked) {
        const LogFileRecord &rec = records.at(i);
        const QList<LogVariable> variables = LogVariables(rec);
        // The column of each of the file's fields, by its position among
        // the plan's variable columns; -1 for fields that are no variable.
        QList<qsizetype> columnOfVariable;
        for (const LogVariable &variable : variables)
            columnOfVariable.append(plan.index.value(variable.title));
        const DateOrder order = FileDateOrder(rec);
        const QString fileNumber = QString::number(rec.fileNumber);
        qint64 start = -1;
        bool firstRow = true;
        QList<QStringView> cells(plan.titles.size());
        for (const LogFieldList &row : rec.rows.fields()) {
            QStringView date, time;
            cells.fill(QStringView());
            qsizetype f = 0;
            for (QStringView text : row) {
                if (f == 0)
                    date = text;
                else if (f == 1)
                    time = text;
                else if (f - 2 < variables.size())
                    cells[columnOfVariable.at(f - 2)] = text;
                ++f;
            }
            const RowTime when = ReadRowTime(date, time, order);
            if (firstRow)
                start = when.Seconds();
            firstRow = false;
            line += fileNumber;
            line += separator;
            AppendField(line, date, dialect);
            line += separator;
            AppendField(line, time, dialect);
            line += separator;
            line += when.Iso();
            line += separator;
            if (when.valid && start >= 0)
                line += QString::number(when.Seconds() - start);
            for (QStringView cell : std::as_const(cells)) {
                line += separator;
                AppendValue(line, cell, dialect);
            }
            if (!endLine())
                return false;
        }
    }
    return piece.isEmpty() || sink(piece);
}
