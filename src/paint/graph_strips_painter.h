// The drawing of the graph window: one strip per shown variable, each with
// its own value axis, all sharing the time axis along the bottom and the
// cursor, onto any QPainter at any size (the window, and its pictures). A
// frame draws per strip at most four points per pixel column of the
// visible span, found through the series' pyramid (core/charts/span_summary.h).
#ifndef TAVIX_PAINT_GRAPH_STRIPS_PAINTER_H
#define TAVIX_PAINT_GRAPH_STRIPS_PAINTER_H

#include "core/charts/log_series.h"

#include <QFontMetrics>
#include <QList>
#include <QRect>
#include <QString>

#include <memory>

class QPainter;

struct GraphFrame
{
    QString title;
    std::shared_ptr<const LogTimeline> timeline;
    QList<std::shared_ptr<const LogSeries>> strips;
    double from = 0.0; // the visible span of the time axis
    double to = 1.0;
    qsizetype cursorRow = -1;   // -1: no cursor
    bool selecting = false;     // a span being chosen with the mouse
    double selectFrom = 0.0;
    double selectTo = 0.0;
};

// Where the parts go in target: the title line, each strip's plot area
// (top to bottom) and the time labels' band under the last one.
struct GraphStripsLayout
{
    QRect title;
    QList<QRect> captions; // each strip's name line, above its plot
    QList<QRect> plots;
    QRect timeLabels;
};
GraphStripsLayout LayoutGraphStrips(const QRect &target, int strips, const QFontMetrics &metrics);

// The x of time t in plot, and the time at x (the inverse).
double TimeToX(const QRect &plot, double from, double to, double t);
double XToTime(const QRect &plot, double from, double to, double x);

// The colour of strip i's curve.
QColor StripColour(int i);

// Draws frame into target in the painter's current font: white ground, the
// title, the strips with their grids, value labels and curves (gaps where
// values are not finite; dots at the rows when they lie 6 pixels apart or
// more), the time labels, the cursor and the span being chosen.
void PaintGraphStrips(QPainter &painter, const QRect &target, const GraphFrame &frame);

#endif
