// The bar kind of graph: per segment a group of bars, one per series.
#ifndef TAVIX_CHARTS_GRAPH_OBJECT_BAR_GRAPH_2D_H
#define TAVIX_CHARTS_GRAPH_OBJECT_BAR_GRAPH_2D_H

#include "charts/graph_object/graph_2d.h"

class C2DBarGraph : public C2DSeriesGraph
{
public:
    explicit C2DBarGraph(const GraphPlacement &placement);

    // Axes and bars whose heights grow with the animation's progress.
    void Draw(QPainter &painter) const;
};

#endif // TAVIX_CHARTS_GRAPH_OBJECT_BAR_GRAPH_2D_H
