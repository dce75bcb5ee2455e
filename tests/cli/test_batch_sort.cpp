// The batch sort of the command line: its arguments and exit statuses, the
// two forms of input file, and that the built program, run without a
// display, writes exactly what the dialog's "Save sorted data" saves.
#include "batch_sort_runner.h"
#include "cli/batch_sort.h"
#include "core/sorting/input_file.h"
#include "gui/main_window/costrum_dlg.h"
#include "sample_logs.h"
#include "scripted_prompts.h"
#include "sim_control.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// The instrument's bytes of the sample plain log (file 2) and of a QRT 03
// Logp log (file 3) whose temperature unit is 0xBA 'C' ("ºC").
QByteArray InstrumentBytes()
{
    return PlainLog().toLatin1()
        + Lines({"File 3 ", "Tavix 3000 s/n 123456", "Probe QRT 03", "Time Constant 1 sec", "Log Interval 10 sec",
                 "", "Log 1   08-01-02 12:30:00", "Barometer 1013 B-hPa", "Avg Temp 22.3 \u00BAC", "",
                 "Log 2   08-01-02 12:30:10", "Barometer 1012 B-hPa", "Avg Temp 22,4 \u00BAC", ""})
              .toLatin1();
}

// Log type 0 on InstrumentBytes(), written out by hand.
const QString kTemperatureLogpOutput = QStringLiteral(
    "File 3\r\n"
    "DATE\t\tTIME\t\tBa\tAT\t\r\n"
    "TT-MM-DD\tHH:MM:SS\tB-hPa\t\u00BA" "C\t\r\n"
    "08-01-02\t12:30:00\t1013\t22.3\t\r\n"
    "08-01-02\t12:30:10\t1012\t22,4\t\r\n");

// The message of a sort that found no file of its log type, in
// command-line terms.
QString NoFileOfType(const QString &file, const QString &type)
{
    return QStringLiteral("tavixterminal: no log file of log type %1 in %2\n").arg(type, file);
}
const QString kRefused = QStringLiteral("tavixterminal: DR% (--variable 6) cannot be shown for log type 2 (\"QRT 31 Logp\")\n");

// A saved input data file of text: FF FE, then each code unit low byte first.
QByteArray InputDataFile(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Runs the built program with no display at all: a widget application
// would fail to start on the unknown platform plug-in.
RunResult RunProgram(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAVIX_TERMINAL_PROGRAM), arguments);
    RunResult result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace

class TestBatchSort : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void inputTextFromBytes_data();
    void inputTextFromBytes();
    void usageErrors_data();
    void usageErrors();
    void helpDescribesTheSort();
    void sortsBothInputForms_data();
    void sortsBothInputForms();
    void variableCheckedAsTheDialogChecksIt();
    void sortFailures();
    void unreadableInput();
    void inputReadInPartsSeesAChangedFile_data();
    void inputReadInPartsSeesAChangedFile();
    void unwritableOutput();
    void programExitStatuses();
    void programOutputEqualsTheDialogsSavedFile_data();
    void programOutputEqualsTheDialogsSavedFile();

private:
    QString Path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QTemporaryDir m_profileDir;
    QString m_raw;
    QString m_saved;
};

void TestBatchSort::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_profileDir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_profileDir.path());
    m_raw = Path(QStringLiteral("capture.bin"));
    m_saved = Path(QStringLiteral("saved.txt"));
    QVERIFY(WriteFile(m_raw, InstrumentBytes()));
    // The same text as "Save input data" writes it (with "º" as U+00BA).
    QVERIFY(WriteFile(m_saved, InputDataFile(QString::fromLatin1(InstrumentBytes()))));
}

void TestBatchSort::inputTextFromBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("saved file keeps its mark") << QByteArray("\xFF\xFE" "A\0B\0", 6) << QStringLiteral("\uFEFFAB");
    QTest::newRow("odd last byte dropped") << QByteArray("\xFF\xFE" "A\0B", 5) << QStringLiteral("\uFEFFA");
    QTest::newRow("wide characters") << QByteArray("\xFF\xFE\xBA\x00\x30\x4E", 6) << QStringLiteral("\uFEFF\u00BA\u4E30");
    QTest::newRow("mark only") << QByteArray("\xFF\xFE") << QStringLiteral("\uFEFF");
    QTest::newRow("instrument bytes") << QByteArray("22.3 \xBA" "C K\x84lte") << QStringLiteral("22.3 \u00BAC K\u00E4lte");
    QTest::newRow("FE FF is instrument bytes") << QByteArray("\xFE\xFF") << QStringLiteral("\u00FE\u00FF");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestBatchSort::inputTextFromBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(InputTextFromBytes(bytes), text);
}

