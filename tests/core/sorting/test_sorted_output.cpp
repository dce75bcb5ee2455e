// Tests of the log-type matching, the sorted output text and the sort
// command: the documented examples character by character, the picks of
// each log type, and what each failure leaves as it was.
#include "core/sorting/log_parser.h"
#include "core/sorting/sort_command.h"
#include "core/sorting/sorted_output.h"
#include "core/sorting/streamed_sort.h"
#include "sample_logs.h"

#include <QRandomGenerator>

#include <algorithm>
#include <QTest>

namespace {

LogFileRecord Record(int kind, const QString &header)
{
    LogFileRecord r;
    r.kind = kind;
    r.headerText = header;
    return r;
}

SortResult Sort(const QString &input, int logType, int logpVariable = 0, int plainVariable = 0,
                const QString &previous = QString())
{
    return SortInputText(input, SortSelection{logType, logpVariable, plainVariable}, AbbreviationRows(),
                         previous);
}

} // namespace

class TestSortedOutput : public QObject
{
    Q_OBJECT
private slots:
    void matchesLogType_data();
    void matchesLogType();
    void graphListOfLogType();
    void plainExample();
    void logpExample();
    void outputIsReplacedOnlyWhenARecordIsWritten();
    void abbreviationsRunOverTheWholeOutput();
    void logpHeadersWithOddCount();
    void threeLogTypesOnOnePlainAndOneLogpFile();
    void qrt03SpelledBothWaysInInputOrder();
    void headerWithQrt31AndQrt03MatchesBoth();
    void qrt31RefusesDraughtRating();
    void qrt31PlotsFieldSevenForT();
    void plainVariableChoosesTheField();
    void noFileMarkerChangesNothing();
    void sortTwiceGivesTheSameOutput();
    void barometerAbbreviatedInOutputOnly();
    void typesThatPickNothing_data();
    void typesThatPickNothing();
    void fileNumbersAndLists();
    void outputSizeIsTheLaidOutLength();
    void largeTableListsAgreeWithPickedFiles();
    void streamedSortEqualsSortThenWrite();
    void streamedInputIsReadOnce();
};

void TestSortedOutput::matchesLogType_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("logType");
    QTest::addColumn<bool>("matches");

    QTest::newRow("QRT03, type 0") << "Probe QRT03" << 0 << true;
    QTest::newRow("QRT 03, type 0") << "Probe QRT 03" << 0 << true;
    QTest::newRow("QRT 31, type 0") << "Probe QRT 31" << 0 << false;
    QTest::newRow("QRT 31, type 2") << "Probe QRT 31" << 2 << true;
    QTest::newRow("QRT31 without blank, type 2") << "Probe QRT31" << 2 << false;
    QTest::newRow("QRT 03, type 2") << "Probe QRT 03" << 2 << false;
    QTest::newRow("both, type 0") << "QRT 31 and QRT 03" << 0 << true;
    QTest::newRow("both, type 2") << "QRT 31 and QRT 03" << 2 << true;
    QTest::newRow("lower case, type 0") << "Probe qrt 03" << 0 << false;
    QTest::newRow("two blanks, type 0") << "Probe QRT  03" << 0 << false;
    QTest::newRow("QRT 03, type 1") << "Probe QRT 03" << 1 << false;
    QTest::newRow("QRT 03, type 3") << "Probe QRT 03" << 3 << false;
    QTest::newRow("QRT 31, type 5") << "Probe QRT 31" << 5 << false;
    QTest::newRow("QRT 03, type -1") << "Probe QRT 03" << -1 << false;
}

void TestSortedOutput::matchesLogType()
{
    QFETCH(QString, header);
    QFETCH(int, logType);
    QFETCH(bool, matches);
    QCOMPARE(MatchesLogType(Record(LogKindLogp, header), logType), matches);
}

void TestSortedOutput::graphListOfLogType()
{
    const int expected[] = {1, 0, 1, 1, 0, 1};
    for (int type = 0; type < 6; ++type)
        QCOMPARE(GraphListOfLogType(type), expected[type]);
}

