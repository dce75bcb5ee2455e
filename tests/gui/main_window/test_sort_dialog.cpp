// The sort, save and clear commands of the main dialog and its log-type
// buttons, driven through the buttons: what each command changes, what each
// failure leaves as it was, and the bytes of a saved sorted data file.
#include "core/io/text_file.h"
#include "dialog_fixture.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/my_chart.h"
#include "gui/widgets/text_view.h"
#include "sample_logs.h"

#include <QAbstractButton>
#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kFilter = QStringLiteral("text file(*.txt)|*.txt|Data Files (*.dat)|*.dat|All Files (*.*)|*.*||");

QAbstractButton *Button(COstrumDlg &dlg, int id)
{
    return qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
}

void Click(COstrumDlg &dlg, int id)
{
    QAbstractButton *button = Button(dlg, id);
    QVERIFY2(button, qPrintable(QString::number(id)));
    QVERIFY2(button->isVisible(), qPrintable(QString::number(id)));
    QTest::mouseClick(button, Qt::LeftButton);
}

QString OutputWindowText(COstrumDlg &dlg)
{
    return qobject_cast<TextView *>(dlg.GetDlgItem(1054))->ShownText();
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

// The text of a sorted data file decoded by hand: FF FE, then pairs low, high.
QString DecodeSortedFile(const QByteArray &bytes)
{
    if (bytes.size() < 2 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xFE || bytes.size() % 2 != 0)
        return QStringLiteral("<no sorted data file>");
    QString text;
    for (qsizetype i = 2; i < bytes.size(); i += 2)
        text += QChar(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8)));
    return text;
}

} // namespace

class TestSortDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void logTypesOnOnePlainAndOneLogpFile();
    void failedParseChangesNothing();
    void sortPastTheSizeLimitChangesNothing();
    void emptyListLeavesOutputAndGraph();
    void qrt31RefusesDraughtRating();
    void qrt31PlotsTForT();
    void sortTwice();
    void sortAfterOpenShowsTheNewOutput();
    void barometerAbbreviatedInOutputOnly();
    void typesThatPickNothing();
    void saveSortedData();
    void saveOverLongerFile();
    void saveCancelled();
    void saveFailureIsReported();
    void saveEmptyOutput();
    void clearSortedData();
    void exportFromTheOutputsMenu();
    void qrt31MovesTBackToBarometer();
    void plainLogTypeSwitchesGroups();
    void hiddenLogTypeHandlers();
    void unusedCommandsDoNothing();

private:
    COstrumDlg &Dialog();
    void Sort(int logTypeButton);

    DialogFixture m_fixture;
    QTemporaryDir &m_files = m_fixture.dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<COstrumDlg> m_dlg;
};

void TestSortDialog::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestSortDialog::init()
{
    m_fixture.Init();
    DialogFixture::ShowDialog(m_prompts, m_dlg);
}

void TestSortDialog::cleanup()
{
    m_dlg.reset();
}

COstrumDlg &TestSortDialog::Dialog()
{
    return *m_dlg;
}

// Chooses the log type with its button and presses Sort.
void TestSortDialog::Sort(int logTypeButton)
{
    Click(Dialog(), logTypeButton);
    Click(Dialog(), 1035);
}

void TestSortDialog::logTypesOnOnePlainAndOneLogpFile()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog() + LogpLog();

    Sort(1044);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(dlg.m_strSortedOutput, kPlainOutput);
    QCOMPARE(OutputWindowText(dlg), TextView::DisplayForm(kPlainOutput));
    QCOMPARE(dlg.m_nGraphList, 0);
    QCOMPARE(dlg.m_nGraphField, 2);
    QCOMPARE(dlg.m_plainLogFiles, QList<qint32>{0});
    // The Logp list holds only files of the chosen type: none for "QRT Log".
    QVERIFY(dlg.m_logpFiles.isEmpty());
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 2"));
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);

    Sort(1043);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(dlg.m_strSortedOutput, kLogpOutput);
    QCOMPARE(dlg.m_nGraphList, 1);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 3"));

    // "QRT 31 Logp" finds no file: message, the output stays.
    Sort(1045);
    QCOMPARE(m_prompts.messages, QStringList{kSortFailedText});
    QCOMPARE(dlg.m_strSortedOutput, kLogpOutput);
    QCOMPARE(OutputWindowText(dlg), TextView::DisplayForm(kLogpOutput));
}

