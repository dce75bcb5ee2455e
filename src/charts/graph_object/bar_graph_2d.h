// The bar kind of graph: per segment a group of bars, one per series.
#ifndef TAVIX_CHARTS_GRAPH_OBJECT_BAR_GRAPH_2D_H
#define TAVIX_CHARTS_GRAPH_OBJECT_BAR_GRAPH_2D_H

#include "charts/graph_object/graph_2d.h"
#include "charts/graph_object/graph_data.h"

class C2DBarGraph : public C2DGraph
{
public:
    explicit C2DBarGraph(const GraphPlacement &placement);

    GraphSeriesSet &Data() { return m_data; }
    const GraphSeriesSet &Data() const { return m_data; }
    const QFont &AxisFont() const { return m_axisFont; }

    void SetAnimation(int mode, int type)
    {
        C2DGraph::SetAnimation(mode, type, m_data.SegmentCount(), m_data.SeriesCount());
    }

    // Axes and bars whose heights grow with the animation's progress.
    void Draw(QPainter &painter) const;
    void DrawLegend(QPainter &painter) const;

private:
    GraphSeriesSet m_data;
    QFont m_axisFont;
};

#endif // TAVIX_CHARTS_GRAPH_OBJECT_BAR_GRAPH_2D_H
