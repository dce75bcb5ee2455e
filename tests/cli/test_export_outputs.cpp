// The batch sort's CSV export and PDF report, run as the program: the
// report of the sample capture (pages, text, fonts) in both languages, the
// limit of per-file pages, and the outputs of one run written all or none
// when one target is a folder, a named pipe or in a missing folder.
#include "sample_logs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QString kSample = QStringLiteral(TAVIX_SOURCE_DIR "/docs/sample_capture.txt");
const QByteArray kOld = "the old file, left as it was\n";

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Outcome Run(const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(TAVIX_TERMINAL_PROGRAM), arguments);
    Outcome outcome;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        return outcome;
    }
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}

// A poppler tool's output on file, or a skip when it is not installed.
QString Poppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PageCount(const QString &pdf)
{
    const QString info = Poppler(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestExportOutputs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reportOfSampleCapture_data();
    void reportOfSampleCapture();
    void reportFileLimit();
    void allOrNone_data();
    void allOrNone();
    void nothingToExportAndUsage_data();
    void nothingToExportAndUsage();
    void csvToStandardOutput();
};

void TestExportOutputs::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty())
        QSKIP("poppler-utils (pdftotext, pdffonts, pdfinfo) are not installed");
}

void TestExportOutputs::reportOfSampleCapture_data()
{
    QTest::addColumn<QString>("logType");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("font");
    // QRT 03 Logp: files 2 and 3, a page each after the first. Their
    // statistics, worked from the capture: File 2's Avg Velocity has mean
    // 0.27 and sample standard deviation 0.0446, its barometer 1012 to 1013
    // (mean 1012.40); File 3's Avg Temp runs 22.5 to 23.0, mean 22.76.
    QTest::newRow("QRT 03 Logp, English")
        << "0" << "en" << 3
        << QStringList{"Measurement report", "TX300001", "QRT 03 Logp", "File 2", "File 3", "0.2700", "0.0446",
                       "1012.40", "22.760", "Page 3 of 3", "0:19:00", "2008-01-03 08:00:00"}
        << "LiberationSans";
    // QRT Log: files 1 and 5; File 1's V(m/s) 0.19 to 0.35, mean 0.2656,
    // standard deviation 0.0390, 48 rows over 7 min 50 s.
    QTest::newRow("QRT Log, Chinese") << "1" << "zh" << 3
                                      << QStringList{"\u6D4B\u91CF\u62A5\u544A", "TX300001", "\u6587\u4EF6 1",
                                                     "\u6587\u4EF6 5", "0.2656", "0.0390", "0:07:50",
                                                     "\u7B2C 3 \u9875"}
                                      << "WenQuanYiMicroHei";
}

void TestExportOutputs::reportOfSampleCapture()
{
    QFETCH(QString, logType);
    QFETCH(QString, language);
    QFETCH(QStringList, texts);
    QFETCH(QString, font);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    const Outcome run = Run({"--sort", kSample, "--log-type", logType, "--output", "sorted.txt", "--report", pdf,
                             "--language", language},
                            dir.path());
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY(ReadFile(pdf).startsWith("%PDF-"));
    QTEST(PageCount(pdf), "pages");
    const QString text = Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    for (const QString &expected : texts)
        QVERIFY2(text.contains(expected), qPrintable(expected));

    // Every font is embedded.
    const QStringList fonts =
        Poppler(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QVERIFY(!fonts.isEmpty());
    bool named = false;
    for (const QString &line : fonts) {
        const QStringList columns = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QVERIFY2(columns.size() >= 5 && columns.at(columns.size() - 5) == QLatin1String("yes"), qPrintable(line));
        named = named || line.contains(font);
    }
    QVERIFY2(named, qPrintable(fonts.join(QLatin1Char('\n'))));
}

void TestExportOutputs::reportFileLimit()
{
    // Two files, pages for one: the summary still lists both.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    const Outcome run = Run({"--sort", kSample, "--output", "sorted.txt", "--report", pdf, "--report-files", "1"},
                            dir.path());
    QVERIFY2(run.status == 0, run.err.constData());
    QCOMPARE(PageCount(pdf), 2);
    const QString text = Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.contains(QStringLiteral("first 1 of 2 files; the other 1 are")));
    QVERIFY(text.contains(QStringLiteral("QRT03")));   // File 3's probe, in the summary
    QVERIFY(!text.contains(QStringLiteral("File 3"))); // but no page of its own
}

