// The chart window of the main dialog: a widget over the chart's model
// (core/charts/chart_model.h), which keeps the samples and everything
// computed from them, painted by the chart painter.
//
// Like a bordered child window, the widget covers the rectangle given to
// Create and draws a 1-pixel black frame at its edge; the client area, in
// which all chart coordinates count, lies inside the frame: client (0, 0) is
// widget pixel (1, 1) and the client area is 2 pixels narrower and lower than
// the widget. What the chart draws beyond it is clipped.
//
// A click gives it the focus (it is no tab stop, so the window's tab order
// stays as it was); a double-click asks for the graph window.
#ifndef TAVIX_GUI_WIDGETS_MY_CHART_H
#define TAVIX_GUI_WIDGETS_MY_CHART_H

#include "core/charts/chart_model.h"
#include "paint/chart_painter.h"

#include <QWidget>

class QPainter;

class CMyChart : public QWidget, public ChartModel
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

    // The two steps of a repaint, in client coordinates.
    void OnEraseBkgnd(QPainter &painter) const;
    void OnPaint(QPainter &painter) const;

signals:
    // A double-click on the chart: the graph window is wanted.
    void OpenRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

#endif // TAVIX_GUI_WIDGETS_MY_CHART_H
