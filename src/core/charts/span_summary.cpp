#include "core/charts/span_summary.h"

#include <algorithm>
#include <cmath>

int SpanColumnOf(double t, double t0, double t1, int width)
{
    if (t < t0)
        return -1;
    if (t > t1)
        return width;
    const double c = std::floor((t - t0) * width / (t1 - t0));
    return c >= width ? width - 1 : int(c);
}

SpanSummary SummariseSpan(const LogTimeline &line, const SeriesPyramid &values, double t0, double t1, int width)
{
    SpanSummary out;
    const QList<double> &times = line.times;
    out.fromRow = line.RowAtOrAfter(t0);
    out.toRow = line.RowAfter(t1);
    out.extremes = values.Query(out.fromRow, out.toRow);
    out.before = values.LastFinite(0, out.fromRow);
    out.after = values.FirstFinite(out.toRow, values.size());

    qsizetype previous = out.before;
    qsizetype row = out.fromRow;
    while (row < out.toRow) {
        const int column = SpanColumnOf(times[row], t0, t1, width);
        // The first row of a later column: the times are sorted, and the
        // column of a time never falls as the time grows.
        const qsizetype end = std::partition_point(times.cbegin() + row, times.cbegin() + out.toRow,
                                                   [&](double t) { return SpanColumnOf(t, t0, t1, width) <= column; })
                              - times.cbegin();
        SpanColumn c;
        c.column = column;
        c.first = values.FirstFinite(row, end);
        if (c.first >= 0) {
            c.last = values.LastFinite(row, end);
            const SeriesPyramid::Extremes e = values.Query(row, end);
            c.lowest = e.minRow;
            c.highest = e.maxRow;
            c.joinsPrevious = previous >= 0 && values.NonFiniteBefore(c.first) == values.NonFiniteBefore(previous);
            previous = c.last;
            out.columns.append(c);
        }
        row = end;
    }
    out.afterJoins = out.after >= 0 && previous >= 0
                     && values.NonFiniteBefore(out.after) == values.NonFiniteBefore(previous);
    return out;
}