void TestSortedOutput::plainExample()
{
    const SortResult result = Sort(PlainLog() + ShortLogpLog(), LogTypeQrtLog);
    QCOMPARE(result.status, SortStatus::Sorted);
    QCOMPARE(result.sortedOutput, kPlainOutput);
}

void TestSortedOutput::logpExample()
{
    const SortResult result = Sort(PlainLog() + ShortLogpLog(), LogTypeQrt03Logp);
    QCOMPARE(result.status, SortStatus::Sorted);
    QCOMPARE(result.sortedOutput, kShortLogpOutput);
}

void TestSortedOutput::outputIsReplacedOnlyWhenARecordIsWritten()
{
    LogFileRecord plain;
    plain.fileNumber = 7;
    plain.columnHeaders = QStringList{"A"};
    plain.rows = {QStringList{"1"}};
    const QList<LogFileRecord> records{plain};

    QString output = QStringLiteral("old text");
    BuildSortedOutput(records, LogKindLogp, LogTypeQrt03Logp, {}, output);
    QCOMPARE(output, QStringLiteral("old text"));
    BuildSortedOutput(records, LogKindPlain, LogTypeQrtLog, {}, output);
    QCOMPARE(output, QStringLiteral("File 7\r\nA      \r\n1   \r\n"));
    // Type 4 also asks for plain logs, but only type 1 takes every one.
    output = QStringLiteral("old text");
    BuildSortedOutput(records, LogKindPlain, LogTypeQrtLogNoInterval, {}, output);
    QCOMPARE(output, QStringLiteral("old text"));
}

void TestSortedOutput::abbreviationsRunOverTheWholeOutput()
{
    // No record is written, yet the old output passes through the table.
    QString output = QStringLiteral("Avg Temp Barometer Draught Rating");
    BuildSortedOutput({}, LogKindLogp, LogTypeQrt03Logp, AbbreviationRows(), output);
    QCOMPARE(output, QStringLiteral("AT Ba DR"));

    // Values are abbreviated like headers.
    LogFileRecord plain;
    plain.fileNumber = 1;
    plain.columnHeaders = QStringList{"Std Deviation"};
    plain.rows = {QStringList{"Time Constant"}};
    output.clear();
    BuildSortedOutput({plain}, LogKindPlain, LogTypeQrtLog, AbbreviationRows(), output);
    QCOMPARE(output, QStringLiteral("File 1\r\nStdD      \r\nTC   \r\n"));
}

void TestSortedOutput::logpHeadersWithOddCount()
{
    // Five headers: names 0, 2, 4 (tabs doubled after 0 and 2), units 1, 3;
    // a row with three fields, one empty.
    LogFileRecord logp;
    logp.fileNumber = -4;
    logp.kind = LogKindLogp;
    logp.headerText = QStringLiteral("QRT 31");
    logp.columnHeaders = QStringList{"DATE", "TT-MM-DD", "TIME", "HH:MM:SS", ""};
    logp.rows = {QStringList{"d", "t", ""}};
    QString output;
    BuildSortedOutput({logp}, LogKindLogp, LogTypeQrt31Logp, {}, output);
    QCOMPARE(output, QStringLiteral("File -4\r\nDATE\t\tTIME\t\t\t\r\nTT-MM-DD\tHH:MM:SS\t\r\nd\tt\t\t\r\n"));
}

