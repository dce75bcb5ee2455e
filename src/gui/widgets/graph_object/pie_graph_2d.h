// The pie kind of graph: slices in proportion to their shares.
#ifndef TAVIX_GUI_WIDGETS_GRAPH_OBJECT_PIE_GRAPH_2D_H
#define TAVIX_GUI_WIDGETS_GRAPH_OBJECT_PIE_GRAPH_2D_H

#include "core/charts/graph_data.h"
#include "gui/widgets/graph_object/graph_2d.h"

class C2DPieGraph : public C2DGraph
{
public:
    explicit C2DPieGraph(const GraphPlacement &placement);

    void AddSlice(int share, quint32 colour, const QString &name);
    const QList<GraphSlice> &Slices() const { return m_slices; }
    int SliceCount() const { return int(m_slices.size()); }

    void SetAnimation(int mode, int type) { C2DGraph::SetAnimation(mode, type, 0, 0); }

    // The slices as sectors of a circle, swept as far as the animation's progress.
    void Draw(QPainter &painter) const;
    // Legend rows "(share%)  name".
    void DrawLegend(QPainter &painter) const;

private:
    QList<GraphSlice> m_slices;
};

#endif // TAVIX_GUI_WIDGETS_GRAPH_OBJECT_PIE_GRAPH_2D_H
