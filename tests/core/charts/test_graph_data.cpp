// The graph window's data: the visible span's column summary from the
// pyramid against the same summary worked out by walking every row, the
// ticks of the time and value axes, snapping to the nearest row, the time
// axis of a log file, and zoom and pan staying inside the file.
#include "core/charts/axis_ticks.h"
#include "core/charts/log_series.h"
#include "core/charts/span_summary.h"
#include "core/charts/time_span_view.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

// The summary by walking every row of the span: per column the first,
// lowest, highest and last finite row (the earliest of equal values), and
// whether the curve comes in from the finite row before without a
// non-finite row between.
SpanSummary WalkedSummary(const LogTimeline &line, const QList<float> &values, double t0, double t1, int width)
{
    SpanSummary out;
    qsizetype previous = -1;
    bool gapSincePrevious = false;
    auto see = [&](qsizetype row) {
        if (!std::isfinite(values[row]))
            gapSincePrevious = true;
        else {
            previous = row;
            gapSincePrevious = false;
        }
    };
    qsizetype row = 0;
    for (; row < values.size() && line.times[row] < t0; ++row)
        see(row);
    out.before = previous;
    for (; row < values.size() && line.times[row] <= t1; ++row) {
        const int column = SpanColumnOf(line.times[row], t0, t1, width);
        if (!std::isfinite(values[row])) {
            see(row);
            continue;
        }
        if (out.columns.isEmpty() || out.columns.last().column != column) {
            SpanColumn c;
            c.column = column;
            c.first = c.lowest = c.highest = row;
            c.joinsPrevious = previous >= 0 && !gapSincePrevious;
            out.columns.append(c);
        }
        SpanColumn &c = out.columns.last();
        if (values[row] < values[c.lowest])
            c.lowest = row;
        if (values[row] > values[c.highest])
            c.highest = row;
        c.last = row;
        see(row);
    }
    for (; row < values.size(); ++row) {
        if (std::isfinite(values[row])) {
            out.after = row;
            out.afterJoins = previous >= 0 && !gapSincePrevious;
            break;
        }
        see(row);
    }
    return out;
}

} // namespace

class TestGraphData : public QObject
{
    Q_OBJECT

private slots:
    void spanSummaryMatchesWalkingEveryRow();
    void timeTicks_data();
    void timeTicks();
    void timeTicksAcrossMidnight();
    void valueTicks();
    void nearestRow();
    void timelineOfALogFile();
    void zoomAndPanStayInsideTheFile();
};

void TestGraphData::spanSummaryMatchesWalkingEveryRow()
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 300; ++round) {
        // Rows at random steps (repeated times included), values from a few
        // levels (so ties happen) with the odd infinity or NaN.
        const int rows = int(random.bounded(1, round < 200 ? 400 : 20000));
        LogTimeline line;
        QList<float> values;
        double t = random.bounded(100000);
        for (int i = 0; i < rows; ++i) {
            t += random.bounded(4);
            line.times.append(t);
            const int kind = int(random.bounded(100));
            values.append(kind < 3   ? std::numeric_limits<float>::infinity()
                          : kind < 5 ? std::nanf("")
                                     : float(random.bounded(round % 2 ? 7 : 100000)) / 8.0f);
        }
        const SeriesPyramid pyramid(values);
        const int width = round % 10 == 0 ? 1 : int(random.bounded(1, 4001));
        // A span anywhere: inside the rows, past their ends, or narrower than a row.
        const double a = line.times.first() - 5 + random.bounded(line.times.last() - line.times.first() + 10.0);
        const double b = a + 0.5 + random.bounded(line.times.last() - line.times.first() + 10.0);
        const SpanSummary got = SummariseSpan(line, pyramid, a, b, width);
        const SpanSummary want = WalkedSummary(line, values, a, b, width);
        const QByteArray where = QStringLiteral("round %1: %2 rows, width %3, span %4 .. %5")
                                     .arg(round).arg(rows).arg(width).arg(a).arg(b).toUtf8();
        QVERIFY2(got.columns == want.columns, where.constData());
        QVERIFY2(got.before == want.before && got.after == want.after && got.afterJoins == want.afterJoins,
                 where.constData());
        // The extremes of the span's finite values.
        qsizetype lo = -1;
        qsizetype hi = -1;
        for (const SpanColumn &c : want.columns) {
            if (lo < 0 || values[c.lowest] < values[lo])
                lo = c.lowest;
            if (hi < 0 || values[c.highest] > values[hi])
                hi = c.highest;
        }
        QVERIFY2(got.extremes.minRow == lo && got.extremes.maxRow == hi, where.constData());
    }
}

