// Tests of the chart window: creation, the data lists, and what a repaint
// leaves in an image (curve, dots, labels, captions, title, axes, frame).
#include "gui/widgets/my_chart.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <QWidget>

namespace {

// The chart as the dialog creates it, inside a parent large enough for it.
struct Fixture
{
    QWidget parent;
    CMyChart *chart = new CMyChart;

    Fixture()
    {
        parent.resize(900, 700);
        chart->Create({388, 350, 848, 642}, &parent, 500);
    }
};

void AddTenSamples(CMyChart &chart)
{
    for (int i = 0; i < 10; ++i)
        chart.AddPoint(QStringLiteral("12:30:%1").arg(i * 10, 2, 10, QLatin1Char('0')), float(i));
}

// The colour of a chart client pixel in the grabbed widget (client pixels
// lie one pixel inside the frame).
QColor ClientPixel(const QImage &image, int x, int y)
{
    return image.pixelColor(x + CMyChart::kBorderWidth, y + CMyChart::kBorderWidth);
}

int CountColour(const QImage &image, const QRect &clientArea, const QColor &colour)
{
    int count = 0;
    for (int y = clientArea.top(); y <= clientArea.bottom(); ++y)
        for (int x = clientArea.left(); x <= clientArea.right(); ++x)
            if (ClientPixel(image, x, y) == colour)
                ++count;
    return count;
}

// Text is drawn antialiased: its pixels are blends of the text colour and
// the light grey text background, so text is recognised by its hue.
int CountHue(const QImage &image, const QRect &clientArea, bool (*isHue)(const QColor &))
{
    int count = 0;
    for (int y = clientArea.top(); y <= clientArea.bottom(); ++y)
        for (int x = clientArea.left(); x <= clientArea.right(); ++x)
            if (isHue(ClientPixel(image, x, y)))
                ++count;
    return count;
}

bool IsGreenText(const QColor &c) { return c.green() > c.red() + 40 && c.green() > c.blue() + 40; }
bool IsRedText(const QColor &c) { return c.red() > c.green() + 80 && c.red() > c.blue() + 80; }
bool IsDarkText(const QColor &c) { return c.red() < 120 && c.green() < 120 && c.blue() < 120; }

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kTextBackground(250, 250, 250);

} // namespace

class TestMyChart : public QObject
{
    Q_OBJECT

private slots:
    void createPlacesTheWindow();
    void createWithoutParentFails();
    void dataListsGrowUntilCleared();
    void paintsCurveDotsLabelsAndTitle();
    void afterClearDataOnlyAxes();
    void emptyChartPaintsItsAxesFromCreation();
    void perColumnDrawingMatchesEveryPoint_data();
    void perColumnDrawingMatchesEveryPoint();
};

void TestMyChart::createPlacesTheWindow()
{
    Fixture f;
    QCOMPARE(f.chart->ChartRectangle(), (ChartRect{0, 0, 460, 292}));
    QCOMPARE(f.chart->geometry(), QRect(388, 350, 460, 292));
    QCOMPARE(f.chart->parentWidget(), &f.parent);
    QCOMPARE(f.chart->objectName(), QStringLiteral("Log graph"));
    QCOMPARE(f.chart->accessibleName(), QStringLiteral("Log graph"));
    QCOMPARE(f.chart->property("controlId").toInt(), 500);
    QVERIFY(!f.chart->isHidden());
    QVERIFY(f.chart->Title().isEmpty());
}

void TestMyChart::createWithoutParentFails()
{
    CMyChart chart;
    QVERIFY(!chart.Create({0, 0, 100, 100}, nullptr, 500));
    QCOMPARE(chart.ChartRectangle(), (ChartRect{100, 100, 400, 400}));
}

void TestMyChart::dataListsGrowUntilCleared()
{
    Fixture f;
    AddTenSamples(*f.chart);
    QCOMPARE(f.chart->Samples().size(), 10);
    QCOMPARE(f.chart->Samples()[3].label, QStringLiteral("12:30:30"));
    QCOMPARE(f.chart->Samples()[3].value, 3.0f);
    QVERIFY(f.chart->Points().isEmpty());

    f.chart->SetTitle(QStringLiteral("File 12"));
    f.chart->SetValueCaptionText(QStringLiteral("m/s"));
    f.chart->RecalcLayout();
    QCOMPARE(f.chart->Points().size(), 10);
    QCOMPARE(f.chart->Points()[0], (ChartPoint{73, 252}));
    QCOMPARE(f.chart->Points()[9], (ChartPoint{404, 60}));
    QCOMPARE(f.chart->YLabels().size(), 4);
    QCOMPARE(f.chart->XLabels().size(), 4);
    QCOMPARE(f.chart->XLabels()[1].text, QStringLiteral("12:30:20"));
    QCOMPARE(f.chart->ValueCaption(), (ChartLabel{{0, 20, 55, 40}, QStringLiteral("m/s")}));
    QCOMPARE(f.chart->TimeCaption(), (ChartLabel{{0, 253, 55, 273}, QStringLiteral("time")}));
    QCOMPARE(f.chart->Origin(), (ChartPoint{60, 272}));

    // A second layout without clearing appends again.
    f.chart->RecalcLayout();
    QCOMPARE(f.chart->Points().size(), 20);
    QCOMPARE(f.chart->YLabels().size(), 8);

    f.chart->ClearData();
    QVERIFY(f.chart->Samples().isEmpty());
    QVERIFY(f.chart->Points().isEmpty());
    QVERIFY(f.chart->XLabels().isEmpty());
    QVERIFY(f.chart->YLabels().isEmpty());
    QCOMPARE(f.chart->Title(), QStringLiteral("File 12"));
    QCOMPARE(f.chart->ValueCaption().text, QStringLiteral("m/s"));
    QCOMPARE(f.chart->XAxisEnd(), (ChartPoint{455, 272}));
}