void TestSortDialog::failedParseChangesNothing()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog() + LogpLog();
    Sort(1043);
    dlg.m_nGraphPos = 1; // as if browsed
    const QList<LogFileRecord> table = dlg.m_sortedFiles;

    dlg.m_strInput = QStringLiteral("Tavix 3000\r\nNote book\r\n");
    Sort(1044);
    QCOMPARE(m_prompts.messages, QStringList{kSortFailedText});
    QCOMPARE(dlg.m_sortedFiles, table);
    QCOMPARE(dlg.m_plainLogFiles, QList<qint32>{0});
    QCOMPARE(dlg.m_logpFiles, QList<qint32>{1});
    QCOMPARE(dlg.m_nGraphPos, 1);
    QCOMPARE(dlg.m_nGraphList, 1);
    QCOMPARE(dlg.m_strSortedOutput, kLogpOutput);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 3"));
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);
}

void TestSortDialog::sortPastTheSizeLimitChangesNothing()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog() + LogpLog();
    Sort(1043);
    const QList<LogFileRecord> table = dlg.m_sortedFiles;

    // 40,000 markers without "Tavix" before one 100-row table: every marker
    // reads the table again (and the markers after it as headings), far past
    // 4 times the text plus 32 Mi characters. The parse stops at that limit.
    QString input = QStringLiteral("Printed by the instrument on request\r\n");
    for (int i = 0; i < 40000; ++i)
        input += QStringLiteral("File %1 \r\n").arg(i);
    input += QStringLiteral("Probe QRT Log\r\n\r\nDate     Time     Vel   Temp\r\n-----------------------\r\n");
    for (int r = 0; r < 100; ++r)
        input += QStringLiteral("08-01-02 12:30:%1 0.25 22.3\r\n").arg(r % 60);
    dlg.m_strInput = input + QStringLiteral("\r\n");
    Sort(1044);
    QCOMPARE(m_prompts.messages, QStringList{kSortFailedText});
    QCOMPARE(dlg.m_sortedFiles, table);
    QCOMPARE(dlg.m_logpFiles, QList<qint32>{1});
    QCOMPARE(dlg.m_nGraphList, 1);
    QCOMPARE(dlg.m_strSortedOutput, kLogpOutput);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 3"));
}

void TestSortDialog::emptyListLeavesOutputAndGraph()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog();
    Sort(1044);
    dlg.m_nGraphPos = 3;

    // Now the text holds a QRT 03 file first, but "QRT 31 Logp" finds none:
    // the table and the lists are rebuilt and the position is 0; the list
    // choice, the field, the output and the graph stay.
    dlg.m_strInput = LogpLog(7) + PlainLog(8);
    Sort(1045);
    QCOMPARE(m_prompts.messages, QStringList{kSortFailedText});
    QCOMPARE(dlg.m_sortedFiles.size(), 2);
    QCOMPARE(dlg.m_sortedFiles[0].fileNumber, 7);
    QCOMPARE(dlg.m_plainLogFiles, QList<qint32>{1});
    QVERIFY(dlg.m_logpFiles.isEmpty());
    QCOMPARE(dlg.m_nGraphPos, 0);
    QCOMPARE(dlg.m_nGraphList, 0);
    QCOMPARE(dlg.m_nGraphField, 2);
    QCOMPARE(dlg.m_strSortedOutput, kPlainOutput);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 2"));
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);
}

