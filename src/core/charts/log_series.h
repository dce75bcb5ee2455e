// One log file as the graph window draws it: the time of every row on one
// axis of seconds, and any variable's values as numbers with their pyramid
// of extremes (core/charts/series_pyramid.h). Both are computed once per
// file and variable and then shared by every frame.
#ifndef TAVIX_CORE_CHARTS_LOG_SERIES_H
#define TAVIX_CORE_CHARTS_LOG_SERIES_H

#include "core/charts/series_pyramid.h"
#include "core/export/log_statistics.h"
#include "core/sorting/log_parser.h"

#include <QDate>
#include <QList>
#include <QString>

// The time axis of a file. A row's time is its date (field 0, "yy-mm-dd")
// and time of day (field 1, "hh:mm:ss") in seconds since 2000-01-01. A date
// that does not read as one counts as the previous row's day, one day later
// when the time of day went back. When the times do not run forward (a row
// earlier than the one before it) or a row has no time, the axis counts rows
// instead (byRow): row i at i.
struct LogTimeline
{
    QList<double> times;
    bool byRow = false;

    // The row nearest to t: the first of the rows at the least distance
    // (the earlier on a tie); -1 without rows.
    qsizetype NearestRow(double t) const;
    // The first row at or after t, and the first row after t.
    qsizetype RowAtOrAfter(double t) const;
    qsizetype RowAfter(double t) const;
};

LogTimeline BuildLogTimeline(const LogFileRecord &rec);

// The seconds of a day and the day of a time on the axis, and the date as
// the instrument prints it ("yy-mm-dd").
constexpr double kSecondsPerDay = 86400.0;
QDate DayOfTime(double seconds);
QString InstrumentDateText(const QDate &date);
// "hh:mm:ss" of the time of day of t.
QString TimeOfDayText(double seconds);

// A variable of a file: row field `field` of every row as the graph plots
// it (GraphValueFromField; a row without the field plots 0), its name and unit.
struct LogSeries
{
    int field = 0;
    QString name;
    QString unit;
    SeriesPyramid values;
};

LogSeries BuildLogSeries(const LogFileRecord &rec, int field);

// The variables of rec the graph can draw: those row 0 holds (fields 2
// on), named as LogVariables names them.
QList<LogVariable> GraphVariables(const LogFileRecord &rec);

#endif
