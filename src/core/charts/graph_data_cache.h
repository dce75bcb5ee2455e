// What the graphs computed from the sorted-file table, kept for the files
// and variables drawn last, so that switching back to a variable or
// browsing back to a file reuses it instead of reading every row again:
// the main window's chart model, and the graph window's time axes and
// series. Entries are keyed by table index (and field); the owner clears
// the cache whenever the table changes. The least recently used entries go
// first.
#ifndef TAVIX_CORE_CHARTS_GRAPH_DATA_CACHE_H
#define TAVIX_CORE_CHARTS_GRAPH_DATA_CACHE_H

#include "core/charts/chart_model.h"
#include "core/charts/log_series.h"

#include <QList>

#include <memory>

class GraphDataCache
{
public:
    // How many entries of each kind are kept.
    static constexpr int kCharts = 3;
    static constexpr int kTimelines = 4;
    static constexpr int kSeries = 12;

    // Forgets everything (the table was rebuilt).
    void Clear();

    // The chart model of entry index and field laid out for size, when kept.
    const ChartModel *FindChart(int index, int field, const ChartRect &rect);
    void StoreChart(int index, int field, const ChartModel &chart);

    // The time axis and a variable of entry index of the table, computed
    // from rec when not kept.
    std::shared_ptr<const LogTimeline> Timeline(int index, const LogFileRecord &rec);
    std::shared_ptr<const LogSeries> Series(int index, const LogFileRecord &rec, int field);

private:
    struct ChartEntry
    {
        int index;
        int field;
        ChartModel chart;
    };
    struct TimelineEntry
    {
        int index;
        std::shared_ptr<const LogTimeline> line;
    };
    struct SeriesEntry
    {
        int index;
        int field;
        std::shared_ptr<const LogSeries> series;
    };
    QList<ChartEntry> m_charts;       // most recent first
    QList<TimelineEntry> m_timelines; // most recent first
    QList<SeriesEntry> m_series;      // most recent first
};

#endif
