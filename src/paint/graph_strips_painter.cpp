#include "paint/graph_strips_painter.h"

#include "core/charts/axis_ticks.h"
#include "core/charts/chart_layout.h"
#include "core/charts/span_summary.h"
#include "paint/chart_painter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 8;
constexpr int kStripGap = 6;
// Pixels a value label needs between its neighbours, and a time label.
constexpr int kValueTickGap = 28;

// A y of a value, kept within a few screens of the plot so that a point far
// outside (the row before or after the span) never overflows the painter.
int ValueToY(const QRect &plot, double lo, double hi, double v)
{
    const double y = plot.bottom() - (v - lo) * (plot.height() - 1) / (hi - lo);
    return TruncToInt(std::clamp(y, double(plot.top() - 4 * plot.height()), double(plot.bottom() + 4 * plot.height())));
}

int ClampedX(double x, const QRect &plot)
{
    return TruncToInt(std::clamp(x, double(plot.left() - 4 * plot.width()), double(plot.right() + 4 * plot.width())));
}

struct StripRange
{
    double lo = 0.0;
    double hi = 1.0;
};

// The value range of the visible rows, padded; 0 to 1 when none is finite.
StripRange RangeOf(const LogSeries &series, const SpanSummary &summary)
{
    StripRange range;
    if (summary.extremes.minRow < 0)
        return range;
    range.lo = series.values.Values()[summary.extremes.minRow];
    range.hi = series.values.Values()[summary.extremes.maxRow];
    PadValueRange(range.lo, range.hi);
    return range;
}

void PaintStrip(QPainter &painter, const GraphFrame &frame, const LogSeries &series, int index, const QRect &plot,
                const QRect &caption, const QList<AxisTick> &timeTicks)
{
    const LogTimeline &line = *frame.timeline;
    const QList<float> &values = series.values.Values();
    const SpanSummary summary = SummariseSpan(line, series.values, frame.from, frame.to, std::max(plot.width(), 1));
    const StripRange range = RangeOf(series, summary);
    const QFontMetrics metrics = painter.fontMetrics();

    // Frame and grid.
    painter.setPen(QColor(225, 225, 225));
    for (const AxisTick &tick : timeTicks) {
        const int x = ClampedX(TimeToX(plot, frame.from, frame.to, tick.at), plot);
        painter.drawLine(x, plot.top(), x, plot.bottom());
    }
    const QList<AxisTick> valueTicks = ValueTicks(range.lo, range.hi, plot.height(), kValueTickGap);
    for (const AxisTick &tick : valueTicks) {
        const int y = ValueToY(plot, range.lo, range.hi, tick.at);
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(Qt::black);
        const QRect box(plot.left() - 6 - 200, y - metrics.height() / 2, 200, metrics.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, tick.label);
    }
    painter.setPen(QColor(120, 120, 120));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    painter.setPen(StripColour(index).darker(130));
    const QString name = series.unit.isEmpty() ? series.name : QStringLiteral("%1 (%2)").arg(series.name, series.unit);
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignBottom, name);

    // The curve: the M4 points of each column, broken at non-finite values,
    // running on to the rows just outside the span.
    painter.save();
    painter.setClipRect(plot);
    QList<ChartPoint> points;
    QList<qsizetype> breaks;
    auto add = [&](int x, qsizetype row) { points.append({x, ValueToY(plot, range.lo, range.hi, values[row])}); };
    auto addOutside = [&](qsizetype row) {
        add(ClampedX(TimeToX(plot, frame.from, frame.to, line.times[row]), plot), row);
    };
    if (!summary.columns.isEmpty() && summary.columns.first().joinsPrevious)
        addOutside(summary.before);
    else if (summary.columns.isEmpty() && summary.before >= 0 && summary.afterJoins)
        addOutside(summary.before);
    for (const SpanColumn &c : summary.columns) {
        if (!c.joinsPrevious && !points.isEmpty())
            breaks.append(points.size());
        qsizetype rows[] = {c.first, c.lowest, c.highest, c.last};
        std::sort(std::begin(rows), std::end(rows));
        for (int i = 0; i < 4; ++i) {
            if (i == 0 || rows[i] != rows[i - 1])
                add(plot.left() + c.column, rows[i]);
        }
    }
    if (summary.afterJoins)
        addOutside(summary.after);
    // Square ends: the pieces meet without a seam, and the stroke needs no
    // curves (round ends cost most of a frame's time at 1,600 columns).
    QPen pen(StripColour(index), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    qsizetype from = 0;
    for (qsizetype next : std::as_const(breaks)) {
        DrawCurve(painter, points.constData() + from, next - from);
        from = next;
    }
    DrawCurve(painter, points.constData() + from, points.size() - from);

    // Dots at the rows themselves once they stand apart.
    const qsizetype visible = summary.toRow - summary.fromRow;
    if (visible > 0 && visible * 6 <= plot.width()) {
        // 4 x 4 squares, filled: picture files draw no zero-length line.
        const QColor dot = StripColour(index).darker(150);
        for (qsizetype row = summary.fromRow; row < summary.toRow; ++row) {
            if (!std::isfinite(values[row]))
                continue;
            const int x = ClampedX(TimeToX(plot, frame.from, frame.to, line.times[row]), plot);
            painter.fillRect(QRect(x - 2, ValueToY(plot, range.lo, range.hi, values[row]) - 2, 4, 4), dot);
        }
    }

    // The cursor's row on this strip.
    if (frame.cursorRow >= 0 && frame.cursorRow < values.size() && std::isfinite(values[frame.cursorRow])) {
        const QPoint p(ClampedX(TimeToX(plot, frame.from, frame.to, line.times[frame.cursorRow]), plot),
                       ValueToY(plot, range.lo, range.hi, values[frame.cursorRow]));
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawEllipse(p, 4, 4);
    }
    painter.restore();
}

} // namespace

