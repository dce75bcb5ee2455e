// The graph window through the real dialog: opened from the chart by a
// double-click and by Enter, following the browse and variable buttons,
// zoom by the wheel and Home, the read-out from the keyboard, one strip per
// checked variable, and the pictures of the window and of the chart.
#include "dialog_fixture.h"
#include "core/charts/span_summary.h"
#include "core/device/profile.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/graph_strips_view.h"
#include "gui/widgets/graph_window.h"
#include "gui/widgets/my_chart.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QImage>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

namespace {

// A Logp file of rows rows, 10 seconds apart from 12:00:00, field 2 rising
// (with "1e39" in row 5 when spoiled), field 3 falling; headers come in
// name and unit pairs ("Ba" "hPa", "AV" "m/s").
LogFileRecord File(int number, int rows, bool spoiled = false)
{
    LogFileRecord r;
    r.fileNumber = number;
    r.kind = LogKindLogp;
    r.columnHeaders = QStringList{"DATE", "", "TIME", "", "Ba", "hPa", "AV", "m/s"};
    QList<QStringList> list;
    for (int i = 0; i < rows; ++i) {
        const int s = 12 * 3600 + 10 * i;
        const QString time = QStringLiteral("%1:%2:%3")
                                 .arg(s / 3600, 2, 10, QLatin1Char('0'))
                                 .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(s % 60, 2, 10, QLatin1Char('0'));
        list.append({"08-01-02", time, spoiled && i == 5 ? QStringLiteral("1e39") : QString::number(1000 + i),
                     QString::number(0.5 - 0.001 * i)});
    }
    r.rows = list;
    return r;
}

void Click(COstrumDlg &dlg, int id)
{
    auto *button = qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
    QVERIFY2(button && button->isVisible(), qPrintable(QString::number(id)));
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestGraphWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensFromDoubleClickAndEnter();
    void followsBrowseAndVariables();
    void wheelZoomsAndHomeShowsAll();
    void readOutFollowsTheKeys();
    void twoVariablesGiveTwoStrips();
    void picturesOfTheWindowAndTheChart();
    void nonFiniteValueIsAGap();

private:
    // Shows file index of two files, field 2, as a sort of the Logp type would.
    void ShowFiles(bool spoiled = false);
    GraphWindow *Window() const { return m_dlg->m_pGraphWindow; }

    DialogFixture m_fixture;
    ScriptedPrompts m_prompts;
    std::unique_ptr<COstrumDlg> m_dlg;
};

void TestGraphWindow::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestGraphWindow::init()
{
    m_fixture.Init();
    DialogFixture::ShowDialog(m_prompts, m_dlg);
}

void TestGraphWindow::cleanup()
{
    m_dlg.reset();
}

void TestGraphWindow::ShowFiles(bool spoiled)
{
    m_dlg->m_sortedFiles = {File(7, 100, spoiled), File(8, 50)};
    m_dlg->m_graphCache.Clear();
    m_dlg->m_logpFiles = {0, 1};
    m_dlg->m_nGraphList = 1;
    m_dlg->m_nGraphPos = 0;
    m_dlg->m_nGraphField = 2;
    m_dlg->m_strGraphLogType = QStringLiteral("QRT 03 Logp");
    m_dlg->ShowLogGraph(0);
}

void TestGraphWindow::opensFromDoubleClickAndEnter()
{
    ShowFiles();
    QVERIFY(!Window());
    QTest::mouseDClick(m_dlg->m_pChart, Qt::LeftButton, {}, QPoint(200, 150));
    QVERIFY(Window() && Window()->isVisible());
    QCOMPARE(Window()->windowTitle(), QStringLiteral("Graph - File 7 - QRT 03 Logp"));
    QCOMPARE(Window()->ShownFields(), (QList<int>{2}));

    // Escape closes it and its size is kept; the main window's chart is as it was.
    Window()->resize(700, 450);
    const int points = int(m_dlg->m_pChart->Points().size());
    QTest::keyClick(Window()->View(), Qt::Key_Escape);
    QVERIFY(!Window()->isVisible());
    QCOMPARE(m_dlg->m_pChart->Points().size(), points);
    QCOMPARE(Profile::ReadWindowRect(QStringLiteral("GraphWindowRect")).size(), QSize(700, 450));

    // Enter on the focused chart opens it again.
    m_dlg->activateWindow();
    m_dlg->m_pChart->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->m_pChart->hasFocus(), 5000);
    QTest::keyClick(m_dlg->m_pChart, Qt::Key_Return);
    QVERIFY(Window()->isVisible());
}

