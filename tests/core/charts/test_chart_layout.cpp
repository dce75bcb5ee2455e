// Tests of the chart geometry against hand-worked numbers for the chart as
// the dialog creates it: rectangle (0, 0, 460, 292), so base = 277 and the
// y-label pitch is 64.
#include "core/charts/chart_layout.h"
#include "core/charts/chart_model.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

const ChartRect kChart{0, 0, 460, 292};

QList<ChartSample> Samples(const QList<float> &values)
{
    QList<ChartSample> samples;
    for (qsizetype i = 0; i < values.size(); ++i)
        samples.append({QStringLiteral("t%1").arg(i), values[i]});
    return samples;
}

// Rectangles flattened four numbers each: left, top, right, bottom.
QList<int> Flatten(const QList<ChartLabel> &labels)
{
    QList<int> out;
    for (const ChartLabel &l : labels)
        out << l.rc.left << l.rc.top << l.rc.right << l.rc.bottom;
    return out;
}

QStringList Texts(const QList<ChartLabel> &labels)
{
    QStringList out;
    for (const ChartLabel &l : labels)
        out << l.text;
    return out;
}

QList<int> Xs(const QList<ChartPoint> &points)
{
    QList<int> out;
    for (const ChartPoint &p : points)
        out << p.x;
    return out;
}

QList<int> Ys(const QList<ChartPoint> &points)
{
    QList<int> out;
    for (const ChartPoint &p : points)
        out << p.y;
    return out;
}

// The y-label boxes of the non-zero range: (2, top, 53, bottom) for k = 0..3.
const QList<int> kSpreadBoxes{2, 238, 53, 302, 2, 174, 53, 238, 2, 110, 53, 174, 2, 46, 53, 110};
// A constant non-zero curve: three boxes above, one below.
const QList<int> kConstantBoxes{2, 110, 53, 174, 2, 110, 53, 174, 2, 110, 53, 174, 2, 174, 53, 238};
// Four x labels, 85 wide.
const QList<int> kFourXBoxes{30, 277, 115, 292, 115, 277, 200, 292, 200, 277, 285, 292, 285, 277, 370, 292};

} // namespace

class TestChartLayout : public QObject
{
    Q_OBJECT

private slots:
    void bandsAndAxes();
    void labelsAndPoints_data();
    void labelsAndPoints();
    void referenceHeightsAndScale_data();
    void referenceHeightsAndScale();
    void noSamplesGivesBandsAndAxesOnly();
    void nonFiniteValuesDoNotBreakTheLayout();
    void nonFiniteValuesAreGapsOutsideTheScale();
    void truncation_data();
    void truncation();
};

void TestChartLayout::bandsAndAxes()
{
    const ChartLayout l = ChartLayout::Compute(kChart, Samples({1.0f, 2.0f}));
    QCOMPARE(l.xLabelBand, (ChartRect{-55, 277, 460, 292}));
    QCOMPARE(l.yLabelBand, (ChartRect{0, 0, 55, 277}));
    QCOMPARE(l.plot, (ChartRect{55, 0, 460, 277}));
    QCOMPARE(l.origin, (ChartPoint{60, 272}));
    QCOMPARE(l.xAxisEnd, (ChartPoint{455, 272}));
    QCOMPARE(l.yAxisEnd, (ChartPoint{60, 5}));
    QCOMPARE(l.base, 277);
    QCOMPARE(l.pitch, 64);
    QCOMPARE(l.valueCaptionRect, (ChartRect{0, 20, 55, 40}));
    QCOMPARE(l.timeCaption, (ChartLabel{{0, 253, 55, 273}, QStringLiteral("time")}));

    // Another rectangle moves everything but the two captions.
    const ChartLayout m = ChartLayout::Compute({10, 20, 310, 220}, Samples({1.0f}));
    QCOMPARE(m.xLabelBand, (ChartRect{-45, 205, 310, 220}));
    QCOMPARE(m.yLabelBand, (ChartRect{10, 20, 65, 205}));
    QCOMPARE(m.plot, (ChartRect{65, 20, 310, 205}));
    QCOMPARE(m.origin, (ChartPoint{70, 200}));
    QCOMPARE(m.xAxisEnd, (ChartPoint{305, 200}));
    QCOMPARE(m.yAxisEnd, (ChartPoint{70, 25}));
    QCOMPARE(m.pitch, 41); // (205 - 20 - 20) / 4
    QCOMPARE(m.valueCaptionRect, (ChartRect{0, 20, 55, 40}));
    QCOMPARE(m.timeCaption.rc, (ChartRect{0, 253, 55, 273}));
}

