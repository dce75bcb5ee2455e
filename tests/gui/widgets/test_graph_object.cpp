// Tests of the graph object window: creation and fonts, series and segment
// counts and deletion with their messages, the animation timer, and what a
// paint and a finished tick leave in the buffers.
#include "gui/widgets/graph_object/graph_object.h"

#include "gui/widgets/graph_object/line_graph_2d.h"

#include <QTest>
#include <QWidget>

namespace {

// A graph object created in a parent, with its messages recorded.
struct Fixture
{
    QWidget parent;
    CGraphObject *graph = new CGraphObject;
    QStringList messages;

    explicit Fixture(const ChartRect &rect = {388, 350, 848, 642})
    {
        parent.resize(900, 700);
        graph->SetMessageSink([this](const QString &text) { messages.append(text); });
        graph->Create(rect, &parent, 8800);
    }
};

} // namespace

class TestGraphObject : public QObject
{
    Q_OBJECT

private slots:
    void createAsTheDialogDoes();
    void createRaisesSmallRectanglesTo200();
    void createWithoutParentFails();
    void createGraphBuildsGraphAndBuffers();
    void countsOfOtherKindsAreNegative_data();
    void countsOfOtherKindsAreNegative();
    void deleteSeriesOutOfBounds();
    void deleteSegmentOutOfBounds();
    void deleteOnAGraphWithoutLineGraph();
    void setAnimationModeZeroStopsTimer();
    void emptyLineGraphStopsAtSecondTick();
    void emptyLineGraphStopsByItself();
    void lineAnimationRunsUntilItHolds();
    void finishedTickClearsGraphArea();
    void gradientBackgroundShows();
};

void TestGraphObject::createAsTheDialogDoes()
{
    Fixture f;
    QCOMPARE(f.graph->geometry(), QRect(388, 350, 460, 292));
    QCOMPARE(f.graph->WindowLeft(), 388);
    QCOMPARE(f.graph->WindowTop(), 350);
    QCOMPARE(f.graph->WindowWidth(), 460);
    QCOMPARE(f.graph->WindowHeight(), 292);
    QCOMPARE(f.graph->property("controlId").toInt(), 8800);
    QCOMPARE(f.graph->TitleFontRequest(), (GraphFontRequest{"Arial", 58, 18, 400}));
    QCOMPARE(f.graph->SubtitleFontRequest(), (GraphFontRequest{"Arial", 20, 13, 700}));
    QVERIFY(f.graph->TextsPending());
    QCOMPARE(f.graph->Title(), QStringLiteral("Add graph title here"));
    QCOMPARE(f.graph->Subtitle(), QStringLiteral("Add graph subtitle here"));
    QCOMPARE(f.graph->GraphKindValue(), -1);
    QCOMPARE(f.graph->LastProgress(), -1);
    QCOMPARE(f.graph->AnimationMode(), 0);
}

void TestGraphObject::createRaisesSmallRectanglesTo200()
{
    Fixture f({10, 20, 160, 140});
    QCOMPARE(f.graph->geometry(), QRect(10, 20, 200, 200));
    QCOMPARE(f.graph->WindowWidth(), 200);
    QCOMPARE(f.graph->WindowHeight(), 200);
    QCOMPARE(f.graph->TitleFontRequest(), (GraphFontRequest{"Arial", 40, 8, 400}));
    QCOMPARE(f.graph->SubtitleFontRequest(), (GraphFontRequest{"Arial", 14, 6, 700}));
}

void TestGraphObject::createWithoutParentFails()
{
    CGraphObject graph;
    QVERIFY(!graph.Create({0, 0, 300, 300}, nullptr, 8800));
    QCOMPARE(graph.WindowWidth(), 0);
}