void TestSortedOutput::threeLogTypesOnOnePlainAndOneLogpFile()
{
    const QString input = PlainLog() + ShortLogpLog();

    const SortResult plain = Sort(input, LogTypeQrtLog);
    QCOMPARE(plain.status, SortStatus::Sorted);
    QVERIFY(plain.sortedOutput.startsWith(QStringLiteral("File 2\r\n")));
    QVERIFY(!plain.sortedOutput.contains(QStringLiteral("File 3")));
    QCOMPARE(plain.graphList, 0);
    QCOMPARE(plain.firstIndex, 0);
    QCOMPARE(plain.graphField, 2);

    const SortResult logp = Sort(input, LogTypeQrt03Logp);
    QCOMPARE(logp.status, SortStatus::Sorted);
    QVERIFY(!logp.sortedOutput.contains(QStringLiteral("File 2")));
    QCOMPARE(logp.graphList, 1);
    QCOMPARE(logp.firstIndex, 1);

    // Type 2 finds nothing: the table and lists are rebuilt, the output and
    // the graph choices are not part of the result.
    const SortResult none = Sort(input, LogTypeQrt31Logp, 0, 0, QStringLiteral("kept"));
    QCOMPARE(none.status, SortStatus::NoFileOfType);
    QCOMPARE(none.sortedFiles.size(), 2);
    QCOMPARE(none.plainLogFiles, QList<qint32>{0});
    QVERIFY(none.logpFiles.isEmpty());
    QVERIFY(none.sortedOutput.isEmpty());
    QCOMPARE(none.firstIndex, -1);
}

void TestSortedOutput::qrt03SpelledBothWaysInInputOrder()
{
    const QString input = ShortLogpLog(8, QStringLiteral("Probe QRT03")) + PlainLog()
        + ShortLogpLog(9, QStringLiteral("Probe QRT 03"));
    const SortResult result = Sort(input, LogTypeQrt03Logp);
    QCOMPARE(result.status, SortStatus::Sorted);
    QCOMPARE(result.logpFiles, (QList<qint32>{0, 2}));
    QCOMPARE(result.plainLogFiles, QList<qint32>{1});
    QCOMPARE(result.firstIndex, 0);
    const qsizetype eight = result.sortedOutput.indexOf(QStringLiteral("File 8\r\n"));
    const qsizetype nine = result.sortedOutput.indexOf(QStringLiteral("File 9\r\n"));
    QCOMPARE(eight, 0);
    QVERIFY(nine > eight);
    QCOMPARE(result.sortedOutput.count(QStringLiteral("File ")), 2);
    // Both files have the same body: the output is the example's body twice.
    const QString body = kShortLogpOutput.mid(QStringLiteral("File 3\r\n").size());
    QCOMPARE(result.sortedOutput, QStringLiteral("File 8\r\n") + body + QStringLiteral("File 9\r\n") + body);
}

void TestSortedOutput::headerWithQrt31AndQrt03MatchesBoth()
{
    const QString input = ShortLogpLog(5, QStringLiteral("Probe QRT 31 / QRT 03"));
    const SortResult type0 = Sort(input, LogTypeQrt03Logp);
    const SortResult type2 = Sort(input, LogTypeQrt31Logp);
    QCOMPARE(type0.status, SortStatus::Sorted);
    QCOMPARE(type2.status, SortStatus::Sorted);
    QCOMPARE(type0.logpFiles, QList<qint32>{0});
    QCOMPARE(type2.logpFiles, QList<qint32>{0});
    QCOMPARE(type0.sortedOutput, type2.sortedOutput);
    QVERIFY(type2.sortedOutput.startsWith(QStringLiteral("File 5\r\nDATE\t\tTIME\t\tBa\tAV\t\r\n")));
}

void TestSortedOutput::qrt31RefusesDraughtRating()
{
    const QString input = ShortLogpLog(4, QStringLiteral("Probe QRT 31"));
    const SortResult result = Sort(input, LogTypeQrt31Logp, kDraughtRatingVariable, 0, QStringLiteral("old"));
    QCOMPARE(result.status, SortStatus::VariableRefused);
    // The table and lists are rebuilt; no output, list, field or index.
    QCOMPARE(result.logpFiles, QList<qint32>{0});
    QVERIFY(result.sortedOutput.isEmpty());
    QCOMPARE(result.firstIndex, -1);
    // An empty list is reported before the variable.
    QCOMPARE(Sort(PlainLog(), LogTypeQrt31Logp, kDraughtRatingVariable).status, SortStatus::NoFileOfType);
    // Type 0 takes DR%: field 8.
    const SortResult qrt03 = Sort(ShortLogpLog(), LogTypeQrt03Logp, kDraughtRatingVariable);
    QCOMPARE(qrt03.status, SortStatus::Sorted);
    QCOMPARE(qrt03.graphField, 8);
}

