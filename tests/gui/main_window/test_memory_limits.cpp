// Memory that runs out inside a command: Sort, Open input data and the
// poll's append end with a message, and everything captured stays. The
// process's address space is limited around the one command, so that its
// large allocations fail while small ones still succeed.
#include "address_sanitizer.h"
#include "dialog_fixture.h"
#include "gui/main_window/costrum_dlg.h"
#include "core/sorting/input_file.h"
#include "gui/widgets/prompts.h"
#include "gui/widgets/text_view.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

// The address space the process uses now, in bytes (Linux).
qint64 AddressSpaceInUse()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(0).toLongLong() * sysconf(_SC_PAGESIZE);
}

// Limits the address space to what is in use plus headroom while it
// lives, and lifts the limit again afterwards.
class AddressSpaceLimit
{
public:
    explicit AddressSpaceLimit(qint64 headroom)
    {
        getrlimit(RLIMIT_AS, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(AddressSpaceInUse() + headroom);
        m_set = setrlimit(RLIMIT_AS, &limit) == 0;
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &m_saved); }
    bool IsSet() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};

constexpr qint64 kMiB = 1024 * 1024;

// Plain log files of many rows: the sort keeps every field as its own text.
QString ManyPlainLogs(int files, int rows)
{
    QString text;
    for (int f = 0; f < files; ++f) {
        text += QStringLiteral("File %1 \r\nTavix 3000 s/n 123456\r\nProbe QRT Log\r\nTime Constant 1 sec\r\n"
                               "Log Interval 10 sec\r\n\r\nDate     Time     Vel   Temp\r\n"
                               "-----------------------\r\n")
                    .arg(f + 1);
        for (int r = 0; r < rows; ++r)
            text += QStringLiteral("08-01-02 12:%1:%2 0.%3 22.%4\r\n")
                        .arg(r / 60 % 60, 2, 10, QLatin1Char('0'))
                        .arg(r % 60, 2, 10, QLatin1Char('0'))
                        .arg(r % 97)
                        .arg(r % 9);
        text += QStringLiteral("\r\n");
    }
    return text;
}

} // namespace

class TestMemoryLimits : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sortOutOfMemory();
    void openInputOutOfMemory();
    void openInputWithoutRoomForItsLines();
    void viewWithoutRoomForItsLinesSaysSo();
    void pollOutOfMemoryReadsNothing();
    void openReadsIntoTheEmptyInputText();
    void captureStopsWhereItsSavedFileIsStillRead();
    void fileDialogWithoutRoomSaysSo();
    void saveNeedsNoSecondCopy_data();
    void saveNeedsNoSecondCopy();

private:
    DialogFixture m_fixture;
    QTemporaryDir &m_dir = m_fixture.dir;
    SimControl &m_sim = m_fixture.sim;
};

void TestMemoryLimits::initTestCase()
{
#ifdef TAVIX_ADDRESS_SANITIZER
    QSKIP("the address sanitizer's shadow memory takes the whole address space; no limit can be set");
#endif
    m_fixture.InitTestCase();
    QVERIFY(AddressSpaceInUse() > 0);
}

void TestMemoryLimits::sortOutOfMemory()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(prompts.messages, QStringList());
    // About 5 MB of text in 400,000 rows: sorting it takes far more than
    // the 64 MiB left to it.
    const QString input = ManyPlainLogs(200, 2000);
    dlg.m_strSortedOutput = QStringLiteral("the previous output\r\n");
    dlg.m_nLogType = 1;
    dlg.UpdateData(false);
    dlg.m_strInput = input;
    {
        AddressSpaceLimit limit(64 * kMiB);
        QVERIFY(limit.IsSet());
        dlg.OnSort();
    }
    QCOMPARE(prompts.messages,
             QStringList{QStringLiteral("There is not enough memory to sort the input data. The input data is "
                                        "unchanged; please save it and sort a smaller part.")});
    QCOMPARE(dlg.m_strInput, input);
    QCOMPARE(dlg.m_strSortedOutput, QStringLiteral("the previous output\r\n"));

    // With the memory back the same command sorts.
    prompts.messages.clear();
    dlg.OnSort();
    QCOMPARE(prompts.messages, QStringList());
    QCOMPARE(dlg.m_plainLogFiles.size(), 200);
    QVERIFY(dlg.m_strSortedOutput.startsWith(QStringLiteral("File 1")));
}