void TestBatchSort::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString file = QStringLiteral("capture.bin");
    QTest::newRow("no --sort") << QStringList{"--log-type", "1"} << "--sort FILE is missing";
    QTest::newRow("--sort without file") << QStringList{"--sort"} << "Missing value after '--sort'.";
    QTest::newRow("log type 3") << QStringList{"--sort", file, "--log-type", "3"} << "--log-type must be 0, 1 or 2, not '3'";
    QTest::newRow("log type -1") << QStringList{"--sort", file, "--log-type", "-1"} << "--log-type must be 0, 1 or 2, not '-1'";
    QTest::newRow("log type text") << QStringList{"--sort", file, "--log-type", "QRT"} << "--log-type must be 0, 1 or 2, not 'QRT'";
    QTest::newRow("variable 7") << QStringList{"--sort", file, "--variable", "7"} << "--variable must be 0 to 6 for log type 0, not '7'";
    QTest::newRow("variable 4 for QRT Log") << QStringList{"--sort", file, "--log-type", "1", "--variable", "4"}
                                            << "--variable must be 0 to 3 for log type 1, not '4'";
    QTest::newRow("negative variable") << QStringList{"--sort", file, "--variable", "-1"} << "--variable must be 0 to 6 for log type 0, not '-1'";
    QTest::newRow("unknown option") << QStringList{"--sort", file, "--colour"} << "Unknown option 'colour'.";
    QTest::newRow("extra argument") << QStringList{"--sort", file, "other.bin"} << "unexpected argument 'other.bin'";
    QTest::newRow("two files") << QStringList{"--sort", file, "--sort", file} << "--sort is given more than once";
    QTest::newRow("driver with sort") << QStringList{"--sort", file, "--driver", "x.so"} << "--driver has no use with --sort";
}

void TestBatchSort::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const QString output = Path(QStringLiteral("never.txt"));
    const RunResult result = RunInProcess(QStringList{"--output", output} + arguments);
    QCOMPARE(result.status, 2);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(result.err.startsWith("tavixterminal: " + message.toUtf8() + "\n"), result.err.constData());
    QVERIFY(!QFile::exists(output));
}

void TestBatchSort::helpDescribesTheSort()
{
    const RunResult result = RunInProcess({"--help"});
    QCOMPARE(result.status, 0);
    QVERIFY(result.err.isEmpty());
    for (const char *word : {"--sort FILE", "--log-type", "--variable", "--output", "Exit status", "DR%"})
        QVERIFY2(result.out.contains(word), word);
}

void TestBatchSort::sortsBothInputForms_data()
{
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("logType");
    QTest::addColumn<QString>("expected");
    QTest::newRow("instrument bytes, QRT Log") << false << "1" << kPlainOutput;
    QTest::newRow("instrument bytes, QRT 03 Logp") << false << "0" << kTemperatureLogpOutput;
    QTest::newRow("saved input data, QRT Log") << true << "1" << kPlainOutput;
    QTest::newRow("saved input data, QRT 03 Logp") << true << "0" << kTemperatureLogpOutput;
}

void TestBatchSort::sortsBothInputForms()
{
    QFETCH(bool, saved);
    QFETCH(QString, logType);
    QFETCH(QString, expected);
    const QString input = saved ? m_saved : m_raw;

    // Standard output: UTF-8 ("º" as C2 BA).
    const RunResult toStdout = RunInProcess({"--sort", input, "--log-type", logType});
    QCOMPARE(toStdout.status, 0);
    QVERIFY(toStdout.err.isEmpty());
    QCOMPARE(QString::fromUtf8(toStdout.out), expected);

    // A sorted data file: FF FE and UTF-16 little-endian.
    const QString output = Path(QStringLiteral("out-%1-%2.txt").arg(saved).arg(logType));
    const RunResult toFile = RunInProcess({"--sort", input, "--log-type", logType, "--output", output});
    QCOMPARE(toFile.status, 0);
    QVERIFY(toFile.out.isEmpty());
    QCOMPARE(ReadFile(output), InputDataFile(expected));
}

