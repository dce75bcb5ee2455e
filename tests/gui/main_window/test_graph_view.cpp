// The log graph view of the main dialog: what ShowLogGraph puts into the
// chart for a table entry, its refusals, and the browse and variable buttons
// walking the file lists.
#include "dialog_fixture.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/graph_object/graph_object.h"
#include "gui/widgets/my_chart.h"

#include <QAbstractButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kInvalidVariable = QStringLiteral("No corresponding variation, please choose Variation again!");

LogFileRecord Record(int number, int kind, const QList<QStringList> &rows)
{
    LogFileRecord r;
    r.fileNumber = number;
    r.kind = kind;
    r.headerText = QStringLiteral("Tavix 3000");
    for (int i = 0; i < 18; ++i)
        r.columnHeaders << QStringLiteral("h%1").arg(i);
    r.rows = rows;
    return r;
}

// A file whose field 2 holds value in every one of its two rows.
LogFileRecord FlatFile(int number, const QString &value)
{
    return Record(number, LogKindPlain,
                  {{"08-01-02", "12:00:00", value, "1"}, {"08-01-02", "12:00:10", value, "2"}});
}

QAbstractButton *Button(COstrumDlg &dlg, int id)
{
    return qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
}

void Click(COstrumDlg &dlg, int id)
{
    QAbstractButton *button = Button(dlg, id);
    QVERIFY2(button && button->isVisible(), qPrintable(QString::number(id)));
    QTest::mouseClick(button, Qt::LeftButton);
}

struct Sample
{
    QString label;
    float value;
};

} // namespace

class TestGraphView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void samplesTitleAndCaption_data();
    void samplesTitleAndCaption();
    void fieldBeyondRowZero();
    void entryWithoutRows();
    void shortLaterRows();
    void indexThatAddressesNoEntry();
    void emptyTable();
    void graphObjectIsResetAndAnimated();
    void oneFileAllButtonsShowIt();
    void threeFilesBrowse_data();
    void threeFilesBrowse();
    void browseWalksTheChosenList();
    void emptyListDoesNothing();
    void variableButtonRedrawsCurrentFile();
    void variableButtonsPlotTheirFields();
    void hiddenButtonShowsFirstEntry();

private:
    COstrumDlg &Dialog() { return *m_dlg; }
    QString Title() const { return m_dlg->m_pChart->Title(); }

    DialogFixture m_fixture;
    ScriptedPrompts m_prompts;
    std::unique_ptr<COstrumDlg> m_dlg;
};

void TestGraphView::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestGraphView::init()
{
    m_fixture.Init();
    DialogFixture::ShowDialog(m_prompts, m_dlg);
}

void TestGraphView::cleanup()
{
    m_dlg.reset();
}

void TestGraphView::samplesTitleAndCaption_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("caption");

    // Logp headers come in name and unit pairs: field 3 is captioned with
    // header 2 x 3 + 1 = 7; a plain log's field 3 with header 3.
    QTest::newRow("Logp, field 3: header 7") << int(LogKindLogp) << 3 << "h7";
    QTest::newRow("plain, field 3: header 3") << int(LogKindPlain) << 3 << "h3";
    QTest::newRow("Logp, field 8: header 17") << int(LogKindLogp) << 8 << "h17";
    QTest::newRow("plain, field 2: header 2") << int(LogKindPlain) << 2 << "h2";
}

void TestGraphView::samplesTitleAndCaption()
{
    QFETCH(int, kind);
    QFETCH(int, field);
    QFETCH(QString, caption);

    // The plotted column holds "12,5", "abc", "1.2.3" and "-0.2".
    QList<QStringList> rows;
    const QStringList values{"12,5", "abc", "1.2.3", "-0.2"};
    for (qsizetype i = 0; i < values.size(); ++i) {
        QStringList row{"08-01-02", QStringLiteral("12:3%1:00").arg(i)};
        while (row.size() < field)
            row << QStringLiteral("99");
        row << values[i] << QStringLiteral("7");
        rows << row;
    }
    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {FlatFile(1, "5"), Record(12, kind, rows)};
    dlg.m_nGraphField = field;
    dlg.ShowLogGraph(1);

    QVERIFY(m_prompts.messages.isEmpty());
    const QList<ChartSample> &samples = dlg.m_pChart->Samples();
    const Sample expected[] = {{"12:30:00", 12.5f}, {"12:31:00", 0.0f}, {"12:32:00", 1.2f}, {"12:33:00", -0.2f}};
    QCOMPARE(samples.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(samples[i].label, expected[i].label);
        QCOMPARE(samples[i].value, expected[i].value);
    }
    QCOMPARE(Title(), QStringLiteral("File 12"));
    QCOMPARE(dlg.m_pChart->ValueCaption().text, caption);
    // The layout was computed: one point per sample, four y labels.
    QCOMPARE(dlg.m_pChart->Points().size(), 4);
    QCOMPARE(dlg.m_pChart->YLabels().size(), 4);
}

