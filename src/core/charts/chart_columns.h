// The chart's curve and dots as few as give the same pixels as every sample:
// the points of the chart lie on whole pixels, so a pixel column of the plot
// may hold thousands of them. Of each run of points in one column only the
// first, the lowest, the highest and the last are needed for the curve (the
// M4 aggregation of Jugel et al., VLDB 2014: the segments between them cover
// the same pixels as all the segments of the column, for a curve drawn
// without antialiasing), and a dot needs drawing once per place, where dots a
// few pixels apart in one column are one bar. Both are computed once per data
// set, so a repaint costs the width of the chart, not the number of samples.
#ifndef TAVIX_CORE_CHARTS_CHART_COLUMNS_H
#define TAVIX_CORE_CHARTS_CHART_COLUMNS_H

#include "core/charts/chart_layout.h"

#include <QList>

// The dots at x whose centres lie from top to bottom (top <= bottom), no two
// neighbours more than kDotMergeDistance apart: drawn as one stroke of the
// dot's square pen from (x, top) to (x, bottom), they cover what the dots do.
struct ChartDotRun
{
    int x = 0;
    int top = 0;
    int bottom = 0;
    friend bool operator==(const ChartDotRun &, const ChartDotRun &) = default;
};

// Dots (4 x 4 pixels) whose centres lie at most this far apart in a column
// touch or overlap, so a bar covers them and the gap between them exactly.
constexpr int kDotMergeDistance = 4;

// The points of the polyline that draws the same pixels as one through every
// point: for each run of consecutive points with the same x, the first, the
// one with the least y, the one with the greatest y and the last, in their
// order (each once). At most 4 points a column; the input when it is shorter.
QList<ChartPoint> ColumnCurve(const QList<ChartPoint> &points);

// The dots of all points as bars: per column, left to right, top to bottom.
QList<ChartDotRun> ColumnDots(const QList<ChartPoint> &points);

#endif
