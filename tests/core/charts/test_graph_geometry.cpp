// Tests of the graph object's sizes, data and animation, worked by hand for
// the window the dialog creates (460 x 292) and for the 200 x 200 minimum.
#include "core/charts/graph_animation.h"
#include "core/charts/graph_data.h"
#include "core/charts/graph_geometry.h"

#include <QTest>

namespace {

const GraphPlacement kLinePlacement{23, 102, 322, 146, 460, 292};

QList<int> Rect(const ChartRect &rc)
{
    return {rc.left, rc.top, rc.right, rc.bottom};
}

} // namespace

class TestGraphGeometry : public QObject
{
    Q_OBJECT

private slots:
    void windowRect_data();
    void windowRect();
    void fonts();
    void placements();
    void areasAndTextPositions();
    void gradientRows();
    void linePenStart_data();
    void linePenStart();
    void animation_data();
    void animation();
    void lineAnimationHoldsThenRestarts();
    void seriesAndSegments();
    void sliceLegendText();
};

void TestGraphGeometry::windowRect_data()
{
    QTest::addColumn<QList<int>>("requested");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("dialog's rectangle unchanged") << QList<int>{388, 350, 848, 642}
                                                  << QList<int>{388, 350, 848, 642};
    QTest::newRow("150 x 120 becomes 200 x 200") << QList<int>{10, 20, 160, 140}
                                                 << QList<int>{10, 20, 210, 220};
    QTest::newRow("only the height too small") << QList<int>{0, 0, 300, 199}
                                               << QList<int>{0, 0, 300, 200};
    QTest::newRow("exactly 200 stays") << QList<int>{5, 5, 205, 205} << QList<int>{5, 5, 205, 205};
}

void TestGraphGeometry::windowRect()
{
    QFETCH(QList<int>, requested);
    QFETCH(QList<int>, expected);
    const ChartRect rc = GraphWindowRect({requested[0], requested[1], requested[2], requested[3]});
    QCOMPARE(Rect(rc), expected);
}

void TestGraphGeometry::fonts()
{
    // 0.2 * 292 = 58.4, 0.04 * 460 = 18.4; 0.07 * 292 = 20.44, 0.03 * 460 = 13.8.
    QCOMPARE(GraphTitleFont(460, 292), (GraphFontRequest{"Arial", 58, 18, 400}));
    QCOMPARE(GraphSubtitleFont(460, 292), (GraphFontRequest{"Arial", 20, 13, 700}));
    QCOMPARE(GraphTitleFont(200, 200), (GraphFontRequest{"Arial", 40, 8, 400}));
    QCOMPARE(GraphSubtitleFont(200, 200), (GraphFontRequest{"Arial", 14, 6, 700}));
    // Graph height 146: 0.075 * 146 = 10.95, 0.1 * 146 = 14.6.
    QCOMPARE(GraphLegendFont(GraphKindLine, 146), (GraphFontRequest{"Times New Roman", 10, 0, 400}));
    QCOMPARE(GraphLegendFont(GraphKindBar, 146), (GraphFontRequest{"Arial", 10, 0, 400}));
    QCOMPARE(GraphLegendFont(GraphKindPie, 100), (GraphFontRequest{"Arial", 7, 0, 400}));
    QCOMPARE(GraphAxisFont(146), (GraphFontRequest{"Arial", 14, 0, 400}));
}

void TestGraphGeometry::placements()
{
    QCOMPARE(GraphPlacementFor(GraphKindLine, 460, 292), kLinePlacement);
    QCOMPARE(GraphPlacementFor(GraphKindBar, 460, 292), kLinePlacement);
    QCOMPARE(GraphPlacementFor(GraphKindPie, 460, 292), (GraphPlacement{23, 102, 230, 146, 460, 292}));
    QCOMPARE(GraphPlacementFor(GraphKindLine, 200, 200), (GraphPlacement{10, 70, 140, 100, 200, 200}));
    QCOMPARE(GraphPlacementFor(GraphKindNone, 460, 292), (GraphPlacement{0, 0, 0, 0, 460, 292}));
}