void TestMemoryLimits::openInputOutOfMemory()
{
    const QString path = m_dir.filePath(QStringLiteral("large.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(96 * kMiB));
    }
    const QString small = m_dir.filePath(QStringLiteral("small.txt"));
    {
        QFile file(small);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray("\xFF\xFE" "a\0b\0", 6)), 6);
    }
    ScriptedPrompts prompts;
    prompts.openAnswers = {path, small};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(prompts.messages, QStringList());
    dlg.m_strInput = QStringLiteral("captured before\r\n");
    {
        // The file's bytes fit, their text beside them does not.
        AddressSpaceLimit limit(160 * kMiB);
        QVERIFY(limit.IsSet());
        dlg.OnOpenInput();
    }
    QCOMPARE(prompts.messages, QStringList{QStringLiteral("There is not enough memory to open the file %1. "
                                                          "The input data is unchanged.")
                                               .arg(path)});
    QCOMPARE(dlg.m_strInput, QStringLiteral("captured before\r\n"));

    // The dialog goes on: the next file is appended.
    prompts.messages.clear();
    dlg.OnOpenInput();
    QCOMPARE(prompts.messages, QStringList());
    QCOMPARE(dlg.m_strInput, QStringLiteral("captured before\r\n\uFEFFab"));
}