void TestSortedOutput::qrt31PlotsFieldSevenForT()
{
    const SortResult result = Sort(ShortLogpLog(4, QStringLiteral("Probe QRT 31")), LogTypeQrt31Logp, 5);
    QCOMPARE(result.status, SortStatus::Sorted);
    QCOMPARE(result.graphField, 7);
    QCOMPARE(result.graphList, 1);
}

void TestSortedOutput::plainVariableChoosesTheField()
{
    // Var4 (index 3) is field 5; the Logp variable does not count for type 1.
    const SortResult result = Sort(PlainLog(), LogTypeQrtLog, 6, 3);
    QCOMPARE(result.graphField, 5);
}

void TestSortedOutput::noFileMarkerChangesNothing()
{
    const SortResult result = Sort(QStringLiteral("Tavix 3000\r\nNote book\r\n"), LogTypeQrtLog, 0, 0,
                                   QStringLiteral("previous"));
    QCOMPARE(result.status, SortStatus::NoFileMarker);
    QVERIFY(result.sortedFiles.isEmpty());
    QVERIFY(result.plainLogFiles.isEmpty());
    QVERIFY(result.sortedOutput.isEmpty());
    QCOMPARE(Sort(QString(), LogTypeQrt03Logp).status, SortStatus::NoFileMarker);
}

void TestSortedOutput::sortTwiceGivesTheSameOutput()
{
    const QString input = PlainLog() + ShortLogpLog();
    const SortResult first = Sort(input, LogTypeQrt03Logp);
    const SortResult second = Sort(input, LogTypeQrt03Logp, 0, 0, first.sortedOutput);
    QCOMPARE(second.sortedOutput, first.sortedOutput);
    QCOMPARE(second.sortedFiles, first.sortedFiles);
    QCOMPARE(second.logpFiles, first.logpFiles);
    // Text captured since then is read by the next sort.
    const SortResult third = Sort(input + ShortLogpLog(6, QStringLiteral("Probe QRT03")), LogTypeQrt03Logp, 0, 0,
                                  second.sortedOutput);
    QCOMPARE(third.logpFiles, (QList<qint32>{1, 2}));
    QVERIFY(third.sortedOutput.endsWith(kShortLogpOutput.mid(QStringLiteral("File 3\r\n").size())));
    QVERIFY(third.sortedOutput.contains(QStringLiteral("File 6\r\n")));
}

void TestSortedOutput::barometerAbbreviatedInOutputOnly()
{
    const SortResult result = Sort(ShortLogpLog(), LogTypeQrt03Logp);
    QVERIFY(!result.sortedOutput.contains(QStringLiteral("Barometer")));
    QVERIFY(result.sortedOutput.contains(QStringLiteral("\tBa\t")));
    QCOMPARE(result.sortedFiles.first().columnHeaders,
             (QStringList{"DATE", "TT-MM-DD", "TIME", "HH:MM:SS", "Barometer", "B-hPa", "Avg Velocity", "m/s"}));
}

void TestSortedOutput::typesThatPickNothing_data()
{
    QTest::addColumn<int>("logType");
    QTest::addColumn<int>("graphList");
    QTest::newRow("QRT 03 Logp pressure setup") << 3 << 1;
    QTest::newRow("QRT Log no interval") << 4 << 0;
    QTest::newRow("QRT 31 Logp pressure setup") << 5 << 1;
}