void TestSortDialog::qrt31RefusesDraughtRating()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog() + LogpLog(4, QStringLiteral("Probe QRT 31"));
    Sort(1044);
    // DR% is hidden by the "QRT 31 Logp" button; checked in code it is refused.
    Click(dlg, 1045);
    QVERIFY(Button(dlg, 1060)->isHidden());
    dlg.m_nLogpVariable = 6;
    dlg.UpdateData(false);
    Click(dlg, 1035);
    QCOMPARE(m_prompts.messages, QStringList{kSortFailedText});
    QCOMPARE(dlg.m_logpFiles, QList<qint32>{1});
    QCOMPARE(dlg.m_strSortedOutput, kPlainOutput);
    QCOMPARE(dlg.m_nGraphList, 0);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 2"));
}

void TestSortDialog::qrt31PlotsTForT()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = LogpLog(4, QStringLiteral("Probe QRT 31"));
    Click(dlg, 1045);
    Click(dlg, 1059); // "T" stays visible for "QRT 31 Logp"
    Click(dlg, 1035);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(dlg.m_nGraphField, 7);
    // Field 7 is the temperature: 22.3 and 22,4, captioned with its unit.
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);
    QCOMPARE(dlg.m_pChart->Samples()[0].value, 22.3f);
    QCOMPARE(dlg.m_pChart->Samples()[1].value, 22.4f);
    QCOMPARE(dlg.m_pChart->ValueCaption().text, QStringLiteral("degC"));
}

void TestSortDialog::sortTwice()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog() + LogpLog();
    Sort(1043);
    const QString first = dlg.m_strSortedOutput;
    Click(dlg, 1035);
    QCOMPARE(dlg.m_strSortedOutput, first);
    QCOMPARE(dlg.m_strSortedOutput, kLogpOutput);

    // The second run re-reads the input, with what arrived since.
    dlg.m_strInput += LogpLog(9, QStringLiteral("Probe QRT03"));
    Click(dlg, 1035);
    QCOMPARE(dlg.m_strSortedOutput, kLogpOutput + QString(kLogpOutput).replace(0, 6, QStringLiteral("File 9")));
    QCOMPARE(dlg.m_logpFiles, (QList<qint32>{1, 2}));
}

// A plain log of 40 rows; rows 20 and 21 hold the velocities 0.2 and
// 0.275, traded when traded is set.
QString LongPlainLog(bool traded)
{
    QStringList lines{QStringLiteral("File 2 "), "Tavix 3000 s/n 123456", "Probe QRT Log", "Time Constant 1 sec",
                      "Log Interval 10 sec", "", "Date     Time     Vel   Temp", kRule};
    for (int row = 0; row < 40; ++row) {
        QString velocity = QStringLiteral("0.25");
        if (row == 20 || row == 21)
            velocity = (row == 20) != traded ? QStringLiteral("0.2") : QStringLiteral("0.275");
        lines << QStringLiteral("08-01-02 12:%1:00 %2 22.3").arg(row, 2, 10, QLatin1Char('0')).arg(velocity);
    }
    lines << QString();
    return Lines(lines);
}

void TestSortDialog::sortAfterOpenShowsTheNewOutput()
{
    // Sort, Clear input data, Open a capture whose sorted output has the
    // same length and the same start and end, Sort: the output window shows
    // the new output, line for line, as the member holds it.
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = LongPlainLog(false);
    Sort(1044);
    const QString first = dlg.m_strSortedOutput;
    QCOMPARE(OutputWindowText(dlg), TextView::DisplayForm(first));

    const QString path = m_files.filePath(QStringLiteral("second capture.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(Utf16LeWithBom(LongPlainLog(true))) > 0);
    }
    Click(dlg, 1018);
    m_prompts.openAnswers = {path};
    Click(dlg, 1022);
    Click(dlg, 1035);
    QCOMPARE(dlg.m_strSortedOutput.size(), first.size());
    QVERIFY(dlg.m_strSortedOutput != first);
    QCOMPARE(dlg.m_strSortedOutput.first(256), first.first(256));
    QCOMPARE(dlg.m_strSortedOutput.last(256), first.last(256));
    QCOMPARE(OutputWindowText(dlg), TextView::DisplayForm(dlg.m_strSortedOutput));
}

void TestSortDialog::barometerAbbreviatedInOutputOnly()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = LogpLog();
    Sort(1043);
    QVERIFY(!dlg.m_strSortedOutput.contains(QStringLiteral("Barometer")));
    QVERIFY(dlg.m_strSortedOutput.startsWith(QStringLiteral("File 3\r\nDATE\t\tTIME\t\tBa\t")));
    QCOMPARE(dlg.m_sortedFiles[0].columnHeaders[4], QStringLiteral("Barometer"));
}