void TestGraphWindow::followsBrowseAndVariables()
{
    ShowFiles();
    m_dlg->OpenGraphWindow();
    Click(*m_dlg, IDC_GRAPH_NEXT);
    QCOMPARE(Window()->windowTitle(), QStringLiteral("Graph - File 8 - QRT 03 Logp"));
    QCOMPARE(Window()->View()->Frame().timeline->times.size(), 50);
    Click(*m_dlg, IDC_VAR_VAVG);
    QCOMPARE(Window()->ShownFields(), (QList<int>{3}));
    QCOMPARE(Window()->View()->Frame().strips.first()->unit, QStringLiteral("m/s"));
    // The window speaks the main window's language.
    m_dlg->ApplyLanguage(1);
    QCOMPARE(Window()->windowTitle(), QStringLiteral("图形 - File 8 - QRT 03 Logp"));
    QVERIFY(Window()->View()->toolTip().startsWith(QStringLiteral("滚轮")));
    m_dlg->ApplyLanguage(0);
    QCOMPARE(Window()->windowTitle(), QStringLiteral("Graph - File 8 - QRT 03 Logp"));

    // Browsing back draws the very chart drawn before, from what was kept.
    const QList<ChartPoint> file8 = m_dlg->m_pChart->Points();
    Click(*m_dlg, IDC_GRAPH_PREVIOUS);
    QCOMPARE(m_dlg->m_pChart->Title(), QStringLiteral("File 7"));
    Click(*m_dlg, IDC_GRAPH_NEXT);
    QCOMPARE(m_dlg->m_pChart->Points(), file8);
}

void TestGraphWindow::wheelZoomsAndHomeShowsAll()
{
    ShowFiles();
    m_dlg->OpenGraphWindow();
    GraphStripsView *view = Window()->View();
    QVERIFY(QTest::qWaitForWindowExposed(Window()));
    QVERIFY(view->Span().ShowsAll());
    const double whole = view->Span().Span();
    const QRect plot = view->PlotArea();
    // Two notches up at a quarter of the plot: 0.8 squared of the span, the
    // time under the pointer staying where it was.
    const QPointF at(plot.left() + plot.width() / 4.0, plot.center().y());
    const double under = XToTime(plot, view->Span().From(), view->Span().To(), at.x());
    QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    QVERIFY(std::abs(view->Span().Span() - whole * 0.64) < 1e-6);
    QVERIFY(std::abs(XToTime(plot, view->Span().From(), view->Span().To(), at.x()) - under) < 1e-6);
    QVERIFY(!view->Span().ShowsAll());
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Home);
    QVERIFY(view->Span().ShowsAll());
    QTest::keyClick(view, Qt::Key_Plus);
    QCOMPARE(view->Span().Span(), whole / 2);
}

void TestGraphWindow::readOutFollowsTheKeys()
{
    ShowFiles();
    m_dlg->OpenGraphWindow();
    GraphStripsView *view = Window()->View();
    view->setFocus();
    // The first Right puts the cursor at the row nearest the middle
    // (row 49 of 100 at 10 s, halfway between 49 and 50: the earlier one).
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(view->CursorRow(), qsizetype(49));
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Left);
    QCOMPARE(view->CursorRow(), qsizetype(50));
    QCOMPARE(Window()->ReadOut(), QStringLiteral("08-01-02 12:08:20    Ba = 1050 hPa"));
    // A screen reader hears the same text.
    QCOMPARE(Window()->findChild<QLabel *>()->accessibleName(), Window()->ReadOut());
}

