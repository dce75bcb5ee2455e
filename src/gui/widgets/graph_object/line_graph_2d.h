// The line kind of graph: one polyline per series over the segments.
#ifndef TAVIX_GUI_WIDGETS_GRAPH_OBJECT_LINE_GRAPH_2D_H
#define TAVIX_GUI_WIDGETS_GRAPH_OBJECT_LINE_GRAPH_2D_H

#include "gui/widgets/graph_object/graph_2d.h"

class C2DLineGraph : public C2DSeriesGraph
{
public:
    explicit C2DLineGraph(const GraphPlacement &placement);

    // Axes, and per series a polyline through its values; while the build-up
    // runs only the segments shown so far.
    void Draw(QPainter &painter) const;
};

#endif // TAVIX_GUI_WIDGETS_GRAPH_OBJECT_LINE_GRAPH_2D_H
