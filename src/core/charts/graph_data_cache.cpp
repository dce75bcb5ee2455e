#include "core/charts/graph_data_cache.h"

void GraphDataCache::Clear()
{
    m_charts.clear();
    m_timelines.clear();
    m_series.clear();
}

const ChartModel *GraphDataCache::FindChart(int index, int field, const ChartRect &rect)
{
    for (qsizetype i = 0; i < m_charts.size(); ++i) {
        if (m_charts[i].index == index && m_charts[i].field == field && m_charts[i].chart.ChartRectangle() == rect) {
            m_charts.move(i, 0);
            return &m_charts.first().chart;
        }
    }
    return nullptr;
}

void GraphDataCache::StoreChart(int index, int field, const ChartModel &chart)
{
    for (qsizetype i = 0; i < m_charts.size(); ++i) {
        if (m_charts[i].index == index && m_charts[i].field == field) {
            m_charts.removeAt(i);
            break;
        }
    }
    m_charts.prepend({index, field, chart});
    while (m_charts.size() > kCharts)
        m_charts.removeLast();
}

std::shared_ptr<const LogTimeline> GraphDataCache::Timeline(int index, const LogFileRecord &rec)
{
    for (qsizetype i = 0; i < m_timelines.size(); ++i) {
        if (m_timelines[i].index == index) {
            m_timelines.move(i, 0);
            return m_timelines.first().line;
        }
    }
    auto line = std::make_shared<const LogTimeline>(BuildLogTimeline(rec));
    m_timelines.prepend({index, line});
    while (m_timelines.size() > kTimelines)
        m_timelines.removeLast();
    return line;
}

std::shared_ptr<const LogSeries> GraphDataCache::Series(int index, const LogFileRecord &rec, int field)
{
    for (qsizetype i = 0; i < m_series.size(); ++i) {
        if (m_series[i].index == index && m_series[i].field == field) {
            m_series.move(i, 0);
            return m_series.first().series;
        }
    }
    auto series = std::make_shared<const LogSeries>(BuildLogSeries(rec, field));
    m_series.prepend({index, field, series});
    while (m_series.size() > kSeries)
        m_series.removeLast();
    return series;
}