void TestGraphData::timeTicks_data()
{
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("step");
    // 1,000 pixels, labels at least 100 apart: the least step of at least a tenth of the span.
    QTest::newRow("one second") << 1.0 << 1.0;
    QTest::newRow("ten seconds") << 10.0 << 1.0;
    QTest::newRow("a minute") << 60.0 << 10.0;
    QTest::newRow("ten minutes") << 600.0 << 60.0;
    QTest::newRow("an hour") << 3600.0 << 600.0;
    QTest::newRow("a day") << 86400.0 << 10800.0;
    QTest::newRow("a week") << 7 * 86400.0 << 86400.0;
    QTest::newRow("a month") << 30 * 86400.0 << 7 * 86400.0;
    QTest::newRow("a year") << 365 * 86400.0 << 90 * 86400.0;
}

void TestGraphData::timeTicks()
{
    QFETCH(double, span);
    QFETCH(double, step);
    const double t0 = 3 * 86400.0 + 12 * 3600 + 17; // 2000-01-04 12:00:17
    const QList<AxisTick> ticks = TimeTicks(t0, t0 + span, 1000, 100);
    QVERIFY(!ticks.isEmpty());
    QVERIFY(ticks.size() <= 11);
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        QVERIFY(ticks[i].at >= t0 && ticks[i].at <= t0 + span);
        QCOMPARE(std::fmod(ticks[i].at, step), 0.0);
        if (i > 0)
            QCOMPARE(ticks[i].at - ticks[i - 1].at, step);
    }
    if (step < 86400) {
        // A time of day, with the date under it where the span crosses midnight.
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d(\\n\\d\\d-\\d\\d-\\d\\d)?$").match(ticks.first().label).hasMatch());
    } else {
        QVERIFY(QRegularExpression("^\\d\\d-\\d\\d-\\d\\d$").match(ticks.first().label).hasMatch());
    }
}

void TestGraphData::timeTicksAcrossMidnight()
{
    // 23:00 to 01:00 on 2008-01-02/03, 400 pixels, 100 apart: half-hourly.
    const double day = QDate(2000, 1, 1).daysTo(QDate(2008, 1, 2)) * 86400.0;
    const QList<AxisTick> ticks = TimeTicks(day + 23 * 3600, day + 25 * 3600, 400, 100);
    QStringList labels;
    for (const AxisTick &t : ticks)
        labels << t.label;
    QCOMPARE(labels, (QStringList{"23:00:00\n08-01-02", "23:30:00", "00:00:00\n08-01-03", "00:30:00", "01:00:00"}));
    // Within one day no date is added; rows are numbered from 1.
    QCOMPARE(TimeTicks(day + 3600, day + 3660, 600, 100).first().label, QStringLiteral("01:00:00"));
    QCOMPARE(TimeTicks(0, 99, 1000, 100, true).first().label, QStringLiteral("1"));
    QCOMPARE(TimeTicks(0, 99, 1000, 100, true).last().label, QStringLiteral("91"));
}

void TestGraphData::valueTicks()
{
    auto labels = [](const QList<AxisTick> &ticks) {
        QStringList out;
        for (const AxisTick &t : ticks)
            out << t.label;
        return out;
    };
    // 0.13 .. 0.58 over 200 pixels, 40 apart: steps of 0.1.
    QCOMPARE(labels(ValueTicks(0.13, 0.58, 200, 40)), (QStringList{"0.2", "0.3", "0.4", "0.5"}));
    QCOMPARE(labels(ValueTicks(-3, 12, 100, 30)), (QStringList{"0", "5", "10"}));
    QCOMPARE(labels(ValueTicks(1010, 1016, 300, 40)), (QStringList{"1010", "1011", "1012", "1013", "1014", "1015", "1016"}));
    QCOMPARE(labels(ValueTicks(-0.25, 0.25, 100, 25)), (QStringList{"-0.2", "0.0", "0.2"}));
    QCOMPARE(labels(ValueTicks(-0.25, 0.25, 100, 10)), (QStringList{"-0.25", "-0.20", "-0.15", "-0.10", "-0.05", "0.00",
                                                                  "0.05", "0.10", "0.15", "0.20", "0.25"}));
    QCOMPARE(labels(ValueTicks(2.5, 2.5, 100, 25)), (QStringList{"2.5"}));
    QVERIFY(ValueTicks(0, std::numeric_limits<double>::infinity(), 100, 25).isEmpty());
}