void TestGraphGeometry::areasAndTextPositions()
{
    QCOMPARE(Rect(GraphPaintArea(GraphKindLine, 460, 292)), (QList<int>{23, 102, 299, 277}));
    QCOMPARE(Rect(GraphPaintArea(GraphKindBar, 460, 292)), (QList<int>{23, 102, 299, 277}));
    QCOMPARE(Rect(GraphPaintArea(GraphKindPie, 460, 292)), (QList<int>{23, 102, 253, 248}));
    QCOMPARE(Rect(GraphTimerClearArea(460, 292)), (QList<int>{23, 102, 253, 248}));
    QCOMPARE(GraphTitlePosition(460, 292), (ChartPoint{23, 7}));
    QCOMPARE(GraphTitleShadowPosition(460, 292), (ChartPoint{29, 10}));
    QCOMPARE(GraphSubtitlePosition(460, 292), (ChartPoint{23, 58}));
    QCOMPARE(GraphSubtitleShadowPosition(460, 292), (ChartPoint{27, 60}));
    QCOMPARE(Rect(GraphLegendColumns(GraphKindLine, kLinePlacement)), (QList<int>{328, 102, 425, 248}));
    QCOMPARE(Rect(GraphLegendColumns(GraphKindPie, GraphPlacement{23, 102, 230, 146, 460, 292})),
             (QList<int>{276, 102, 425, 248}));
}

void TestGraphGeometry::gradientRows()
{
    const quint32 top = 0x000040;
    const quint32 bottom = 0x0000D8;
    QCOMPARE(GraphGradientRow(0, 292, top, bottom), quint32(0x000040));
    QCOMPARE(GraphGradientRow(146, 292, top, bottom), quint32(0x00008C)); // 64 + 76
    QCOMPARE(GraphGradientRow(291, 292, top, bottom), quint32(0x0000D7)); // 64 + 151
    QCOMPARE(GraphGradientRow(292, 292, top, bottom), quint32(0x0000D8));
    // Every channel on its own, and downwards as well.
    QCOMPARE(GraphGradientRow(1, 2, 0xFF0010, 0x0020F0), quint32(0x801080));
}

void TestGraphGeometry::linePenStart_data()
{
    QTest::addColumn<int>("segments");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    // a = trunc(trunc(225 / (4 n)) * 0.125); x = 23 + (2a or 4a) + 48; y = 102 + 138 - 1.
    QTest::newRow("no segments") << 0 << 71 << 239;
    QTest::newRow("one segment: a = 7, 2a") << 1 << 85 << 239;
    QTest::newRow("four segments: a = 1, 4a") << 4 << 75 << 239;
    QTest::newRow("two segments: a = 3, 4a") << 2 << 83 << 239;
}

void TestGraphGeometry::linePenStart()
{
    QFETCH(int, segments);
    QFETCH(int, x);
    QFETCH(int, y);
    QCOMPARE(GraphAnimation::LinePenStart(kLinePlacement, segments), (ChartPoint{x, y}));
}

void TestGraphGeometry::animation_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("segments");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("progress");
    QTest::addColumn<bool>("holding");
    QTest::addColumn<int>("shown");

    // Steps counted from the set-up, the first one included.
    QTest::newRow("line 30 without segments holds at once")
        << int(GraphKindLine) << 1 << 30 << 0 << 1 << 0 << true << 0;
    QTest::newRow("line 30, four segments, before the end")
        << int(GraphKindLine) << 1 << 30 << 4 << 60 << 60 << false << 2;
    QTest::newRow("line 30, four segments, complete at 75")
        << int(GraphKindLine) << 1 << 30 << 4 << 76 << 75 << true << 3;
    QTest::newRow("line 31 grows by two")
        << int(GraphKindLine) << 1 << 31 << 4 << 10 << 20 << false << 0;
    QTest::newRow("line 31 complete at 76")
        << int(GraphKindLine) << 1 << 31 << 4 << 39 << 76 << true << 3;
    QTest::newRow("line, one segment, complete at once")
        << int(GraphKindLine) << 1 << 30 << 1 << 1 << 0 << true << 0;
    QTest::newRow("bar 20 by one") << int(GraphKindBar) << 1 << 20 << 3 << 7 << 7 << false << 0;
    QTest::newRow("bar 26 stops at 100") << int(GraphKindBar) << 1 << 26 << 3 << 12 << 100 << false << 0;
    QTest::newRow("pie 11 by two") << int(GraphKindPie) << 1 << 11 << 0 << 5 << 10 << false << 0;
    QTest::newRow("mode 0: no animation") << int(GraphKindLine) << 0 << 30 << 4 << 5 << 100 << false << 0;
    QTest::newRow("type of another kind: no animation")
        << int(GraphKindLine) << 1 << 20 << 4 << 5 << 100 << false << 0;
}

