#include "core/export/log_statistics.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// ReadLogNumber, also counting the digits after the decimal sign.
bool ParseLogNumber(QStringView text, double *value, int *decimals)
{
    // The value is copied into a small buffer of plain characters, a decimal
    // comma made a point, and read by from_chars, which follows no locale.
    constexpr qsizetype kLongest = 64;
    const qsizetype n = text.size();
    if (n == 0 || n > kLongest)
        return false;
    char buffer[kLongest + 1];
    qsizetype i = 0;
    qsizetype o = 0;
    const auto unit = [&text](qsizetype k) { return text[k].unicode(); };
    if (unit(0) == '+' || unit(0) == '-') {
        if (unit(0) == '-')
            buffer[o++] = '-';
        ++i;
    }
    int digits = 0;
    int fraction = 0;
    bool point = false;
    for (; i < n; ++i) {
        const char16_t c = unit(i);
        if (c >= '0' && c <= '9') {
            buffer[o++] = char(c);
            ++digits;
            fraction += point ? 1 : 0;
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
            buffer[o++] = '.';
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (unit(i) == 'e' || unit(i) == 'E')) {
        buffer[o++] = 'e';
        ++i;
        if (i < n && (unit(i) == '+' || unit(i) == '-'))
            buffer[o++] = char(unit(i++));
        int exponentDigits = 0;
        for (; i < n && unit(i) >= '0' && unit(i) <= '9'; ++i, ++exponentDigits)
            buffer[o++] = char(unit(i));
        if (exponentDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    double read = 0;
    const auto [end, error] = std::from_chars(buffer, buffer + o, read);
    if (error != std::errc() || end != buffer + o || !std::isfinite(read))
        return false;
    *value = read;
    *decimals = fraction;
    return true;
}

} // namespace

bool ReadLogNumber(QStringView text, double *value)
{
    int decimals = 0;
    return ParseLogNumber(text, value, &decimals);
}

QString WithDecimalSign(QStringView text, QChar decimalSign)
{
    double unused = 0;
    QString result = text.toString();
    if (!ReadLogNumber(text, &unused))
        return result;
    for (QChar &c : result) {
        if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            c = decimalSign;
            break;
        }
    }
    return result;
}

namespace {

// The unit in the parentheses at the end of a plain log's heading
// ("V(m/s)" gives "V" and "m/s"); the heading itself and no unit otherwise.
void SplitHeading(const QString &heading, QString *name, QString *unit)
{
    const qsizetype open = heading.indexOf(QLatin1Char('('));
    if (open > 0 && heading.endsWith(QLatin1Char(')'))) {
        *name = heading.left(open).trimmed();
        *unit = heading.mid(open + 1, heading.size() - open - 2).trimmed();
    } else {
        *name = heading;
        unit->clear();
    }
}

qsizetype MostFields(const LogFileRecord &rec)
{
    qsizetype most = 0;
    for (const LogFieldList &row : rec.rows.fields())
        most = qMax(most, row.size());
    return most;
}

} // namespace

QList<LogVariable> LogVariables(const LogFileRecord &rec)
{
    QList<LogVariable> variables;
    const qsizetype headers = rec.columnHeaders.size();
    const qsizetype fields = MostFields(rec);
    const qsizetype named = rec.kind == LogKindLogp ? headers / 2 : headers;
    // A plain log's heading block repeats its headings, so its rows say how
    // many columns it has; a Logp file's headings name every variable.
    const qsizetype columns = rec.kind == LogKindLogp ? qMax(fields, named) : (rec.rows.isEmpty() ? named : fields);
    for (qsizetype v = 2; v < columns; ++v) {
        LogVariable variable;
        variable.field = int(v);
        if (v >= named) {
            variable.title = variable.name = QStringLiteral("Field %1").arg(v + 1);
        } else if (rec.kind == LogKindLogp) {
            variable.name = rec.columnHeaders.at(2 * v).toString();
            variable.unit = rec.columnHeaders.at(2 * v + 1).toString();
            variable.title = variable.unit.isEmpty() ? variable.name
                                                     : QStringLiteral("%1 (%2)").arg(variable.name, variable.unit);
        } else {
            variable.title = rec.columnHeaders.at(v).toString();
            SplitHeading(variable.title, &variable.name, &variable.unit);
        }
        variables.append(variable);
    }
    return variables;
}

DateOrder FileDateOrder(const LogFileRecord &rec)
{
    for (QStringView header : rec.columnHeaders) {
        // A heading may hold several words, even across a line break (a
        // plain log's heading block of two lines).
        QList<QStringView> words;
        for (qsizetype i = 0, start = 0; i <= header.size(); ++i) {
            if (i == header.size() || header[i].isSpace()) {
                if (i > start)
                    words.append(header.sliced(start, i - start));
                start = i + 1;
            }
        }
        for (QStringView word : std::as_const(words)) {
            const QList<QStringView> parts = [&word]() {
                QList<QStringView> found;
                qsizetype start = 0;
                for (qsizetype i = 0; i <= word.size(); ++i) {
                    if (i == word.size() || word[i] == QLatin1Char('-') || word[i] == QLatin1Char('.')
                        || word[i] == QLatin1Char('/')) {
                        found.append(word.sliced(start, i - start));
                        start = i + 1;
                    }
                }
                return found;
            }();
            if (parts.size() != 3)
                continue;
            int year = -1, month = -1, day = -1;
            bool letters = true;
            for (int p = 0; p < 3; ++p) {
                if (parts[p].isEmpty()) {
                    letters = false;
                    break;
                }
                const QChar first = parts[p].front().toUpper();
                for (QChar c : parts[p])
                    letters = letters && c.toUpper() == first;
                if (first == QLatin1Char('Y') || first == QLatin1Char('J') || first == QLatin1Char('A'))
                    year = year < 0 ? p : 9;
                else if (first == QLatin1Char('M'))
                    month = month < 0 ? p : 9;
                else if (first == QLatin1Char('D') || first == QLatin1Char('T'))
                    day = day < 0 ? p : 9;
                else
                    letters = false;
            }
            if (!letters || year > 2 || month > 2 || day > 2 || year < 0 || month < 0 || day < 0)
                continue;
            if (year == 2 && day == 0)
                return DateOrder::DayMonthYear;
            if (year == 2 && month == 0)
                return DateOrder::MonthDayYear;
            return DateOrder::YearMonthDay;
        }
    }
    return DateOrder::YearMonthDay;
}

namespace {

// Reads up to count numbers separated by one of separators; false unless
// exactly count numbers fill the whole text.
bool ReadNumbers(QStringView text, int *numbers, int count, int least, QLatin1StringView separators)
{
    int found = 0;
    qsizetype i = 0;
    while (found < count) {
        qsizetype start = i;
        int number = 0;
        while (i < text.size() && text[i].unicode() >= '0' && text[i].unicode() <= '9' && i - start < 5)
            number = number * 10 + (text[i++].unicode() - '0');
        if (i == start)
            return false;
        numbers[found++] = number;
        if (i == text.size())
            break;
        if (!separators.contains(text[i]))
            return false;
        ++i;
    }
    return found >= least && i == text.size();
}

} // namespace

bool ReadTimeOfDay(QStringView time, int *hour, int *minute, int *second)
{
    int t[3] = {};
    if (!ReadNumbers(time.trimmed(), t, 3, 2, QLatin1StringView(":.")) || t[0] >= 24 || t[1] >= 60 || t[2] >= 60)
        return false;
    *hour = t[0], *minute = t[1], *second = t[2];
    return true;
}

RowTime ReadRowTime(QStringView date, QStringView time, DateOrder order)
{
    RowTime row;
    int d[3] = {};
    int t[3] = {};
    if (!ReadNumbers(date.trimmed(), d, 3, 3, QLatin1StringView("-./"))
        || !ReadNumbers(time.trimmed(), t, 3, 2, QLatin1StringView(":.")))
        return row;
    switch (order) {
    case DateOrder::YearMonthDay:
        row.year = d[0], row.month = d[1], row.day = d[2];
        break;
    case DateOrder::DayMonthYear:
        row.day = d[0], row.month = d[1], row.year = d[2];
        break;
    case DateOrder::MonthDayYear:
        row.month = d[0], row.day = d[1], row.year = d[2];
        break;
    }
    if (row.year < 100)
        row.year += 2000;
    row.hour = t[0], row.minute = t[1], row.second = t[2];
    row.valid = QDate::isValid(row.year, row.month, row.day) && row.hour < 24 && row.minute < 60 && row.second < 60;
    return row;
}

qint64 RowTime::Seconds() const
{
    if (!valid)
        return -1;
    return QDate(year, month, day).toJulianDay() * 86400 + hour * 3600 + minute * 60 + second;
}

QString RowTime::Iso() const
{
    if (!valid)
        return QString();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
}

namespace {

// The rest of the heading line that starts with key (the key at a line's
// start, blanks before it allowed), trimmed; empty when no line does.
QString HeadingValue(const QString &header, QLatin1StringView key)
{
    for (QStringView line : QStringView(header).tokenize(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(key))
            return line.sliced(key.size()).trimmed().toString();
    }
    return QString();
}

// The serial number after "S/N" (either case, a colon allowed).
QString SerialNumber(const QString &header)
{
    const qsizetype at = header.indexOf(QLatin1String("s/n"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    qsizetype i = at + 3;
    while (i < header.size() && (header[i] == QLatin1Char(':') || header[i] == QLatin1Char(' ')))
        ++i;
    qsizetype end = i;
    while (end < header.size() && !header[end].isSpace())
        ++end;
    return header.mid(i, end - i);
}

} // namespace

FileStatistics ComputeFileStatistics(const LogFileRecord &rec)
{
    FileStatistics stats;
    stats.fileNumber = rec.fileNumber;
    stats.serialNumber = SerialNumber(rec.headerText);
    stats.probe = HeadingValue(rec.headerText, QLatin1StringView("Probe"));
    stats.interval = HeadingValue(rec.headerText, QLatin1StringView("Log Interval"));
    stats.rows = rec.rows.size();
    const DateOrder order = FileDateOrder(rec);
    if (!rec.rows.isEmpty()) {
        const LogFieldList &first = rec.rows.first();
        const LogFieldList &last = rec.rows.fields().last();
        stats.firstDate = first.at(0).toString();
        stats.firstTime = first.at(1).toString();
        stats.lastDate = last.at(0).toString();
        stats.lastTime = last.at(1).toString();
        stats.first = ReadRowTime(first.at(0), first.at(1), order);
        stats.last = ReadRowTime(last.at(0), last.at(1), order);
        if (stats.first.valid && stats.last.valid)
            stats.durationSeconds = stats.last.Seconds() - stats.first.Seconds();
    }

    const QList<LogVariable> variables = LogVariables(rec);
    const qsizetype count = variables.size();
    // Welford's running mean and sum of squared differences per variable,
    // exact enough for a million values of any size; one pass over the rows.
    struct Running
    {
        double mean = 0, squares = 0;
        double low = std::numeric_limits<double>::infinity();
        double high = -std::numeric_limits<double>::infinity();
    };
    QList<Running> running(count);
    stats.variables.resize(count);
    for (qsizetype v = 0; v < count; ++v)
        stats.variables[v].variable = variables.at(v);
    VariableStatistics *out = stats.variables.data();
    Running *run = running.data();
    for (const LogFieldList &row : rec.rows.fields()) {
        // Variable v is row field v + 2 (LogVariables numbers them so).
        qsizetype f = 0;
        for (QStringView text : row) {
            const qsizetype v = f++ - 2;
            if (v < 0)
                continue;
            if (v >= count)
                break;
            double value = 0;
            int decimals = 0;
            VariableStatistics &s = out[v];
            if (!ParseLogNumber(text, &value, &decimals)) {
                ++s.missing;
                continue;
            }
            Running &r = run[v];
            ++s.count;
            const double delta = value - r.mean;
            r.mean += delta / double(s.count);
            r.squares += delta * (value - r.mean);
            r.low = qMin(r.low, value);
            r.high = qMax(r.high, value);
            s.decimals = qMax(s.decimals, decimals);
        }
        // Fields the row does not reach are missing.
        for (qsizetype v = qMax<qsizetype>(0, f - 2); v < count; ++v)
            ++out[v].missing;
    }
    const double none = std::numeric_limits<double>::quiet_NaN();
    for (qsizetype v = 0; v < count; ++v) {
        VariableStatistics &s = out[v];
        const Running &r = run[v];
        s.min = s.count > 0 ? r.low : none;
        s.max = s.count > 0 ? r.high : none;
        s.mean = s.count > 0 ? r.mean : none;
        s.stdDev = s.count > 1 ? std::sqrt(r.squares / double(s.count - 1)) : none;
    }
    return stats;
}

QString DurationText(qint64 seconds)
{
    if (seconds < 0)
        return QString();
    return QString::asprintf("%lld:%02d:%02d", static_cast<long long>(seconds / 3600), int(seconds / 60 % 60),
                             int(seconds % 60));
}
