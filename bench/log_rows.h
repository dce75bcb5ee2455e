// Log rows as the instrument prints them, to fill the input window: date,
// time, four values, CR LF (about 50 bytes a line, with the instrument's
// 0xBA for º in every line).
#ifndef TAVIX_BENCH_LOG_ROWS_H
#define TAVIX_BENCH_LOG_ROWS_H

#include <QByteArray>

#include <cstdio>

inline QByteArray LogRows(qsizetype bytes)
{
    QByteArray out;
    out.reserve(bytes + 96);
    for (int row = 0; out.size() < bytes; ++row) {
        char line[96];
        const int length = std::snprintf(line, sizeof line,
                                         "08-01-02  %02d:%02d:%02d   0.%02d   22.%d \xBA" "C  %2d  1013\r\n",
                                         (row / 3600) % 24, (row / 60) % 60, row % 60, 5 + row % 50, row % 10,
                                         10 + row % 20);
        out.append(line, length);
    }
    out.truncate(bytes);
    return out;
}

#endif
