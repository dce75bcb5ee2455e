// The batch sort's output: streamed in pieces with the same bytes as the
// whole sorted output, every write to standard output checked, the output
// file replaced whole or not at all, and the size limit of the sort.
#include "address_sanitizer.h"
#include "batch_sort_runner.h"
#include "cli/batch_sort.h"
#include "core/device/instrument_charset.h"
#include "core/io/text_file.h"
#include "core/locale/keyword_tables.h"
#include "core/sorting/input_file.h"
#include "core/sorting/sort_command.h"
#include "core/sorting/sorted_output.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString PlainFile(int n, int rows)
{
    QString s = QStringLiteral("File %1 \r\nTavix 3000 s/n 123456\r\nProbe QRT Log\r\nTime Constant 1 sec\r\n"
                               "Log Interval 10 sec\r\n\r\nDate     Time     Vel   Temp\r\n"
                               "-----------------------\r\n")
                    .arg(n);
    for (int r = 0; r < rows; ++r)
        s += QStringLiteral("08-01-02 12:%1:00 0.%2 Avg Temp\r\n").arg(r % 60).arg(r);
    return s + QStringLiteral("\r\n");
}

QString LogpFile(int n)
{
    return QStringLiteral("File %1 \r\nTavix 3000 s/n 1\r\nProbe QRT 03\r\nTime Constant 1 sec\r\n"
                          "Log Interval 10 sec\r\n\r\nLog 1   08-01-02 12:30:00\r\nBarometer 1013 B-hPa\r\n"
                          "Avg Velocity 0.25 m/s\r\nStd Deviation 0.04 m/s\r\n\r\n")
        .arg(n);
}

// A capture of about size characters, plain and Logp files alternating.
QString Capture(qsizetype size)
{
    QString s;
    for (int n = 1; s.size() < size; ++n)
        s += n % 2 ? PlainFile(n, 3) : LogpFile(n);
    return s;
}

// markers "File " lines without "Tavix" after them, then one plain log of
// rows rows: every marker reads that table again.
QString AmplifyingCapture(int markers, int rows)
{
    // The first line break of a plain log must lie 30 characters in.
    QString s = QStringLiteral("Printed by the instrument on request\r\n");
    for (int i = 0; i < markers; ++i)
        s += QStringLiteral("File %1 \r\n").arg(i);
    return s + PlainFile(markers, rows)
                   .replace(QStringLiteral("Tavix"), QStringLiteral("Tavi"))
                   .replace(QStringLiteral("Log Interval"), QStringLiteral("Interval"));
}