void TestMyChart::paintsCurveDotsLabelsAndTitle()
{
    Fixture f;
    AddTenSamples(*f.chart);
    f.chart->SetTitle(QStringLiteral("File 12"));
    f.chart->SetValueCaptionText(QStringLiteral("m/s"));
    f.chart->RecalcLayout();
    const QImage image = f.chart->grab().toImage();
    QCOMPARE(image.size(), QSize(460, 292));

    // The frame at the widget's edge.
    QCOMPARE(image.pixelColor(0, 0), kBlack);
    QCOMPARE(image.pixelColor(459, 291), kBlack);
    QCOMPARE(image.pixelColor(230, 291), kBlack);

    // White background away from everything drawn.
    QCOMPARE(ClientPixel(image, 420, 250), kWhite);
    QCOMPARE(ClientPixel(image, 150, 30), kWhite);

    // Axes: the x axis along y = 272, the y axis along x = 60.
    QCOMPARE(ClientPixel(image, 200, 272), kBlack);
    QCOMPARE(ClientPixel(image, 60, 150), kBlack);

    // Blue dots at the points (73, 252), (220, 166) and (404, 60).
    QCOMPARE(ClientPixel(image, 73, 252), kBlue);
    QCOMPARE(ClientPixel(image, 220, 166), kBlue);
    QCOMPARE(ClientPixel(image, 404, 60), kBlue);

    // Red curve between points 0 (73, 252) and 1 (110, 230): at x = 91 the
    // line passes y = 241.3.
    QVERIFY(CountColour(image, QRect(91, 239, 1, 5), kRed) > 0);
    // ... and between points 8 (367, 81) and 9 (404, 60): at x = 385 about y = 70.8.
    QVERIFY(CountColour(image, QRect(385, 68, 1, 6), kRed) > 0);
    QCOMPARE(ClientPixel(image, 91, 200), kWhite);

    // Labels: light grey text cells with black text in the y-label box of
    // "0.000" (2, 238)-(53, 302) and the first x-label box (30, 277)-(115, 292).
    QVERIFY(CountColour(image, QRect(2, 238, 51, 12), kTextBackground) > 0);
    QVERIFY(CountHue(image, QRect(2, 238, 51, 12), IsDarkText) > 0);
    QVERIFY(CountHue(image, QRect(30, 277, 85, 13), IsDarkText) > 0);
    // Nothing of a label leaks out of its box: left of the y-label boxes.
    QCOMPARE(CountColour(image, QRect(0, 46, 2, 200), kTextBackground), 0);

    // Green captions: the value caption (0, 20)-(55, 40) and "time" (0, 253)-(55, 273).
    QVERIFY(CountHue(image, QRect(0, 20, 55, 20), IsGreenText) > 0);
    QVERIFY(CountHue(image, QRect(0, 253, 55, 20), IsGreenText) > 0);
    QCOMPARE(CountHue(image, QRect(0, 45, 55, 200), IsGreenText), 0);

    // The red title from (40, 0).
    QVERIFY(CountHue(image, QRect(40, 0, 80, 16), IsRedText) > 0);
    QCOMPARE(CountHue(image, QRect(0, 0, 39, 16), IsRedText), 0);
}

void TestMyChart::afterClearDataOnlyAxes()
{
    Fixture f;
    AddTenSamples(*f.chart);
    f.chart->SetTitle(QStringLiteral("File 12"));
    f.chart->SetValueCaptionText(QStringLiteral("m/s"));
    f.chart->RecalcLayout();
    f.chart->ClearData();
    const QImage image = f.chart->grab().toImage();
    const QRect client(0, 0, 458, 290);
    QCOMPARE(CountColour(image, client, kRed), 0);
    QCOMPARE(CountColour(image, client, kBlue), 0);
    QCOMPARE(CountHue(image, client, IsGreenText), 0);
    QCOMPARE(CountHue(image, client, IsRedText), 0);
    QCOMPARE(CountColour(image, client, kTextBackground), 0);
    QCOMPARE(ClientPixel(image, 200, 272), kBlack);
    QCOMPARE(ClientPixel(image, 60, 150), kBlack);
    QCOMPARE(ClientPixel(image, 91, 241), kWhite);
    // Only the two axes are black inside the client area: 396 + 268 pixels
    // from (60, 272) to (455, 272) and from (60, 272) to (60, 5), sharing one.
    QCOMPARE(CountColour(image, client, kBlack), 396 + 268 - 1);
}

