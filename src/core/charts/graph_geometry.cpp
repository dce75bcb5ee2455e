#include "core/charts/graph_geometry.h"

namespace {

int T(double value)
{
    return TruncToInt(value);
}

} // namespace

ChartRect GraphWindowRect(const ChartRect &requested)
{
    ChartRect rc = requested;
    if (rc.right - rc.left < 200)
        rc.right = rc.left + 200;
    if (rc.bottom - rc.top < 200)
        rc.bottom = rc.top + 200;
    return rc;
}

GraphFontRequest GraphTitleFont(int w, int h)
{
    return {QStringLiteral("Arial"), T(0.2 * h), T(0.04 * w), 400};
}

GraphFontRequest GraphSubtitleFont(int w, int h)
{
    return {QStringLiteral("Arial"), T(0.07 * h), T(0.03 * w), 700};
}

GraphFontRequest GraphLegendFont(GraphKind kind, int graphHeight)
{
    return {kind == GraphKindLine ? QStringLiteral("Times New Roman") : QStringLiteral("Arial"),
            T(0.075 * graphHeight), 0, 400};
}

GraphFontRequest GraphAxisFont(int graphHeight)
{
    return {QStringLiteral("Arial"), T(0.1 * graphHeight), 0, 400};
}

GraphPlacement GraphPlacementFor(GraphKind kind, int w, int h)
{
    switch (kind) {
    case GraphKindBar:
    case GraphKindLine:
        return {T(0.05 * w), T(0.35 * h), T(0.7 * w), T(0.5 * h), w, h};
    case GraphKindPie:
        return {T(0.05 * w), T(0.35 * h), T(0.5 * w), T(0.5 * h), w, h};
    case GraphKindNone:
        break;
    }
    return {0, 0, 0, 0, w, h};
}

ChartRect GraphPaintArea(GraphKind kind, int w, int h)
{
    const double f = kind == GraphKindPie ? 0.5 : 0.6;
    return {T(0.05 * w), T(0.35 * h), T(f * w) + T(0.05 * w), T(f * h) + T(0.35 * h)};
}

ChartRect GraphTimerClearArea(int w, int h)
{
    return {T(0.05 * w), T(0.35 * h), T(0.5 * w) + T(0.05 * w), T(0.5 * h) + T(0.35 * h)};
}

ChartPoint GraphTitlePosition(int w, int h)
{
    return {T(0.05 * w), T(0.025 * h)};
}

ChartPoint GraphTitleShadowPosition(int w, int h)
{
    return {T(0.065 * w), T(0.037 * h)};
}

ChartPoint GraphSubtitlePosition(int w, int h)
{
    return {T(0.05 * w), T(0.2 * h)};
}

ChartPoint GraphSubtitleShadowPosition(int w, int h)
{
    return {T(0.06 * w), T(0.208 * h)};
}

ChartRect GraphLegendColumns(GraphKind kind, const GraphPlacement &p)
{
    const double from = kind == GraphKindPie ? 1.1 : 0.95;
    const double to = kind == GraphKindPie ? 1.75 : 1.25;
    return {p.left + T(from * p.width), p.top, p.left + T(to * p.width), p.top + p.height};
}

quint32 GraphGradientRow(int row, int h, quint32 top, quint32 bottom)
{
    if (h <= 0)
        return top;
    quint32 out = 0;
    for (int shift : {16, 8, 0}) {
        const qint64 a = (top >> shift) & 0xFF;
        const qint64 b = (bottom >> shift) & 0xFF;
        const qint64 c = a + (b - a) * row / h;
        out |= quint32(c & 0xFF) << shift;
    }
    return out;
}
