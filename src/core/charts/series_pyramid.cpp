#include "core/charts/series_pyramid.h"

#include <algorithm>
#include <cmath>

SeriesPyramid::SeriesPyramid(QList<float> values)
    : m_values(std::move(values))
{
    const qsizetype n = m_values.size();
    m_nonFiniteBefore.resize(size_t(n) + 1);
    m_nonFiniteBefore[0] = 0;
    for (qsizetype i = 0; i < n; ++i)
        m_nonFiniteBefore[size_t(i) + 1] = m_nonFiniteBefore[size_t(i)] + (std::isfinite(m_values[i]) ? 0 : 1);

    // Level 0 from the rows, each further level from pairs of the one below.
    std::vector<qint32> mins;
    std::vector<qint32> maxs;
    for (qsizetype block = 0; block * kLeafRows < n; ++block) {
        qsizetype lo = -1;
        qsizetype hi = -1;
        const qsizetype end = std::min(n, (block + 1) * kLeafRows);
        for (qsizetype row = block * kLeafRows; row < end; ++row) {
            if (!std::isfinite(m_values[row]))
                continue;
            lo = Lower(lo, row);
            hi = Higher(hi, row);
        }
        mins.push_back(qint32(lo));
        maxs.push_back(qint32(hi));
    }
    while (!mins.empty()) {
        m_minRows.push_back(mins);
        m_maxRows.push_back(maxs);
        if (mins.size() == 1)
            break;
        std::vector<qint32> upMins;
        std::vector<qint32> upMaxs;
        for (size_t j = 0; j < mins.size(); j += 2) {
            const bool pair = j + 1 < mins.size();
            upMins.push_back(qint32(pair ? Lower(mins[j], mins[j + 1]) : mins[j]));
            upMaxs.push_back(qint32(pair ? Higher(maxs[j], maxs[j + 1]) : maxs[j]));
        }
        mins.swap(upMins);
        maxs.swap(upMaxs);
    }
}

qsizetype SeriesPyramid::Lower(qsizetype a, qsizetype b) const
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return m_values[b] < m_values[a] ? b : a;
}

qsizetype SeriesPyramid::Higher(qsizetype a, qsizetype b) const
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return m_values[b] > m_values[a] ? b : a;
}

SeriesPyramid::Extremes SeriesPyramid::Query(qsizetype from, qsizetype to) const
{
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, size());
    Extremes out;
    qsizetype row = from;
    // Single rows up to the first whole leaf block, whole blocks of the
    // largest level that fits, then the single rows after the last block.
    // Every step keeps the left side's row on a tie, so the earliest wins.
    auto addRow = [&](qsizetype r) {
        if (std::isfinite(m_values[r])) {
            out.minRow = Lower(out.minRow, r);
            out.maxRow = Higher(out.maxRow, r);
        }
    };
    while (row < to && row % kLeafRows != 0)
        addRow(row++);
    qsizetype block = row / kLeafRows;
    const qsizetype endBlock = to / kLeafRows;
    while (block < endBlock) {
        size_t level = 0;
        while (level + 1 < m_minRows.size() && block % (qsizetype(2) << level) == 0
               && block + (qsizetype(2) << level) <= endBlock)
            ++level;
        const size_t index = size_t(block >> level);
        out.minRow = Lower(out.minRow, m_minRows[level][index]);
        out.maxRow = Higher(out.maxRow, m_maxRows[level][index]);
        block += qsizetype(1) << level;
    }
    row = std::max(row, block * kLeafRows);
    while (row < to)
        addRow(row++);
    return out;
}

qsizetype SeriesPyramid::NonFiniteBefore(qsizetype row) const
{
    row = std::clamp<qsizetype>(row, 0, size());
    return m_nonFiniteBefore[size_t(row)];
}

qsizetype SeriesPyramid::FirstFinite(qsizetype from, qsizetype to) const
{
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, size());
    if (from >= to)
        return -1;
    // The finite rows before row r are r - NonFiniteBefore(r): the first
    // finite row at or after from is the first r whose count passes from's.
    const qsizetype finiteAtFrom = from - NonFiniteBefore(from);
    qsizetype lo = from;
    qsizetype hi = to;
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if ((mid + 1) - NonFiniteBefore(mid + 1) > finiteAtFrom)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo < to ? lo : -1;
}

qsizetype SeriesPyramid::LastFinite(qsizetype from, qsizetype to) const
{
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, size());
    if (from >= to)
        return -1;
    const qsizetype finiteAtTo = to - NonFiniteBefore(to);
    if (finiteAtTo == from - NonFiniteBefore(from))
        return -1;
    // The last r in [from, to) whose finite count up to it (inclusive) reaches finiteAtTo.
    qsizetype lo = from;
    qsizetype hi = to - 1;
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if ((mid + 1) - NonFiniteBefore(mid + 1) >= finiteAtTo)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}
