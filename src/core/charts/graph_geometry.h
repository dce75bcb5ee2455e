// Sizes and positions of the graph object window: its minimum size, fonts,
// the placement of its graph, the areas it fills and where its texts go.
// All of it follows from the window size W x H (and the graph placement) by
// truncating products, so it is computed here, away from any painting.
#ifndef TAVIX_CORE_CHARTS_GRAPH_GEOMETRY_H
#define TAVIX_CORE_CHARTS_GRAPH_GEOMETRY_H

#include "core/charts/chart_layout.h"

#include <QString>

enum GraphKind : int {
    GraphKindNone = -1,
    GraphKindBar = 0,
    GraphKindPie = 1,
    GraphKindLine = 2,
};

enum GraphBackgroundStyle : int {
    BackgroundPlain = 10,     // plain fill; texts drawn after an erase only
    BackgroundGradient = 11,  // gradient; texts drawn on every paint
};

// A font as the graph object asks for it: cell height and average
// character width in pixels, weight 400 (normal) or 700 (bold).
struct GraphFontRequest
{
    QString family;
    int height = 0;
    int width = 0;
    int weight = 400;
    friend bool operator==(const GraphFontRequest &, const GraphFontRequest &) = default;
};

// Where a graph lies inside the window, and the window size it was given.
struct GraphPlacement
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int windowWidth = 0;
    int windowHeight = 0;
    friend bool operator==(const GraphPlacement &, const GraphPlacement &) = default;
};

// The creation rectangle widened to 200 pixels (right = left + 200) and
// raised to 200 pixels (bottom = top + 200) where it is smaller.
ChartRect GraphWindowRect(const ChartRect &requested);

// Arial, height trunc(0.2 H), width trunc(0.04 W), weight 400.
GraphFontRequest GraphTitleFont(int w, int h);
// Arial, height trunc(0.07 H), width trunc(0.03 W), weight 700.
GraphFontRequest GraphSubtitleFont(int w, int h);
// Legend font of a graph: height trunc(0.075 graph height), weight 400;
// Times New Roman for the line kind, Arial otherwise.
GraphFontRequest GraphLegendFont(GraphKind kind, int graphHeight);
// The second font of the bar and line kinds: Arial, height trunc(0.1 graph height).
GraphFontRequest GraphAxisFont(int graphHeight);

// Placement of the graph of a kind: (0.05 W, 0.35 H, 0.7 W, 0.5 H) for bar
// and line, (0.05 W, 0.35 H, 0.5 W, 0.5 H) for pie, each truncated. Another
// kind gets an empty placement.
GraphPlacement GraphPlacementFor(GraphKind kind, int w, int h);

// The area a paint fills before the graph draws itself:
// (0.05 W, 0.35 H, f W + 0.05 W, f H + 0.35 H), each term truncated, with
// f = 0.5 for pie and 0.6 for the other kinds.
ChartRect GraphPaintArea(GraphKind kind, int w, int h);
// The area a finished animation tick clears: the paint area with f = 0.5.
ChartRect GraphTimerClearArea(int w, int h);

ChartPoint GraphTitlePosition(int w, int h);          // (0.05 W, 0.025 H)
ChartPoint GraphTitleShadowPosition(int w, int h);    // (0.065 W, 0.037 H)
ChartPoint GraphSubtitlePosition(int w, int h);       // (0.05 W, 0.2 H)
ChartPoint GraphSubtitleShadowPosition(int w, int h); // (0.06 W, 0.208 H)

// Left and right edge of the legend box right of the graph: from 0.95 to
// 1.25 graph widths for bar and line, from 1.1 to 1.75 for pie.
ChartRect GraphLegendColumns(GraphKind kind, const GraphPlacement &placement);

// One row of the vertical two-colour gradient from top colour (row 0) to
// bottom colour (row H): each channel interpolated linearly and truncated.
// Colours are 0xRRGGBB.
quint32 GraphGradientRow(int row, int h, quint32 top, quint32 bottom);

#endif // TAVIX_CORE_CHARTS_GRAPH_GEOMETRY_H