void TestChartLayout::labelsAndPoints_data()
{
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<QStringList>("yTexts");
    QTest::addColumn<QList<int>>("yBoxes");
    QTest::addColumn<QStringList>("xTexts");
    QTest::addColumn<QList<int>>("xBoxes");
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("ys");

    QTest::newRow("ten samples 0..9")
        << QList<float>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}
        << QStringList{"0.000", "3.000", "6.000", "9.000"} << kSpreadBoxes
        << QStringList{"t0", "t2", "t4", "t6"} << kFourXBoxes
        << QList<int>{73, 110, 147, 183, 220, 257, 294, 331, 367, 404}
        // 252 - 192 * v / 9, truncated
        << QList<int>{252, 230, 209, 188, 166, 145, 124, 102, 81, 60};

    QTest::newRow("one sample")
        << QList<float>{5.0f} << QStringList{"5.000", "5.000", "5.000", "0.000"} << kConstantBoxes
        << QStringList{"t0"} << QList<int>{116, 277, 287, 292} << QList<int>{156} << QList<int>{124};

    QTest::newRow("all zeros")
        << QList<float>{0, 0, 0} << QStringList{"0.000", "0.000", "0.000", "0.000"}
        << QList<int>{2, 142, 53, 206, 2, 142, 53, 206, 2, 142, 53, 206, 2, 142, 53, 206}
        << QStringList{"t0", "t1", "t2"}
        << QList<int>{48, 277, 151, 292, 151, 277, 254, 292, 254, 277, 357, 292}
        << QList<int>{105, 206, 308} << QList<int>{158, 158, 158};

    QTest::newRow("negative zeros read 0.000")
        << QList<float>{-0.0f, -0.0f} << QStringList{"0.000", "0.000", "0.000", "0.000"}
        << QList<int>{2, 142, 53, 206, 2, 142, 53, 206, 2, 142, 53, 206, 2, 142, 53, 206}
        << QStringList{"t0", "t1"} << QList<int>{73, 277, 201, 292, 201, 277, 329, 292}
        << QList<int>{122, 257} << QList<int>{158, 158};

    QTest::newRow("all 2.5")
        << QList<float>{2.5f, 2.5f, 2.5f} << QStringList{"2.500", "2.500", "2.500", "0.000"}
        << kConstantBoxes << QStringList{"t0", "t1", "t2"}
        << QList<int>{48, 277, 151, 292, 151, 277, 254, 292, 254, 277, 357, 292}
        << QList<int>{105, 206, 308} << QList<int>{124, 124, 124};

    QTest::newRow("all -1")
        << QList<float>{-1, -1, -1} << QStringList{"0.000", "0.000", "0.000", "-1.000"}
        << kConstantBoxes << QStringList{"t0", "t1", "t2"}
        << QList<int>{48, 277, 151, 292, 151, 277, 254, 292, 254, 277, 357, 292}
        << QList<int>{105, 206, 308} << QList<int>{188, 188, 188};

    QTest::newRow("1.0001 and 1.0002 give a flat curve")
        << QList<float>{1.0001f, 1.0002f} << QStringList{"1.000", "1.000", "1.000", "1.000"}
        << kSpreadBoxes << QStringList{"t0", "t1"} << QList<int>{73, 277, 201, 292, 201, 277, 329, 292}
        << QList<int>{122, 257} << QList<int>{158, 158};

    QTest::newRow("labels rounded to three decimals")
        << QList<float>{0.1f, 0.2f, 0.35f} << QStringList{"0.100", "0.183", "0.267", "0.350"}
        << kSpreadBoxes << QStringList{"t0", "t1", "t2"}
        << QList<int>{48, 277, 151, 292, 151, 277, 254, 292, 254, 277, 357, 292}
        // 0.2: 252 - 192 * 0.1 / 0.25 = 175.2
        << QList<int>{105, 206, 308} << QList<int>{252, 175, 60};

    QTest::newRow("five samples: no x label for the fifth")
        << QList<float>{0, 3, 0, 3, 0} << QStringList{"0.000", "1.000", "2.000", "3.000"}
        << kSpreadBoxes << QStringList{"t0", "t1", "t2", "t3"} << kFourXBoxes
        // 405 * (i + 0.5) / 6 + 55
        << QList<int>{88, 156, 223, 291, 358} << QList<int>{252, 60, 252, 60, 252};

    QTest::newRow("seven samples: stride 1")
        << QList<float>{6, 5, 4, 3, 2, 1, 0} << QStringList{"0.000", "2.000", "4.000", "6.000"}
        << kSpreadBoxes << QStringList{"t0", "t1", "t2", "t3"} << kFourXBoxes
        // 405 * (i + 0.5) / 8 + 55; 252 - 32 * v
        << QList<int>{80, 130, 181, 232, 282, 333, 384} << QList<int>{60, 92, 124, 156, 188, 220, 252};
}