QByteArray InputDataFile(const QString &text)
{
    return Utf16LeWithBom(text);
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBatchOutput : public QObject
{
    Q_OBJECT
private slots:
    void streamedOutputEqualsWholeOutput_data();
    void streamedOutputEqualsWholeOutput();
    void outputFileReplacedWhole();
    void outputFileThatCannotBeWritten();
    void failedSortLeavesOutputAsItWas_data();
    void failedSortLeavesOutputAsItWas();
    void fullStandardOutputFails();
    void amplifyingCaptureIsRefused();
    void outOfMemoryIsAMessage();
    void piecesOnTwoThreadsEqualPiecesOnOne();
    void inputTextWidenedAsTheWindowReadsIt();
};

void TestBatchOutput::streamedOutputEqualsWholeOutput_data()
{
    QTest::addColumn<int>("logType");
    QTest::addColumn<int>("size");
    QTest::newRow("QRT Log, one piece") << int(LogTypeQrtLog) << 20000;
    QTest::newRow("QRT Log, many pieces") << int(LogTypeQrtLog) << 3000000;
    QTest::newRow("QRT 03 Logp, many pieces") << int(LogTypeQrt03Logp) << 3000000;
}

void TestBatchOutput::streamedOutputEqualsWholeOutput()
{
    QFETCH(int, logType);
    QFETCH(int, size);
    const QString capture = Capture(size);
    const SortResult whole = SortInputText(capture, SortSelection{logType, 0, 0}, AbbreviationRows(), QString());
    QCOMPARE(whole.status, SortStatus::Sorted);
    QVERIFY(!whole.sortedOutput.isEmpty());
    QVERIFY(!whole.sortedOutput.contains(QStringLiteral("Avg Temp")));

    // Small pieces, and a table whose key holds a line feed (one piece).
    for (const ReplacementTable &table : {AbbreviationRows(), ReplacementTable{{"Temp\r\n", "T\r\n"}}}) {
        QString joined;
        int pieces = 0;
        const SortResult files = SortFiles(capture, SortSelection{logType, 0, 0});
        // The sort's own lists pick the same files as the log type's test.
        QCOMPARE(PickedFileIndexes(files, logType), PickedFiles(files.sortedFiles, files.graphList, logType));
        QVERIFY(WriteSortedOutput(files.sortedFiles, PickedFileIndexes(files, logType), table,
                                  [&](QString piece) {
                                      ++pieces;
                                      joined += piece;
                                      return piece.endsWith(QStringLiteral("\r\n"));
                                  },
                                  4096));
        QString expected;
        BuildSortedOutput(files.sortedFiles, files.graphList, logType, table, expected);
        QCOMPARE(joined, expected);
        QCOMPARE(pieces > 1, !ReplacementTableSpansLines(table));
    }

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("capture.txt"));
    QVERIFY(WriteFile(input, InputDataFile(capture)));
    const QStringList type{QStringLiteral("--log-type"), QString::number(logType)};
    const RunResult toStdout = RunInProcess(QStringList{QStringLiteral("--sort"), input} + type);
    QCOMPARE(toStdout.status, 0);
    QCOMPARE(toStdout.out, whole.sortedOutput.toUtf8());

    const QString output = dir.filePath(QStringLiteral("sorted.txt"));
    const RunResult toFile =
        RunInProcess(QStringList{QStringLiteral("--sort"), input, QStringLiteral("--output"), output} + type);
    QCOMPARE(toFile.status, 0);
    QCOMPARE(ReadFile(output), Utf16LeWithBom(whole.sortedOutput));
}

void TestBatchOutput::outputFileReplacedWhole()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("capture.txt"));
    const QString output = dir.filePath(QStringLiteral("sorted.txt"));
    QVERIFY(WriteFile(input, InputDataFile(PlainFile(2, 2))));
    QVERIFY(WriteFile(output, QByteArray(100000, 'x')));
    const RunResult result = RunInProcess({QStringLiteral("--sort"), input, QStringLiteral("--log-type"),
                                           QStringLiteral("1"), QStringLiteral("--output"), output});
    QCOMPARE(result.status, 0);
    const QByteArray bytes = ReadFile(output);
    QVERIFY(bytes.startsWith(QByteArray("\xFF\xFE" "F\0i\0l\0e\0 \0" "2\0\r\0\n\0", 18)));
    QVERIFY(!bytes.contains('x'));
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void TestBatchOutput::outputFileThatCannotBeWritten()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("capture.txt"));
    QVERIFY(WriteFile(input, InputDataFile(PlainFile(2, 2))));
    const QString output = dir.filePath(QStringLiteral("no such folder/sorted.txt"));
    const RunResult result = RunInProcess({QStringLiteral("--sort"), input, QStringLiteral("--log-type"),
                                           QStringLiteral("1"), QStringLiteral("--output"), output});
    QCOMPARE(result.status, 2);
    QVERIFY2(result.err.contains(output.toUtf8()), result.err.constData());
    QVERIFY2(result.err.contains("No such file or directory"), result.err.constData());
    QVERIFY(!QFile::exists(output));
}

void TestBatchOutput::failedSortLeavesOutputAsItWas_data()
{
    // The output is made while the capture is parsed; a sort that fails,
    // however far it got, leaves the output file as it was and writes
    // nothing to standard output.
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<QStringList>("choice");
    QTest::addColumn<QByteArray>("message");
    const QByteArray plainAndLogp = InputDataFile(Capture(300000));
    QTest::newRow("no file marker") << InputDataFile(QStringLiteral("Tavix 3000\r\n")) << QStringList{"--log-type", "1"}
                                    << QByteArray("holds no \"File \" marker");
    QTest::newRow("no file of the type") << plainAndLogp << QStringList{"--log-type", "2"}
                                         << QByteArray("no log file of log type 2");
    QTest::newRow("DR% for QRT 31") << InputDataFile(Capture(3000).replace("QRT 03", "QRT 31"))
                                    << QStringList{"--log-type", "2", "--variable", "6"}
                                    << QByteArray("cannot be shown for log type 2");
    QTest::newRow("past the size limit, after pieces were made")
        << AmplifyingCapture(40000, 100).toLatin1() << QStringList{"--log-type", "1"} << QByteArray("is not sorted");
}

