// The values of one variable of one log file with what a graph needs to
// draw any span of them without walking its rows: a pyramid of the rows of
// least and greatest value per block of rows (each level's blocks twice as
// long as the level's below), and the count of non-finite values before
// every row. The extremes of any row range then cost a few dozen steps,
// whatever its length, so a frame of a million rows costs the width of the
// graph, not the number of rows.
#ifndef TAVIX_CORE_CHARTS_SERIES_PYRAMID_H
#define TAVIX_CORE_CHARTS_SERIES_PYRAMID_H

#include <QList>

#include <vector>

class SeriesPyramid
{
public:
    SeriesPyramid() = default;
    explicit SeriesPyramid(QList<float> values);

    qsizetype size() const { return m_values.size(); }
    const QList<float> &Values() const { return m_values; }

    // The rows of the least and of the greatest finite value in [from, to),
    // the earliest of equal ones; -1 for both when the range holds no finite
    // value. The range is clamped to the rows.
    struct Extremes
    {
        qsizetype minRow = -1;
        qsizetype maxRow = -1;
    };
    Extremes Query(qsizetype from, qsizetype to) const;

    // Non-finite values (infinite or not a number) in rows [0, row).
    qsizetype NonFiniteBefore(qsizetype row) const;
    // The first and the last row with a finite value in [from, to); -1 when none.
    qsizetype FirstFinite(qsizetype from, qsizetype to) const;
    qsizetype LastFinite(qsizetype from, qsizetype to) const;

    // Rows per block of the lowest level.
    static constexpr qsizetype kLeafRows = 32;

private:
    // Keeps the better of two candidate rows (-1: none); a tie keeps a.
    qsizetype Lower(qsizetype a, qsizetype b) const;
    qsizetype Higher(qsizetype a, qsizetype b) const;

    QList<float> m_values;
    // Level k, block j: rows [j * kLeafRows << k, (j + 1) * kLeafRows << k).
    std::vector<std::vector<qint32>> m_minRows;
    std::vector<std::vector<qint32>> m_maxRows;
    std::vector<qint32> m_nonFiniteBefore; // size() + 1 entries
};

#endif