void TestChartLayout::labelsAndPoints()
{
    QFETCH(QList<float>, values);
    QFETCH(QStringList, yTexts);
    QFETCH(QList<int>, yBoxes);
    QFETCH(QStringList, xTexts);
    QFETCH(QList<int>, xBoxes);
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, ys);

    const ChartLayout l = ChartLayout::Compute(kChart, Samples(values));
    QVERIFY(l.hasSamples);
    QCOMPARE(Texts(l.yLabels), yTexts);
    QCOMPARE(Flatten(l.yLabels), yBoxes);
    QCOMPARE(Texts(l.xLabels), xTexts);
    QCOMPARE(Flatten(l.xLabels), xBoxes);
    QCOMPARE(Xs(l.points), xs);
    QCOMPARE(Ys(l.points), ys);
}

void TestChartLayout::referenceHeightsAndScale_data()
{
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<int>("yRefFirst");
    QTest::addColumn<int>("yRefLast");
    QTest::addColumn<float>("lo");
    QTest::addColumn<float>("hi");
    QTest::newRow("spread") << QList<float>{0, 9} << 254 << 62 << 0.0f << 9.0f;
    QTest::newRow("all zeros") << QList<float>{0, 0} << 158 << 158 << 0.0f << 0.0f;
    QTest::newRow("positive constant") << QList<float>{2.5f} << 126 << 190 << 2.5f << 0.0f;
    QTest::newRow("negative constant") << QList<float>{-1} << 126 << 190 << 0.0f << -1.0f;
    QTest::newRow("read back from the texts") << QList<float>{0.12345f, 0.98765f} << 254 << 62
                                              << 0.123f << 0.988f;
}

void TestChartLayout::referenceHeightsAndScale()
{
    QFETCH(QList<float>, values);
    QFETCH(int, yRefFirst);
    QFETCH(int, yRefLast);
    QFETCH(float, lo);
    QFETCH(float, hi);
    const ChartLayout l = ChartLayout::Compute(kChart, Samples(values));
    QCOMPARE(l.yRefFirst, yRefFirst);
    QCOMPARE(l.yRefLast, yRefLast);
    QCOMPARE(l.lo, lo);
    QCOMPARE(l.hi, hi);
}