void TestGraphObject::createGraphBuildsGraphAndBuffers()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindLine);
    QVERIFY(f.graph->LineGraph());
    QVERIFY(!f.graph->BarGraph());
    QVERIFY(!f.graph->PieGraph());
    QCOMPARE(f.graph->LineGraph()->Placement(), (GraphPlacement{23, 102, 322, 146, 460, 292}));
    QCOMPARE(f.graph->LineGraph()->LegendFontRequest(), (GraphFontRequest{"Times New Roman", 10, 0, 400}));
    QCOMPARE(f.graph->BackBuffer().size(), QSize(460, 292));
    QCOMPARE(f.graph->GradientBuffer().size(), QSize(460, 292));
    QCOMPARE(f.graph->GradientBuffer().pixelColor(200, 0), QColor(0, 0, 64));
    QCOMPARE(f.graph->GradientBuffer().pixelColor(10, 291), QColor(0, 0, 215));
    QCOMPARE(f.graph->GetSeriesCount(), 0);
    QCOMPARE(f.graph->GetSegmentCount(), 0);

    // Another kind replaces the graph.
    f.graph->CreateGraph(GraphKindPie);
    QVERIFY(!f.graph->LineGraph());
    QVERIFY(f.graph->PieGraph());
}

void TestGraphObject::countsOfOtherKindsAreNegative_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("count");
    QTest::newRow("bar") << int(GraphKindBar) << -2;
    QTest::newRow("pie") << int(GraphKindPie) << -1;
    QTest::newRow("unknown kind 7") << 7 << 5;
}

void TestGraphObject::countsOfOtherKindsAreNegative()
{
    QFETCH(int, kind);
    QFETCH(int, count);
    Fixture f;
    f.graph->CreateGraph(kind);
    QCOMPARE(f.graph->GetSeriesCount(), count);
    QCOMPARE(f.graph->GetSegmentCount(), count);
}

void TestGraphObject::deleteSeriesOutOfBounds()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindLine);
    f.graph->DeleteSeries(0);
    QCOMPARE(f.messages, QStringList{"Series index is out of bounds..."});
    QCOMPARE(f.graph->GetSeriesCount(), 0);

    GraphSeriesSet &data = f.graph->LineGraph()->Data();
    data.AddSeries("Vel", 0xFF0000);
    data.AddSeries("Temp", 0x00FF00);
    f.messages.clear();
    f.graph->DeleteSeries(3);
    QCOMPARE(f.messages, QStringList{"Series index is out of bounds..."});
    QCOMPARE(f.graph->GetSeriesCount(), 2);
    f.messages.clear();
    f.graph->DeleteSeries(2);
    f.graph->DeleteSeries(1);
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.graph->GetSeriesCount(), 0);
}

void TestGraphObject::deleteSegmentOutOfBounds()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindLine);
    f.graph->DeleteSegment(1);
    QCOMPARE(f.messages, QStringList{"Index is out of bounds..."});

    GraphSeriesSet &data = f.graph->LineGraph()->Data();
    data.AddSeries("Vel", 0xFF0000);
    data.AddSegment("Mon");
    data.AddSegment("Tue");
    data.SetValue(1, 2, 3.0);
    f.messages.clear();
    f.graph->DeleteSegment(-1);
    f.graph->DeleteSegment(3);
    QCOMPARE(f.messages, (QStringList{"Index is out of bounds...", "Index is out of bounds..."}));
    QCOMPARE(f.graph->GetSegmentCount(), 2);
    f.messages.clear();
    f.graph->DeleteSegment(1);
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.graph->GetSegmentCount(), 1);
    QCOMPARE(data.Series()[0].values, QList<double>{3.0});
}

void TestGraphObject::deleteOnAGraphWithoutLineGraph()
{
    // Both act on the line graph; a bar graph has none, so nothing can be
    // deleted and the messages say so.
    Fixture f;
    f.graph->CreateGraph(GraphKindBar);
    f.graph->DeleteSeries(1);
    f.graph->DeleteSegment(1);
    QCOMPARE(f.messages, (QStringList{"Series index is out of bounds...", "Index is out of bounds..."}));
}

void TestGraphObject::setAnimationModeZeroStopsTimer()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindLine);
    f.graph->SetAnimation(1, 30);
    QVERIFY(f.graph->isAnimationTimerActive());
    QCOMPARE(f.graph->AnimationMode(), 1);
    f.graph->SetAnimation(0, 30);
    QVERIFY(!f.graph->isAnimationTimerActive());
    QCOMPARE(f.graph->AnimationMode(), 0);
    QCOMPARE(f.graph->CurrentProgress(), 100);
}