void TestGraphGeometry::animation()
{
    QFETCH(int, kind);
    QFETCH(int, mode);
    QFETCH(int, type);
    QFETCH(int, segments);
    QFETCH(int, steps);
    QFETCH(int, progress);
    QFETCH(bool, holding);
    QFETCH(int, shown);
    GraphAnimation a;
    a.Setup(GraphKind(kind), mode, type, kLinePlacement, segments, 2);
    for (int i = 0; i < steps; ++i)
        a.Step();
    QCOMPARE(a.Progress(), progress);
    QCOMPARE(a.Holding(), holding);
    QCOMPARE(a.SegmentsShown(), shown);
}

void TestGraphGeometry::lineAnimationHoldsThenRestarts()
{
    GraphAnimation a;
    a.Setup(GraphKindLine, 1, 30, kLinePlacement, 0, 3);
    QCOMPARE(a.TicksPerSegment(), 0);
    QCOMPARE(a.PenPositions(), (QList<ChartPoint>(3, ChartPoint{71, 239})));
    for (int i = 1; i <= 21; ++i) {
        a.Step();
        QCOMPARE(a.HoldCounter(), i);
        QVERIFY(a.Holding());
    }
    a.Step(); // the 22nd step restarts
    QCOMPARE(a.HoldCounter(), 0);
    QVERIFY(!a.Holding());
    QCOMPARE(a.Progress(), 0);
    a.Step();
    QCOMPARE(a.HoldCounter(), 1);
}

void TestGraphGeometry::seriesAndSegments()
{
    GraphSeriesSet set;
    QCOMPARE(set.AddSegment("Mon"), 1);
    QCOMPARE(set.AddSeries("Vel", 0xFF0000), 1);
    QCOMPARE(set.AddSeries("Temp", 0x00FF00), 2);
    QCOMPARE(set.AddSegment("Tue"), 2);
    QCOMPARE(set.AddSeries("DR", 0x0000FF), 3);
    QVERIFY(set.SetValue(1, 2, 4.5));
    QVERIFY(set.SetValue(3, 1, 7.0));
    QVERIFY(!set.SetValue(4, 1, 1.0));
    QVERIFY(!set.SetValue(1, 3, 1.0));
    QCOMPARE(set.Series()[0].values, (QList<double>{0.0, 4.5}));
    QCOMPARE(set.Series()[2].values, (QList<double>{7.0, 0.0}));
    QCOMPARE(set.MaxValue(), 7.0);

    QVERIFY(!set.DeleteSeries(0));
    QVERIFY(!set.DeleteSeries(4));
    QCOMPARE(set.SeriesCount(), 3);
    QVERIFY(set.DeleteSeries(2));
    QCOMPARE(set.SeriesCount(), 2);
    QCOMPARE(set.Series()[1].name, QStringLiteral("DR"));
    QCOMPARE(set.Series()[1].number, 2);
    QVERIFY(set.DeleteSeries(2)); // the renumbered last one is still reachable

    QVERIFY(!set.DeleteSegment(0));
    QVERIFY(!set.DeleteSegment(3));
    QVERIFY(set.DeleteSegment(1));
    QCOMPARE(set.SegmentCount(), 1);
    QCOMPARE(set.Segments()[0].name, QStringLiteral("Tue"));
    QCOMPARE(set.Segments()[0].number, 1);
    QCOMPARE(set.Series()[0].values, (QList<double>{4.5}));
}

void TestGraphGeometry::sliceLegendText()
{
    QCOMPARE(SliceLegendText({35, 0, "Wind"}), QStringLiteral("(35%)  Wind"));
    QCOMPARE(SliceLegendText({-2, 0, ""}), QStringLiteral("(-2%)  "));
}

QTEST_GUILESS_MAIN(TestGraphGeometry)
#include "test_graph_geometry.moc"