void TestGraphView::fieldBeyondRowZero()
{
    // "DR%" (field 8) for a file whose row 0 has 8 fields (0 to 7).
    COstrumDlg &dlg = Dialog();
    const QStringList eight{"08-01-05", "06:00:00", "1012", "0.18", "0.32", "0.06", "0.06", "0.2"};
    dlg.m_sortedFiles = {FlatFile(1, "5"), Record(4, LogKindLogp, {eight, eight})};
    dlg.m_nGraphField = 2;
    dlg.ShowLogGraph(0);
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);

    dlg.m_nGraphField = 8;
    dlg.ShowLogGraph(1);
    QCOMPARE(m_prompts.messages, QStringList{kInvalidVariable});
    QCOMPARE(dlg.CurrentMessageTexts().InvalidVariableText, kInvalidVariable);
    // The chart is left cleared; no new title.
    QVERIFY(dlg.m_pChart->Samples().isEmpty());
    QVERIFY(dlg.m_pChart->Points().isEmpty());
    QCOMPARE(Title(), QStringLiteral("File 1"));

    // Field 7 exists.
    m_prompts.messages.clear();
    dlg.m_nGraphField = 7;
    dlg.ShowLogGraph(1);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(Title(), QStringLiteral("File 4"));
    QCOMPARE(dlg.m_pChart->Samples()[0].value, 0.2f);
}

void TestGraphView::entryWithoutRows()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {Record(6, LogKindPlain, {})};
    dlg.m_nGraphField = 2;
    dlg.ShowLogGraph(0);
    QCOMPARE(m_prompts.messages, QStringList{kInvalidVariable});
    QVERIFY(dlg.m_pChart->Samples().isEmpty());
}

void TestGraphView::shortLaterRows()
{
    // Only row 0 is tested: a later row without the field plots 0, a row
    // without field 1 gets an empty label.
    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {Record(3, LogKindPlain, {{"d", "10:00:00", "1.5", "4"}, {"d", "10:00:10", "2.5"}, {"d"}})};
    dlg.m_nGraphField = 3;
    dlg.ShowLogGraph(0);
    QVERIFY(m_prompts.messages.isEmpty());
    const QList<ChartSample> &samples = dlg.m_pChart->Samples();
    QCOMPARE(samples.size(), 3);
    QCOMPARE(samples[0].value, 4.0f);
    QCOMPARE(samples[1].label, QStringLiteral("10:00:10"));
    QCOMPARE(samples[1].value, 0.0f);
    QCOMPARE(samples[2].label, QString());
    QCOMPARE(samples[2].value, 0.0f);
}

void TestGraphView::indexThatAddressesNoEntry()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {FlatFile(1, "5"), FlatFile(2, "6")};
    dlg.m_nGraphField = 2;
    dlg.ShowLogGraph(0);
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);
    // The log types that pick nothing hand over the table size.
    dlg.ShowLogGraph(2);
    QVERIFY(m_prompts.messages.isEmpty());
    QVERIFY(dlg.m_pChart->Samples().isEmpty());
    dlg.ShowLogGraph(-1);
    QVERIFY(m_prompts.messages.isEmpty());
    QVERIFY(dlg.m_pChart->Samples().isEmpty());
}

void TestGraphView::emptyTable()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_nGraphField = 2;
    dlg.ShowLogGraph(0);
    QVERIFY(m_prompts.messages.isEmpty());
    QVERIFY(dlg.m_pChart->Samples().isEmpty());
    QVERIFY(!dlg.m_pGraphObject->isAnimationTimerActive());
}