void TestGraphObject::emptyLineGraphStopsAtSecondTick()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindLine);
    f.graph->SetAnimation(1, 30);
    f.graph->OnTimer(); // progress 0 grew from -1
    QVERIFY(f.graph->isAnimationTimerActive());
    QCOMPARE(f.graph->LastProgress(), 0);
    QVERIFY(!f.graph->TextsPending());
    f.graph->OnTimer(); // progress still 0: stop
    QVERIFY(!f.graph->isAnimationTimerActive());
    QCOMPARE(f.graph->LastProgress(), -1);
    QCOMPARE(f.graph->LineGraph()->Animation().HoldCounter(), 3);
}

void TestGraphObject::emptyLineGraphStopsByItself()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindLine);
    f.graph->SetAnimation(1, 30);
    QVERIFY(f.graph->isAnimationTimerActive());
    QTRY_VERIFY_WITH_TIMEOUT(!f.graph->isAnimationTimerActive(), 10000);
    // The set-up's step and exactly two ticks: hold counter 1 + 2.
    QCOMPARE(f.graph->LineGraph()->Animation().HoldCounter(), 3);
    QCOMPARE(f.graph->LastProgress(), -1);

    // Every new log graph starts it again, and it stops again.
    f.graph->SetAnimation(1, 30);
    QVERIFY(f.graph->isAnimationTimerActive());
    QTRY_VERIFY_WITH_TIMEOUT(!f.graph->isAnimationTimerActive(), 10000);
    QCOMPARE(f.graph->LineGraph()->Animation().HoldCounter(), 3);
}

void TestGraphObject::lineAnimationRunsUntilItHolds()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindLine);
    GraphSeriesSet &data = f.graph->LineGraph()->Data();
    data.AddSeries("Vel", 0xFF0000);
    for (const char *day : {"Mon", "Tue", "Wed", "Thu"})
        data.AddSegment(day);
    f.graph->SetAnimation(1, 30);
    QTRY_VERIFY_WITH_TIMEOUT(!f.graph->isAnimationTimerActive(), 20000);
    // Ticks per segment 25: the build-up completes at progress 75; the tick
    // that first holds still saw the progress grow, the next one stops.
    QCOMPARE(f.graph->CurrentProgress(), 75);
    QCOMPARE(f.graph->LineGraph()->Animation().HoldCounter(), 2);
    QCOMPARE(f.graph->LineGraph()->Animation().SegmentsShown(), 3);
}

void TestGraphObject::finishedTickClearsGraphArea()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindBar);
    f.graph->SetBackgroundStyle(BackgroundGradient);
    f.graph->grab(); // paints the gradient into the back buffer
    const QColor gradientAt150(0, 0, 142); // row 150: 64 + 78
    QCOMPARE(f.graph->BackBuffer().pixelColor(100, 150), gradientAt150);

    f.graph->SetAnimation(1, 26);
    for (int i = 0; i < 9; ++i)
        f.graph->OnTimer();
    QCOMPARE(f.graph->CurrentProgress(), 100);
    // (23, 102)-(253, 248) is cleared to the background colour, outside it the gradient stays.
    QCOMPARE(f.graph->BackBuffer().pixelColor(100, 150), QColor(255, 255, 255));
    QCOMPARE(f.graph->BackBuffer().pixelColor(252, 247), QColor(255, 255, 255));
    QCOMPARE(f.graph->BackBuffer().pixelColor(253, 150), gradientAt150);
    QCOMPARE(f.graph->BackBuffer().pixelColor(22, 150), gradientAt150);
}

void TestGraphObject::gradientBackgroundShows()
{
    Fixture f;
    f.graph->CreateGraph(GraphKindLine);
    f.graph->SetBackgroundStyle(BackgroundGradient);
    const QImage image = f.graph->grab().toImage();
    QCOMPARE(image.size(), QSize(460, 292));
    QCOMPARE(image.pixelColor(0, 0), QColor(0, 0, 0)); // the frame
    // Client (5, 5) is widget (6, 6) and shows gradient row 5: 64 + 152 * 5 / 292 = 66.
    QCOMPARE(image.pixelColor(6, 6), QColor(0, 0, 66));
    // The title is drawn in black from (23, 7) over the gradient.
    int dark = 0;
    for (int y = 8; y < 60; ++y)
        for (int x = 24; x < 200; ++x)
            if (image.pixelColor(x, y).blue() < 20)
                ++dark;
    QVERIFY(dark > 0);
}

QTEST_MAIN(TestGraphObject)
#include "test_graph_object.moc"
