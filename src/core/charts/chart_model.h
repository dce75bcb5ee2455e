// What the chart window shows: one curve of one variable with its axes, four
// value labels, up to four time labels, the variable caption, the caption
// "time" and a title. RecalcLayout computes all geometry once per data set;
// painting (paint/chart_painter.h) only replays it, in the window and in the
// command line's PNG alike. The curve and the dots are kept as the painter
// draws them, per pixel column (core/charts/chart_columns.h), so a repaint
// costs the width of the chart, not the number of samples.
#ifndef TAVIX_CORE_CHARTS_CHART_MODEL_H
#define TAVIX_CORE_CHARTS_CHART_MODEL_H

#include "core/charts/chart_columns.h"
#include "core/charts/chart_layout.h"

#include <QList>
#include <QString>

// The chart window of the main dialog, in the dialog's client pixels (right
// and bottom just outside it): 460 x 292 pixels, frame included.
constexpr ChartRect kLogGraphWindowRect{388, 350, 848, 642};

class ChartModel
{
public:
    // The chart rectangle (100, 100, 400, 400) and its axes, until Place.
    ChartModel();

    // Sets the chart rectangle to (0, 0, width, height) and the axes from it,
    // so the empty chart paints its two axes.
    void Place(int width, int height);

    // Appends a sample; the lists only grow until ClearData.
    void AddPoint(const QString &label, float value);
    // Empties the samples, points and labels; title, caption texts and
    // geometry stay.
    void ClearData();
    // Computes bands, axes, labels, captions and points from the samples and
    // appends the labels and points (the caller clears the chart first), then
    // the curve and dots of all points. Without samples only the bands and
    // axes are computed.
    void RecalcLayout();

    void SetTitle(const QString &title) { m_strTitle = title; }
    void SetValueCaptionText(const QString &text) { m_valueCaption.text = text; }

    const QString &Title() const { return m_strTitle; }
    const ChartRect &ChartRectangle() const { return m_rcChart; }
    ChartPoint Origin() const { return m_ptOrigin; }
    ChartPoint XAxisEnd() const { return m_ptXAxisEnd; }
    ChartPoint YAxisEnd() const { return m_ptYAxisEnd; }
    const QList<ChartSample> &Samples() const { return m_samples; }
    const QList<ChartLabel> &XLabels() const { return m_xLabels; }
    const QList<ChartLabel> &YLabels() const { return m_yLabels; }
    const ChartLabel &ValueCaption() const { return m_valueCaption; }
    const ChartLabel &TimeCaption() const { return m_timeCaption; }
    const ChartRect &XLabelBand() const { return m_rcXLabelBand; }
    const ChartRect &YLabelBand() const { return m_rcYLabelBand; }
    const ChartRect &PlotRect() const { return m_rcPlot; }
    const QList<ChartPoint> &Points() const { return m_points; }
    // The polyline and the dot bars that draw the points (ColumnCurve and
    // ColumnDots of Points()). Samples of non-finite value (GapRows) are
    // gaps: the curve is then several polylines, the pieces between the
    // gaps one after another, each starting at an index of CurveBreaks
    // (empty without gaps), and the gaps get no dot.
    const QList<ChartPoint> &Curve() const { return m_curve; }
    const QList<qsizetype> &CurveBreaks() const { return m_curveBreaks; }
    const QList<ChartDotRun> &DotRuns() const { return m_dotRuns; }
    const QList<qsizetype> &GapRows() const { return m_gapRows; }

private:
    // Sets the bands and the axis points from the chart rectangle.
    void SetAxes();

    QString m_strTitle;
    ChartRect m_rcChart{100, 100, 400, 400};
    ChartPoint m_ptOrigin;
    ChartPoint m_ptXAxisEnd;
    ChartPoint m_ptYAxisEnd;
    QList<ChartSample> m_samples;
    QList<ChartLabel> m_xLabels;
    QList<ChartLabel> m_yLabels;
    ChartLabel m_valueCaption;
    ChartLabel m_timeCaption;
    ChartRect m_rcXLabelBand;
    ChartRect m_rcYLabelBand;
    ChartRect m_rcPlot;
    QList<ChartPoint> m_points;
    QList<ChartPoint> m_curve;
    QList<qsizetype> m_curveBreaks;
    QList<qsizetype> m_gapRows;
    QList<ChartDotRun> m_dotRuns;
};

#endif
