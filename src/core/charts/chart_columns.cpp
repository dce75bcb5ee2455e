#include "core/charts/chart_columns.h"

#include <algorithm>
#include <vector>

QList<ChartPoint> ColumnCurve(const QList<ChartPoint> &points)
{
    QList<ChartPoint> curve;
    const qsizetype n = points.size();
    for (qsizetype first = 0; first < n;) {
        qsizetype last = first;
        qsizetype lowest = first;
        qsizetype highest = first;
        while (last + 1 < n && points[last + 1].x == points[first].x) {
            ++last;
            if (points[last].y < points[lowest].y)
                lowest = last;
            if (points[last].y > points[highest].y)
                highest = last;
        }
        qsizetype kept[] = {first, lowest, highest, last};
        std::sort(std::begin(kept), std::end(kept));
        for (qsizetype i = 0; i < 4; ++i) {
            if (i == 0 || kept[i] != kept[i - 1])
                curve.append(points[kept[i]]);
        }
        first = last + 1;
    }
    return curve;
}

QList<ChartDotRun> ColumnDots(const QList<ChartPoint> &points)
{
    QList<ChartDotRun> runs;
    std::vector<int> ys;
    const qsizetype n = points.size();
    for (qsizetype first = 0; first < n;) {
        const int x = points[first].x;
        ys.clear();
        qsizetype next = first;
        for (; next < n && points[next].x == x; ++next)
            ys.push_back(points[next].y);
        std::sort(ys.begin(), ys.end());
        ChartDotRun run{x, ys.front(), ys.front()};
        for (int y : ys) {
            // Compared as 64-bit: the centres may lie anywhere in int's range.
            if (qint64(y) - run.bottom > kDotMergeDistance) {
                runs.append(run);
                run.top = y;
            }
            run.bottom = y;
        }
        runs.append(run);
        first = next;
    }
    return runs;
}