void TestSortDialog::typesThatPickNothing()
{
    // Their buttons are hidden; chosen in code, they pick nothing: no
    // message, no graph, the output only abbreviated.
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog() + LogpLog() + PlainLog(5);
    Sort(1044);
    for (int type : {3, 4, 5}) {
        dlg.m_strSortedOutput = QStringLiteral("Avg Temp");
        dlg.m_nLogType = type;
        dlg.UpdateData(false);
        dlg.OnSort();
        QVERIFY(m_prompts.messages.isEmpty());
        QCOMPARE(dlg.m_strSortedOutput, QStringLiteral("AT"));
        // Three entries: the field and the index handed to the graph are 3.
        QCOMPARE(dlg.m_nGraphField, 3);
        QVERIFY(dlg.m_pChart->Samples().isEmpty());
        QCOMPARE(dlg.m_nGraphList, type == 4 ? 0 : 1);
    }
}

void TestSortDialog::saveSortedData()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog() + LogpLog();
    Sort(1044);
    const QString path = m_files.filePath(QStringLiteral("plain.txt"));
    m_prompts.saveAnswers << path;
    Click(dlg, 1032);
    QCOMPARE(m_prompts.saveDialogs, 1);
    QCOMPARE(m_prompts.filters.last(), kFilter);
    QVERIFY(m_prompts.messages.isEmpty());

    const QByteArray bytes = ReadAll(path);
    const QByteArray start("\xFF\xFE\x46\x00\x69\x00\x6C\x00\x65\x00\x20\x00\x32\x00\x0D\x00\x0A\x00", 18);
    QCOMPARE(bytes.left(18), start);
    // "File 2" and its line break: 8 characters; the header line: 2 x (10 +
    // 10 + 9 + 10) + 2 = 80; each data line: 2 x 11 + 2 x 7 + 2 = 38.
    QCOMPARE(kPlainOutput.size(), 8 + 80 + 2 * 38);
    QCOMPARE(bytes.size(), 2 + 2 * kPlainOutput.size());
    QCOMPARE(DecodeSortedFile(bytes), kPlainOutput);
}

void TestSortDialog::saveOverLongerFile()
{
    COstrumDlg &dlg = Dialog();
    const QString path = m_files.filePath(QStringLiteral("longer.txt"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x'));
    }
    dlg.m_strSortedOutput = QStringLiteral("ab");
    m_prompts.saveAnswers << path;
    Click(dlg, 1032);
    QCOMPARE(ReadAll(path), QByteArray("\xFF\xFE" "a\0b\0", 6));
}

void TestSortDialog::saveCancelled()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strSortedOutput = QStringLiteral("kept");
    const QStringList before = QDir(m_files.path()).entryList(QDir::Files);
    Click(dlg, 1032); // no answer queued: cancelled
    QCOMPARE(m_prompts.saveDialogs, 1);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(QDir(m_files.path()).entryList(QDir::Files), before);
    QCOMPARE(dlg.m_strSortedOutput, QStringLiteral("kept"));
}

void TestSortDialog::saveFailureIsReported()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strSortedOutput = QStringLiteral("kept");
    const QString path = m_files.filePath(QStringLiteral("no such folder/sorted.txt"));
    m_prompts.saveAnswers << path;
    Click(dlg, 1032);
    QCOMPARE(m_prompts.messages.size(), 1);
    QVERIFY2(m_prompts.messages[0].contains(path), qPrintable(m_prompts.messages[0]));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(dlg.m_strSortedOutput, QStringLiteral("kept"));
}

void TestSortDialog::saveEmptyOutput()
{
    COstrumDlg &dlg = Dialog();
    const QString path = m_files.filePath(QStringLiteral("empty.dat"));
    m_prompts.saveAnswers << path;
    Click(dlg, 1032);
    QCOMPARE(ReadAll(path), QByteArray("\xFF\xFE"));
}