void TestMemoryLimits::openInputWithoutRoomForItsLines()
{
    // 32 Mi empty lines: the text takes 64 MiB, the index of its lines twice that.
    const QString path = m_dir.filePath(QStringLiteral("lines.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray lines = QByteArray("\n\0", 2).repeated(1 << 20);
        for (int i = 0; i < 32; ++i)
            QCOMPARE(file.write(lines), lines.size());
    }
    ScriptedPrompts prompts;
    prompts.openAnswers = {path, path};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    {
        // The text, the read buffer and the reading threads fit, the index
        // beside them does not (the input is empty, so the text read is
        // taken as it is, without a copy).
        AddressSpaceLimit limit(160 * kMiB);
        QVERIFY(limit.IsSet());
        dlg.OnOpenInput();
    }
    QCOMPARE(prompts.messages, QStringList{QStringLiteral("There is not enough memory to open the file %1. "
                                                          "The input data is unchanged.")
                                               .arg(path)});
    QCOMPARE(dlg.m_strInput, QString());
    auto *view = qobject_cast<TextView *>(dlg.GetDlgItem(1031));
    QCOMPARE(view->LineCount(), 1);

    // With the memory back the file is appended and every line shown.
    prompts.messages.clear();
    dlg.OnOpenInput();
    QCOMPARE(prompts.messages, QStringList());
    QCOMPARE(dlg.m_strInput.size(), 32 * kMiB);
    QCOMPARE(view->LineCount(), 1 + 32 * kMiB);
}

void TestMemoryLimits::viewWithoutRoomForItsLinesSaysSo()
{
    // A text changed without the room taken first (32 Mi empty lines): the
    // window shows nothing of it and says so, once; shown again with the
    // memory back, it shows every line.
    QString lines(32 * kMiB, QLatin1Char('\n'));
    TextView view;
    view.ShowText(QStringLiteral("before"));
    QSignalSpy outOfMemory(&view, &TextView::OutOfMemory);
    {
        AddressSpaceLimit limit(32 * kMiB);
        QVERIFY(limit.IsSet());
        view.Attach(&lines);
        view.Refresh();
    }
    QVERIFY(outOfMemory.wait(5000));
    QCOMPARE(outOfMemory.size(), 1);
    QCOMPARE(view.LineCount(), 1);
    QCOMPARE(view.LineText(0), QString());
    view.Refresh();
    QCOMPARE(view.LineCount(), 1 + 32 * kMiB);
    QCOMPARE(outOfMemory.size(), 1);
}

void TestMemoryLimits::pollOutOfMemoryReadsNothing()
{
    QVERIFY(m_sim.IsLoaded());
    QCOMPARE(m_sim.Set("RESET"), 0);
    QCOMPARE(m_sim.Set("TAVIXSIM_BAUD=0"), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.FtOpenEx("TX300001", FT_OPEN_BY_SERIAL_NUMBER), FT_STATUS(FT_OK));
    g_bDeviceReady = 1;

    // A captured text of 64 Mi characters with no room left in its block:
    // the next chunk needs a larger block beside it.
    QString captured(64 * kMiB, QLatin1Char('x'));
    captured.squeeze();
    dlg.m_strInput = captured;
    captured.clear();
    dlg.SendKeyByte(0x76);
    {
        AddressSpaceLimit limit(16 * kMiB);
        QVERIFY(limit.IsSet());
        dlg.PollDevice();
        dlg.PollDevice();
    }
    QCOMPARE(prompts.messages,
             QStringList{QStringLiteral("There is not enough memory to take more received data into the input "
                                        "window. Everything received so far is kept; please save the input data "
                                        "and clear it, then reception goes on.")});
    QCOMPARE(dlg.m_strInput.size(), 64 * kMiB);

    // The reply waited in the driver; once there is room it is read.
    dlg.OnClearInput();
    dlg.PollDevice();
    QVERIFY(dlg.m_strInput.startsWith(QStringLiteral("Tavix 3000")));
    QCOMPARE(prompts.messages.size(), 1);
    g_bDeviceReady = 0;
}

void TestMemoryLimits::openReadsIntoTheEmptyInputText()
{
    // 48 Mi characters (96 MiB, sparse) opened into an empty input text that
    // holds a block of its own (as after a program was sent): with 140 MiB
    // of address space the text fits once, not twice.
    const QString path = m_dir.filePath(QStringLiteral("zeros.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(96 * kMiB));
    }
    ScriptedPrompts prompts;
    prompts.openAnswers = {path};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    prompts.messages.clear();
    dlg.m_strInput.reserve(1024);
    {
        AddressSpaceLimit limit(140 * kMiB);
        QVERIFY(limit.IsSet());
        dlg.OnOpenInput();
    }
    QCOMPARE(prompts.messages, QStringList());
    QCOMPARE(dlg.m_strInput.size(), 48 * kMiB);
    QCOMPARE(qobject_cast<TextView *>(dlg.GetDlgItem(1031))->ShownLength(), 48 * kMiB);
    QFile::remove(path);
}

void TestMemoryLimits::captureStopsWhereItsSavedFileIsStillRead()
{
    // The live capture stops one character short of what the window holds,
    // with a warning before and a note at the end; the rest of the print-out
    // waits in the driver. The saved capture is the largest file that is
    // read: Open and the command line's reading take it, one more code unit
    // is refused.
    QVERIFY(m_sim.IsLoaded());
    QCOMPARE(m_sim.Set("RESET"), 0);
    QCOMPARE(m_sim.Set("TAVIXSIM_BAUD=0"), 0);
    const QString printout = m_dir.filePath(QStringLiteral("printout.txt"));
    QByteArray printed;
    for (int i = 0; i < 100; ++i)
        printed += QByteArray::number(1000 + i) + " 0123456789\r\n";
    {
        QFile file(printout);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(printed), printed.size());
    }
    QCOMPARE(m_sim.Set("TAVIXSIM_PRINTOUT=" + printout.toLocal8Bit()), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.FtOpenEx("TX300001", FT_OPEN_BY_SERIAL_NUMBER), FT_STATUS(FT_OK));
    g_bDeviceReady = 1;
    prompts.messages.clear();

    const qsizetype before = kMaxCapturedCharacters - 700;
    dlg.m_strInput = QString(before, QLatin1Char('x'));
    dlg.UpdateData(false);
    QCOMPARE(m_sim.Set("PRINT"), 0);
    for (int tick = 0; tick < 5; ++tick)
        dlg.PollDevice();
    QCOMPARE(dlg.m_strInput.size(), kMaxCapturedCharacters);
    QCOMPARE(QStringView(dlg.m_strInput).sliced(before), QString::fromLatin1(printed.first(700)));
    QCOMPARE(prompts.notices, 2);
    QVERIFY(prompts.messages.value(0).startsWith(QStringLiteral("The input window holds 268435355 characters; "
                                                                "it takes at most 268435455 from the instrument,\n")));
    QVERIFY(prompts.messages.value(1).startsWith(QStringLiteral("The input window is full: it holds 268435455 "
                                                                "characters")));

    const QString saved = m_dir.filePath(QStringLiteral("full capture.txt"));
    prompts.saveAnswers = {saved};
    dlg.OnSaveInput();
    QCOMPARE(QFileInfo(saved).size(), kMaxInputFileBytes);
    // Cleared, the window takes the rest of the print-out, which waited.
    dlg.OnClearInput();
    dlg.PollDevice();
    QVERIFY(dlg.m_strInput.startsWith(QString::fromLatin1(printed.sliced(700, 20))));

    // Read back whole by the command line's reading and by Open.
    dlg.OnClearInput();
    {
        QString text;
        QString error;
        QVERIFY2(ReadInputText(saved, InputFileForm::Detected, &text, &error, 0, InputStreams::Read),
                 qPrintable(error));
        QCOMPARE(text.size(), kMaxInputCharacters);
    }
    prompts.messages.clear();
    prompts.openAnswers = {saved};
    dlg.OnOpenInput();
    QCOMPARE(prompts.messages, QStringList());
    QCOMPARE(dlg.m_strInput.size(), kMaxInputCharacters);
    QVERIFY(dlg.m_strInput.startsWith(QStringLiteral("\uFEFFxxx")));
    QVERIFY(dlg.m_strInput.endsWith(QString::fromLatin1(printed.sliced(680, 20))));

    // Past the limit: any file appended to a full window, or a file one
    // code unit longer, is refused and nothing changes.
    prompts.openAnswers = {printout};
    dlg.OnOpenInput();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.messages[0].contains(QStringLiteral("that is more than the 268435456 it can hold")));
    QCOMPARE(dlg.m_strInput.size(), kMaxInputCharacters);
    dlg.OnClearInput();
    {
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(kMaxInputFileBytes + 2));
    }
    prompts.openAnswers = {saved};
    dlg.OnOpenInput();
    QCOMPARE(prompts.messages.size(), 2);
    QVERIFY(prompts.messages[1].endsWith(QStringLiteral("it holds 536870914 bytes, more than the 536870912 bytes "
                                                        "that can be held as text")));
    QVERIFY(dlg.m_strInput.isEmpty());
    g_bDeviceReady = 0;
    QFile::remove(saved);
}

