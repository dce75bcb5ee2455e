// The chart window of the main dialog: one curve of one variable of one
// sorted log file, with its axes, four value labels, up to four time
// labels, the variable caption, the caption "time" and a title.
#ifndef TAVIX_CHARTS_MY_CHART_H
#define TAVIX_CHARTS_MY_CHART_H

#include "charts/bordered_window.h"
#include "charts/chart_layout.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

class QPainter;

// The window keeps its samples and everything computed from them;
// RecalcLayout computes all geometry once per data set and a repaint only
// replays it.
//
// Like a bordered child window, the widget covers the rectangle given to
// Create and draws a 1-pixel black frame at its edge; the client area, in
// which all chart coordinates count, lies inside the frame: client (0, 0) is
// widget pixel (1, 1) and the client area is 2 pixels narrower and lower than
// the widget. What the chart draws beyond it is clipped.
class CMyChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kBorderWidth = kWindowBorderWidth;

    explicit CMyChart(QWidget *parent = nullptr);
    ~CMyChart() override;

    // Places the window at rect (parent client pixels; right and bottom lie
    // just outside it) as a visible child of parent with the given control
    // id, and sets the chart rectangle to (0, 0, width, height) and the axes
    // from it, so the empty chart paints its two axes. Fails without a parent.
    bool Create(const ChartRect &rect, QWidget *parent, int id);

    // Appends a sample; the lists only grow until ClearData.
    void AddPoint(const QString &label, float value);
    // Empties the samples, points and labels; title, caption texts and
    // geometry stay.
    void ClearData();
    // Computes bands, axes, labels, captions and points from the samples and
    // appends the labels and points (the caller clears the chart first).
    // Without samples only the bands and axes are computed.
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

    // The two steps of a repaint, in client coordinates.
    void OnEraseBkgnd(QPainter &painter) const;
    void OnPaint(QPainter &painter) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Sets the bands and the axis points from the chart rectangle (at
    // construction, in Create and in RecalcLayout).
    void SetAxes();

    QString m_strTitle;
    ChartRect m_rcChart{100, 100, 400, 400};
    ChartPoint m_ptOrigin;
    ChartPoint m_ptXAxisEnd;
    ChartPoint m_ptYAxisEnd;
    QList<ChartSample> m_samples;
    QColor m_crBackground{255, 255, 255};
    QList<ChartLabel> m_xLabels;
    QList<ChartLabel> m_yLabels;
    ChartLabel m_valueCaption;
    ChartLabel m_timeCaption;
    ChartRect m_rcXLabelBand;
    ChartRect m_rcYLabelBand;
    ChartRect m_rcPlot;
    QList<ChartPoint> m_points;
};

#endif // TAVIX_CHARTS_MY_CHART_H
