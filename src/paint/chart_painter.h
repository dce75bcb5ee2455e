// The drawing of the chart window: its frame, its background and what its
// model holds (axes, curve, labels, captions, dots and title), onto any
// QPainter. The window paints itself with it, and the command line's --plot
// paints an image with it, so both give the same pixels.
#ifndef TAVIX_PAINT_CHART_PAINTER_H
#define TAVIX_PAINT_CHART_PAINTER_H

#include "core/charts/chart_columns.h"

#include <QList>
#include <QPen>

class ChartModel;
class QPainter;

// The width of the black frame around a bordered child window.
constexpr int kWindowBorderWidth = 1;

// Draws the black one-pixel frame of a window of width x height pixels at
// its edge, then moves the painter's origin to the client area inside it
// and clips it there.
void BeginBorderedClientPaint(QPainter &painter, int width, int height);

// Fills the chart's background: from (left, top) with width right and height
// bottom of the chart rectangle, the whole chart when left and top are 0.
void EraseChartBackground(QPainter &painter, const ChartModel &chart);

// Draws the axes and, when the chart has points, the curve, the labels, the
// captions, a dot at every point and the title, in chart client pixels. The
// curve and the dots are drawn from the model's per-column summary, which
// gives the pixels of every point drawn one by one.
void PaintChart(QPainter &painter, const ChartModel &chart);

// The pens of the curve (2 pixels, red, round) and of the dots (4 pixels,
// blue, square: a zero-length line leaves a 4 x 4 dot), without antialiasing.
QPen ChartCurvePen();
QPen ChartMarkerPen();
// The curve through points (the pixels of a polyline through them), and the
// dots of runs, with those pens.
void DrawCurve(QPainter &painter, const QList<ChartPoint> &points);
// The same with the painter's pen, for curves of other colours.
void DrawCurve(QPainter &painter, const ChartPoint *points, qsizetype count);
// A curve of several polylines: the pieces of points that start at the
// indexes of breaks (and at 0), each drawn on its own.
void DrawCurvePieces(QPainter &painter, const QList<ChartPoint> &points, const QList<qsizetype> &breaks);
void DrawDots(QPainter &painter, const QList<ChartDotRun> &runs);

#endif