void TestChartLayout::noSamplesGivesBandsAndAxesOnly()
{
    const ChartLayout l = ChartLayout::Compute(kChart, {});
    QVERIFY(!l.hasSamples);
    QCOMPARE(l.origin, (ChartPoint{60, 272}));
    QCOMPARE(l.xAxisEnd, (ChartPoint{455, 272}));
    QCOMPARE(l.yAxisEnd, (ChartPoint{60, 5}));
    QCOMPARE(l.plot, (ChartRect{55, 0, 460, 277}));
    QVERIFY(l.xLabels.isEmpty());
    QVERIFY(l.yLabels.isEmpty());
    QVERIFY(l.points.isEmpty());
    QVERIFY(l.timeCaption.text.isEmpty());
}

void TestChartLayout::nonFiniteValuesDoNotBreakTheLayout()
{
    const float inf = std::numeric_limits<float>::infinity();
    const ChartLayout l = ChartLayout::Compute(kChart, Samples({-inf, 0.0f, inf}));
    QCOMPARE(l.yLabels.size(), 4);
    QCOMPARE(l.points.size(), 3);
    QCOMPARE(Xs(l.points), (QList<int>{105, 206, 308}));
    // The infinite samples are gaps, not bounds: the one finite value 0
    // gives the all-zero labels stacked in one box, whose reference height
    // (158) the flat curve takes.
    QCOMPARE(Texts(l.yLabels), (QStringList{"0.000", "0.000", "0.000", "0.000"}));
    QCOMPARE(Ys(l.points), (QList<int>{158, 158, 158}));
    QCOMPARE(l.gapRows, (QList<qsizetype>{0, 2}));
}

void TestChartLayout::nonFiniteValuesAreGapsOutsideTheScale()
{
    // One value that reads as infinite ("1e39") among 1, 2 and 4: the scale
    // is that of 1 ... 4 (step 1), as if the gap were not there.
    const float inf = std::numeric_limits<float>::infinity();
    const ChartLayout l = ChartLayout::Compute(kChart, Samples({1.0f, inf, 2.0f, std::nanf(""), 4.0f}));
    QCOMPARE(Texts(l.yLabels), (QStringList{"1.000", "2.000", "3.000", "4.000"}));
    QCOMPARE(l.gapRows, (QList<qsizetype>{1, 3}));
    // lo 2 pixels above 254, hi 2 pixels above 62; 2 a third of the way up.
    QCOMPARE(l.points[0].y, 252);
    QCOMPARE(l.points[2].y, 188);
    QCOMPARE(l.points[4].y, 60);

    // The model draws the pieces between the gaps apart, and no dot at a gap.
    ChartModel chart;
    chart.Place(460, 292);
    for (float v : {1.0f, 2.0f, inf, 3.0f, 4.0f, -inf})
        chart.AddPoint(QStringLiteral("t"), v);
    chart.RecalcLayout();
    QCOMPARE(chart.GapRows(), (QList<qsizetype>{2, 5}));
    QCOMPARE(chart.Curve().size(), 4);
    QCOMPARE(chart.CurveBreaks(), (QList<qsizetype>{2}));
    QCOMPARE(chart.Curve()[1], chart.Points()[1]);
    QCOMPARE(chart.Curve()[2], chart.Points()[3]);
    QCOMPARE(chart.DotRuns().size(), 4);
    QCOMPARE(Texts(chart.YLabels()), (QStringList{"1.000", "2.000", "3.000", "4.000"}));
}

void TestChartLayout::truncation_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("positive fraction") << 238.6 << 238;
    QTest::newRow("negative fraction toward zero") << -2.7 << -2;
    QTest::newRow("NaN") << std::nan("") << 0;
    QTest::newRow("too large") << 1e12 << std::numeric_limits<int>::max();
    QTest::newRow("too small") << -1e12 << std::numeric_limits<int>::min();
}

void TestChartLayout::truncation()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(TruncToInt(value), expected);
}

QTEST_GUILESS_MAIN(TestChartLayout)
#include "test_chart_layout.moc"
