#include "core/charts/log_series.h"

#include "core/charts/graph_values.h"

#include <algorithm>
#include <cmath>

namespace {

const QDate kEpoch(2000, 1, 1);

// "hh:mm:ss" as seconds of the day; -1 when the text is not of that form.
int SecondsOfDay(QStringView text)
{
    text = text.trimmed();
    const QList<QStringView> parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return -1;
    int total = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int v = parts[i].toInt(&ok);
        if (!ok || v < 0 || v > (i == 0 ? 23 : 59))
            return -1;
        total = total * 60 + v;
    }
    return total;
}

// "yy-mm-dd" as days since 2000-01-01; -1 when it is no date.
qint64 DayNumber(QStringView text)
{
    const QList<QStringView> parts = text.trimmed().split(QLatin1Char('-'));
    if (parts.size() != 3)
        return -1;
    int v[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = parts[i].toInt(&ok);
        if (!ok)
            return -1;
    }
    const QDate date(2000 + v[0], v[1], v[2]);
    return date.isValid() ? kEpoch.daysTo(date) : -1;
}

} // namespace

qsizetype LogTimeline::RowAtOrAfter(double t) const
{
    return std::lower_bound(times.cbegin(), times.cend(), t) - times.cbegin();
}

qsizetype LogTimeline::RowAfter(double t) const
{
    return std::upper_bound(times.cbegin(), times.cend(), t) - times.cbegin();
}

qsizetype LogTimeline::NearestRow(double t) const
{
    if (times.isEmpty())
        return -1;
    const qsizetype after = RowAtOrAfter(t);
    if (after >= times.size())
        return times.size() - 1;
    if (after == 0)
        return 0;
    // The first row of the earlier time, as several rows may share it.
    const double earlier = times[after - 1];
    const qsizetype before = RowAtOrAfter(earlier);
    return t - earlier <= times[after] - t ? before : after;
}

LogTimeline BuildLogTimeline(const LogFileRecord &rec)
{
    LogTimeline line;
    const QList<LogFieldList> &rows = rec.rows.fields();
    line.times.reserve(rows.size());
    qint64 day = 0;
    int lastSecond = -1;
    for (const LogFieldList &row : rows) {
        const int second = SecondsOfDay(row.at(1));
        if (second < 0) {
            line.byRow = true;
            break;
        }
        const qint64 read = DayNumber(row.at(0));
        if (read >= 0)
            day = read;
        else if (second < lastSecond)
            ++day;
        lastSecond = second;
        const double t = double(day) * kSecondsPerDay + second;
        if (!line.times.isEmpty() && t < line.times.last()) {
            line.byRow = true;
            break;
        }
        line.times.append(t);
    }
    if (line.byRow) {
        line.times.resize(rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            line.times[i] = double(i);
    }
    return line;
}

QDate DayOfTime(double seconds)
{
    return kEpoch.addDays(qint64(std::floor(seconds / kSecondsPerDay)));
}

QString InstrumentDateText(const QDate &date)
{
    return QStringLiteral("%1-%2-%3")
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QString TimeOfDayText(double seconds)
{
    const qint64 s = qint64(std::floor(seconds - std::floor(seconds / kSecondsPerDay) * kSecondsPerDay));
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

LogSeries BuildLogSeries(const LogFileRecord &rec, int field)
{
    LogSeries series;
    series.field = field;
    for (const LogVariable &v : LogVariables(rec)) {
        if (v.field == field) {
            series.name = v.name;
            series.unit = v.unit;
        }
    }
    const QList<LogFieldList> &rows = rec.rows.fields();
    QList<float> values;
    values.reserve(rows.size());
    for (const LogFieldList &row : rows)
        values.append(GraphValueFromField(row.at(field)));
    series.values = SeriesPyramid(std::move(values));
    return series;
}

QList<LogVariable> GraphVariables(const LogFileRecord &rec)
{
    QList<LogVariable> out;
    if (rec.rows.isEmpty())
        return out;
    const qsizetype fields = rec.rows.first().size();
    for (LogVariable &v : LogVariables(rec)) {
        if (v.field < fields)
            out.append(std::move(v));
    }
    return out;
}
