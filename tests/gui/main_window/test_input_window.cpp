// The input window and its commands: clear, save, open (append), copy,
// Auto Scroll, and how the window follows the captured text.
#include "core/sorting/input_file.h"
#include "dialog_fixture.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/text_view.h"

#include <QAbstractButton>
#include <QFile>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <iterator>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

TextView *InputWindow(COstrumDlg &dlg)
{
    return qobject_cast<TextView *>(dlg.GetDlgItem(1031));
}

// Numbered lines, CR LF each: "line 0\r\n" ...
QString Lines(int first, int count)
{
    QString text;
    for (int i = first; i < first + count; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    return text;
}

} // namespace

class TestInputWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void fileBytes_data();
    void fileBytes();
    void saveWritesBomAndCodeUnits();
    void saveAndReopenGivesTheTextBack();
    void oddLengthFileDropsLastByte();
    void cancelledDialogsChangeNothing();
    void fileErrorsAreReported();
    void tooLargeFileIsRefused();
    void clearEmptiesTheText();
    void copyPutsTheMemberOnTheClipboard();
    void copyFromTheWindowGoesThroughThePrompts();
    void autoScrollToggles();
    void openScrollsToTheEndWhenAutoScrollIsOn();
    void pollAppendsWithoutRebuilding();
    void autoScrollOffKeepsThePosition();

private:
    void OpenDevice(COstrumDlg &dlg);
    void SetPrintout(const QByteArray &bytes);

    DialogFixture m_fixture;
    QTemporaryDir &m_dir = m_fixture.dir;
    SimControl &m_sim = m_fixture.sim;
};

void TestInputWindow::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestInputWindow::init()
{
    m_fixture.Init(true);
}

void TestInputWindow::OpenDevice(COstrumDlg &dlg)
{
    dlg.OnSearch();
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
}

void TestInputWindow::SetPrintout(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("printout.bin"));
    WriteAll(path, bytes);
    QCOMPARE(m_sim.Set("TAVIXSIM_PRINTOUT=" + path.toLocal8Bit()), 0);
}

void TestInputWindow::fileBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("one odd byte") << QByteArray("A", 1) << QString();
    QTest::newRow("BOM kept as U+FEFF") << QByteArray("\xFF\xFE" "A\0", 4) << QStringView(u"\uFEFFA").toString();
    QTest::newRow("no BOM") << QByteArray("h\0i\0", 4) << QStringLiteral("hi");
    QTest::newRow("zero code unit") << QByteArray("\0\0B\0", 4) << QStringView(u"\u0000B", 2).toString();
    QTest::newRow("CJK little-endian") << QByteArray("\x2D\x4E\x87\x65", 4) << QStringView(u"\u4E2D\u6587").toString();
    QTest::newRow("odd last byte dropped") << QByteArray("\xFF\xFE" "A\0B", 5) << QStringView(u"\uFEFFA").toString();
    QTest::newRow("big-endian BOM read as U+FFFE") << QByteArray("\xFE\xFF", 2) << QStringView(u"\uFFFE").toString();
}

void TestInputWindow::fileBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(InputTextFromBytes(bytes, InputFileForm::Utf16Le), text);
}

void TestInputWindow::saveWritesBomAndCodeUnits()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    const QString path = m_dir.filePath(QStringLiteral("small.txt"));
    dlg.m_strInput = QStringView(u"A\u0000\u00E4\u4E2D\r\n", 6).toString();
    prompts.saveAnswers = {path};
    dlg.OnSaveInput();
    QCOMPARE(prompts.filters, QStringList{TextFileFilter()});
    // FF FE, then A, U+0000, ä, 中, CR, LF as little-endian code units.
    QCOMPARE(ReadAll(path), QByteArray("\xFF\xFE" "A\0" "\0\0" "\xE4\0" "\x2D\x4E" "\r\0" "\n\0", 14));
    QVERIFY(prompts.messages.isEmpty());

    // Saving again replaces the file.
    dlg.m_strInput = QStringLiteral("B");
    prompts.saveAnswers = {path};
    dlg.OnSaveInput();
    QCOMPARE(ReadAll(path), QByteArray("\xFF\xFE" "B\0", 4));
}