void TestGraphView::graphObjectIsResetAndAnimated()
{
    COstrumDlg &dlg = Dialog();
    QVERIFY(dlg.m_pGraphObject);
    QCOMPARE(dlg.m_pGraphObject->GraphKindValue(), int(GraphKindLine));
    QCOMPARE(dlg.m_pGraphObject->AnimationMode(), 0);
    dlg.m_sortedFiles = {FlatFile(1, "5")};
    dlg.m_nGraphField = 2;
    dlg.ShowLogGraph(0);
    QCOMPARE(dlg.m_pGraphObject->AnimationMode(), 1);
    QVERIFY(dlg.m_pGraphObject->isAnimationTimerActive());
    QCOMPARE(dlg.m_pGraphObject->GetSeriesCount(), 0);
    QCOMPARE(dlg.m_pGraphObject->GetSegmentCount(), 0);
    QVERIFY(dlg.m_pGraphObject->isHidden());
    // With no segments the build-up is complete at once: the timer stops itself.
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.m_pGraphObject->isAnimationTimerActive(), 5000);
    // Resetting found nothing to delete, so no out-of-bounds message.
    QVERIFY(m_prompts.messages.isEmpty());
}

void TestGraphView::oneFileAllButtonsShowIt()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {FlatFile(1, "5"), FlatFile(7, "6")};
    dlg.m_plainLogFiles = {1};
    dlg.m_nGraphList = 0;
    dlg.m_nGraphField = 2;
    for (int id : {1079, 1080, 1089, 1090}) {
        dlg.ShowLogGraph(0);
        QCOMPARE(Title(), QStringLiteral("File 1"));
        Click(dlg, id);
        QCOMPARE(Title(), QStringLiteral("File 7"));
        QCOMPARE(dlg.m_pChart->Samples()[0].value, 6.0f);
        QCOMPARE(dlg.m_nGraphPos, 0);
    }
}

void TestGraphView::threeFilesBrowse_data()
{
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("endPos");

    QTest::newRow("<- from the first shows the third")
        << QList<int>{1079} << QStringList{"File 30"} << 2;
    QTest::newRow("<- then -> shows the first")
        << QList<int>{1079, 1080} << QStringList{"File 30", "File 10"} << 0;
    QTest::newRow(">> then -> shows the second")
        << QList<int>{1090, 1080} << QStringList{"File 30", "File 20"} << 1;
    QTest::newRow(">> then <- shows the third")
        << QList<int>{1090, 1079} << QStringList{"File 30", "File 30"} << 2;
    QTest::newRow("-> -> -> wraps to the first")
        << QList<int>{1080, 1080, 1080} << QStringList{"File 20", "File 30", "File 10"} << 0;
    QTest::newRow("-> then << shows the first")
        << QList<int>{1080, 1089} << QStringList{"File 20", "File 10"} << 0;
}

void TestGraphView::threeFilesBrowse()
{
    QFETCH(QList<int>, buttons);
    QFETCH(QStringList, titles);
    QFETCH(int, endPos);

    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {FlatFile(10, "1"), FlatFile(99, "9"), FlatFile(20, "2"), FlatFile(30, "3")};
    dlg.m_plainLogFiles = {0, 2, 3};
    dlg.m_nGraphList = 0;
    dlg.m_nGraphPos = 0;
    dlg.m_nGraphField = 2;
    QStringList shown;
    for (int id : buttons) {
        Click(dlg, id);
        shown << Title();
    }
    QCOMPARE(shown, titles);
    QCOMPARE(dlg.m_nGraphPos, endPos);
}

void TestGraphView::browseWalksTheChosenList()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {FlatFile(1, "1"), FlatFile(2, "2"), FlatFile(3, "3")};
    dlg.m_plainLogFiles = {0, 1};
    dlg.m_logpFiles = {2};
    dlg.m_nGraphField = 2;
    dlg.m_nGraphList = 1;
    Click(dlg, 1080);
    QCOMPARE(Title(), QStringLiteral("File 3"));
    QCOMPARE(dlg.m_nGraphPos, 0);
    // The same position in the plain list: on to its second file.
    dlg.m_nGraphList = 0;
    Click(dlg, 1080);
    QCOMPARE(Title(), QStringLiteral("File 2"));
    QCOMPARE(dlg.m_nGraphPos, 1);
}

