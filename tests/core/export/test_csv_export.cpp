// The statistics and the CSV export of sorted log files, against values
// worked out by hand: the sample logs, a file with decimal commas, one with
// a missing value, two files whose variables differ, and the sample capture.
#include "core/export/csv_export.h"
#include "core/export/log_statistics.h"
#include "core/sorting/input_file.h"
#include "core/sorting/sort_command.h"
#include "sample_logs.h"

#include <QtTest>

#include <cmath>

namespace {

QList<LogFileRecord> Sorted(const QString &text, int logType, QList<qint32> *picked)
{
    SortSelection selection;
    selection.logType = logType;
    SortResult result = SortFiles(text, selection);
    *picked = PickedFileIndexes(result, logType);
    return result.sortedFiles;
}

// A plain log of three rows whose second velocity is no number and whose
// third is written with a decimal comma.
QString PlainLogWithGap()
{
    return Lines({"File 2 ", "Tavix 3000 s/n 123456", "Probe QRT Log", "Time Constant 1 sec", "Log Interval 10 sec",
                  "", "Date     Time     Vel   Temp", kRule, "08-01-02 12:30:00 0.25 22.3",
                  "08-01-02 12:30:10 --- 22.4", "08-01-02 12:30:20 0,31 22.6", ""});
}

QByteArray Csv(const QList<LogFileRecord> &records, const QList<qint32> &picked, CsvDialect dialect,
               qsizetype pieceSize = 1 << 16)
{
    QByteArray bytes;
    WriteCsv(records, picked, dialect, [&bytes](const QByteArray &piece) {
        bytes += piece;
        return true;
    }, pieceSize);
    return bytes;
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void rowTimes_data();
    void rowTimes();
    void statistics_data();
    void statistics();
    void sampleCaptureStatistics();
    void csvOfDifferentVariables();
    void csvSemicolonWithMissingValue();
    void csvFields_data();
    void csvFields();
    void csvPiecesAndRefusal();
};

void TestCsvExport::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal point") << "0.25" << true << 0.25;
    QTest::newRow("decimal comma") << "0,27" << true << 0.27;
    QTest::newRow("whole") << "1013" << true << 1013.0;
    QTest::newRow("signs") << "-3,5" << true << -3.5;
    QTest::newRow("plus") << "+4" << true << 4.0;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("exponent") << "1.5e3" << true << 1500.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("dashes") << "---" << false << 0.0;
    QTest::newRow("two points") << "1.2.3" << false << 0.0;
    QTest::newRow("point and comma") << "1.2,3" << false << 0.0;
    QTest::newRow("word") << "OVR" << false << 0.0;
    QTest::newRow("unit glued") << "22.3C" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("past a double") << "1e999" << false << 0.0;
    QTest::newRow("bare exponent") << "1e" << false << 0.0;
}

void TestCsvExport::numbers()
{
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(double, value);
    double read = -1;
    QCOMPARE(ReadLogNumber(text, &read), number);
    if (number)
        QCOMPARE(read, value);
}

void TestCsvExport::rowTimes_data()
{
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("iso");
    QTest::newRow("year first, as printed") << "YY-MM-DD" << "08-01-02" << "12:30:00" << "2008-01-02T12:30:00";
    QTest::newRow("Logp heading TT-MM-DD stays year first") << "TT-MM-DD" << "08-01-02" << "23:59:59"
                                                            << "2008-01-02T23:59:59";
    QTest::newRow("day first heading") << "DD-MM-YY" << "02-01-08" << "12:30:00" << "2008-01-02T12:30:00";
    QTest::newRow("day first, in a two-line heading") << "Temp\r\nDD.MM.YY" << "02.01.08" << "12:30:00"
                                                      << "2008-01-02T12:30:00";
    QTest::newRow("month first heading") << "MM/DD/YY" << "01/02/08" << "12:30" << "2008-01-02T12:30:00";
    QTest::newRow("four-digit year") << "Date" << "2008-01-02" << "12:30:00" << "2008-01-02T12:30:00";
    QTest::newRow("no such day") << "YY-MM-DD" << "08-02-30" << "12:30:00" << "";
    QTest::newRow("no such hour") << "YY-MM-DD" << "08-01-02" << "24:00:00" << "";
    QTest::newRow("no date") << "YY-MM-DD" << "" << "12:30:00" << "";
    QTest::newRow("time is text") << "YY-MM-DD" << "08-01-02" << "noon" << "";
}

void TestCsvExport::rowTimes()
{
    QFETCH(QString, heading);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, iso);
    LogFileRecord rec;
    rec.columnHeaders = QStringList{QStringLiteral("Date"), heading};
    QCOMPARE(ReadRowTime(date, time, FileDateOrder(rec)).Iso(), iso);
}