void TestGraphData::nearestRow()
{
    LogTimeline line;
    line.times = {10, 20, 20, 20, 40};
    QCOMPARE(line.NearestRow(0), qsizetype(0));
    QCOMPARE(line.NearestRow(14.9), qsizetype(0));
    // Halfway: the earlier row; several rows at one time: the first of them.
    QCOMPARE(line.NearestRow(15), qsizetype(0));
    QCOMPARE(line.NearestRow(15.1), qsizetype(1));
    QCOMPARE(line.NearestRow(29), qsizetype(1));
    QCOMPARE(line.NearestRow(31), qsizetype(4));
    QCOMPARE(line.NearestRow(1000), qsizetype(4));
    QCOMPARE(LogTimeline().NearestRow(3), qsizetype(-1));
}

void TestGraphData::timelineOfALogFile()
{
    LogFileRecord rec;
    rec.kind = LogKindLogp;
    rec.columnHeaders = QStringList{"DATE", "", "TIME", "", "Ba", "B-hPa", "AV", "m/s"};
    rec.rows = QList<QStringList>{{"08-01-02", "23:59:50", "1013", "0.25"},
                                  {"08-01-02", "23:59:59", "1013", "1e39"},
                                  {"08-01-03", "00:00:09", "1012", "0,27"}};
    const LogTimeline line = BuildLogTimeline(rec);
    const double day = QDate(2000, 1, 1).daysTo(QDate(2008, 1, 2)) * 86400.0;
    QCOMPARE(line.times, (QList<double>{day + 86390, day + 86399, day + 86409}));
    QVERIFY(!line.byRow);
    const LogSeries velocity = BuildLogSeries(rec, 3);
    QCOMPARE(velocity.name, QStringLiteral("AV"));
    QCOMPARE(velocity.unit, QStringLiteral("m/s"));
    QCOMPARE(velocity.values.Values()[2], 0.27f);
    QVERIFY(std::isinf(velocity.values.Values()[1]));
    QCOMPARE(velocity.values.NonFiniteBefore(3), qsizetype(1));
    QCOMPARE(GraphVariables(rec).size(), 2);

    // Times that run back (a clock set back) or a row without a time count rows.
    rec.rows = QList<QStringList>{{"08-01-02", "12:00:00", "1"}, {"08-01-02", "11:00:00", "2"}, {"08-01-02", "13:00:00", "3"}};
    QCOMPARE(BuildLogTimeline(rec).times, (QList<double>{0, 1, 2}));
    QVERIFY(BuildLogTimeline(rec).byRow);
    rec.rows = QList<QStringList>{{"08-01-02", "12:00:00", "1"}, {"08-01-02", "nonsense", "2"}};
    QVERIFY(BuildLogTimeline(rec).byRow);
    // No date at all: midnight counts a day on.
    rec.rows = QList<QStringList>{{"", "23:59:59", "1"}, {"", "00:00:01", "2"}};
    QCOMPARE(BuildLogTimeline(rec).times, (QList<double>{86399, 86401}));
}

void TestGraphData::zoomAndPanStayInsideTheFile()
{
    TimeSpanView view;
    view.SetLimits(100, 1100, 4);
    QCOMPARE(view.From(), 100.0);
    QCOMPARE(view.To(), 1100.0);
    // Zooming in by half about 300 keeps 300 where it was on the screen (a fifth in).
    view.ZoomAbout(300, 0.5);
    QCOMPARE(view.From(), 200.0);
    QCOMPARE(view.To(), 700.0);
    view.PanBy(1000);
    QCOMPARE(view.From(), 600.0);
    QCOMPARE(view.To(), 1100.0);
    view.PanBy(-5000);
    QCOMPARE(view.From(), 100.0);
    // Never narrower than the least span, never wider than the file.
    view.ZoomAbout(150, 1e-9);
    QCOMPARE(view.Span(), 4.0);
    view.ZoomTo(900, 880);
    QCOMPARE(view.From(), 880.0);
    QCOMPARE(view.To(), 900.0);
    view.ZoomAbout(890, 1e9);
    QVERIFY(view.ShowsAll());
    // A file of one row: the least span around it.
    view.SetLimits(50, 50, 4);
    QCOMPARE(view.From(), 48.0);
    QCOMPARE(view.To(), 52.0);
}

QTEST_GUILESS_MAIN(TestGraphData)
#include "test_graph_data.moc"