void TestSortDialog::clearSortedData()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog(2) + PlainLog(5);
    Sort(1044);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 2"));
    const QList<LogFileRecord> table = dlg.m_sortedFiles;

    Click(dlg, 1034);
    QVERIFY(dlg.m_strSortedOutput.isEmpty());
    QVERIFY(OutputWindowText(dlg).isEmpty());
    QVERIFY(dlg.m_pChart->Samples().isEmpty());
    QVERIFY(dlg.m_pChart->Points().isEmpty());
    QCOMPARE(dlg.m_sortedFiles, table);
    QCOMPARE(dlg.m_plainLogFiles, (QList<qint32>{0, 1}));

    // "->" draws the next file from the lists; the output window stays empty.
    Click(dlg, 1080);
    QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 5"));
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);
    QVERIFY(dlg.m_strSortedOutput.isEmpty());
    QVERIFY(OutputWindowText(dlg).isEmpty());
}

void TestSortDialog::qrt31MovesTBackToBarometer()
{
    COstrumDlg &dlg = Dialog();
    Click(dlg, 1059); // "T"
    QCOMPARE(dlg.m_nLogpVariable, 5);
    Click(dlg, 1045);
    QCOMPARE(dlg.m_nLogType, 2);
    QCOMPARE(dlg.m_nLogpVariable, 0);
    QVERIFY(Button(dlg, 1084)->isChecked());
    QVERIFY(!Button(dlg, 1059)->isChecked());
    QVERIFY(Button(dlg, 1060)->isHidden());
    QVERIFY(!Button(dlg, 1059)->isHidden());

    Click(dlg, 1043);
    QCOMPARE(dlg.m_nLogType, 0);
    QVERIFY(Button(dlg, 1084)->isChecked());
    QVERIFY(!Button(dlg, 1060)->isHidden());

    // A variable up to "StdD" stays when "QRT 31 Logp" is chosen.
    Click(dlg, 1058);
    Click(dlg, 1045);
    QCOMPARE(dlg.m_nLogpVariable, 4);
    QVERIFY(Button(dlg, 1058)->isChecked());
}

void TestSortDialog::plainLogTypeSwitchesGroups()
{
    COstrumDlg &dlg = Dialog();
    Click(dlg, 1056); // "Vmax"
    Click(dlg, 1044);
    QCOMPARE(dlg.m_nLogType, 1);
    for (int id : {1084, 1055, 1056, 1057, 1058, 1059, 1060})
        QVERIFY2(dlg.GetDlgItem(id)->isHidden(), qPrintable(QString::number(id)));
    for (int id : {1061, 1063, 1064, 1082, 1083})
        QVERIFY2(!dlg.GetDlgItem(id)->isHidden(), qPrintable(QString::number(id)));
    Click(dlg, 1082); // "Var3"
    QCOMPARE(dlg.m_nPlainVariable, 2);

    // Back to "QRT 03 Logp": each group keeps its checked button.
    Click(dlg, 1043);
    QVERIFY(dlg.GetDlgItem(1061)->isHidden());
    QVERIFY(Button(dlg, 1056)->isChecked());
    QVERIFY(Button(dlg, 1082)->isChecked());
    QCOMPARE(dlg.m_nLogpVariable, 2);
    QCOMPARE(dlg.m_nPlainVariable, 2);
}

void TestSortDialog::hiddenLogTypeHandlers()
{
    COstrumDlg &dlg = Dialog();
    Click(dlg, 1045);
    QVERIFY(Button(dlg, 1060)->isHidden());
    // 1046: copy in, then show "DR%". Each handler takes the checked button in.
    auto check = [&dlg](int type) {
        const int member = dlg.m_nLogType;
        dlg.m_nLogType = type;
        dlg.UpdateData(false);
        dlg.m_nLogType = member;
    };
    check(3);
    dlg.OnLogTypeQrt03Pressure();
    QCOMPARE(dlg.m_nLogType, 3);
    QVERIFY(!Button(dlg, 1060)->isHidden());
    check(4);
    dlg.OnLogTypeQrtLogNoInterval();
    QCOMPARE(dlg.m_nLogType, 4);
    check(5);
    dlg.OnLogTypeQrt31Pressure();
    QCOMPARE(dlg.m_nLogType, 5);
    QVERIFY(Button(dlg, 1046)->isHidden());
}

