#include "gui/widgets/graph_object/bar_graph_2d.h"

#include <QPainter>

#include <algorithm>

C2DBarGraph::C2DBarGraph(const GraphPlacement &placement)
    : C2DSeriesGraph(GraphKindBar, placement)
{
}

void C2DBarGraph::Draw(QPainter &painter) const
{
    const GraphPlacement &p = m_placement;
    const int bottom = p.top + p.height;
    painter.save();
    DrawAxes(painter);

    const int segments = m_data.SegmentCount();
    const int seriesCount = m_data.SeriesCount();
    const double max = m_data.MaxValue();
    if (segments > 0 && seriesCount > 0 && max > 0.0) {
        const double scale = std::clamp(m_animation.Progress(), 0, 100) / 100.0;
        const int groupWidth = p.width / segments;
        const int barWidth = std::max(groupWidth / (seriesCount + 1), 1);
        for (int s = 0; s < seriesCount; ++s) {
            const GraphSeries &series = m_data.Series()[s];
            for (int i = 0; i < std::min<int>(segments, int(series.values.size())); ++i) {
                const int h = TruncToInt(std::max(series.values[i], 0.0) / max * p.height * scale);
                const int x = p.left + i * groupWidth + barWidth / 2 + s * barWidth;
                painter.fillRect(QRect(x, bottom - h, barWidth, h), QColor::fromRgb(series.colour));
            }
        }
    }
    painter.restore();
}