void TestSortedOutput::typesThatPickNothing()
{
    QFETCH(int, logType);
    QFETCH(int, graphList);
    const SortResult result = Sort(PlainLog() + ShortLogpLog(), logType, 0, 0, QStringLiteral("Avg Velocity kept"));
    QCOMPARE(result.status, SortStatus::Sorted);
    QCOMPARE(result.graphList, graphList);
    // Two entries: first index and field are both 2, an index past the table.
    QCOMPARE(result.firstIndex, 2);
    QCOMPARE(result.graphField, 2);
    QCOMPARE(result.sortedOutput, QStringLiteral("AV kept"));
    QVERIFY(result.logpFiles.isEmpty());
}

void TestSortedOutput::fileNumbersAndLists()
{
    // A plain log, a QRT 31 Logp file, a plain log: the plain list holds
    // both plain logs in table order, the Logp list only the matching file.
    QString second = PlainLog();
    second.replace(QStringLiteral("File 2 "), QStringLiteral("File 12 "));
    const QString input = PlainLog() + ShortLogpLog(4, QStringLiteral("Probe QRT 31")) + second;
    const SortResult plain = Sort(input, LogTypeQrtLog);
    QCOMPARE(plain.plainLogFiles, (QList<qint32>{0, 2}));
    QVERIFY(plain.logpFiles.isEmpty());
    QCOMPARE(plain.sortedOutput, kPlainOutput + QString(kPlainOutput).replace(0, 6, QStringLiteral("File 12")));
    QCOMPARE(plain.fileNumber, 12);
    const SortResult qrt31 = Sort(input, LogTypeQrt31Logp);
    QCOMPARE(qrt31.logpFiles, QList<qint32>{1});
    QCOMPARE(qrt31.firstIndex, 1);
}

void TestSortedOutput::outputSizeIsTheLaidOutLength()
{
    // The size known before the layout must be exactly the length laid out,
    // for records of both kinds with any number of headers, rows and fields,
    // also after rows were changed in place.
    QRandomGenerator random(20261208);
    auto text = [&random]() { return QString(random.bounded(6), QChar(u'a' + random.bounded(26))); };
    for (int round = 0; round < 200; ++round) {
        QList<LogFileRecord> records;
        for (int r = random.bounded(1, 6); r > 0; --r) {
            LogFileRecord record;
            record.kind = random.bounded(2) ? LogKindLogp : LogKindPlain;
            record.fileNumber = random.bounded(-20000, 20000);
            record.headerText = QStringLiteral("QRT 03");
            QStringList headers;
            for (int h = random.bounded(7); h > 0; --h)
                headers << text();
            record.columnHeaders = headers;
            for (int k = random.bounded(5); k > 0; --k) {
                QStringList row;
                for (int f = random.bounded(5); f > 0; --f)
                    row << text();
                record.rows.append(LogFieldList(row));
            }
            if (!record.rows.isEmpty() && random.bounded(3) == 0) {
                LogFieldList &row = record.rows[random.bounded(record.rows.size())];
                for (int f = random.bounded(1, 4); f > 0; --f)
                    row.append(text());
            }
            records.append(record);
        }
        for (const int kind : {LogKindPlain, LogKindLogp}) {
            const int logType = kind == LogKindPlain ? LogTypeQrtLog : LogTypeQrt03Logp;
            QString output;
            BuildSortedOutput(records, kind, logType, {}, output);
            QCOMPARE(SortedOutputSize(records, kind, logType), output.size());
        }
    }
}