void TestInputWindow::saveAndReopenGivesTheTextBack()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    // Every kind of character: U+0000, a BOM inside the text, Latin-1,
    // Chinese, a lone surrogate, a pair, the line ends.
    static const char16_t units[] = u"Temp 22.4 \u00BAC\r\n\u0000\uFEFF K\u00E4lte \u4E2D\u6587 \xD800 "
                                    u"\xD83D\xDE00 end\n";
    const QString text = QStringView(units, std::size(units) - 1).toString();
    QCOMPARE(text.size(), 35);
    QCOMPARE(text.at(14), QChar(0));
    const QString path = m_dir.filePath(QStringLiteral("round.txt"));
    dlg.m_strInput = text;
    prompts.saveAnswers = {path};
    dlg.OnSaveInput();
    QCOMPARE(QFileInfo(path).size(), 2 + 2 * text.size());

    prompts.openAnswers = {path};
    dlg.OnOpenInput();
    QCOMPARE(dlg.m_strInput, text + QChar(0xFEFF) + text);
    QVERIFY(prompts.messages.isEmpty());

    // Cleared and opened again: the BOM leads; saved once more, byte-exact.
    dlg.OnClearInput();
    prompts.openAnswers = {path};
    dlg.OnOpenInput();
    QCOMPARE(dlg.m_strInput, QChar(0xFEFF) + text);
    const QString again = m_dir.filePath(QStringLiteral("again.txt"));
    prompts.saveAnswers = {again};
    dlg.OnSaveInput();
    QCOMPARE(ReadAll(again), QByteArray("\xFF\xFE", 2) + ReadAll(path));
}

void TestInputWindow::oddLengthFileDropsLastByte()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    const QString path = m_dir.filePath(QStringLiteral("odd.txt"));
    WriteAll(path, QByteArray("\xFF\xFE" "O\0K\0!", 7));
    dlg.m_strInput = QStringLiteral("before ");
    prompts.openAnswers = {path};
    dlg.OnOpenInput();
    QCOMPARE(dlg.m_strInput, QStringView(u"before \uFEFFOK").toString());
    QCOMPARE(InputWindow(dlg)->ShownText(), QStringView(u"before \uFEFFOK").toString());
}

void TestInputWindow::cancelledDialogsChangeNothing()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.m_strInput = QStringLiteral("kept");
    dlg.OnOpenInput();
    dlg.OnSaveInput();
    QCOMPARE(prompts.openDialogs, 1);
    QCOMPARE(prompts.saveDialogs, 1);
    QCOMPARE(dlg.m_strInput, QStringLiteral("kept"));
    QVERIFY(prompts.messages.isEmpty());
}

void TestInputWindow::fileErrorsAreReported()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.m_strInput = QStringLiteral("kept");

    const QString missing = m_dir.filePath(QStringLiteral("no such file.txt"));
    prompts.openAnswers = {missing};
    dlg.OnOpenInput();
    QCOMPARE(prompts.messages, QStringList{"Cannot open file " + missing + ": No such file or directory"});

    // A folder is no file to read.
    prompts.messages.clear();
    prompts.openAnswers = {m_dir.path()};
    dlg.OnOpenInput();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.messages.first().startsWith("Cannot open file " + m_dir.path() + ": "));

    // A file that cannot be created.
    prompts.messages.clear();
    const QString unwritable = m_dir.filePath(QStringLiteral("missing folder/out.txt"));
    prompts.saveAnswers = {unwritable};
    dlg.OnSaveInput();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.messages.first().contains(unwritable));
    QVERIFY(!QFile::exists(unwritable));

    QCOMPARE(dlg.m_strInput, QStringLiteral("kept"));
}

void TestInputWindow::tooLargeFileIsRefused()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.m_strInput = QStringLiteral("kept");
    // A sparse file one byte over the limit: nothing is read from it.
    const QString path = m_dir.filePath(QStringLiteral("huge.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(kMaxInputFileBytes + 1));
    }
    prompts.openAnswers = {path};
    dlg.OnOpenInput();
    QCOMPARE(prompts.messages,
             QStringList{"Cannot read file " + path
                         + ": it holds 536870913 bytes, more than the 536870912 bytes that can be held as text"});
    QCOMPARE(dlg.m_strInput, QStringLiteral("kept"));
    QFile::remove(path);
}

void TestInputWindow::clearEmptiesTheText()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.m_strInput = Lines(0, 10);
    dlg.UpdateData(false);
    QVERIFY(!InputWindow(dlg)->ShownText().isEmpty());
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(1018))->click();
    QVERIFY(dlg.m_strInput.isEmpty());
    QVERIFY(InputWindow(dlg)->ShownText().isEmpty());
}

