// The bar kind of graph: per segment a group of bars, one per series.
#ifndef TAVIX_GUI_WIDGETS_GRAPH_OBJECT_BAR_GRAPH_2D_H
#define TAVIX_GUI_WIDGETS_GRAPH_OBJECT_BAR_GRAPH_2D_H

#include "gui/widgets/graph_object/graph_2d.h"

class C2DBarGraph : public C2DSeriesGraph
{
public:
    explicit C2DBarGraph(const GraphPlacement &placement);

    // Axes and bars whose heights grow with the animation's progress.
    void Draw(QPainter &painter) const;
};

#endif // TAVIX_GUI_WIDGETS_GRAPH_OBJECT_BAR_GRAPH_2D_H