void TestCsvExport::statistics_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("logType");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("missing");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("stdDev");
    QTest::addColumn<int>("decimals");
    // sd of two values a, b is |a - b| / sqrt(2).
    QTest::newRow("Logp barometer") << LogpLog() << 0 << "Barometer (B-hPa)" << 2 << 0 << 1012.0 << 1013.0
                                    << 1012.5 << 0.70710678 << 0;
    QTest::newRow("Logp velocity, decimal comma") << LogpLog() << 0 << "Avg Velocity (m/s)" << 2 << 0 << 0.25
                                                  << 0.27 << 0.26 << 0.01414214 << 2;
    QTest::newRow("Logp temperature") << LogpLog() << 0 << "Avg Temp (degC)" << 2 << 0 << 22.3 << 22.4 << 22.35
                                      << 0.07071068 << 1;
    // 0.25 and 0.31: mean 0.28, squares 2 x 0.0009, sd sqrt(0.0018).
    QTest::newRow("plain, missing value") << PlainLogWithGap() << 1 << "Vel" << 2 << 1 << 0.25 << 0.31 << 0.28
                                          << 0.04242641 << 2;
    // 22.3, 22.4, 22.6: mean 22.4333, squares 0.046667 / 2, sd 0.152753.
    QTest::newRow("plain, three values") << PlainLogWithGap() << 1 << "Temp" << 3 << 0 << 22.3 << 22.6
                                         << 22.43333333 << 0.15275252 << 1;
}

void TestCsvExport::statistics()
{
    QFETCH(QString, input);
    QFETCH(int, logType);
    QFETCH(QString, title);
    QList<qint32> picked;
    const QList<LogFileRecord> records = Sorted(input, logType, &picked);
    QCOMPARE(picked.size(), 1);
    const FileStatistics stats = ComputeFileStatistics(records.at(picked.first()));
    QCOMPARE(stats.serialNumber, QStringLiteral("123456"));
    QCOMPARE(stats.interval, QStringLiteral("10 sec"));
    QCOMPARE(stats.first.Iso(), QStringLiteral("2008-01-02T12:30:00"));
    const VariableStatistics *found = nullptr;
    for (const VariableStatistics &s : stats.variables)
        found = s.variable.title == title ? &s : found;
    QVERIFY2(found, qPrintable(title));
    QTEST(int(found->count), "count");
    QTEST(int(found->missing), "missing");
    QTEST(found->decimals, "decimals");
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, mean);
    QFETCH(double, stdDev);
    QVERIFY(std::abs(found->min - min) < 1e-9);
    QVERIFY(std::abs(found->max - max) < 1e-9);
    QVERIFY2(std::abs(found->mean - mean) < 1e-7, qPrintable(QString::number(found->mean, 'g', 12)));
    QVERIFY2(std::abs(found->stdDev - stdDev) < 1e-7, qPrintable(QString::number(found->stdDev, 'g', 12)));
}

void TestCsvExport::sampleCaptureStatistics()
{
    QString text;
    QString error;
    QVERIFY2(ReadInputText(QStringLiteral(TAVIX_SOURCE_DIR "/docs/sample_capture.txt"), InputFileForm::Detected,
                           &text, &error),
             qPrintable(error));
    // QRT Log: files 1 and 5; File 1 has 48 rows 10 s apart from 12:30:00.
    QList<qint32> picked;
    QList<LogFileRecord> records = Sorted(text, 1, &picked);
    QCOMPARE(picked.size(), 2);
    FileStatistics stats = ComputeFileStatistics(records.at(picked.at(0)));
    QCOMPARE(stats.fileNumber, 1);
    QCOMPARE(stats.serialNumber, QStringLiteral("TX300001"));
    QCOMPARE(stats.probe, QStringLiteral("QRT Log"));
    QCOMPARE(stats.rows, 48);
    QCOMPARE(stats.last.Iso(), QStringLiteral("2008-01-02T12:37:50"));
    QCOMPARE(stats.durationSeconds, 470);
    QCOMPARE(DurationText(stats.durationSeconds), QStringLiteral("0:07:50"));
    QCOMPARE(stats.variables.size(), 4);
    const VariableStatistics &v = stats.variables.at(0);
    QCOMPARE(v.variable.title, QStringLiteral("V(m/s)"));
    QCOMPARE(v.variable.unit, QStringLiteral("m/s"));
    QCOMPARE(v.count, 48);
    QCOMPARE(v.min, 0.19);
    QCOMPARE(v.max, 0.35);
    QVERIFY(std::abs(v.mean - 0.265625) < 1e-9); // 12.75 / 48
    QVERIFY(std::abs(v.stdDev - 0.038971) < 1e-6);

    // QRT 03 Logp: files 2 and 3; File 2 has 20 entries a minute apart.
    records = Sorted(text, 0, &picked);
    QCOMPARE(picked.size(), 2);
    stats = ComputeFileStatistics(records.at(picked.at(0)));
    QCOMPARE(stats.fileNumber, 2);
    QCOMPARE(stats.durationSeconds, 19 * 60);
    QCOMPARE(stats.interval, QStringLiteral("60 sec"));
    QCOMPARE(stats.variables.size(), 7);
    QCOMPARE(stats.variables.at(1).variable.title, QStringLiteral("Avg Velocity (m/s)"));
    QVERIFY(std::abs(stats.variables.at(1).mean - 0.27) < 1e-9);
    QVERIFY(std::abs(stats.variables.at(1).stdDev - 0.044604) < 1e-6);
    QCOMPARE(stats.variables.at(5).variable.unit, QStringLiteral("\u00BAC"));
}