void TestInputWindow::copyPutsTheMemberOnTheClipboard()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    const QString text = QStringView(u"a\u0000b\r\n\u00BAC", 7).toString();
    dlg.m_strInput = text;
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(1023))->click();
    QCOMPARE(prompts.clipboard, QStringList{text});
}

void TestInputWindow::copyFromTheWindowGoesThroughThePrompts()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.m_strInput = Lines(0, 3);
    dlg.UpdateData(false);
    TextView *window = InputWindow(dlg);
    window->setFocus();
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(prompts.clipboard, QStringList{Lines(0, 3)});
}

void TestInputWindow::autoScrollToggles()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    auto *radio = qobject_cast<QAbstractButton *>(dlg.GetDlgItem(1039));
    QCOMPARE(dlg.m_nAutoScroll, 0);
    QVERIFY(radio->isChecked());
    radio->click();
    QCOMPARE(dlg.m_nAutoScroll, 1);
    QVERIFY(!radio->isChecked());
    radio->click();
    QCOMPARE(dlg.m_nAutoScroll, 0);
    QVERIFY(radio->isChecked());
}

void TestInputWindow::openScrollsToTheEndWhenAutoScrollIsOn()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QString path = m_dir.filePath(QStringLiteral("lines.txt"));
    dlg.m_strInput = Lines(0, 300);
    prompts.saveAnswers = {path};
    dlg.OnSaveInput();
    dlg.OnClearInput();

    QScrollBar *bar = InputWindow(dlg)->verticalScrollBar();
    prompts.openAnswers = {path};
    dlg.OnOpenInput();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // Off: the window stays where it is.
    dlg.OnClearInput();
    dlg.OnAutoScroll();
    bar->setValue(0);
    prompts.openAnswers = {path};
    dlg.OnOpenInput();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), 0);
}

void TestInputWindow::pollAppendsWithoutRebuilding()
{
    SetPrintout(Lines(0, 400).toLatin1()); // 400 lines, more than 600 bytes
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    OpenDevice(dlg);
    dlg.m_strInput = Lines(-50, 50);
    dlg.UpdateData(false);
    TextView *window = InputWindow(dlg);
    const int rebuilds = window->RebuildCount();

    QCOMPARE(m_sim.Set("PRINT"), 0);
    const qsizetype total = Lines(-50, 50).size() + Lines(0, 400).size();
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_strInput.size(), total, 10000);
    QCOMPARE(dlg.m_strInput, Lines(-50, 50) + Lines(0, 400));
    // Every tick added its chunk; nothing was laid out again.
    QCOMPARE(window->RebuildCount(), rebuilds);
    QCOMPARE(window->ShownLength(), total);
    QCOMPARE(window->ShownText(), TextView::DisplayForm(dlg.m_strInput));
    QCOMPARE(window->verticalScrollBar()->value(), window->verticalScrollBar()->maximum());
}

void TestInputWindow::autoScrollOffKeepsThePosition()
{
    SetPrintout(Lines(1000, 300).toLatin1());
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    OpenDevice(dlg);
    dlg.m_strInput = Lines(0, 200);
    dlg.UpdateData(false);
    dlg.OnAutoScroll();
    QCOMPARE(dlg.m_nAutoScroll, 1);

    TextView *window = InputWindow(dlg);
    QScrollBar *bar = window->verticalScrollBar();
    QVERIFY(bar->maximum() > 100);
    bar->setValue(100);
    const QString firstLine = window->LineText(window->FirstVisibleLine());

    QCOMPARE(m_sim.Set("PRINT"), 0);
    const qsizetype total = Lines(0, 200).size() + Lines(1000, 300).size();
    for (int tick = 0; tick < 100 && dlg.m_strInput.size() < total; ++tick) {
        dlg.PollDevice();
        QCOMPARE(bar->value(), 100);
    }
    QCOMPARE(dlg.m_strInput.size(), total);
    QVERIFY(bar->maximum() > 400);
    QCOMPARE(bar->value(), 100);
    QCOMPARE(window->LineText(window->FirstVisibleLine()), firstLine);

    // Back on: the next tick that brings data goes to the end.
    dlg.OnAutoScroll();
    QCOMPARE(m_sim.Set("PRINT"), 0);
    dlg.PollDevice();
    QCOMPARE(bar->value(), bar->maximum());
}

QTEST_MAIN(TestInputWindow)
#include "test_input_window.moc"
