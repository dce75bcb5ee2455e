// The rows of a visible time span of a series as few as draw the same
// pixels as all of them (the M4 aggregation, core/charts/chart_columns.h):
// per pixel column the first, the lowest, the highest and the last finite
// row, found through the series' pyramid in a few steps per column, never by
// walking the rows. Non-finite values are left out and break the curve.
#ifndef TAVIX_CORE_CHARTS_SPAN_SUMMARY_H
#define TAVIX_CORE_CHARTS_SPAN_SUMMARY_H

#include "core/charts/log_series.h"

#include <QList>

// The pixel column, 0 ... width - 1, of time t in a span [t0, t1] drawn
// width pixels wide: floor((t - t0) * width / (t1 - t0)), t1 itself in the
// last column; -1 before the span, width after it. Monotone in t, so the
// rows of a column are one run of a time-sorted series.
int SpanColumnOf(double t, double t0, double t1, int width);

struct SpanColumn
{
    int column = 0;
    qsizetype first = -1;
    qsizetype lowest = -1;
    qsizetype highest = -1;
    qsizetype last = -1;
    // The curve comes into this column from the finite row before it (the
    // previous column's last, or the last finite row before the span): no
    // non-finite row lies between them.
    bool joinsPrevious = false;
    friend bool operator==(const SpanColumn &, const SpanColumn &) = default;
};

struct SpanSummary
{
    // The columns that hold a finite row, left to right.
    QList<SpanColumn> columns;
    // The last finite row before the span and the first after it (-1: none),
    // through which the curve runs on past the span's edges; afterJoins:
    // no non-finite row lies between the span's last finite row and after.
    qsizetype before = -1;
    qsizetype after = -1;
    bool afterJoins = false;
    // The rows in the span, [fromRow, toRow), and the extremes of their
    // finite values (-1: none).
    qsizetype fromRow = 0;
    qsizetype toRow = 0;
    SeriesPyramid::Extremes extremes;
};

// The summary of the rows whose times lie in [t0, t1] (t0 < t1), width >= 1.
SpanSummary SummariseSpan(const LogTimeline &line, const SeriesPyramid &values, double t0, double t1, int width);

#endif