void TestBatchSort::variableCheckedAsTheDialogChecksIt()
{
    // QRT 03 Logp takes DR% (6); the variable does not change the text.
    const RunResult dr = RunInProcess({"--sort", m_raw, "--variable", "6"});
    QCOMPARE(dr.status, 0);
    QCOMPARE(QString::fromUtf8(dr.out), kTemperatureLogpOutput);
    const RunResult var4 = RunInProcess({"--sort", m_raw, "--log-type", "1", "--variable", "3"});
    QCOMPARE(var4.status, 0);
    QCOMPARE(QString::fromUtf8(var4.out), kPlainOutput);
}

void TestBatchSort::sortFailures()
{
    // No QRT 31 file: the sort fails with its message.
    const RunResult none = RunInProcess({"--sort", m_raw, "--log-type", "2"});
    QCOMPARE(none.status, 1);
    QVERIFY(none.out.isEmpty());
    QCOMPARE(QString::fromUtf8(none.err), NoFileOfType(m_raw, QStringLiteral("2 (\"QRT 31 Logp\")")));

    // DR% with QRT 31 Logp is refused even when a file is there.
    const QString qrt31 = Path(QStringLiteral("qrt31.bin"));
    QVERIFY(WriteFile(qrt31, InstrumentBytes().replace("Probe QRT 03", "Probe QRT 31")));
    QCOMPARE(RunInProcess({"--sort", qrt31, "--log-type", "2", "--variable", "5"}).status, 0);
    const QString output = Path(QStringLiteral("refused.txt"));
    const RunResult refused = RunInProcess({"--sort", qrt31, "--log-type", "2", "--variable", "6", "--output", output});
    QCOMPARE(refused.status, 1);
    QCOMPARE(QString::fromUtf8(refused.err), kRefused);
    QVERIFY(!QFile::exists(output));

    // A text without a file marker.
    const QString notes = Path(QStringLiteral("notes.bin"));
    QVERIFY(WriteFile(notes, "Tavix 3000\r\nNote book\r\n"));
    const RunResult noMarker = RunInProcess({"--sort", notes});
    QCOMPARE(noMarker.status, 1);
    QVERIFY2(noMarker.err.startsWith("tavixterminal: " + notes.toUtf8() + " holds no \"File \" marker"),
             noMarker.err.constData());
}

void TestBatchSort::unreadableInput()
{
    const QString missing = Path(QStringLiteral("missing.bin"));
    const RunResult result = RunInProcess({"--sort", missing});
    QCOMPARE(result.status, 2);
    QVERIFY2(result.err.contains(missing.toUtf8()), result.err.constData());
    // A folder cannot be read as a file either.
    QCOMPARE(RunInProcess({"--sort", m_dir.path()}).status, 2);
}

void TestBatchSort::inputReadInPartsSeesAChangedFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("instrument bytes") << InstrumentBytes();
    QTest::newRow("saved file") << InputDataFile(QString::fromLatin1(InstrumentBytes()));
}

void TestBatchSort::inputReadInPartsSeesAChangedFile()
{
    // The command line's sort reads a file a part at a time, some parts
    // again later: every part is the text the whole file reads as, and a
    // file that grows, or is written anew at the same length, meanwhile is
    // told, never sorted as a mix of two captures.
    QFETCH(QByteArray, bytes);
    const QString path = Path(QStringLiteral("parts.bin"));
    QVERIFY(WriteFile(path, bytes));
    QString error;
    bool stream = true;
    const std::unique_ptr<InputFileSource> source = InputFileSource::Open(path, &error, &stream);
    QVERIFY2(source, qPrintable(error));
    QVERIFY(!stream);
    const QString whole = InputTextFromBytes(bytes);
    QCOMPARE(source->Size(), whole.size());
    QString parts(whole.size(), QChar(u'?'));
    for (const qsizetype cut : {qsizetype(7), whole.size() / 2, whole.size() - 3}) {
        auto *out = reinterpret_cast<char16_t *>(parts.data());
        source->Read(cut, whole.size() - cut, out + cut);
        source->Read(0, cut, out);
        QCOMPARE(parts, whole);
    }
    QVERIFY(source->Unchanged());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.write(QByteArray(bytes.size(), 'x')) == bytes.size());
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    QVERIFY(!source->Unchanged());
    QVERIFY(file.write("more") == 4);
    file.close();
    char16_t unit = 0;
    try {
        source->Read(0, 1, &unit);
        QFAIL("a file that grew was read");
    } catch (const LogTextReadError &failure) {
        QVERIFY2(failure.Reason().contains(QStringLiteral("changed while it was read")), qPrintable(failure.Reason()));
    }
    QVERIFY(!InputFileSource::Open(m_dir.path(), &error, &stream) && stream);
}