void TestGraphView::emptyListDoesNothing()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {FlatFile(1, "1")};
    dlg.m_nGraphList = 1; // m_logpFiles is empty
    dlg.m_nGraphField = 2;
    dlg.ShowLogGraph(0);
    dlg.m_nGraphPos = 0;
    for (int id : {1079, 1080, 1089, 1090}) {
        Click(dlg, id);
        QCOMPARE(Title(), QStringLiteral("File 1"));
        QCOMPARE(dlg.m_pChart->Samples().size(), 2);
        QCOMPARE(dlg.m_nGraphPos, 0);
    }
    // A variable button sets the field and draws nothing.
    Click(dlg, 1057);
    QCOMPARE(dlg.m_nGraphField, 5);
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);
    QVERIFY(m_prompts.messages.isEmpty());
}

void TestGraphView::variableButtonRedrawsCurrentFile()
{
    COstrumDlg &dlg = Dialog();
    const QStringList row{"08-01-03", "08:00:00", "1012", "0.18", "0.28", "0.09", "0.05", "21.6", "12"};
    dlg.m_sortedFiles = {FlatFile(1, "1"), Record(2, LogKindLogp, {row}), Record(3, LogKindLogp, {row})};
    dlg.m_logpFiles = {1, 2};
    dlg.m_nGraphList = 1;
    dlg.m_nGraphPos = 1;
    Click(dlg, 1057); // "Vmin": field 5
    QCOMPARE(dlg.m_nGraphField, 5);
    QCOMPARE(dlg.m_nLogpVariable, 3);
    QCOMPARE(dlg.m_nGraphPos, 1);
    QCOMPARE(Title(), QStringLiteral("File 3"));
    QCOMPARE(dlg.m_pChart->Samples()[0].value, 0.09f);
    QCOMPARE(dlg.m_pChart->ValueCaption().text, QStringLiteral("h11"));
    Click(dlg, 1060); // "DR%": field 8
    QCOMPARE(dlg.m_pChart->Samples()[0].value, 12.0f);
}

void TestGraphView::variableButtonsPlotTheirFields()
{
    // Row field v holds the number v x 10, so each button's sample names its field.
    COstrumDlg &dlg = Dialog();
    QStringList row{"d", "t"};
    for (int v = 2; v <= 8; ++v)
        row << QString::number(v * 10);
    dlg.m_sortedFiles = {Record(5, LogKindPlain, {row})};
    dlg.m_plainLogFiles = {0};
    dlg.m_nGraphList = 0;
    const QList<QPair<int, int>> groupA{{1084, 2}, {1055, 3}, {1056, 4}, {1057, 5}, {1058, 6}, {1059, 7}, {1060, 8}};
    for (const auto &[id, field] : groupA) {
        Click(dlg, id);
        QCOMPARE(dlg.m_nGraphField, field);
        QCOMPARE(dlg.m_pChart->Samples()[0].value, float(field * 10));
    }
    Click(dlg, 1044); // "QRT Log" shows group B
    const QList<QPair<int, int>> groupB{{1063, 2}, {1064, 3}, {1082, 4}, {1083, 5}};
    for (const auto &[id, field] : groupB) {
        Click(dlg, id);
        QCOMPARE(dlg.m_nGraphField, field);
        QCOMPARE(dlg.m_pChart->Samples()[0].value, float(field * 10));
    }
    QCOMPARE(dlg.m_nPlainVariable, 3);
}

void TestGraphView::hiddenButtonShowsFirstEntry()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_sortedFiles = {FlatFile(8, "1"), FlatFile(9, "2")};
    dlg.m_nGraphField = 2;
    dlg.ShowLogGraph(1);
    QCOMPARE(Title(), QStringLiteral("File 9"));
    QVERIFY(Button(dlg, 1067)->isHidden());
    Button(dlg, 1067)->click();
    QCOMPARE(Title(), QStringLiteral("File 8"));
}

QTEST_MAIN(TestGraphView)
#include "test_graph_view.moc"
