#include "core/charts/graph_data.h"

#include <algorithm>

int GraphSeriesSet::AddSeries(const QString &name, quint32 colour)
{
    GraphSeries series;
    series.number = SeriesCount() + 1;
    series.name = name;
    series.colour = colour;
    series.values.fill(0.0, m_segments.size());
    m_series.append(series);
    return series.number;
}

int GraphSeriesSet::AddSegment(const QString &name)
{
    m_segments.append({SegmentCount() + 1, name});
    for (GraphSeries &series : m_series)
        series.values.append(0.0);
    return SegmentCount();
}

bool GraphSeriesSet::SetValue(int series, int segment, double value)
{
    if (series < 1 || series > SeriesCount() || segment < 1 || segment > SegmentCount())
        return false;
    m_series[series - 1].values[segment - 1] = value;
    return true;
}

bool GraphSeriesSet::DeleteSeries(int n)
{
    if (n < 1 || n > SeriesCount())
        return false;
    m_series.removeAt(n - 1);
    for (qsizetype i = n - 1; i < m_series.size(); ++i)
        m_series[i].number = int(i) + 1;
    return true;
}

bool GraphSeriesSet::DeleteSegment(int n)
{
    if (n < 1 || n > SegmentCount())
        return false;
    m_segments.removeAt(n - 1);
    for (qsizetype i = n - 1; i < m_segments.size(); ++i)
        m_segments[i].number = int(i) + 1;
    for (GraphSeries &series : m_series) {
        if (n - 1 < series.values.size())
            series.values.removeAt(n - 1);
    }
    return true;
}

double GraphSeriesSet::MaxValue() const
{
    double max = 0.0;
    for (const GraphSeries &series : m_series)
        for (double v : series.values)
            max = std::max(max, v);
    return max;
}

QString SliceLegendText(const GraphSlice &slice)
{
    return QString::asprintf("(%d%s)  ", slice.share, "%") + slice.name;
}