void TestSortDialog::unusedCommandsDoNothing()
{
    COstrumDlg &dlg = Dialog();
    dlg.m_strInput = PlainLog();
    Sort(1044);
    for (int id : {1033, 1065, 1066})
        Button(dlg, id)->click();
    QCOMPARE(dlg.m_strSortedOutput, kPlainOutput);
    QCOMPARE(dlg.m_pChart->Samples().size(), 2);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(m_prompts.saveDialogs, 0);
    QVERIFY(m_prompts.clipboard.isEmpty());
}


void TestSortDialog::exportFromTheOutputsMenu()
{
    // The sorted output's context menu exports the sort shown: disabled
    // before a sort and after "Clear sorted data", the CSV in the locale's
    // dialect, the report as a PDF, a failure reported as Save reports it.
    COstrumDlg &dlg = Dialog();
    auto *output = qobject_cast<TextView *>(dlg.GetDlgItem(1054));
    const auto action = [output](const char *name) {
        std::unique_ptr<QMenu> menu(output->CreateContextMenu(nullptr));
        QAction *found = menu->findChild<QAction *>(QLatin1String(name));
        return found ? std::make_pair(found->text(), found->isEnabled()) : std::make_pair(QString(), true);
    };
    const auto trigger = [output](const char *name) {
        std::unique_ptr<QMenu> menu(output->CreateContextMenu(nullptr));
        menu->findChild<QAction *>(QLatin1String(name))->trigger();
    };
    QCOMPARE(action("export-csv"), std::make_pair(QStringLiteral("Export CSV..."), false));
    QCOMPARE(action("export-report"), std::make_pair(QStringLiteral("Report (PDF)..."), false));

    dlg.m_strInput = PlainLog() + LogpLog();
    Sort(1044);
    QVERIFY(action("export-csv").second);
    QVERIFY(action("export-report").second);

    const QLocale locale;
    QLocale::setDefault(QLocale::c());
    const QString csv = m_files.filePath(QStringLiteral("plain.csv"));
    m_prompts.saveAnswers << csv;
    trigger("export-csv");
    QCOMPARE(ReadAll(csv), QByteArray("\xEF\xBB\xBF"
                                      "file,date,time,datetime,seconds,Vel,Temp\r\n"
                                      "2,08-01-02,12:30:00,2008-01-02T12:30:00,0,0.25,22.3\r\n"
                                      "2,08-01-02,12:30:10,2008-01-02T12:30:10,10,0.27,22.4\r\n"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    m_prompts.saveAnswers << csv;
    trigger("export-csv");
    QLocale::setDefault(locale);
    QVERIFY(ReadAll(csv).endsWith("2;08-01-02;12:30:10;2008-01-02T12:30:10;10;0,27;22,4\r\n"));

    const QString pdf = m_files.filePath(QStringLiteral("plain.pdf"));
    m_prompts.saveAnswers << pdf;
    trigger("export-report");
    QVERIFY(ReadAll(pdf).startsWith("%PDF-"));
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(m_prompts.filters.last(), QStringLiteral("PDF file(*.pdf)|*.pdf|All Files (*.*)|*.*||"));

    const QString missing = m_files.filePath(QStringLiteral("no such folder/plain.csv"));
    m_prompts.saveAnswers << missing;
    trigger("export-csv");
    QCOMPARE(m_prompts.messages.size(), 1);
    QVERIFY2(m_prompts.messages[0].contains(missing), qPrintable(m_prompts.messages[0]));

    Click(dlg, 1034);
    QVERIFY(!action("export-csv").second);
    QVERIFY(!action("export-report").second);
}

QTEST_MAIN(TestSortDialog)
#include "test_sort_dialog.moc"