void TestMemoryLimits::fileDialogWithoutRoomSaysSo()
{
    // Qt's own file dialog with 2 MiB of address space left: it would end
    // the program (a thread or an image it cannot allocate). Save and Open
    // say so instead, without the dialog, and the window keeps its text.
    QtPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    prompts.SetParent(&dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.m_strInput = QString(32 * kMiB, QLatin1Char('x'));
    dlg.m_strSortedOutput = QStringLiteral("sorted");
    QStringList shown;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        QString text = QString::fromLatin1(modal->metaObject()->className());
        for (const QObject *child : modal->findChildren<QObject *>()) {
            const QString own = child->property("text").toString() + child->property("plainText").toString();
            if (own.contains(QStringLiteral("memory")))
                text += QStringLiteral(": ") + own;
        }
        shown.append(text);
        modal->close();
    });
    closer.start(20);
    {
        AddressSpaceLimit limit(2 * kMiB);
        QVERIFY(limit.IsSet());
        dlg.OnSaveInput();
        dlg.OnSaveSortedData();
        dlg.OnOpenInput();
    }
    closer.stop();
    const QString said = QStringLiteral("QDialog: There is not enough memory to show the file dialog.\nNothing was "
                                        "saved or opened; the data in the window is unchanged.\nPlease close other "
                                        "programs or free memory, then try again.");
    QCOMPARE(shown, (QStringList{said, said, said}));
    QCOMPARE(dlg.m_strInput.size(), 32 * kMiB);
}

void TestMemoryLimits::saveNeedsNoSecondCopy_data()
{
    QTest::addColumn<bool>("sortedData");
    QTest::newRow("Save input data") << false;
    QTest::newRow("Save sorted data") << true;
}

void TestMemoryLimits::saveNeedsNoSecondCopy()
{
    // 64 Mi characters (128 MiB) with 16 MiB of address space left: the
    // text itself fits, a second copy of it would not. The save streams
    // from the text and succeeds.
    QFETCH(bool, sortedData);
    const QString path = m_dir.filePath(QStringLiteral("saved.txt"));
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    prompts.messages.clear();
    QString text(64 * kMiB, QLatin1Char('x'));
    text[0] = QLatin1Char('A');
    (sortedData ? dlg.m_strSortedOutput : dlg.m_strInput) = std::move(text);
    prompts.saveAnswers = {path};
    {
        AddressSpaceLimit limit(16 * kMiB);
        QVERIFY(limit.IsSet());
        if (sortedData)
            dlg.OnSaveSortedData();
        else
            dlg.OnSaveInput();
    }
    QCOMPARE(prompts.messages, QStringList());
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.size(), 2 + 128 * kMiB);
    QCOMPARE(saved.read(4), QByteArray("\xFF\xFE" "A\0", 4));
    QVERIFY(saved.seek(saved.size() - 2));
    QCOMPARE(saved.read(2), QByteArray("x\0", 2));
    saved.close();
    QFile::remove(path);
}

QTEST_MAIN(TestMemoryLimits)
#include "test_memory_limits.moc"
