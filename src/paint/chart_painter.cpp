#include "paint/chart_painter.h"

#include "core/charts/chart_model.h"

#include <QColor>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>

namespace {

// A chart rectangle (right and bottom outside) as a QRect (right and bottom inside).
QRect ToQRect(const ChartRect &rc)
{
    return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

QPoint ToQPoint(const ChartPoint &p)
{
    return QPoint(p.x, p.y);
}

// Text drawn left and top aligned in its box, on one line per line break,
// without word wrapping, clipped to the box.
void DrawLabel(QPainter &painter, const ChartLabel &label)
{
    painter.drawText(ToQRect(label.rc), Qt::AlignLeft | Qt::AlignTop, label.text);
}

// Whether the painter draws pixels (the screen, an image) rather than a
// picture file (SVG, PDF), which draws lines on coordinates, not on pixels.
bool IsPixelDevice(QPainter &painter)
{
    const QPaintEngine *engine = painter.paintEngine();
    return !engine || engine->type() == QPaintEngine::Raster || engine->type() == QPaintEngine::OpenGL2;
}

} // namespace

QPen ChartCurvePen()
{
    return QPen(QColor(255, 0, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPen ChartMarkerPen()
{
    // A zero-length line with a square cap leaves a 4 x 4 dot.
    return QPen(QColor(0, 0, 255), 4, Qt::SolidLine, Qt::SquareCap);
}

void DrawCurve(QPainter &painter, const QList<ChartPoint> &points)
{
    painter.setPen(ChartCurvePen());
    DrawCurve(painter, points.constData(), points.size());
}

void DrawCurvePieces(QPainter &painter, const QList<ChartPoint> &points, const QList<qsizetype> &breaks)
{
    painter.setPen(ChartCurvePen());
    qsizetype from = 0;
    for (qsizetype next : breaks) {
        DrawCurve(painter, points.constData() + from, next - from);
        from = next;
    }
    DrawCurve(painter, points.constData() + from, points.size() - from);
}

void DrawCurve(QPainter &painter, const ChartPoint *points, qsizetype n)
{
    // The polyline as the stroke of its pieces: where it runs up and down
    // one pixel column, a vertical line from its lowest to its highest point
    // there, and the segments from one column to the next. With the round
    // pen that is the same area, and so the same pixels, as the polyline
    // stroked whole; stroked whole, a curve folding up and down every column
    // is one outline of thousands of crossing edges, which takes a hundred
    // times longer to fill.
    for (qsizetype first = 0; first < n;) {
        qsizetype last = first;
        int top = points[first].y;
        int bottom = top;
        while (last + 1 < n && points[last + 1].x == points[first].x) {
            ++last;
            top = qMin(top, points[last].y);
            bottom = qMax(bottom, points[last].y);
        }
        if (n == 1 || last > first)
            painter.drawLine(QPoint(points[first].x, top), QPoint(points[first].x, bottom));
        if (last + 1 < n)
            painter.drawLine(ToQPoint(points[last]), ToQPoint(points[last + 1]));
        first = last + 1;
    }
}

void DrawDots(QPainter &painter, const QList<ChartDotRun> &runs)
{
    const QPen pen = ChartMarkerPen();
    if (!IsPixelDevice(painter)) {
        // A picture file (SVG, PDF) draws no zero-length line: the bars as
        // the rectangles the square-capped pen covers.
        for (const ChartDotRun &run : runs)
            painter.fillRect(QRect(run.x - 2, run.top - 2, 4, run.bottom - run.top + 4), pen.color());
        return;
    }
    painter.setPen(pen);
    for (const ChartDotRun &run : runs)
        painter.drawLine(QPoint(run.x, run.top), QPoint(run.x, run.bottom));
}

void BeginBorderedClientPaint(QPainter &painter, int width, int height)
{
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    painter.setBrush(Qt::NoBrush);
    // In a picture file the line lies on its pixel's centre, as on the screen.
    if (IsPixelDevice(painter))
        painter.drawRect(0, 0, width - 1, height - 1);
    else
        painter.drawRect(QRectF(0.5, 0.5, width - 1, height - 1));
    painter.translate(kWindowBorderWidth, kWindowBorderWidth);
    painter.setClipRect(0, 0, width - 2 * kWindowBorderWidth, height - 2 * kWindowBorderWidth);
}

void EraseChartBackground(QPainter &painter, const ChartModel &chart)
{
    const ChartRect &rc = chart.ChartRectangle();
    painter.fillRect(QRect(rc.left, rc.top, rc.right, rc.bottom), QColor(255, 255, 255));
}

void PaintChart(QPainter &painter, const ChartModel &chart)
{
    painter.save();
    // Text is drawn opaque: its cells are filled with the text background.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(QColor(250, 250, 250));
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QPen axisPen(QColor(0, 0, 0), 1);

    painter.setPen(axisPen);
    painter.drawLine(ToQPoint(chart.Origin()), ToQPoint(chart.XAxisEnd()));
    painter.drawLine(ToQPoint(chart.Origin()), ToQPoint(chart.YAxisEnd()));

    const QList<ChartPoint> &points = chart.Points();
    if (!points.isEmpty()) {
        DrawCurvePieces(painter, chart.Curve(), chart.CurveBreaks());

        painter.setPen(QColor(0, 0, 0));
        for (const ChartLabel &label : chart.XLabels())
            DrawLabel(painter, label);
        for (const ChartLabel &label : chart.YLabels())
            DrawLabel(painter, label);

        painter.setPen(QColor(0, 128, 0));
        DrawLabel(painter, chart.ValueCaption());
        DrawLabel(painter, chart.TimeCaption());

        DrawDots(painter, chart.DotRuns());

        painter.setPen(QColor(255, 0, 0));
        const QFontMetrics metrics = painter.fontMetrics();
        painter.drawText(QPoint(40, metrics.ascent()), chart.Title());
    }
    painter.restore();
}
