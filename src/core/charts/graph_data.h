// The data of the graph kinds: series with their values and the segments
// they are measured over (bar and line graphs), and slices (pie graphs).
#ifndef TAVIX_CORE_CHARTS_GRAPH_DATA_H
#define TAVIX_CORE_CHARTS_GRAPH_DATA_H

#include <QList>
#include <QString>

// One series: numbered from 1, a name, a colour (0xRRGGBB) and one value per
// segment, value i belonging to segment i + 1.
struct GraphSeries
{
    int number = 0;
    QString name;
    quint32 colour = 0;
    QList<double> values;
};

struct GraphSegment
{
    int number = 0;
    QString name;
};

// Series and segments of a bar or line graph. Numbers always run 1 ... count:
// deleting one renumbers those after it, so "delete from the highest number
// down to 1" and "delete number n" keep meaning what they say.
class GraphSeriesSet
{
public:
    // Appends a series with a value slot (0) for every existing segment;
    // returns its number.
    int AddSeries(const QString &name, quint32 colour);
    // Appends a segment and a value slot (0) to every series; returns its number.
    int AddSegment(const QString &name);
    // Sets the value of a series at a segment; false when either number is out of range.
    bool SetValue(int series, int segment, double value);

    // Removes series n with its values; false (nothing changed) unless 1 <= n <= count.
    bool DeleteSeries(int n);
    // Removes segment n and from every series its value n; false (nothing
    // changed) unless 1 <= n <= count.
    bool DeleteSegment(int n);

    int SeriesCount() const { return int(m_series.size()); }
    int SegmentCount() const { return int(m_segments.size()); }
    const QList<GraphSeries> &Series() const { return m_series; }
    const QList<GraphSegment> &Segments() const { return m_segments; }
    // The largest value of all series, 0 when there is none or all are below 0.
    double MaxValue() const;

private:
    QList<GraphSeries> m_series;
    QList<GraphSegment> m_segments;
};

// One pie slice: an integer share (per cent), a colour (0xRRGGBB) and a name.
struct GraphSlice
{
    int share = 0;
    quint32 colour = 0;
    QString name;
};

// The legend text of a slice: "(%d%s)  %s" with its share, "%" and its name.
QString SliceLegendText(const GraphSlice &slice);

#endif // TAVIX_CORE_CHARTS_GRAPH_DATA_H
