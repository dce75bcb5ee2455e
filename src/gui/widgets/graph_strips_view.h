// The graph of the graph window: the strips of the shown variables
// (paint/graph_strips_painter.h) with zoom and pan on the time axis by
// wheel, drags and keys, and a cursor that snaps to the nearest row.
//
// Mouse: the wheel zooms about the pointer; a left drag pans; a right drag
// or Shift with a left drag chooses a span to zoom into (a right click
// without a drag asks for the context menu); moving the pointer moves the
// cursor. Keys: + and - zoom about the cursor (the middle without one),
// Shift+Left/Right and Page Up/Down pan, Left/Right move the cursor row by
// row (the span follows it), Home shows the whole file.
#ifndef TAVIX_GUI_WIDGETS_GRAPH_STRIPS_VIEW_H
#define TAVIX_GUI_WIDGETS_GRAPH_STRIPS_VIEW_H

#include "core/charts/time_span_view.h"
#include "paint/graph_strips_painter.h"

#include <QWidget>

class GraphStripsView : public QWidget
{
    Q_OBJECT

public:
    explicit GraphStripsView(QWidget *parent = nullptr);

    // A new file: its time axis and strips, the whole file shown, no cursor.
    void SetFile(const QString &title, std::shared_ptr<const LogTimeline> timeline);
    // The strips shown, top to bottom; span and cursor stay.
    void SetStrips(const QList<std::shared_ptr<const LogSeries>> &strips);

    const GraphFrame &Frame() const { return m_frame; }
    const TimeSpanView &Span() const { return m_span; }
    qsizetype CursorRow() const { return m_frame.cursorRow; }
    void SetCursorRow(qsizetype row);
    void ShowAll();
    void ZoomAbout(double t, double factor);

    // The plot area of the first strip, in widget pixels (all share its x).
    QRect PlotArea() const;

signals:
    void CursorMoved(qsizetype row);
    void SpanChanged();
    // A right click without a drag, or the keyboard's menu key.
    void ContextMenuWanted(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void Changed();
    // Puts the span around the cursor when it lies outside.
    void KeepCursorVisible();
    double TimeAt(double x) const;

    GraphFrame m_frame;
    TimeSpanView m_span;
    enum class Drag { None, Pan, Select, RightPending };
    Drag m_drag = Drag::None;
    QPoint m_pressPos;
    double m_pressFrom = 0.0;
    double m_pressTo = 0.0;
};

#endif