QColor StripColour(int i)
{
    static const QColor colours[] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 140, 0),
                                     QColor(180, 0, 180), QColor(200, 120, 0), QColor(0, 150, 150),
                                     QColor(90, 90, 90)};
    return colours[std::size_t(i) % std::size(colours)];
}

double TimeToX(const QRect &plot, double from, double to, double t)
{
    return plot.left() + (t - from) * plot.width() / (to - from);
}

double XToTime(const QRect &plot, double from, double to, double x)
{
    return from + (x - plot.left()) * (to - from) / std::max(plot.width(), 1);
}

GraphStripsLayout LayoutGraphStrips(const QRect &target, int strips, const QFontMetrics &metrics)
{
    GraphStripsLayout out;
    const int line = metrics.height();
    const int left = target.left() + kMargin + metrics.horizontalAdvance(QStringLiteral("-0000.000")) + 6;
    const int right = target.right() - kMargin - metrics.horizontalAdvance(QStringLiteral("00:00")) / 2;
    out.title = QRect(target.left() + kMargin, target.top() + 4, target.width() - 2 * kMargin, line);
    const int top = out.title.bottom() + 4;
    const int labels = 2 * line + 8;
    const int bottom = target.bottom() - labels;
    const int count = std::max(strips, 1);
    const int band = std::max(1, (bottom - top - (count - 1) * kStripGap) / count);
    for (int i = 0; i < strips; ++i) {
        const int y = top + i * (band + kStripGap);
        out.captions.append(QRect(left, y, right - left, line));
        out.plots.append(QRect(QPoint(left, y + line + 2), QPoint(right, std::max(y + line + 3, y + band))));
    }
    const int plotsBottom = out.plots.isEmpty() ? bottom : out.plots.last().bottom();
    out.timeLabels = QRect(QPoint(left, plotsBottom + 4), QPoint(right, target.bottom()));
    return out;
}

void PaintGraphStrips(QPainter &painter, const QRect &target, const GraphFrame &frame)
{
    painter.save();
    painter.setClipRect(target);
    painter.fillRect(target, Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics = painter.fontMetrics();
    const GraphStripsLayout layout = LayoutGraphStrips(target, int(frame.strips.size()), metrics);

    painter.setPen(Qt::black);
    painter.drawText(layout.title, Qt::AlignLeft | Qt::AlignVCenter, frame.title);
    if (!frame.timeline || frame.strips.isEmpty() || !(frame.to > frame.from)) {
        painter.restore();
        return;
    }

    const int width = std::max(layout.timeLabels.width(), 1);
    const int minGap = metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 16;
    const QList<AxisTick> timeTicks = TimeTicks(frame.from, frame.to, width, minGap, frame.timeline->byRow);

    for (qsizetype i = 0; i < frame.strips.size(); ++i)
        PaintStrip(painter, frame, *frame.strips[i], int(i), layout.plots[i], layout.captions[i], timeTicks);

    // The shared time labels under the last strip.
    painter.setPen(Qt::black);
    for (const AxisTick &tick : timeTicks) {
        const int x = TruncToInt(TimeToX(layout.timeLabels, frame.from, frame.to, tick.at));
        painter.drawLine(x, layout.timeLabels.top() - 4, x, layout.timeLabels.top() - 1);
        const QRect box(x - 60, layout.timeLabels.top(), 120, layout.timeLabels.height());
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, tick.label);
    }

    const QRect all(QPoint(layout.plots.first().left(), layout.plots.first().top()), layout.plots.last().bottomRight());
    if (frame.selecting) {
        const int a = TruncToInt(TimeToX(all, frame.from, frame.to, frame.selectFrom));
        const int b = TruncToInt(TimeToX(all, frame.from, frame.to, frame.selectTo));
        painter.fillRect(QRect(QPoint(std::min(a, b), all.top()), QPoint(std::max(a, b), all.bottom())) & all,
                         QColor(0, 90, 200, 50));
    }
    if (frame.cursorRow >= 0 && frame.cursorRow < frame.timeline->times.size()) {
        const int x = TruncToInt(TimeToX(all, frame.from, frame.to, frame.timeline->times[frame.cursorRow]));
        if (x >= all.left() && x <= all.right()) {
            painter.setPen(QPen(QColor(60, 60, 60), 1, Qt::DashLine));
            painter.drawLine(x, all.top(), x, all.bottom());
        }
    }
    painter.restore();
}
