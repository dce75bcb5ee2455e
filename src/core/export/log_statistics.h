// What a sorted log file says beyond its rows: its variables with their
// units, the instrument's serial number, probe, start and interval from its
// heading, the real time of each row, and the statistics of each variable.
// The CSV export and the report both read a file through these.
#ifndef TAVIX_CORE_EXPORT_LOG_STATISTICS_H
#define TAVIX_CORE_EXPORT_LOG_STATISTICS_H

#include "core/sorting/log_record.h"

#include <QList>
#include <QString>
#include <QStringView>

// Reads a value as the instrument prints it: an optional sign, digits with
// at most one decimal point or decimal comma ("0,27" is 0.27), an optional
// exponent. Anything else (empty, "---", "OVR", "1.2.3", a value past the
// range of a double) is no number: false.
bool ReadLogNumber(QStringView text, double *value);

// The same value written with decimalSign as its decimal sign and nothing
// else changed ("0,27" with '.' is "0.27"); the text as it is when it is no
// number.
QString WithDecimalSign(QStringView text, QChar decimalSign);

// One variable of a file: its row field, name, unit and column title.
// Logp files: field v >= 2 is named by header 2v, its unit is header 2v + 1
// and its title "name (unit)". Plain logs: field v >= 2 is titled by header
// v, the column heading as printed ("V(m/s)"), which also gives the name
// and the unit in its parentheses. Fields some rows hold beyond the
// headings are titled "Field N" (N counted from 1).
struct LogVariable
{
    int field = 0;
    QString name;
    QString unit;
    QString title;
};
QList<LogVariable> LogVariables(const LogFileRecord &rec);

// The order of day, month and year in a file's dates. The instrument prints
// the year first ("YY-MM-DD"); a column heading such as "DD-MM-YY" or
// "MM/DD/YY" that names each part once says otherwise. A heading that does
// not name each of the three once ("TT-MM-DD") leaves the year first.
enum class DateOrder { YearMonthDay, DayMonthYear, MonthDayYear };
DateOrder FileDateOrder(const LogFileRecord &rec);

// The time of a row, read from its date and time texts ("08-01-02" and
// "12:30:00" are 2008-01-02T12:30:00 year first): the date's three numbers
// in the file's order, a two-digit year being 20YY; hours, minutes and
// optional seconds. Not valid when either text is unreadable or names no
// real day or time of day.
struct RowTime
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool valid = false;
    // Seconds since a fixed day long ago, for differences; -1 when not valid.
    qint64 Seconds() const;
    // "2008-01-02T12:30:00" (ISO 8601); "" when not valid.
    QString Iso() const;
};
RowTime ReadRowTime(QStringView date, QStringView time, DateOrder order);
// The time of day alone ("12:30:00", "12:30"), as ReadRowTime reads it.
bool ReadTimeOfDay(QStringView time, int *hour, int *minute, int *second);

// The statistics of one variable over the rows of a file. Cells that are no
// number (ReadLogNumber) and rows without the field are counted as missing,
// never as 0. min, max and mean are NaN with no value; stdDev (the sample
// standard deviation, n - 1) with fewer than two.
struct VariableStatistics
{
    LogVariable variable;
    qsizetype count = 0;
    qsizetype missing = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double stdDev = 0;
    // The most digits after the decimal sign among the values, for showing
    // them as precisely as they were printed.
    int decimals = 0;
};

// What the report and the summary say about one file.
struct FileStatistics
{
    int fileNumber = 0;
    QString serialNumber; // "S/N: TX300001" or "s/n 123456" of the heading; empty when none
    QString probe;        // the text after "Probe" in the heading
    QString interval;     // the text after "Log Interval" ("10 sec")
    qsizetype rows = 0;
    QString firstDate, firstTime, lastDate, lastTime; // as printed
    RowTime first, last;
    // Seconds from the first to the last row; -1 when either is unreadable.
    qint64 durationSeconds = -1;
    QList<VariableStatistics> variables;
};
FileStatistics ComputeFileStatistics(const LogFileRecord &rec);

// A duration as hours, minutes and seconds: "0:08:00", "26:00:05"; "" for
// a negative one (unknown).
QString DurationText(qint64 seconds);

#endif
