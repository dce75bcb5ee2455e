// The built-in print-out: every log file in the layout the log parser reads
// (file marker with a blank after the number, brand line, header closed by
// an empty line, then a plain table or Logp entries), with the file numbers,
// kinds, variables and row counts that sim/README.md promises.
#include "sim_library.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>

namespace {

const QByteArray kFooter = "Date ......................\r\n Signature .................\r\n";
const QByteArrayList kQrt03Variables{"Barometer",     "Avg Velocity", "Max Velocity",  "Min Velocity",
                                     "Std Deviation", "Avg Temp",     "Draught Rating"};
const QByteArrayList kQrt31Variables{"Barometer",     "Avg Velocity", "Max Velocity",
                                     "Min Velocity",  "Std Deviation", "Avg Temp"};

// Blank-separated fields, as the parser splits a data line.
QByteArrayList fields(const QByteArray &line)
{
    QByteArrayList result;
    for (const QByteArray &part : line.split(' '))
        if (!part.isEmpty())
            result.append(part);
    return result;
}

} // namespace

class TestSimPrintout : public QObject {
    Q_OBJECT

private:
    SimLibrary m_sim;
    QByteArray m_printout;
    QByteArrayList m_lines;

    QByteArray printFrom(const char *serial)
    {
        FT_HANDLE handle = m_sim.openSerial(serial);
        if (!handle || m_sim.writeByte(handle, 0x0D) != FT_OK)
            return {};
        const QByteArray bytes = m_sim.collect(handle, m_sim.waiting(handle), 5000);
        m_sim.close(handle);
        return bytes;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_sim.load(QStringLiteral(TAVIX_SIM_LIBRARY), &error), qPrintable(error));
        QCOMPARE(m_sim.set("RESET"), 0);
        QCOMPARE(m_sim.set("TAVIXSIM_BAUD=0"), 0);
        m_printout = printFrom("TX300001");
        QVERIFY(!m_printout.isEmpty());
        m_lines = m_printout.split('\n');
        QCOMPARE(m_lines.takeLast(), QByteArray()); // ends with a line end
        for (QByteArray &line : m_lines) {
            QVERIFY2(line.endsWith('\r'), line.constData());
            line.chop(1);
        }
    }

    void cleanupTestCase() { m_sim.set("RESET"); }

    void wholePrintout()
    {
        QVERIFY(!m_printout.contains("\r\r"));
        QVERIFY(m_lines.size() > 300 && m_lines.size() < 1000);
        QCOMPARE(m_printout.count("File "), 5);
        // One rule line per plain log, and no other run of 23 hyphens.
        QCOMPARE(std::count_if(m_lines.begin(), m_lines.end(),
                               [](const QByteArray &line) { return line.contains("-----------------------"); }),
                 2);
        QCOMPARE(m_printout.count(kFooter), 7);                  // two reports, five files
        QVERIFY(m_printout.indexOf("Note book") < m_printout.indexOf("File "));
        QVERIFY(m_printout.indexOf("Duct Traverse Flow") < m_printout.indexOf("File "));
        // The instrument's own characters: ä as 0x84, º as 0xBA, nothing else
        // but ö (0x94) and ü (0x81) above 0x7F.
        QVERIFY(m_printout.contains("K\x84lteraum"));
        QVERIFY(m_printout.contains("21.6 \xBA" "C\r\n"));
        for (const char c : m_printout) {
            const auto byte = static_cast<unsigned char>(c);
            QVERIFY(byte < 0x80 || byte == 0x84 || byte == 0xBA || byte == 0x94 || byte == 0x81);
            QVERIFY(byte >= 0x20 || byte == '\r' || byte == '\n');
        }
        // "Log " only opens entries and names the log interval.
        for (const QByteArray &line : m_lines)
            if (line.contains("Log "))
                QVERIFY2(line.startsWith("Log ") && (line.startsWith("Log Interval ") || line.at(8) == '0'),
                         line.constData());
    }

    void sameBytesEveryTimeAndSerialInBrandLines()
    {
        QCOMPARE(printFrom("TX300001"), m_printout);
        QCOMPARE(m_sim.set("TAVIXSIM_DEVICES=TX300001,TX777777"), 0);
        QByteArray other = printFrom("TX777777");
        QCOMPARE(other.count("Tavix 3000 S/N: TX777777\r\n"), 7);
        other.replace("S/N: TX777777", "S/N: TX300001");
        QCOMPARE(other, m_printout);
    }

    void logFiles_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("logp");
        QTest::addColumn<QByteArray>("probe");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArrayList>("variables");
        QTest::addColumn<char>("decimalSign");
        QTest::addColumn<QByteArrayList>("firstRow");
        QTest::addColumn<QByteArray>("lastTime");
        QTest::newRow("File 1: plain log, 48 rows every 10 s")
            << 1 << false << QByteArray("Probe QRT Log") << 48 << QByteArrayList{"V(m/s)", "T(\xBA" "C)", "DR(%)", "B(hPa)"}
            << '.' << QByteArrayList{"08-01-02", "12:30:00", "0.25", "22.3", "14", "1013"} << QByteArray("12:37:50");
        QTest::newRow("File 2: Logp QRT 03, 20 entries every 60 s")
            << 2 << true << QByteArray("Probe QRT 03") << 20 << kQrt03Variables << '.'
            << QByteArrayList{"08-01-03", "08:00:00", "1012", "0.18", "", "", "", "21.6", "12"} << QByteArray("08:19:00");
        QTest::newRow("File 3: Logp QRT03, decimal comma, 10 entries every 120 s")
            << 3 << true << QByteArray("Probe QRT03") << 10 << kQrt03Variables << ','
            << QByteArrayList{"08-01-04", "10:15:00", "1012", "0,18", "", "", "", "22,8", "12"} << QByteArray("10:33:00");
        QTest::newRow("File 4: Logp QRT 31, six variables, 12 entries every 30 s")
            << 4 << true << QByteArray("Probe QRT 31") << 12 << kQrt31Variables << '.'
            << QByteArrayList{"08-01-05", "06:00:00", "1012", "0.18", "", "", "", "0.2"} << QByteArray("06:05:30");
        QTest::newRow("File 5: plain log, decimal comma, 24 rows every 60 s")
            << 5 << false << QByteArray("Probe QRT Log") << 24 << QByteArrayList{"V(m/s)", "T(\xBA" "C)", "DR(%)", "B(hPa)"}
            << ',' << QByteArrayList{"08-01-06", "14:00:00", "0,25", "22,3", "14", "1013"} << QByteArray("14:23:00");
    }

    void logFiles()
    {
        QFETCH(int, number);
        QFETCH(bool, logp);
        QFETCH(QByteArray, probe);
        QFETCH(int, rows);
        QFETCH(QByteArrayList, variables);
        QFETCH(char, decimalSign);
        QFETCH(QByteArrayList, firstRow);
        QFETCH(QByteArray, lastTime);

        // The marker line carries a blank after the number; the brand follows.
        qsizetype i = m_lines.indexOf("File " + QByteArray::number(number) + " ");
        QVERIFY(i >= 0);
        QCOMPARE(m_lines.value(++i), QByteArray("Tavix 3000 S/N: TX300001"));

        // Header up to the empty line; its time-unit words only in its last two lines.
        QByteArrayList header;
        while (++i < m_lines.size() && !m_lines[i].isEmpty())
            header.append(m_lines[i]);
        QVERIFY(header.contains(probe));
        QVERIFY(header.size() >= 3);
        QCOMPARE(header[header.size() - 2], QByteArray("Time Constant 1 sec"));
        QVERIFY(header.last().startsWith("Log Interval ") && header.last().endsWith(" sec"));
        for (qsizetype h = 0; h < header.size() - 2; ++h)
            for (const char *word : {"sec", "sek", "tim", "hours"})
                QVERIFY2(!header[h].contains(word), header[h].constData());

        QList<QByteArrayList> table;
        const QRegularExpression value(decimalSign == ',' ? QStringLiteral("^-?\\d+(,\\d+)?$")
                                                          : QStringLiteral("^-?\\d+(\\.\\d+)?$"));
        if (!logp) {
            const QByteArrayList names = fields(m_lines.value(++i));
            QCOMPARE(names, QByteArrayList({"Date", "Time"}) + variables);
            const QByteArray rule = m_lines.value(++i);
            QVERIFY(rule.size() >= 23 && rule == QByteArray(rule.size(), '-'));
            while (++i < m_lines.size() && !m_lines[i].isEmpty())
                table.append(fields(m_lines[i]));
            for (const QByteArrayList &row : table) {
                QCOMPARE(row.size(), names.size());
                for (qsizetype v = 2; v < row.size(); ++v)
                    QVERIFY2(QString::fromLatin1(row[v]).contains(value), row[v].constData());
            }
            QCOMPARE(table.first(), firstRow);
        } else {
            ++i;
            const QRegularExpression firstValueCharacter(QStringLiteral("[-0-9]"));
            const QRegularExpression entryLine(QStringLiteral("^Log (\\d+) +(\\d\\d-\\d\\d-\\d\\d) (\\d\\d:\\d\\d:\\d\\d)$"));
            while (i < m_lines.size() && m_lines[i].startsWith("Log ")) {
                const QRegularExpressionMatch entry = entryLine.match(QString::fromLatin1(m_lines[i]));
                QVERIFY2(entry.hasMatch(), m_lines[i].constData());
                QCOMPARE(entry.captured(1).toInt(), table.size() + 1);
                QCOMPARE(entry.capturedStart(2), 8); // the date starts at character 8
                QByteArrayList row{entry.captured(2).toLatin1(), entry.captured(3).toLatin1()};
                QByteArrayList names;
                while (++i < m_lines.size() && !m_lines[i].isEmpty()) {
                    // "Name value unit": the name holds no digit or hyphen.
                    const QByteArray &line = m_lines[i];
                    const qsizetype start = firstValueCharacter.match(QString::fromLatin1(line)).capturedStart();
                    QVERIFY2(start > 1 && line.at(start - 1) == ' ', line.constData());
                    names.append(line.left(start - 1));
                    const QByteArrayList rest = fields(line.mid(start));
                    QCOMPARE(rest.size(), 2);
                    QVERIFY2(QString::fromLatin1(rest[0]).contains(value), line.constData());
                    row.append(rest[0]);
                }
                QCOMPARE(names, variables);
                table.append(row);
                ++i;
            }
            // Only the values worked out by hand are compared (the empty ones are free).
            for (qsizetype f = 0; f < firstRow.size(); ++f)
                if (!firstRow[f].isEmpty())
                    QCOMPARE(table.first().value(f), firstRow[f]);
            QCOMPARE(table.first().size(), firstRow.size());
            --i;
        }
        QCOMPARE(table.size(), rows);
        QCOMPARE(table.last().value(1), lastTime);
        // The table's empty line, then the date and signature lines close the file.
        QCOMPARE(m_lines.value(i), QByteArray(""));
        QCOMPARE(m_lines.value(++i), QByteArray("Date ......................"));
        QCOMPARE(m_lines.value(++i), QByteArray(" Signature ................."));
    }
};

QTEST_GUILESS_MAIN(TestSimPrintout)
#include "test_sim_printout.moc"
