// The build-up animation of a graph: its progress from 0 to 100, advanced one
// step per timer tick.
#ifndef TAVIX_CORE_CHARTS_GRAPH_ANIMATION_H
#define TAVIX_CORE_CHARTS_GRAPH_ANIMATION_H

#include "core/charts/chart_layout.h"
#include "core/charts/graph_geometry.h"

#include <QList>

// Animation types per kind: bar 20, 21, 22, 25, 26; pie 10, 11; line 30, 31.
//
// Line types (30 grows by 1 per step, 31 by 2): ticks per segment =
// trunc(100 / segment count); a step first shows one more segment when the
// progress has reached the next segment's ticks, then, once the progress has
// reached ticks per segment * (segment count - 1), holds for 21 steps (the
// hold counter counts up to 21) and after that restarts from progress 0 with
// the pen positions reset (that step adds no progress). A line graph with no
// segments has 0 ticks per segment, so its build-up is complete at once and
// it holds from the first step.
//
// Bar and pie types (left open by the system, which uses line type 30 only):
// the progress grows by a fixed amount per step (bar 20: 1, 21: 2, 22: 4,
// 25: 5, 26: 10; pie 10: 1, 11: 2) up to 100 and stays there.
//
// Mode other than 1, or a type the kind does not know: no animation, the
// progress is 100 from the set-up on and steps change nothing.
class GraphAnimation
{
public:
    // Set-up for a graph of kind with the given placement, segment and series count.
    void Setup(GraphKind kind, int mode, int type, const GraphPlacement &placement,
               int segmentCount, int seriesCount);
    void Step();

    int Mode() const { return m_nMode; }
    int Type() const { return m_nType; }
    int Progress() const { return m_nProgress; }
    bool Holding() const { return m_bHolding; }
    int HoldCounter() const { return m_nHoldCounter; }
    int SegmentsShown() const { return m_nSegmentsShown; }
    int TicksPerSegment() const { return m_nTicksPerSegment; }
    // Current pen position of each series of a line graph.
    const QList<ChartPoint> &PenPositions() const { return m_penPositions; }

    // Where a line graph's pens start: x = left + (2 a if fewer than 2
    // segments, else 4 a) + trunc(0.15 width), y = top + trunc(0.95 height)
    // - trunc(0.01 height), with a = trunc(trunc(trunc(0.7 width) /
    // (4 segments)) * 0.125), and a = 0 without segments.
    static ChartPoint LinePenStart(const GraphPlacement &placement, int segmentCount);

private:
    void Restart();
    bool IsLineType() const { return m_kind == GraphKindLine && (m_nType == 30 || m_nType == 31); }

    GraphKind m_kind = GraphKindNone;
    GraphPlacement m_placement;
    int m_nSegmentCount = 0;
    int m_nSeriesCount = 0;
    int m_nMode = 0;
    int m_nType = 0;
    int m_nProgress = 100;
    int m_nIncrement = 0;        // progress added per step; 0: no animation
    bool m_bHolding = false;
    int m_nHoldCounter = 0;
    int m_nSegmentsShown = 0;
    int m_nTicksPerSegment = 0;
    QList<ChartPoint> m_penPositions;
};

#endif // TAVIX_CORE_CHARTS_GRAPH_ANIMATION_H
