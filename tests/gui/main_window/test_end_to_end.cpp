// The road of the log files from the simulated instrument to the graph,
// through the real dialog: start-up, Search and Open, Enter (the instrument
// prints), the print-out arriving through the poll, Sort for each of the
// three log types, the chart of the first file, the browse and variable
// buttons, Save sorted data and Clear sorted data.
//
// What is expected follows from the simulator's documented print-out: five
// log files, 1 and 5 plain logs, 2 and 3 QRT 03 Logp files (2 with "." and 3
// with "," as decimal sign), 4 a QRT 31 Logp file; their first rows, row
// counts and last times.
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/device_list_box.h"
#include "gui/widgets/my_chart.h"
#include "gui/widgets/text_view.h"
#include "scripted_prompts.h"
#include "sim_control.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kSignatureLine = QStringLiteral(" Signature .................\r\n");

QAbstractButton *Button(COstrumDlg &dlg, int id)
{
    return qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
}

void Click(COstrumDlg &dlg, int id)
{
    QAbstractButton *button = Button(dlg, id);
    QVERIFY2(button && button->isVisible() && button->isEnabled(), qPrintable(QString::number(id)));
    QTest::mouseClick(button, Qt::LeftButton);
}

// The "File N" header lines of a sorted output, in order.
QStringList FileHeaders(const QString &output)
{
    QStringList headers;
    for (const QString &line : output.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QStringLiteral("File ")))
            headers << line;
    }
    return headers;
}

// The bytes of a sorted data file, encoded here by hand: FF FE, then each
// code unit low byte first.
QByteArray SortedDataFile(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void logFilesFromInstrumentToGraph();

private:
    void CheckChart(COstrumDlg &dlg, const QString &title, int samples, const QString &firstLabel,
                    float firstValue, const QString &lastLabel, const QString &caption);

    QTemporaryDir m_profileDir;
    QTemporaryDir m_files;
};

void TestEndToEnd::initTestCase()
{
    QVERIFY(m_profileDir.isValid());
    QVERIFY(m_files.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_profileDir.path());
}

void TestEndToEnd::CheckChart(COstrumDlg &dlg, const QString &title, int samples, const QString &firstLabel,
                              float firstValue, const QString &lastLabel, const QString &caption)
{
    const CMyChart &chart = *dlg.m_pChart;
    QCOMPARE(chart.Title(), title);
    QCOMPARE(chart.Samples().size(), samples);
    QCOMPARE(chart.Samples().first().label, firstLabel);
    QCOMPARE(chart.Samples().first().value, firstValue);
    QCOMPARE(chart.Samples().last().label, lastLabel);
    QCOMPARE(chart.ValueCaption().text, caption);
    QCOMPARE(chart.Points().size(), samples);
}