void TestCsvExport::csvOfDifferentVariables()
{
    // File 3 has two variables, file 4 seven: the columns are their union,
    // file 3's cells of the five it lacks are empty.
    QList<qint32> picked;
    const QList<LogFileRecord> records = Sorted(ShortLogpLog(3) + LogpLog(4), 0, &picked);
    const QByteArray expected =
        "\xEF\xBB\xBF"
        "file,date,time,datetime,seconds,Barometer (B-hPa),Avg Velocity (m/s),Max Velocity (m/s),"
        "Min Velocity (m/s),Std Deviation (m/s),Avg Temp (degC),Draught Rating (%)\r\n"
        "3,08-01-02,12:30:00,2008-01-02T12:30:00,0,1013,0.25,,,,,\r\n"
        "3,08-01-02,12:30:10,2008-01-02T12:30:10,10,1012,0.27,,,,,\r\n"
        "4,08-01-02,12:30:00,2008-01-02T12:30:00,0,1013,0.25,0.31,0.19,0.04,22.3,14\r\n"
        "4,08-01-02,12:30:10,2008-01-02T12:30:10,10,1012,0.27,0.33,0.20,0.05,22.4,15\r\n";
    QCOMPARE(Csv(records, picked, CsvDialect::Rfc4180), expected);
    // A piece ends at a line end whatever its size: the same bytes.
    QCOMPARE(Csv(records, picked, CsvDialect::Rfc4180, 10), expected);
}

void TestCsvExport::csvSemicolonWithMissingValue()
{
    QList<qint32> picked;
    const QList<LogFileRecord> records = Sorted(PlainLogWithGap(), 1, &picked);
    QCOMPARE(Csv(records, picked, CsvDialect::Semicolon),
             QByteArray("\xEF\xBB\xBF"
                        "file;date;time;datetime;seconds;Vel;Temp\r\n"
                        "2;08-01-02;12:30:00;2008-01-02T12:30:00;0;0,25;22,3\r\n"
                        "2;08-01-02;12:30:10;2008-01-02T12:30:10;10;---;22,4\r\n"
                        "2;08-01-02;12:30:20;2008-01-02T12:30:20;20;0,31;22,6\r\n"));
}

void TestCsvExport::csvFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("semicolon");
    QTest::addColumn<QString>("field");
    QTest::newRow("comma quoted") << "a,b" << false << "\"a,b\"";
    QTest::newRow("comma plain with semicolons") << "a,b" << true << "a,b";
    QTest::newRow("semicolon quoted") << "a;b" << true << "\"a;b\"";
    QTest::newRow("quotes doubled") << "say \"hi\"" << false << "\"say \"\"hi\"\"\"";
    QTest::newRow("line break") << "a\r\nb" << false << "\"a\r\nb\"";
    QTest::newRow("edge blank") << " x" << false << "\" x\"";
    QTest::newRow("degree and Chinese") << "\u00BAC \u6E29\u5EA6" << false << "\u00BAC \u6E29\u5EA6";
    QTest::newRow("empty") << "" << false << "";
}

void TestCsvExport::csvFields()
{
    QFETCH(QString, text);
    QFETCH(bool, semicolon);
    QTEST(CsvField(text, semicolon ? CsvDialect::Semicolon : CsvDialect::Rfc4180), "field");
}

void TestCsvExport::csvPiecesAndRefusal()
{
    // A Chinese variable name and "ºC" leave as UTF-8; a sink that refuses
    // stops the export.
    const QString logp = Lines({"File 7 ", "Tavix 3000 s/n 1", "Probe QRT 03", "Log Interval 10 sec", "",
                                "Log 1   08-01-02 12:30:00", "\u6E29\u5EA6 22.3 \u00BAC", ""});
    QList<qint32> picked;
    const QList<LogFileRecord> records = Sorted(logp, 0, &picked);
    const QByteArray csv = Csv(records, picked, CsvDialect::Rfc4180);
    QVERIFY(csv.contains(QStringLiteral(",\u6E29\u5EA6 (\u00BAC)\r\n").toUtf8()));
    QVERIFY(csv.endsWith("7,08-01-02,12:30:00,2008-01-02T12:30:00,0,22.3\r\n"));
    int calls = 0;
    QVERIFY(!WriteCsv(records, picked, CsvDialect::Rfc4180, [&calls](const QByteArray &) {
        ++calls;
        return false;
    }, 1));
    QCOMPARE(calls, 1);
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "test_csv_export.moc"
