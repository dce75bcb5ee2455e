// What the three graph kinds share: their placement inside the graph object
// window, the animation of their build-up, the legend colours and fonts.
#ifndef TAVIX_GUI_WIDGETS_GRAPH_OBJECT_GRAPH_2D_H
#define TAVIX_GUI_WIDGETS_GRAPH_OBJECT_GRAPH_2D_H

#include "core/charts/graph_animation.h"
#include "core/charts/graph_data.h"
#include "core/charts/graph_geometry.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

class QPainter;

// A QFont for a font request: pixel size = height, weight normal or bold, and
// the width approximated by stretching the face to that average character
// width.
QFont MakeGraphFont(const GraphFontRequest &request);

class C2DGraph
{
public:
    C2DGraph(GraphKind kind, const GraphPlacement &placement);
    virtual ~C2DGraph();

    GraphKind Kind() const { return m_kind; }
    const GraphPlacement &Placement() const { return m_placement; }
    const GraphAnimation &Animation() const { return m_animation; }
    const GraphFontRequest &LegendFontRequest() const { return m_legendFontRequest; }
    const QFont &LegendFont() const { return m_legendFont; }

    // Animation set-up for (mode, type), followed by its first step.
    void SetAnimation(int mode, int type, int segmentCount, int seriesCount);
    void StepAnimation() { m_animation.Step(); }

protected:
    struct LegendEntry
    {
        QColor colour;
        QString text;
    };
    // A framed box in the legend background right of the graph, one row per
    // entry (a colour box and its text), vertically centred in the graph height.
    void DrawLegend(QPainter &painter, const QList<LegendEntry> &entries) const;

    GraphKind m_kind;
    GraphPlacement m_placement;
    GraphAnimation m_animation;
    QColor m_crLegendText{0, 0, 0};
    QColor m_crLegendBackground{255, 255, 255};
    GraphFontRequest m_legendFontRequest;
    QFont m_legendFont;
};

// The bar and line kinds: series of values over segments, an axis font, a
// legend of the series names.
class C2DSeriesGraph : public C2DGraph
{
public:
    C2DSeriesGraph(GraphKind kind, const GraphPlacement &placement);

    GraphSeriesSet &Data() { return m_data; }
    const GraphSeriesSet &Data() const { return m_data; }
    const QFont &AxisFont() const { return m_axisFont; }

    void SetAnimation(int mode, int type)
    {
        C2DGraph::SetAnimation(mode, type, m_data.SegmentCount(), m_data.SeriesCount());
    }
    // One legend row per series: its colour and its name.
    void DrawLegend(QPainter &painter) const;

protected:
    // The x axis along the bottom of the placement and the y axis up its left edge.
    void DrawAxes(QPainter &painter) const;

    GraphSeriesSet m_data;
    QFont m_axisFont;
};

#endif // TAVIX_GUI_WIDGETS_GRAPH_OBJECT_GRAPH_2D_H