void TestSortedOutput::largeTableListsAgreeWithPickedFiles()
{
    // Enough files for the lists to be taken in two halves at once: each
    // list must hold exactly the files, in order, that one pass picks.
    const QStringList probes{"Probe QRT 03", "Probe QRT03", "Probe QRT 31", "Probe QRT 3", "Probe QRT 31 QRT03"};
    QRandomGenerator random(8);
    QString capture;
    for (int n = 1; n <= 40000; ++n)
        capture += random.bounded(4) == 0 ? PlainLog() : ShortLogpLog(n, probes[random.bounded(probes.size())]);
    for (const int logType : {LogTypeQrt03Logp, LogTypeQrtLog, LogTypeQrt31Logp}) {
        const SortResult sorted = SortFiles(capture, SortSelection{logType, 0, 0});
        QCOMPARE(sorted.status, SortStatus::Sorted);
        QCOMPARE(sorted.sortedFiles.size(), 40000);
        QCOMPARE(sorted.plainLogFiles, PickedFiles(sorted.sortedFiles, LogKindPlain, LogTypeQrtLog));
        if (logType != LogTypeQrtLog) {
            const QList<qint32> logp = PickedFiles(sorted.sortedFiles, LogKindLogp, logType);
            QVERIFY(logp.size() > 8000);
            QCOMPARE(sorted.logpFiles, logp);
        } else {
            QVERIFY(sorted.logpFiles.isEmpty());
        }
    }
}

namespace {

// A capture read a part at a time, counting the code units read.
class TextSource : public LogTextSource
{
public:
    explicit TextSource(QString text) : m_text(std::move(text)) {}
    qsizetype Size() const override { return m_text.size(); }
    void Read(qsizetype from, qsizetype count, char16_t *out) override
    {
        QVERIFY(from >= 0 && count > 0 && from + count <= m_text.size());
        std::copy_n(reinterpret_cast<const char16_t *>(m_text.constData()) + from, count, out);
        read += count;
    }
    qsizetype read = 0;

private:
    QString m_text;
};

} // namespace

void TestSortedOutput::streamedInputIsReadOnce()
{
    // Two thousand Logp files, then a plain log, read in blocks of 4096
    // code units: the sort reads each block once (no word is looked for far
    // ahead of where it matters, such as the plain log's rule line from
    // every Logp file), and gives the same output as the whole text.
    QString capture;
    for (int n = 0; n < 1000; ++n)
        capture += LogpLog(n, QStringLiteral("Probe QRT 03")) + ShortLogpLog(n, QStringLiteral("Probe QRT 31"));
    capture += PlainLog(1000);
    for (const int logType : {LogTypeQrt03Logp, LogTypeQrtLog, LogTypeQrt31Logp}) {
        const SortSelection selection{logType, 0, 0};
        TextSource source(capture);
        QString streamed;
        QString whole;
        bool sinkFailed = false;
        const auto into = [](QString &text) {
            return [&text](QString piece) {
                text += piece;
                return true;
            };
        };
        QCOMPARE(StreamSortedOutput(source, selection, AbbreviationRows(), into(streamed), &sinkFailed, -1, 1 << 15,
                                    4096),
                 SortStatus::Sorted);
        QCOMPARE(StreamSortedOutput(capture, selection, AbbreviationRows(), into(whole), &sinkFailed), SortStatus::Sorted);
        QCOMPARE(streamed, whole);
        QVERIFY2(source.read <= capture.size() + 2 * 4096,
                 qPrintable(QStringLiteral("%1 code units read of %2").arg(source.read).arg(capture.size())));
    }
    // The parse alone, its blocks read ahead on a thread or on its own: the
    // files of the whole text, the header texts held only while handed on.
    QList<LogFileRecord> files;
    QVERIFY(LogParser().ParseInputText(capture, files));
    for (const int threads : {1, 2}) {
        TextSource source(capture);
        LogParser parser;
        parser.SetThreads(threads);
        QList<LogFileRecord> streamed;
        parser.SetFileSink([&](LogFileRecord &&record) {
            record.headerText = QString(record.headerText.constData(), record.headerText.size());
            streamed.append(std::move(record));
            return true;
        });
        QVERIFY(parser.ParseStreamedText(source, 4096));
        QCOMPARE(streamed.size(), files.size());
        QVERIFY(streamed == files);
    }
}