void TestGraphWindow::twoVariablesGiveTwoStrips()
{
    ShowFiles();
    m_dlg->OpenGraphWindow();
    const QList<QCheckBox *> boxes = Window()->VariableBoxes();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0]->text(), QStringLiteral("Ba (hPa)"));
    QVERIFY(boxes[0]->isChecked() && !boxes[1]->isChecked());
    boxes[1]->click();
    QCOMPARE(Window()->ShownFields(), (QList<int>{2, 3}));
    const GraphStripsLayout layout = LayoutGraphStrips(Window()->View()->rect(), 2, Window()->View()->fontMetrics());
    QCOMPARE(layout.plots.size(), 2);
    QVERIFY(layout.plots[0].bottom() < layout.plots[1].top());
    QCOMPARE(layout.plots[0].left(), layout.plots[1].left());
    Window()->View()->setFocus();
    QTest::keyClick(Window()->View(), Qt::Key_Right);
    QVERIFY(Window()->ReadOut().endsWith(QStringLiteral("Ba = 1049 hPa    AV = 0.451 m/s")));
    // The second variable stays checked on the next file, which has it too,
    // and the main window's variable takes the place of the one before.
    Click(*m_dlg, IDC_GRAPH_NEXT);
    QCOMPARE(Window()->ShownFields(), (QList<int>{2, 3}));
    Window()->VariableBoxes()[0]->click();
    QCOMPARE(Window()->ShownFields(), (QList<int>{3}));
}

void TestGraphWindow::picturesOfTheWindowAndTheChart()
{
    ShowFiles();
    m_dlg->OpenGraphWindow();
    const QString png = m_fixture.FilePath("graph.png");
    const QString svg = m_fixture.FilePath("graph.svg");
    const QString pdf = m_fixture.FilePath("graph.pdf");
    const QString bare = m_fixture.FilePath("graph");
    m_prompts.saveAnswers = {png, svg, pdf, bare};
    for (int i = 0; i < 4; ++i)
        Window()->SavePicture();
    QVERIFY2(m_prompts.messages.isEmpty(), qPrintable(m_prompts.messages.join('\n')));
    QCOMPARE(QImage(png).size(), Window()->View()->size());
    QCOMPARE(QImage(bare + ".png").size(), Window()->View()->size());
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svgFile);
    int elements = 0;
    QString root;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && elements++ == 0)
            root = xml.name().toString();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(root, QStringLiteral("svg"));
    QVERIFY(elements > 20);
    // Drawn back, it shows the red curve.
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QImage drawn(Window()->View()->size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        renderer.render(&painter);
    }
    int red = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            red += drawn.pixel(x, y) == qRgb(255, 0, 0);
    QVERIFY2(red > 100, qPrintable(QString::number(red)));
    QFile pdfFile(pdf);
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    QVERIFY(pdfFile.readAll().startsWith("%PDF-"));

    // The chart's own picture is its pixels, frame included; the copy too.
    const QString chartPng = m_fixture.FilePath("chart.png");
    m_prompts.saveAnswers = {chartPng};
    m_dlg->SaveChartPicture();
    const QImage shown = m_dlg->m_pChart->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(QImage(chartPng).convertToFormat(QImage::Format_RGB32), shown);
    m_dlg->CopyChartPicture();
    Window()->CopyPicture();
    QCOMPARE(m_prompts.clipboardImages.size(), 2);
    QCOMPARE(m_prompts.clipboardImages[0].convertToFormat(QImage::Format_RGB32), shown);
    QCOMPARE(m_prompts.clipboardImages[1].size(), Window()->View()->size());

    // A file that cannot be written is said, with the file's name.
    m_prompts.saveAnswers = {m_fixture.FilePath("none/graph.svg")};
    Window()->SavePicture();
    QCOMPARE(m_prompts.messages.size(), 1);
    QVERIFY(m_prompts.messages[0].contains(QStringLiteral("none/graph.svg")));
}

void TestGraphWindow::nonFiniteValueIsAGap()
{
    // "1e39" in row 5 of 100: the chart's scale is that of the finite
    // values 1000 ... 1099, as it is without that row.
    ShowFiles(true);
    QStringList labels;
    for (const ChartLabel &l : m_dlg->m_pChart->YLabels())
        labels << l.text;
    QCOMPARE(labels, (QStringList{"1000.000", "1033.000", "1066.000", "1099.000"}));
    QCOMPARE(m_dlg->m_pChart->GapRows(), (QList<qsizetype>{5}));
    // The window's strip leaves it out of its scale too: the value ticks
    // lie within the finite range.
    m_dlg->OpenGraphWindow();
    const auto &strip = *Window()->View()->Frame().strips.first();
    const SpanSummary summary = SummariseSpan(*Window()->View()->Frame().timeline, strip.values, 0, 1e12, 100);
    QCOMPARE(strip.values.Values()[summary.extremes.maxRow], 1099.0f);
    QVERIFY(!summary.columns.isEmpty());
}

QTEST_MAIN(TestGraphWindow)
#include "test_graph_window.moc"
