// The line kind of graph: one polyline per series over the segments.
#ifndef TAVIX_CHARTS_GRAPH_OBJECT_LINE_GRAPH_2D_H
#define TAVIX_CHARTS_GRAPH_OBJECT_LINE_GRAPH_2D_H

#include "charts/graph_object/graph_2d.h"
#include "charts/graph_object/graph_data.h"

class C2DLineGraph : public C2DGraph
{
public:
    explicit C2DLineGraph(const GraphPlacement &placement);

    GraphSeriesSet &Data() { return m_data; }
    const GraphSeriesSet &Data() const { return m_data; }
    const QFont &AxisFont() const { return m_axisFont; }

    void SetAnimation(int mode, int type)
    {
        C2DGraph::SetAnimation(mode, type, m_data.SegmentCount(), m_data.SeriesCount());
    }

    // Axes, and per series a polyline through its values; while the build-up
    // runs only the segments shown so far.
    void Draw(QPainter &painter) const;
    void DrawLegend(QPainter &painter) const;

private:
    GraphSeriesSet m_data;
    QFont m_axisFont;
};

#endif // TAVIX_CHARTS_GRAPH_OBJECT_LINE_GRAPH_2D_H
