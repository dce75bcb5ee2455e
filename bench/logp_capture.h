// The small QRT 03 Logp file the sort benchmarks repeat to make captures of
// any size: two log entries, a comma as the decimal point in one value.
#ifndef TAVIX_BENCH_LOGP_CAPTURE_H
#define TAVIX_BENCH_LOGP_CAPTURE_H

#include <QString>

inline QString LogpFile(int n)
{
    return QStringLiteral("File %1 \r\nTavix 3000 s/n 123456\r\nProbe QRT 03\r\n"
                          "Time Constant 1 sec\r\nLog Interval 10 sec\r\n\r\n"
                          "Log 1   08-01-02 12:30:00\r\nBarometer 1013 B-hPa\r\nAvg Velocity 0.25 m/s\r\n"
                          "Std Deviation 0.04 m/s\r\nDraught Rating 12 %\r\n\r\n"
                          "Log 2   08-01-02 12:30:10\r\nBarometer 1012 B-hPa\r\nAvg Velocity 0,27 m/s\r\n"
                          "Std Deviation 0.05 m/s\r\nDraught Rating 13 %\r\n\r\n")
        .arg(n);
}

#endif
