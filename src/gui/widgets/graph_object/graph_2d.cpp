#include "gui/widgets/graph_object/graph_2d.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

QFont MakeGraphFont(const GraphFontRequest &request)
{
    QFont font(request.family);
    font.setPixelSize(std::max(request.height, 1));
    font.setWeight(request.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    if (request.width > 0) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(std::clamp(request.width * 100 / natural, 1, 4000));
    }
    return font;
}

C2DGraph::C2DGraph(GraphKind kind, const GraphPlacement &placement)
    : m_kind(kind),
      m_placement(placement),
      m_legendFontRequest(GraphLegendFont(kind, placement.height)),
      m_legendFont(MakeGraphFont(m_legendFontRequest))
{
}

C2DGraph::~C2DGraph() = default;

void C2DGraph::SetAnimation(int mode, int type, int segmentCount, int seriesCount)
{
    m_animation.Setup(m_kind, mode, type, m_placement, segmentCount, seriesCount);
    m_animation.Step();
}

void C2DGraph::DrawLegend(QPainter &painter, const QList<LegendEntry> &entries) const
{
    if (entries.isEmpty())
        return;
    const ChartRect columns = GraphLegendColumns(m_kind, m_placement);
    painter.save();
    painter.setFont(m_legendFont);
    const int rowHeight = std::max(
        QFontMetrics(m_legendFont).boundingRect(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")).height(), 1);
    const int boxHeight = rowHeight * int(entries.size());
    const int top = m_placement.top + (m_placement.height - boxHeight) / 2;
    const QRect box(columns.left, top, columns.right - columns.left, boxHeight);
    painter.setPen(QColor(0, 0, 0));
    painter.setBrush(m_crLegendBackground);
    painter.drawRect(box);
    const int swatch = std::max(rowHeight / 2, 2);
    for (int i = 0; i < entries.size(); ++i) {
        const int y = top + i * rowHeight;
        painter.fillRect(QRect(box.left() + 4, y + (rowHeight - swatch) / 2, swatch, swatch),
                         entries[i].colour);
        painter.setPen(m_crLegendText);
        painter.drawText(QRect(box.left() + 8 + swatch, y, box.width() - 10 - swatch, rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, entries[i].text);
    }
    painter.restore();
}

C2DSeriesGraph::C2DSeriesGraph(GraphKind kind, const GraphPlacement &placement)
    : C2DGraph(kind, placement), m_axisFont(MakeGraphFont(GraphAxisFont(placement.height)))
{
}

void C2DSeriesGraph::DrawLegend(QPainter &painter) const
{
    QList<LegendEntry> entries;
    for (const GraphSeries &series : m_data.Series())
        entries.append({QColor::fromRgb(series.colour), series.name});
    C2DGraph::DrawLegend(painter, entries);
}

void C2DSeriesGraph::DrawAxes(QPainter &painter) const
{
    const GraphPlacement &p = m_placement;
    const int bottom = p.top + p.height;
    painter.setPen(QColor(0, 0, 0));
    painter.drawLine(p.left, bottom, p.left + p.width, bottom);
    painter.drawLine(p.left, bottom, p.left, p.top);
}