void TestMyChart::emptyChartPaintsItsAxesFromCreation()
{
    // Before any graph: white with the two axes only, at the places the
    // chart rectangle (0, 0, 460, 292) gives them.
    Fixture f;
    QCOMPARE(f.chart->Origin(), (ChartPoint{60, 272}));
    QCOMPARE(f.chart->XAxisEnd(), (ChartPoint{455, 272}));
    QCOMPARE(f.chart->YAxisEnd(), (ChartPoint{60, 5}));
    const QImage image = f.chart->grab().toImage();
    const QRect client(0, 0, 458, 290);
    QCOMPARE(ClientPixel(image, 60, 272), kBlack);
    QCOMPARE(ClientPixel(image, 455, 272), kBlack);
    QCOMPARE(ClientPixel(image, 60, 5), kBlack);
    QCOMPARE(ClientPixel(image, 61, 271), kWhite);
    QCOMPARE(CountColour(image, client, kBlack), 396 + 268 - 1);
    QCOMPARE(CountColour(image, client, kWhite), 458 * 290 - (396 + 268 - 1));
}

void TestMyChart::perColumnDrawingMatchesEveryPoint_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("shape");
    QTest::addColumn<quint32>("seed");
    // Sizes from 2 to 100,000 (the plot is 405 pixels wide, so from one
    // point a column to hundreds), in five shapes of random values.
    const char *const shapes[] = {"walk", "noise", "sine and noise", "steps", "spikes"};
    QRandomGenerator sizes(20240611);
    // Sizes at the edges first; the largest as a walk: drawing 100,000
    // points of noise one by one, the reference, takes half a minute.
    const QList<QPair<int, int>> fixed{{2, 0}, {3, 1}, {404, 2}, {405, 3}, {406, 4}, {810, 1}, {100000, 0}};
    for (int row = 0; row < 20; ++row) {
        const int n = row < fixed.size() ? fixed[row].first
                                         : int(std::exp(sizes.bounded(std::log(30000.0) - std::log(2.0)) + std::log(2.0)));
        const int shape = row < fixed.size() ? fixed[row].second : row % 5;
        const quint32 seed = sizes.generate();
        QTest::addRow("%d samples, %s, seed %u", n, shapes[shape], seed) << n << shape << seed;
    }
}

void TestMyChart::perColumnDrawingMatchesEveryPoint()
{
    QFETCH(int, samples);
    QFETCH(int, shape);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    ChartModel model;
    model.Place(460, 292);
    double walk = 0;
    for (int i = 0; i < samples; ++i) {
        double v = 0;
        switch (shape) {
        case 0: v = walk += random.generateDouble() - 0.5; break;
        case 1: v = random.generateDouble(); break;
        case 2: v = std::sin(i * 0.01) + 0.3 * random.generateDouble(); break;
        case 3: v = double(random.bounded(4)); break;
        default: v = random.bounded(50) == 0 ? 10 * random.generateDouble() : 0; break;
        }
        model.AddPoint(QString(), float(v));
    }
    model.RecalcLayout();
    const QList<ChartPoint> &points = model.Points();
    QCOMPARE(points.size(), samples);

    // Every point drawn one by one, as the chart drew them before ...
    QImage every(460, 292, QImage::Format_RGB32);
    every.fill(kWhite);
    {
        QPainter painter(&every);
        QPolygon polyline;
        for (const ChartPoint &p : points)
            polyline.append(QPoint(p.x, p.y));
        painter.setPen(ChartCurvePen());
        painter.drawPolyline(polyline);
        painter.setPen(ChartMarkerPen());
        for (const ChartPoint &p : points)
            painter.drawLine(QPoint(p.x, p.y), QPoint(p.x, p.y));
    }
    // ... and the per-column summary the chart draws now: the same pixels.
    QImage perColumn(460, 292, QImage::Format_RGB32);
    perColumn.fill(kWhite);
    {
        QPainter painter(&perColumn);
        DrawCurve(painter, model.Curve());
        DrawDots(painter, model.DotRuns());
    }
    QVERIFY(every == perColumn);

    // At most 4 curve points and one dot bar per 5 pixels of height a column.
    QSet<int> columns;
    for (const ChartPoint &p : points)
        columns.insert(p.x);
    QVERIFY(model.Curve().size() <= 4 * columns.size());
    QVERIFY(model.DotRuns().size() <= columns.size() * (292 / (kDotMergeDistance + 1) + 1));
}

QTEST_MAIN(TestMyChart)
#include "test_my_chart.moc"