void TestExportOutputs::allOrNone_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("fault");
    for (const char *failing : {"--output", "--csv", "--report", "--plot"}) {
        for (const char *fault : {"folder", "named pipe", "missing folder"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(failing, fault))) << failing << fault;
    }
}

void TestExportOutputs::allOrNone()
{
    // Every output but the failing one has an old file; none of them is
    // replaced, and nothing is left beside them.
    QFETCH(QString, failing);
    QFETCH(QString, fault);
    QTemporaryDir dir;
    const QStringList options{"--output", "--plot", "--csv", "--report"};
    const QStringList names{"sorted.txt", "graph.png", "data.csv", "report.pdf"};
    QStringList arguments{"--sort", kSample};
    for (qsizetype i = 0; i < options.size(); ++i) {
        QString path = dir.filePath(names.at(i));
        if (options.at(i) == failing) {
            if (fault == QLatin1String("folder")) {
                QVERIFY(QDir(dir.path()).mkdir(names.at(i)));
            } else if (fault == QLatin1String("named pipe")) {
                QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            } else {
                path = dir.filePath(QStringLiteral("missing/") + names.at(i));
            }
        } else {
            WriteFile(path, kOld);
        }
        arguments << options.at(i) << path;
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const Outcome run = Run(arguments, dir.path());
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.startsWith("tavixterminal: cannot write"), run.err.constData());
    const QByteArray reason = fault == QLatin1String("missing folder") ? "No such file or directory"
                              : fault == QLatin1String("folder")       ? "folder"
                                                                       : "named pipe";
    QVERIFY2(run.err.contains(reason), run.err.constData());
    for (qsizetype i = 0; i < options.size(); ++i) {
        if (options.at(i) != failing)
            QVERIFY2(ReadFile(dir.filePath(names.at(i))) == kOld, qPrintable(names.at(i)));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

void TestExportOutputs::nothingToExportAndUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("no file of the log type")
        << QStringList{"--sort", "plain.txt", "--log-type", "0", "--output", "s.txt", "--csv", "x.csv", "--report",
                       "x.pdf"}
        << 1 << "no log file of log type 0 (\"QRT 03 Logp\") in plain.txt";
    QTest::newRow("unknown dialect") << QStringList{"--sort", "plain.txt", "--csv", "x.csv", "--csv-dialect", "tab"}
                                     << 2 << "--csv-dialect must be rfc4180 or semicolon";
    QTest::newRow("dialect without CSV") << QStringList{"--sort", "plain.txt", "--csv-dialect", "semicolon"} << 2
                                         << "give --csv CSV too";
    QTest::newRow("unknown language")
        << QStringList{"--sort", "plain.txt", "--output", "s.txt", "--report", "x.pdf", "--language", "fr"} << 2
        << "--language must be en or zh";
    QTest::newRow("limit without report") << QStringList{"--sort", "plain.txt", "--report-files", "3"} << 2
                                          << "give --report PDF too";
    QTest::newRow("two outputs to standard output")
        << QStringList{"--sort", "plain.txt", "--csv", "-"} << 2 << "only one output can go to standard output";
}

void TestExportOutputs::nothingToExportAndUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("plain.txt")), PlainLog().toUtf8());
    const Outcome run = Run(arguments, dir.path());
    QCOMPARE(run.status, status);
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    // Nothing was written.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain.txt"});
}

void TestExportOutputs::csvToStandardOutput()
{
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("plain.txt")), PlainLog().toUtf8());
    const Outcome run = Run({"--sort", "plain.txt", "--log-type", "1", "--output", "s.txt", "--csv", "-",
                             "--csv-dialect", "semicolon"},
                            dir.path());
    QVERIFY2(run.status == 0, run.err.constData());
    QCOMPARE(run.out, QByteArray("\xEF\xBB\xBF"
                                 "file;date;time;datetime;seconds;Vel;Temp\r\n"
                                 "2;08-01-02;12:30:00;2008-01-02T12:30:00;0;0,25;22,3\r\n"
                                 "2;08-01-02;12:30:10;2008-01-02T12:30:10;10;0,27;22,4\r\n"));
}

QTEST_GUILESS_MAIN(TestExportOutputs)
#include "test_export_outputs.moc"