void TestSortedOutput::streamedSortEqualsSortThenWrite()
{
    // Random captures (the three kinds of file, markers without a brand
    // word that read a table again, key words in values, a cut end),
    // selections, limits, piece sizes and tables (keys across separators,
    // replacements longer, shorter, holding a line break): the streamed sort
    // gives SortFiles's status, and when it sorted, the text of the whole
    // laid-out output with the table applied to all of it at once. A sink
    // that refuses a piece is given no more and the status stays the same.
    const QStringList probes{"Probe QRT 03", "Probe QRT03", "Probe QRT 31", "Probe QRT 3"};
    const QStringList words{"Avg", "Temp", "0.2", "\t", "   ", "12:30:00", "File", "Ba", "\r", "Avg Temp"};
    QRandomGenerator random(31);
    for (int round = 0; round < 150; ++round) {
        QString capture;
        for (int n = int(random.bounded(12)); n >= 0; --n) {
            switch (random.bounded(6)) {
            case 0: capture += PlainLog(int(random.bounded(100)) - 10); break;
            case 1: capture += LogpLog(n, probes[random.bounded(probes.size())]); break;
            case 2: capture += ShortLogpLog(n, probes[random.bounded(probes.size())]); break;
            case 3: capture += QStringLiteral("File %1 \r\n").arg(n); break;
            case 4: capture += Lines({"Avg Temp 22.1 Barometer", ""}); break;
            default: capture += PlainLog(n).replace(QStringLiteral("22.3"), QStringLiteral("Avg Temp")); break;
            }
        }
        if (random.bounded(4) == 0)
            capture.chop(random.bounded(capture.size() + 1));
        const SortSelection selection{int(random.bounded(6)), int(random.bounded(7)), int(random.bounded(4))};
        const qsizetype limit = random.bounded(3) == 0 ? qsizetype(random.bounded(4000)) : -1;
        ReplacementTable table = AbbreviationRows();
        for (int r = int(random.bounded(4)); r > 0; --r) {
            const QString key = words[random.bounded(words.size())] + words[random.bounded(words.size())];
            const QString value = random.bounded(5) == 0 ? QStringLiteral("x\r\ny") : words[random.bounded(words.size())];
            table.insert(random.bounded(table.size() + 1), {key, value});
        }
        const qsizetype pieceSize = 1 + random.bounded(3000);

        const SortResult sorted = SortFiles(capture, selection, limit);
        QString whole;
        if (sorted.status == SortStatus::Sorted) {
            WriteSortedOutput(sorted.sortedFiles, PickedFileIndexes(sorted, selection.logType), ReplacementTable(),
                              [&](QString piece) {
                                  whole += piece;
                                  return true;
                              });
            whole = ApplyReplacementTable(whole, table);
        }
        // Read a block at a time, the blocks small enough that words, rule
        // lines and views run across their ends, and given back behind.
        {
            TextSource source(capture);
            QString joined;
            bool sinkFailed = false;
            const qsizetype blockSize = qsizetype(64) << random.bounded(6);
            const SortStatus status = StreamSortedOutput(source, selection, table,
                                                         [&](QString piece) {
                                                             joined += piece;
                                                             return true;
                                                         },
                                                         &sinkFailed, limit, pieceSize, blockSize);
            QCOMPARE(status, sorted.status);
            if (status == SortStatus::Sorted)
                QCOMPARE(joined, whole);
        }
        for (const int refuseAfter : {-1, 1}) {
            QString joined;
            int pieces = 0;
            bool sinkFailed = false;
            const SortStatus status = StreamSortedOutput(capture, selection, table,
                                                         [&](QString piece) {
                                                             ++pieces;
                                                             joined += piece;
                                                             return pieces != refuseAfter;
                                                         },
                                                         &sinkFailed, limit, pieceSize);
            QCOMPARE(status, sorted.status);
            if (refuseAfter > 0) {
                QVERIFY(pieces <= refuseAfter);
                QCOMPARE(sinkFailed, pieces == refuseAfter);
            } else if (status == SortStatus::Sorted) {
                QVERIFY(!sinkFailed);
                QCOMPARE(joined, whole);
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestSortedOutput)
#include "test_sorted_output.moc"