void TestEndToEnd::logFilesFromInstrumentToGraph()
{
    SimControl sim;
    QVERIFY(sim.IsLoaded());
    QCOMPARE(sim.Set("RESET"), 0);
    QCOMPARE(sim.Set("TAVIXSIM_BAUD=0"), 0);

    // Start-up: no device remembered, so the start-up connection opens nothing.
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(g_bDeviceReady, 0);

    // Search lists the instrument by its serial number; Open opens and probes it.
    Click(dlg, 1030);
    QVERIFY(dlg.m_pDeviceList);
    QCOMPARE(dlg.m_pDeviceList->GetCurSel(), 0);
    QCOMPARE(dlg.m_pDeviceList->GetText(0), QStringLiteral("Tavix3000 s/n TX300001"));
    Click(dlg, 1024);
    QTRY_COMPARE_WITH_TIMEOUT(g_bDeviceReady, 1, 10000);
    QVERIFY(dlg.IsDeviceOpen());

    // Enter is the long press of Print: the print-out arrives through the poll.
    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : static_cast<QWidget *>(&dlg), Qt::Key_Return);
    // Two reports and five log files, each ending with its signature line
    // and an empty line.
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.count(kSignatureLine) == 7
                                 && dlg.m_strInput.endsWith(kSignatureLine + QStringLiteral("\r\n")),
                             30000);
    QCOMPARE(dlg.m_strInput.count(QStringLiteral("File ")), 5);
    QVERIFY(dlg.m_strInput.contains(QStringLiteral("Avg Temp 21.6 \u00BA" "C")));

    // "QRT 03 Logp" with "Barometer": files 2 and 3, the graph of file 2.
    Click(dlg, 1043);
    Click(dlg, 1084);
    Click(dlg, 1035);
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.messages.join(QLatin1Char('\n'))));
    const QString qrt03 = dlg.m_strSortedOutput;
    QCOMPARE(FileHeaders(qrt03), (QStringList{"File 2", "File 3"}));
    QVERIFY(qrt03.startsWith(QStringLiteral(
        "File 2\r\n"
        "DATE\t\tTIME\t\tBa\tAV\tMax Velocity\tMin Velocity\tStdD\tAT\tDR\t\r\n"
        "TT-MM-DD\tHH:MM:SS\tB-hPa\tm/s\tm/s\tm/s\tm/s\t\u00BA" "C\t%\t\r\n"
        "08-01-03\t08:00:00\t1012\t0.18\t0.28\t0.09\t0.05\t21.6\t12\t\r\n")));
    QVERIFY(qrt03.contains(QStringLiteral("\r\nFile 3\r\nDATE\t\tTIME\t\tBa\t")));
    QVERIFY(qrt03.contains(QStringLiteral("\r\n08-01-04\t10:15:00\t1012\t0,18\t0,30\t0,09\t0,05\t22,8\t12\t\r\n")));
    // Lines: a file line, two header lines and one line per row (20 and 10).
    QCOMPARE(qrt03.count(QStringLiteral("\r\n")), (3 + 20) + (3 + 10));
    QVERIFY(qrt03.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(qobject_cast<TextView *>(dlg.GetDlgItem(1054))->ShownText(), TextView::DisplayForm(qrt03));
    // The chart: file 2's barometer, one sample a row, labelled with the times.
    CheckChart(dlg, "File 2", 20, "08:00:00", 1012.0f, "08:19:00", "B-hPa");
    QCOMPARE(dlg.m_pChart->YLabels().size(), 4);
    QCOMPARE(dlg.m_pChart->XLabels().size(), 4);

    // Browse through both files of the list.
    Click(dlg, 1080);
    CheckChart(dlg, "File 3", 10, "10:15:00", 1012.0f, "10:33:00", "B-hPa");
    Click(dlg, 1080);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 2"));
    Click(dlg, 1079);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 3"));
    Click(dlg, 1089);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 2"));
    Click(dlg, 1090);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 3"));
    QCOMPARE(dlg.m_nGraphPos, 0);

    // A variable button redraws the file at the position: "T" of file 2.
    Click(dlg, 1059);
    CheckChart(dlg, "File 2", 20, "08:00:00", 21.6f, "08:19:00", QStringLiteral("\u00BA" "C"));
    // "Vavg" of file 3 reads its decimal commas.
    Click(dlg, 1080);
    Click(dlg, 1055);
    CheckChart(dlg, "File 3", 10, "10:15:00", 0.18f, "10:33:00", "m/s");

    // "QRT Log" with "Var1": files 1 and 5.
    Click(dlg, 1044);
    Click(dlg, 1063);
    Click(dlg, 1035);
    QVERIFY(prompts.messages.isEmpty());
    const QString plain = dlg.m_strSortedOutput;
    QCOMPARE(FileHeaders(plain), (QStringList{"File 1", "File 5"}));
    const QString plainHeader = QStringLiteral("Date      Time      V(m/s)      T(\u00BA" "C)      DR(%)      B(hPa)      ");
    QVERIFY(plain.startsWith(QStringLiteral("File 1\r\n") + plainHeader + plainHeader
                             + QStringLiteral("\r\n08-01-02   12:30:00   0.25   22.3   14   1013   \r\n")));
    QVERIFY(plain.contains(QStringLiteral("\r\nFile 5\r\n") + plainHeader + plainHeader
                           + QStringLiteral("\r\n08-01-06   14:00:00   0,25   22,3   14   1013   \r\n")));
    QCOMPARE(plain.count(QStringLiteral("\r\n")), (2 + 48) + (2 + 24));
    CheckChart(dlg, "File 1", 48, "12:30:00", 0.25f, "12:37:50", "V(m/s)");
    Click(dlg, 1080);
    CheckChart(dlg, "File 5", 24, "14:00:00", 0.25f, "14:23:00", "V(m/s)");
    Click(dlg, 1080);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 1"));
    // "Var4" plots the barometer column.
    Click(dlg, 1083);
    CheckChart(dlg, "File 1", 48, "12:30:00", 1013.0f, "12:37:50", "B(hPa)");

    // "QRT 31 Logp": file 4 only. DR% is hidden; "Vavg", checked last in
    // group A, stays checked; "Barometer" is chosen for the sort.
    Click(dlg, 1045);
    QVERIFY(Button(dlg, 1060)->isHidden());
    QVERIFY(Button(dlg, 1055)->isChecked());
    Click(dlg, 1084);
    Click(dlg, 1035);
    QVERIFY(prompts.messages.isEmpty());
    const QString qrt31 = dlg.m_strSortedOutput;
    QCOMPARE(FileHeaders(qrt31), QStringList{"File 4"});
    QVERIFY(qrt31.startsWith(QStringLiteral(
        "File 4\r\n"
        "DATE\t\tTIME\t\tBa\tAV\tMax Velocity\tMin Velocity\tStdD\tAT\t\r\n"
        "TT-MM-DD\tHH:MM:SS\tB-hPa\tm/s\tm/s\tm/s\tm/s\t\u00BA" "C\t\r\n"
        "08-01-05\t06:00:00\t1012\t0.18\t0.32\t0.06\t0.06\t0.2\t\r\n")));
    QCOMPARE(qrt31.count(QStringLiteral("\r\n")), 3 + 12);
    CheckChart(dlg, "File 4", 12, "06:00:00", 1012.0f, "06:05:30", "B-hPa");
    for (int id : {1079, 1080, 1089, 1090}) {
        Click(dlg, id);
        QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 4"));
    }
    // "T" of file 4: temperatures around 0, the first 0.2.
    Click(dlg, 1059);
    CheckChart(dlg, "File 4", 12, "06:00:00", 0.2f, "06:05:30", QStringLiteral("\u00BA" "C"));

    // Save sorted data: FF FE and the output as UTF-16 little-endian.
    const QString path = m_files.filePath(QStringLiteral("qrt31.txt"));
    prompts.saveAnswers << path;
    Click(dlg, 1032);
    QVERIFY(prompts.messages.isEmpty());
    const QByteArray saved = ReadFile(path);
    QVERIFY(saved.startsWith(QByteArray("\xFF\xFE" "F\0i\0l\0e\0 \0" "4\0\r\0\n\0D\0A\0T\0E\0\t\0\t\0", 30)));
    QCOMPARE(saved, SortedDataFile(qrt31));

    // Clear sorted data: the output and the chart empty, the table stays.
    const int tableSize = int(dlg.m_sortedFiles.size());
    QCOMPARE(tableSize, 5);
    Click(dlg, 1034);
    QVERIFY(dlg.m_strSortedOutput.isEmpty());
    QVERIFY(qobject_cast<TextView *>(dlg.GetDlgItem(1054))->ShownText().isEmpty());
    QVERIFY(dlg.m_pChart->Samples().isEmpty());
    QCOMPARE(dlg.m_sortedFiles.size(), tableSize);
    QCOMPARE(dlg.m_logpFiles, QList<qint32>{3});
    QVERIFY(prompts.messages.isEmpty());
}

QTEST_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