void TestBatchOutput::failedSortLeavesOutputAsItWas()
{
    QFETCH(QByteArray, capture);
    QFETCH(QStringList, choice);
    QFETCH(QByteArray, message);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("capture.txt"));
    const QString output = dir.filePath(QStringLiteral("sorted.txt"));
    QVERIFY(WriteFile(input, capture));
    const QByteArray old(100000, 'x');
    QVERIFY(WriteFile(output, old));
    for (const QStringList &to : {QStringList{"--output", output}, QStringList{"--output", "-"}, QStringList()}) {
        const RunResult result = RunInProcess(QStringList{"--sort", input} + choice + to);
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), result.err.constData());
        QVERIFY(result.out.isEmpty());
        QCOMPARE(ReadFile(output), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
}

void TestBatchOutput::fullStandardOutputFails()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("capture.txt"));
    // Small and large outputs: the error shows at the last flush or at once.
    for (int size : {2000, 300000}) {
        QVERIFY(WriteFile(input, InputDataFile(Capture(size))));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(QStringLiteral(TAVIX_TERMINAL_PROGRAM),
                      {QStringLiteral("--sort"), input, QStringLiteral("--log-type"), QStringLiteral("1")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        const QByteArray err = process.readAllStandardError();
        QCOMPARE(process.exitCode(), 2);
        QVERIFY2(err.contains("standard output: No space left on device"), err.constData());
    }
}

void TestBatchOutput::amplifyingCaptureIsRefused()
{
    // 2,000 markers before a 100-row table: each marker's heading block also
    // holds the marker lines after it, so the output is far larger than the
    // capture. With a limit of 1,000,000 characters the parse stops
    // long before that, keeping nothing.
    const QString capture = AmplifyingCapture(2000, 100);
    const SortSelection plain{LogTypeQrtLog, 0, 0};
    const SortResult refused = SortFiles(capture, plain, 1000000);
    QCOMPARE(refused.status, SortStatus::OutputTooLarge);
    QVERIFY(refused.sortedFiles.isEmpty());
    QVERIFY(refused.sortedOutput.isEmpty());
    // With room enough the same capture sorts, every marker giving one file.
    const SortResult sorted = SortFiles(capture, plain, 1000000000);
    QCOMPARE(sorted.status, SortStatus::Sorted);
    QCOMPARE(sorted.sortedFiles.size(), 2001);
    QVERIFY(SortedOutputSize(sorted.sortedFiles, 0, LogTypeQrtLog) > 80 * capture.size());
    // The stated default limit, and the refusal of the whole command.
    QCOMPARE(SortedOutputLimit(1000), 4000 + 33554432);

    // 40,000 markers: the sort would need about 100 times the capture,
    // past 4 times plus 32 Mi characters; it stops at the limit.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("amplifying.txt"));
    QVERIFY(WriteFile(input, AmplifyingCapture(40000, 100).toLatin1()));
    const RunResult result =
        RunInProcess({QStringLiteral("--sort"), input, QStringLiteral("--log-type"), QStringLiteral("1")});
    QCOMPARE(result.status, 1);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(result.err.contains("is not sorted") && result.err.contains("33554432"), result.err.constData());
}

void TestBatchOutput::outOfMemoryIsAMessage()
{
#ifdef TAVIX_ADDRESS_SANITIZER
    QSKIP("the address sanitizer cannot run under a limit on the address space");
#endif
    // The program's address space is limited with prlimit to 130 MB: a tiny
    // capture sorts, a 24 MB one (48 MB as text besides its bytes) cannot.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString small = dir.filePath(QStringLiteral("small.txt"));
    const QString large = dir.filePath(QStringLiteral("large.txt"));
    QVERIFY(WriteFile(small, LogpFile(1).toLatin1()));
    QByteArray bytes = LogpFile(2).toLatin1();
    while (bytes.size() < 24 * 1024 * 1024)
        bytes += bytes;
    QVERIFY(WriteFile(large, bytes));
    bytes.clear();

    auto runLimited = [](const QString &input, QByteArray *err) {
        QProcess process;
        process.start(QStringLiteral("prlimit"), {QStringLiteral("--as=136314880"), QStringLiteral(TAVIX_TERMINAL_PROGRAM),
                                                  QStringLiteral("--sort"), input, QStringLiteral("--output"),
                                                  input + QStringLiteral(".sorted")});
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        *err = process.readAllStandardError();
        return process.exitCode();
    };
    QByteArray err;
    if (runLimited(small, &err) != 0)
        QSKIP("the program does not start within 130 MB of address space here (or prlimit is missing)");
    QCOMPARE(runLimited(large, &err), 1);
    QVERIFY2(err.startsWith("tavixterminal: not enough memory to sort"), err.constData());
    QVERIFY(!QFile::exists(large + QStringLiteral(".sorted")));
}

void TestBatchOutput::piecesOnTwoThreadsEqualPiecesOnOne()
{
    // Random piece sizes and tables (keys met inside values, headers and
    // replacements, replacements longer and shorter than their keys, and a
    // sink that stops early): the second thread's pieces are the same, in
    // the same order, as one thread's.
    QRandomGenerator random(20240612);
    const QStringList words{"Avg", "Temp", "1", "0.2", "Log", "QRT", "File", "Avg Temp", "\t", "Time"};
    for (const int logType : {int(LogTypeQrtLog), int(LogTypeQrt03Logp)}) {
        const SortResult files = SortFiles(Capture(400000), SortSelection{logType, 0, 0});
        QCOMPARE(files.status, SortStatus::Sorted);
        for (int round = 0; round < 12; ++round) {
            ReplacementTable table = AbbreviationRows();
            for (int r = int(random.bounded(4)); r > 0; --r)
                table.append({words[random.bounded(words.size())] + words[random.bounded(words.size())],
                              words[random.bounded(words.size())]});
            const qsizetype pieceSize = 1 + random.bounded(20000);
            const int stopAfter = round % 3 == 0 ? 1 + int(random.bounded(40)) : -1;
            QList<QStringList> pieces;
            for (const SortedOutputThreads threads : {SortedOutputThreads::One, SortedOutputThreads::Two}) {
                QStringList got;
                QVERIFY(WriteSortedOutput(files.sortedFiles, PickedFileIndexes(files, logType), table,
                                          [&](QString piece) {
                                              got.append(piece);
                                              return got.size() != stopAfter;
                                          },
                                          pieceSize, threads));
                pieces.append(got);
            }
            QVERIFY(pieces[0].size() > 1);
            QCOMPARE(pieces[1], pieces[0]);
        }
    }
}

void TestBatchOutput::inputTextWidenedAsTheWindowReadsIt()
{
    // Large enough to be widened in two halves; every byte value, an odd
    // length for the input data file.
    QRandomGenerator random(77);
    QByteArray raw(3 * 1024 * 1024 + 1, Qt::Uninitialized);
    for (char &b : raw)
        b = char(random.bounded(256));
    raw[0] = 'F';
    QCOMPARE(InputTextFromBytes(raw), InstrumentBytesToText(raw));
    const QByteArray file = QByteArray("\xFF\xFE") + raw;
    QCOMPARE(InputTextFromBytes(file), InputTextFromBytes(file, InputFileForm::Utf16Le));

    // Read from files of several 4 MB blocks and an odd length, block by
    // block, the text is the same as from the bytes at once.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray big(9 * 1024 * 1024 + 3, Qt::Uninitialized);
    for (char &b : big)
        b = char(random.bounded(256));
    big[0] = 'F';
    const QByteArray bigFile = QByteArray("\xFF\xFE") + big;
    for (const QByteArray &bytes : {big, bigFile}) {
        const QString input = dir.filePath(QStringLiteral("capture.bin"));
        QVERIFY(WriteFile(input, bytes));
        QString text;
        QString error;
        QVERIFY(ReadInputText(input, InputFileForm::Detected, &text, &error));
        QVERIFY(text == InputTextFromBytes(bytes));
    }
    QString text;
    QString error;
    QVERIFY(!ReadInputText(dir.filePath(QStringLiteral("missing.txt")), InputFileForm::Detected, &text, &error));
    QVERIFY(error.contains(QStringLiteral("missing.txt")));
}

QTEST_GUILESS_MAIN(TestBatchOutput)
#include "test_batch_output.moc"
