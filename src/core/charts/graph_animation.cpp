#include "core/charts/graph_animation.h"

#include <algorithm>

namespace {

// Progress added per step by each known type of a kind; 0 for an unknown type.
int IncrementFor(GraphKind kind, int type)
{
    switch (kind) {
    case GraphKindBar:
        switch (type) {
        case 20: return 1;
        case 21: return 2;
        case 22: return 4;
        case 25: return 5;
        case 26: return 10;
        default: return 0;
        }
    case GraphKindPie:
        return type == 10 ? 1 : type == 11 ? 2 : 0;
    case GraphKindLine:
        return type == 30 ? 1 : type == 31 ? 2 : 0;
    case GraphKindNone:
        break;
    }
    return 0;
}

} // namespace

ChartPoint GraphAnimation::LinePenStart(const GraphPlacement &p, int segmentCount)
{
    const int a = segmentCount > 0
                      ? TruncToInt(double(TruncToInt(0.7 * p.width) / (4 * segmentCount)) * 0.125)
                      : 0;
    return {p.left + (segmentCount < 2 ? 2 * a : 4 * a) + TruncToInt(0.15 * p.width),
            p.top + TruncToInt(0.95 * p.height) - TruncToInt(0.01 * p.height)};
}

void GraphAnimation::Setup(GraphKind kind, int mode, int type, const GraphPlacement &placement,
                           int segmentCount, int seriesCount)
{
    m_kind = kind;
    m_placement = placement;
    m_nSegmentCount = std::max(segmentCount, 0);
    m_nSeriesCount = std::max(seriesCount, 0);
    m_nMode = mode;
    m_nType = type;
    m_nIncrement = mode == 1 ? IncrementFor(kind, type) : 0;
    Restart();
}

void GraphAnimation::Restart()
{
    m_bHolding = false;
    m_nHoldCounter = 0;
    m_nSegmentsShown = 0;
    m_nTicksPerSegment = m_nSegmentCount > 0 ? 100 / m_nSegmentCount : 0;
    m_nProgress = m_nIncrement > 0 ? 0 : 100;
    m_penPositions.fill(LinePenStart(m_placement, m_nSegmentCount), m_nSeriesCount);
}

void GraphAnimation::Step()
{
    if (m_nIncrement == 0)
        return;
    if (!IsLineType()) {
        m_nProgress = std::min(m_nProgress + m_nIncrement, 100);
        return;
    }
    if (m_nProgress >= (m_nSegmentsShown + 1) * m_nTicksPerSegment)
        m_nSegmentsShown = std::min(m_nSegmentsShown + 1, m_nSegmentCount);
    if (m_nProgress >= m_nTicksPerSegment * (m_nSegmentCount - 1)) {
        if (m_nHoldCounter <= 20) {
            ++m_nHoldCounter;
            m_bHolding = true;
        } else {
            Restart();
            return;
        }
    }
    if (!m_bHolding)
        m_nProgress += m_nIncrement;
}
