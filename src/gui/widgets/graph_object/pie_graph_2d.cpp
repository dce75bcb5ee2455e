#include "gui/widgets/graph_object/pie_graph_2d.h"

#include <QPainter>

#include <algorithm>

C2DPieGraph::C2DPieGraph(const GraphPlacement &placement)
    : C2DGraph(GraphKindPie, placement)
{
}

void C2DPieGraph::AddSlice(int share, quint32 colour, const QString &name)
{
    m_slices.append({share, colour, name});
}

void C2DPieGraph::Draw(QPainter &painter) const
{
    qint64 total = 0;
    for (const GraphSlice &slice : m_slices)
        total += std::max(slice.share, 0);
    if (total <= 0)
        return;
    const GraphPlacement &p = m_placement;
    const int diameter = std::min(p.width, p.height);
    const QRect circle(p.left + (p.width - diameter) / 2, p.top + (p.height - diameter) / 2,
                       diameter, diameter);
    // Angles in sixteenths of a degree, counter-clockwise from three o'clock.
    const qint64 sweepTotal = 360 * 16 * qint64(std::clamp(m_animation.Progress(), 0, 100)) / 100;
    qint64 done = 0;
    painter.save();
    painter.setPen(QColor(0, 0, 0));
    for (const GraphSlice &slice : m_slices) {
        const qint64 sweep = sweepTotal * std::max(slice.share, 0) / total;
        painter.setBrush(QColor::fromRgb(slice.colour));
        painter.drawPie(circle, int(done), int(sweep));
        done += sweep;
    }
    painter.restore();
}

void C2DPieGraph::DrawLegend(QPainter &painter) const
{
    QList<LegendEntry> entries;
    for (const GraphSlice &slice : m_slices)
        entries.append({QColor::fromRgb(slice.colour), SliceLegendText(slice)});
    C2DGraph::DrawLegend(painter, entries);
}
