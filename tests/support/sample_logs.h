// The sample log files the tests sort, parse and draw, and the sorted output
// of each, written out by hand: one plain log ("QRT Log", file 2) and Logp
// logs ("QRT 03 Logp", file 3) with all seven variables or with the first
// two only.
#ifndef TAVIX_TESTS_SAMPLE_LOGS_H
#define TAVIX_TESTS_SAMPLE_LOGS_H

#include <QString>
#include <QStringList>

// The lines, each ended with CR LF, as the instrument prints them.
inline QString Lines(const QStringList &lines)
{
    QString s;
    for (const QString &l : lines)
        s += l + QStringLiteral("\r\n");
    return s;
}

inline const QString kRule = QStringLiteral("-----------------------");

// A plain log: two rows of date, time, velocity and temperature.
inline QString PlainLog(int number = 2)
{
    return Lines({QStringLiteral("File %1 ").arg(number), "Tavix 3000 s/n 123456", "Probe QRT Log",
                  "Time Constant 1 sec", "Log Interval 10 sec", "", "Date     Time     Vel   Temp", kRule,
                  "08-01-02 12:30:00 0.25 22.3", "08-01-02 12:30:10 0.27 22.4", ""});
}

// A Logp log with the seven QRT 03 variables (row fields 2 to 8), the second
// log with decimal commas.
inline QString LogpLog(int number = 3, const QString &probe = QStringLiteral("Probe QRT 03"))
{
    return Lines({QStringLiteral("File %1 ").arg(number), "Tavix 3000 s/n 123456", probe,
                  "Time Constant 1 sec", "Log Interval 10 sec", "", "Log 1   08-01-02 12:30:00",
                  "Barometer 1013 B-hPa", "Avg Velocity 0.25 m/s", "Max Velocity 0.31 m/s",
                  "Min Velocity 0.19 m/s", "Std Deviation 0.04 m/s", "Avg Temp 22.3 degC", "Draught Rating 14 %", "",
                  "Log 2   08-01-02 12:30:10", "Barometer 1012 B-hPa", "Avg Velocity 0,27 m/s",
                  "Max Velocity 0,33 m/s", "Min Velocity 0,20 m/s", "Std Deviation 0,05 m/s", "Avg Temp 22,4 degC",
                  "Draught Rating 15 %", ""});
}

// A Logp log with the barometer and the average velocity only.
inline QString ShortLogpLog(int number = 3, const QString &probe = QStringLiteral("Probe QRT 03"))
{
    return Lines({QStringLiteral("File %1 ").arg(number), "Tavix 3000 s/n 123456", probe,
                  "Time Constant 1 sec", "Log Interval 10 sec", "", "Log 1   08-01-02 12:30:00",
                  "Barometer 1013 B-hPa", "Avg Velocity 0.25 m/s", "", "Log 2   08-01-02 12:30:10",
                  "Barometer 1012 B-hPa", "Avg Velocity 0,27 m/s", ""});
}

// Log type 1 ("QRT Log") on PlainLog().
inline const QString kPlainOutput = QStringLiteral(
    "File 2\r\n"
    "Date      Time      Vel      Temp      Date      Time      Vel      Temp      \r\n"
    "08-01-02   12:30:00   0.25   22.3   \r\n"
    "08-01-02   12:30:10   0.27   22.4   \r\n");

// Log type 0 ("QRT 03 Logp") on LogpLog().
inline const QString kLogpOutput = QStringLiteral(
    "File 3\r\n"
    "DATE\t\tTIME\t\tBa\tAV\tMax Velocity\tMin Velocity\tStdD\tAT\tDR\t\r\n"
    "TT-MM-DD\tHH:MM:SS\tB-hPa\tm/s\tm/s\tm/s\tm/s\tdegC\t%\t\r\n"
    "08-01-02\t12:30:00\t1013\t0.25\t0.31\t0.19\t0.04\t22.3\t14\t\r\n"
    "08-01-02\t12:30:10\t1012\t0,27\t0,33\t0,20\t0,05\t22,4\t15\t\r\n");

// Log type 0 on ShortLogpLog().
inline const QString kShortLogpOutput = QStringLiteral(
    "File 3\r\n"
    "DATE\t\tTIME\t\tBa\tAV\t\r\n"
    "TT-MM-DD\tHH:MM:SS\tB-hPa\tm/s\t\r\n"
    "08-01-02\t12:30:00\t1013\t0.25\t\r\n"
    "08-01-02\t12:30:10\t1012\t0,27\t\r\n");

// The English message of a sort that cannot be done, as the text table has
// it (its quotes typographic, the first one closing).
inline const QString kSortFailedText = QStringLiteral(
    "Data can not be sorted, it maybe caused by uncompleted file transfer. Please \u201DClear input data\u201D "
    "and transfer all file with long press \u201Cprint\u201D button on Tavix 3000 again!");

#endif
