#include "gui/widgets/graph_object/line_graph_2d.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>

C2DLineGraph::C2DLineGraph(const GraphPlacement &placement)
    : C2DSeriesGraph(GraphKindLine, placement)
{
}

void C2DLineGraph::Draw(QPainter &painter) const
{
    const GraphPlacement &p = m_placement;
    const int bottom = p.top + p.height;
    painter.save();
    DrawAxes(painter);

    const int segments = m_data.SegmentCount();
    const double max = m_data.MaxValue();
    if (segments > 0 && max > 0.0) {
        const bool building = m_animation.Progress() < 100 && m_animation.Mode() == 1;
        const int shown = building ? std::max(m_animation.SegmentsShown(), 1) : segments;
        for (const GraphSeries &series : m_data.Series()) {
            QPolygon line;
            for (int i = 0; i < std::min<int>(shown, int(series.values.size())); ++i) {
                const int x = p.left + (2 * i + 1) * p.width / (2 * segments);
                const int y = bottom - TruncToInt(std::max(series.values[i], 0.0) / max * p.height);
                line.append(QPoint(x, y));
            }
            painter.setPen(QPen(QColor::fromRgb(series.colour), 2));
            painter.drawPolyline(line);
        }
    }
    painter.restore();
}