void TestBatchSort::unwritableOutput()
{
    const QString output = Path(QStringLiteral("no such folder/out.txt"));
    const RunResult result = RunInProcess({"--sort", m_raw, "--output", output});
    QCOMPARE(result.status, 2);
    QVERIFY2(result.err.contains(output.toUtf8()), result.err.constData());
}

void TestBatchSort::programExitStatuses()
{
    const RunResult sorted = RunProgram({"--sort", m_raw, "--log-type", "1"});
    QCOMPARE(sorted.status, 0);
    QCOMPARE(QString::fromUtf8(sorted.out), kPlainOutput);

    const RunResult failed = RunProgram({"--sort", m_raw, "--log-type", "2"});
    QCOMPARE(failed.status, 1);
    QCOMPARE(QString::fromUtf8(failed.err), NoFileOfType(m_raw, QStringLiteral("2 (\"QRT 31 Logp\")")));
    QVERIFY(failed.out.isEmpty());

    const RunResult usage = RunProgram({"--sort", m_raw, "--log-type", "7"});
    QCOMPARE(usage.status, 2);
    QVERIFY(usage.err.contains("--log-type"));

    const RunResult unreadable = RunProgram({"--sort", Path(QStringLiteral("missing.bin"))});
    QCOMPARE(unreadable.status, 2);

    const RunResult help = RunProgram({"--help"});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.contains("--sort FILE"));
}

void TestBatchSort::programOutputEqualsTheDialogsSavedFile_data()
{
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("logType");
    QTest::addColumn<int>("variable");
    QTest::newRow("instrument bytes, QRT 03 Logp") << false << 0 << 1;
    QTest::newRow("instrument bytes, QRT Log") << false << 1 << 1;
    QTest::newRow("saved input data, QRT 03 Logp") << true << 0 << 0;
    QTest::newRow("saved input data, QRT Log") << true << 1 << 0;
}

void TestBatchSort::programOutputEqualsTheDialogsSavedFile()
{
    QFETCH(bool, saved);
    QFETCH(int, logType);
    QFETCH(int, variable);
    const QString input = saved ? m_saved : m_raw;

    // The dialog: the text as it arrives from the instrument or as "Open
    // input data" appends it, the log type and variable checked, Sort, Save.
    SimControl sim;
    QVERIFY(sim.IsLoaded());
    sim.Set("RESET");
    ScriptedPrompts prompts;
    const QString dialogFile = Path(QStringLiteral("dialog-%1-%2.txt").arg(saved).arg(logType));
    {
        COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        if (saved) {
            prompts.openAnswers << input;
            dlg.OnOpenInput();
        } else {
            dlg.m_strInput = QString::fromLatin1(InstrumentBytes());
        }
        dlg.m_nLogType = logType;
        (logType == 1 ? dlg.m_nPlainVariable : dlg.m_nLogpVariable) = variable;
        dlg.UpdateData(false);
        dlg.OnSort();
        prompts.saveAnswers << dialogFile;
        dlg.OnSaveSortedData();
    }
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.messages.join(QLatin1Char('\n'))));

    const QString programFile = Path(QStringLiteral("program-%1-%2.txt").arg(saved).arg(logType));
    const RunResult result = RunProgram({"--sort", input, "--log-type", QString::number(logType), "--variable",
                                         QString::number(variable), "--output", programFile});
    QCOMPARE(result.status, 0);
    const QByteArray expected = ReadFile(dialogFile);
    QVERIFY(expected.size() > 100);
    QCOMPARE(ReadFile(programFile), expected);
}

QTEST_MAIN(TestBatchSort)
#include "test_batch_sort.moc"
