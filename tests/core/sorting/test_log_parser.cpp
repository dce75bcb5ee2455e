// Tests of the log data parser: the documented examples field by field, the
// number reading and field splitting rules, and an equivalence check of the
// parser against a plain step-by-step reading of the rules on random texts.
#include "core/sorting/log_parser.h"
#include "core/sorting/log_search_text.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

#include <climits>
#include <cstdlib>

namespace {

const QString kRule = QStringLiteral("-----------------------");

QString Lines(const QStringList &lines)
{
    QString s;
    for (const QString &l : lines)
        s += l + QStringLiteral("\r\n");
    return s;
}

const QString kPlainHeader = QStringLiteral(
    "Tavix 3000 s/n 123456\r\nProbe QRT Log\r\nTime Constant 1 sec\r\nLog Interval 10 sec\r");
const QString kLogpHeader = QStringLiteral(
    "Tavix 3000 s/n 123456\r\nProbe QRT 03\r\nTime Constant 1 sec\r\nLog Interval 10 sec\r");

QString PlainLogBody()
{
    return Lines({"Tavix 3000 s/n 123456", "Probe QRT Log", "Time Constant 1 sec",
                  "Log Interval 10 sec", "", "Date     Time     Vel   Temp", kRule,
                  "08-01-02 12:30:00 0.25 22.3", "08-01-02 12:30:10 0.27 22.4", ""});
}

QString PlainLog() { return QStringLiteral("File 2 \r\n") + PlainLogBody(); }

QString LogpLog()
{
    return Lines({"File 3 ", "Tavix 3000 s/n 123456", "Probe QRT 03", "Time Constant 1 sec",
                  "Log Interval 10 sec", "", "Log 1   08-01-02 12:30:00",
                  "Barometer 1013 B-hPa", "Avg Velocity 0.25 m/s", "",
                  "Log 2   08-01-02 12:30:10", "Barometer 1012 B-hPa",
                  "Avg Velocity 0,27 m/s", ""});
}

LogFileRecord Record(int number, int kind, const QString &header, const QStringList &headers,
                     const QList<QStringList> &rows)
{
    LogFileRecord r;
    r.fileNumber = number;
    r.kind = kind;
    r.headerText = header;
    r.columnHeaders = headers;
    r.rows = rows;
    return r;
}

const QStringList kPlainHeaders{"Date", "Time", "Vel", "Temp", "Date", "Time", "Vel", "Temp"};
const QList<QStringList> kPlainRows{{"08-01-02", "12:30:00", "0.25", "22.3"},
                                    {"08-01-02", "12:30:10", "0.27", "22.4"}};

LogFileRecord PlainRecord(int number)
{
    return Record(number, 0, kPlainHeader, kPlainHeaders, kPlainRows);
}

LogFileRecord LogpRecord()
{
    return Record(3, 1, kLogpHeader,
                  {"DATE", "TT-MM-DD", "TIME", "HH:MM:SS", "Barometer", "B-hPa", "Avg Velocity", "m/s"},
                  {{"08-01-02", "12:30:00", "1013", "0.25"}, {"08-01-02", "12:30:10", "1012", "0,27"}});
}

QString Describe(const QList<LogFileRecord> &files)
{
    QString s;
    for (const LogFileRecord &r : files) {
        s += QStringLiteral("[file %1 kind %2 header <%3> headers <%4> rows")
                 .arg(r.fileNumber).arg(r.kind).arg(r.headerText, r.columnHeaders.join(u'|'));
        for (const QStringList &row : r.rows)
            s += QStringLiteral(" <%1>").arg(row.join(u'|'));
        s += u']';
    }
    s.replace(QStringLiteral("\r"), QStringLiteral("\\r"));
    s.replace(QStringLiteral("\n"), QStringLiteral("\\n"));
    return s;
}

// The rules read literally, one step after the other, every search from its
// start position over the rest of the text. It is slow on long texts and is
// the reference the parser must agree with.
class LiteralParser
{
public:
    bool Parse(const QString &input, QList<LogFileRecord> &files)
    {
        t = input + LogParser::Terminator();
        int start = -2, end = -2;
        if (!NextFile(start, end, 0))
            return false;
        files.clear();
        for (;;) {
            LogFileRecord rec;
            rec.fileNumber = fileNumber;
            Header(start, end, end);
            rec.headerText = Mid(start, end);
            const int from = end;
            const int l = Find(QStringLiteral("Log "), from);
            const int d = Find(kRule, from);
            rec.kind = ((l != -1 && d == -1) || (l != -1 && d != -1 && l <= d)) ? 1 : 0;
            const bool ok = rec.kind == 0 ? Plain(start, end, rec, from) : Logp(start, end, rec, from);
            if (!ok)
                break;
            files.append(rec);
            if (!NextFile(start, end, start + 1))
                break;
        }
        return true;
    }

private:
    int Find(const QString &w, int from) const
    {
        if (from < 0 || from > t.size())
            return -1;
        return int(t.indexOf(w, from));
    }
    QString Mid(int a, int b) const
    {
        a = std::max(a, 0);
        b = std::min(b, int(t.size()));
        return b <= a ? QString() : t.mid(a, b - a);
    }
    static QStringList F1(QString s)
    {
        QStringList out;
        s = s.trimmed();
        while (!s.isEmpty()) {
            const int k = int(s.indexOf(u' '));
            if (k < 0) {
                out << s;
                s.clear();
            } else {
                out << s.left(k);
                s = s.mid(k).trimmed();
            }
        }
        return out;
    }
    static QStringList F2(QString s)
    {
        QStringList out;
        s = s.trimmed();
        while (s.contains(u' ')) {
            const int k = int(s.indexOf(u' '));
            out << s.left(k);
            s = s.mid(k).trimmed();
        }
        out << s;
        return out;
    }
    bool NextFile(int &start, int &end, int from)
    {
        const int p = Find(QStringLiteral("File "), from);
        if (p == -1)
            return false;
        start = p;
        end = Find(QStringLiteral(" "), p + 5);
        const int n = Find(QStringLiteral(" "), p);
        const int e = Find(QStringLiteral("\r\n"), n);
        if (e <= n) {
            fileNumber = 0;
            return true;
        }
        const QString num = Mid(n, e).trimmed().left(99);
        QByteArray bytes;
        for (QChar c : num)
            bytes.append(char(c.unicode() & 0xFF));
        const long v = std::strtol(bytes.constData(), nullptr, 10);
        fileNumber = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
        return true;
    }
    int Unit(int from) const
    {
        for (const char *w : {"sec", "sek", "tim", "hours"}) {
            const int u = Find(QString::fromLatin1(w), from);
            if (u != -1)
                return u;
        }
        return -1;
    }
    bool Header(int &start, int &end, int from)
    {
        const int b = Find(QStringLiteral("Tavix"), from);
        if (b == -1)
            return false;
        start = b;
        int e = b, blank;
        for (;;) {
            const int e1 = Find(QStringLiteral("\r\n"), e + 1);
            const int e2 = Find(QStringLiteral("\r\n"), e1 + 1);
            if (e2 - e1 <= 2) {
                blank = e1;
                break;
            }
            e = e1;
        }
        int stop = blank;
        const int u1 = Unit(b + 3);
        if (u1 != -1) {
            const int u2 = Unit(u1 + 4);
            stop = u2 == -1 ? blank : u2 + 5;
        }
        if (blank - stop < 30)
            stop = blank;
        if (stop == -1)
            return false;
        end = stop + 1;
        return true;
    }
    bool Plain(int &start, int &end, LogFileRecord &rec, int from)
    {
        const int lb = Find(QStringLiteral("\r\n"), from);
        const int d = lb - 30 < 0 ? -1 : Find(kRule, lb - 30);
        if (d == -1)
            return false;
        const QString block = Mid(lb, d);
        end = Find(QStringLiteral("\r\n"), d + 1) + 1;
        QString above = Mid(start, end);
        const int cut = int(above.lastIndexOf(u'\n'));
        above = cut < 0 ? QString() : above.left(cut);
        const int ls = int(above.lastIndexOf(u'\n'));
        if (ls >= 0)
            above = above.mid(ls);
        rec.columnHeaders << F1(above) << F2(block);
        int p = end;
        for (;;) {
            const int q = Find(QStringLiteral("\r\n"), p);
            if (q == -1)
                return false;
            const QString line = Mid(p, q);
            if (line.size() < 2) {
                end = p;
                return true;
            }
            rec.rows << F2(line);
            p = q + 1;
        }
    }
    bool Logp(int &start, int &end, LogFileRecord &rec, int from)
    {
        first = true;
        int l = Find(QStringLiteral("Log "), from);
        const int f = Find(QStringLiteral("File "), from);
        if (l == -1)
            return f < 0;
        for (;;) {
            if (f != -1 && l > f)
                return true;
            start = l;
            end = Find(QStringLiteral("\r\n"), l);
            const QString s = Mid(l + 8, end).trimmed();
            if (first)
                rec.columnHeaders << "DATE" << "TT-MM-DD" << "TIME" << "HH:MM:SS";
            QStringList row;
            const int k = int(s.indexOf(u' '));
            row << (k < 0 ? QString() : s.left(k).trimmed()) << (k < 0 ? s : s.mid(k).trimmed());
            QString rest = QStringLiteral("Start");
            int next = 0;
            while (rest.size() > 1) {
                const int a = end + 1;
                const int e = Find(QStringLiteral("\r\n"), a);
                end = e + 1;
                const QString line = e == -1 ? QString() : Mid(a, e);
                if (line.isEmpty()) {
                    next = a;
                    break;
                }
                int vk = -1;
                for (int i = 0; i < line.size() && vk < 0; ++i)
                    if (QStringLiteral("-0123456789").contains(line[i]))
                        vk = i;
                if (first)
                    rec.columnHeaders << (vk < 0 ? QString() : line.left(vk).trimmed());
                const QString tt = vk < 0 ? line : line.mid(vk);
                const int k2 = int(tt.indexOf(u' '));
                row << (k2 < 0 ? QString() : tt.left(k2));
                rest = k2 < 0 ? tt : tt.mid(k2);
                if (first) {
                    rest = rest.trimmed();
                    rec.columnHeaders << rest;
                }
                next = end + 1;
            }
            rec.rows << row;
            first = false;
            l = Find(QStringLiteral("Log "), next);
            if (l == -1)
                return true;
        }
    }

    QString t;
    int fileNumber = 0;
    bool first = false;
};

// Pieces a random capture is made of: markers, header words, entries,
// rule lines, line breaks and white space in many combinations.
const QStringList kFragments{
    "File ", "File 1 ", "File 23 ", "File -4 ", "File  12 xyz", "File abc ", "File 7",
    "Tavix", "Tavix 3000 s/n 123456", "Probe QRT 03", "Probe QRT 31", "Time Constant 1 sec",
    "Log Interval 10 sec", "Measuring Time 2 tim", "Dauer 3 sek", "5 hours", "sec", "sek", "tim",
    "hours", "Log ", "Log 1   08-01-02 12:30:00", "Log 2   08-01-02 12:30:10", "Log 3", kRule,
    "--------", "Date     Time     Vel   Temp", "YY-MM-DD hh:mm:ss m/s   hPa",
    "08-01-02 12:30:00 0.25 22.3", "Barometer 1013 B-hPa", "Avg Velocity 0,27 m/s",
    "Var1 12.5 m/s", "DR 12 %", "T 22.1 degC", "\r\n", "\r\n", "\r\n", "\r\n\r\n", "\r", "\n",
    " ", "  ", "\t", "x", "-", "7", "\u00A0", "\u3000", "\u0131", "\u0120"};

QString RandomText(QRandomGenerator &rng, int pieces)
{
    QString s;
    for (int i = 0; i < pieces; ++i)
        s += kFragments[rng.bounded(int(kFragments.size()))];
    return s;
}

// A capture of well-formed files with a few random fragments slipped in.
QString RandomCapture(QRandomGenerator &rng)
{
    QString s;
    const int files = 1 + rng.bounded(6);
    for (int f = 0; f < files; ++f) {
        switch (rng.bounded(4)) {
        case 0: s += PlainLog(); break;
        case 1: s += LogpLog(); break;
        case 2: s += QStringLiteral("File %1 \r\n").arg(f) + PlainLogBody(); break;
        default: s += RandomText(rng, 10 + rng.bounded(30)); break;
        }
        if (rng.bounded(3) == 0) {
            const int at = rng.bounded(int(s.size()) + 1);
            s.insert(at, RandomText(rng, 1 + rng.bounded(3)));
        }
        if (rng.bounded(4) == 0) {
            const int at = rng.bounded(int(s.size()) + 1);
            s.remove(at, rng.bounded(20));
        }
    }
    return s;
}

} // namespace

class TestLogParser : public QObject
{
    Q_OBJECT

private slots:
    void fieldListKeepsEveryText();
    void documentedExamples_data();
    void documentedExamples();
    void textWithoutFileMarkerLeavesTableUnchanged();
    void readFileNumber_data();
    void readFileNumber();
    void splitFields_data();
    void splitFields();
    void wordIndexAgreesWithPlainSearch();
    void streamedTextAgreesWithPlainSearch();
    void largeTextIndexedInHalvesAgrees();
    void largeTextParsedInTwoPartsAgrees();
    void smallTextsParsedInTwoPartsAgree_data();
    void smallTextsParsedInTwoPartsAgree();
    void agreesWithLiteralRulesOnRandomTexts();
    void agreesWithLiteralRulesOnRandomCaptures();
};

void TestLogParser::documentedExamples_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QList<LogFileRecord>>("expected");

    QTest::newRow("plain log") << PlainLog() << QList<LogFileRecord>{PlainRecord(2)};

    {
        QString in = PlainLog();
        in.replace(QStringLiteral("Temp\r\n"), QStringLiteral("Temp\r\nYY-MM-DD hh:mm:ss m/s   hPa\r\n"));
        const LogFileRecord r = Record(
            2, 0, kPlainHeader,
            {"YY-MM-DD", "hh:mm:ss", "m/s", "hPa", "Date", "Time", "Vel", "Temp\r\nYY-MM-DD",
             "hh:mm:ss", "m/s", "hPa"},
            kPlainRows);
        QTest::newRow("plain log with second heading line") << in << QList<LogFileRecord>{r};
    }

    QTest::newRow("logp log") << LogpLog() << QList<LogFileRecord>{LogpRecord()};

    {
        QString in = LogpLog();
        in.chop(4); // the line break after 'Avg Velocity 0,27 m/s' and the empty line
        LogFileRecord r = LogpRecord();
        r.rows[1].append(QStringLiteral("Date"));
        QTest::newRow("logp log cut before its last line break") << in << QList<LogFileRecord>{r};
    }

    QTest::newRow("plain then logp in input order")
        << PlainLog() + LogpLog() << QList<LogFileRecord>{PlainRecord(2), LogpRecord()};

    {
        QString in = PlainLog();
        in.replace(QStringLiteral("File 2 \r\n"), QStringLiteral("File 2\r\n"));
        // The header search starts inside 'Tavix 3000' and finds no brand
        // word; the "Log " of 'Log Interval' then makes it a Logp log read
        // from there: 'Log Inte' is skipped, 'rval' is the date.
        const LogFileRecord r = Record(2, 1, QStringLiteral("File 2\r\nTavix"),
                                       {"DATE", "TT-MM-DD", "TIME", "HH:MM:SS", "", ""},
                                       {{"rval", "10 sec", ""}});
        QTest::newRow("marker without blank after the number") << in << QList<LogFileRecord>{r};
    }

    {
        const QString in = Lines({"File 5 ", "Tavix 3000 s/n 1", "Probe QRT 03", "",
                                  "Log 1   08-01-02 12:30:00", "",
                                  "Log 2   08-01-02 12:30:10", "Barometer 1012 B-hPa", ""});
        const LogFileRecord r = Record(5, 1, QStringLiteral("Tavix 3000 s/n 1\r\nProbe QRT 03\r"),
                                       {"DATE", "TT-MM-DD", "TIME", "HH:MM:SS", "", ""},
                                       {{"08-01-02", "12:30:00", ""},
                                        {"08-01-02", "12:30:10", "1012"}});
        QTest::newRow("log line followed by an empty line") << in << QList<LogFileRecord>{r};
    }

    {
        QString in = PlainLog();
        in.replace(QStringLiteral("File 2 "), QStringLiteral("File  12 xyz"));
        QTest::newRow("number after two blanks") << in << QList<LogFileRecord>{PlainRecord(12)};
    }
    {
        QString in = PlainLog();
        in.replace(QStringLiteral("File 2 "), QStringLiteral("File abc "));
        QTest::newRow("number that is not a number") << in << QList<LogFileRecord>{PlainRecord(0)};
    }
    {
        QString in = PlainLog();
        in.replace(QStringLiteral("File 2 "), QStringLiteral("File -7 "));
        QTest::newRow("negative number stays negative") << in << QList<LogFileRecord>{PlainRecord(-7)};
    }

    {
        const QString noRule = Lines({"File 7 ", "Tavix 3000 s/n 9", "Probe QRT Log", "",
                                      "Date Time Vel", "08-01-02 12:30:00 0.25", ""});
        const QString later = Lines({"File 8 ", "Tavix 3000 s/n 9", "", "Date Time", "x y", ""});
        QTest::newRow("plain log without rule line stops the parse")
            << PlainLog() + noRule + later << QList<LogFileRecord>{PlainRecord(2)};
    }

    {
        const QString in = Lines({"File 4 ", "Tavix 3000 s/n 123456", "Probe QRT 03", "",
                                  "Log 1   08-01-02 12:30:00", "Var1 12.5 m/s", "DR 12 %",
                                  "T 22.1 degC", "", "Log 2   08-01-02 12:30:10",
                                  "Var1 12.6 m/s", "DR 13 %", "T 22.2 degC", ""});
        const LogFileRecord r = Record(4, 1, QStringLiteral("Tavix 3000 s/n 123456\r\nProbe QRT 03\r"),
                                       {"DATE", "TT-MM-DD", "TIME", "HH:MM:SS", "Var", "12.5 m/s",
                                        "DR", "%"},
                                       {{"08-01-02", "12:30:00", "1", "12"},
                                        {"08-01-02", "12:30:10", "1", "13", "22.2"}});
        QTest::newRow("name ending at a digit and one-character unit") << in << QList<LogFileRecord>{r};
    }

    {
        // The unit word counts when its second occurrence ends at least 30
        // characters before the empty line: the header stops just after it.
        const QString in = Lines({"File 6 ", "Tavix 1 sec", "Interval 2 sec", "Comment line long enough here!!",
                                  "", "Date Time", kRule, "a b", ""});
        const LogFileRecord r = Record(6, 0, QStringLiteral("Tavix 1 sec\r\nInterval 2 sec\r\nC"),
                                       {"Date", "Time", "Date", "Time"}, {{"a", "b"}});
        QTest::newRow("header ended by the second unit word") << in << QList<LogFileRecord>{r};
    }
}

void TestLogParser::documentedExamples()
{
    QFETCH(QString, input);
    QFETCH(QList<LogFileRecord>, expected);
    LogParser parser;
    QList<LogFileRecord> files{Record(99, 1, "old", {"old"}, {{"old"}})};
    QVERIFY(parser.ParseInputText(input, files));
    QCOMPARE(Describe(files), Describe(expected));
    QCOMPARE(files, expected);
}

void TestLogParser::textWithoutFileMarkerLeavesTableUnchanged()
{
    LogParser parser;
    const QList<LogFileRecord> before{PlainRecord(1)};
    QList<LogFileRecord> files = before;
    QString in = PlainLog();
    in.replace(QStringLiteral("File 2 "), QStringLiteral("file 2 "));
    QVERIFY(!parser.ParseInputText(in, files));
    QCOMPARE(files, before);
    QVERIFY(!parser.ParseInputText(QString(), files));
    QCOMPARE(files, before);
}

void TestLogParser::readFileNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("digits") << "12" << 12;
    QTest::newRow("digits then word") << "12 xyz" << 12;
    QTest::newRow("word") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("minus") << "-45x" << -45;
    QTest::newRow("plus") << "+45" << 45;
    QTest::newRow("sign only") << "-" << 0;
    QTest::newRow("low byte is a blank, then digits") << QString(QChar(0x0120)) + "8" << 8;
    QTest::newRow("low byte is a digit") << QString(QChar(0x0131)) + "2" << 12;
    QTest::newRow("low byte zero ends the text") << "4" + QString(QChar(0x0100)) + "5" << 4;
    QTest::newRow("largest int") << "2147483647" << INT_MAX;
    QTest::newRow("above int saturates") << "2147483648" << INT_MAX;
    QTest::newRow("far above int saturates") << "99999999999999999999" << INT_MAX;
    QTest::newRow("smallest int") << "-2147483648" << INT_MIN;
    QTest::newRow("below int saturates") << "-2147483649" << INT_MIN;
    QTest::newRow("only 99 characters count")
        << QString(97, u' ') + "123" << 12; // the 99th character is the '2'
}

void TestLogParser::readFileNumber()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(ReadFileNumber(text), expected);
}

void TestLogParser::splitFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("f1");
    QTest::addColumn<QStringList>("f2");
    QTest::newRow("empty") << "" << QStringList{} << QStringList{""};
    QTest::newRow("white only") << " \t\r\n" << QStringList{} << QStringList{""};
    QTest::newRow("one word") << "\nabc\r" << QStringList{"abc"} << QStringList{"abc"};
    QTest::newRow("runs of blanks") << "  a   b  c " << QStringList{"a", "b", "c"}
                                    << QStringList{"a", "b", "c"};
    QTest::newRow("tab is not a separator") << "a\tb c" << QStringList{"a\tb", "c"}
                                            << QStringList{"a\tb", "c"};
    QTest::newRow("line break inside a field") << "\r\nTemp\r\nYY hh\r\n"
                                               << QStringList{"Temp\r\nYY", "hh"}
                                               << QStringList{"Temp\r\nYY", "hh"};
    QTest::newRow("wide spaces trimmed") << QString(QChar(0x3000)) + "a b" + QChar(0x00A0)
                                         << QStringList{"a", "b"} << QStringList{"a", "b"};
}

void TestLogParser::splitFields()
{
    QFETCH(QString, text);
    QFETCH(QStringList, f1);
    QFETCH(QStringList, f2);
    QCOMPARE(SplitFieldsF1(text), f1);
    QCOMPARE(SplitFieldsF2(text), f2);
}

void TestLogParser::wordIndexAgreesWithPlainSearch()
{
    // Texts dense in the words and their pieces, asked in random order
    // (backward, below 0 and beyond the end too).
    const QStringList pieces{"\r", "\n", "\r\n", "-", "--------", "File ", "Fil", "Tavix", "Tav",
                             "sec", "sek", "se", "tim", "ti", "hours", "hour", "Log ", "Log", " ", "x"};
    QRandomGenerator rng(4711);
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int count = rng.bounded(80);
        for (int i = 0; i < count; ++i)
            text += pieces[rng.bounded(int(pieces.size()))];
        const LogSearchText search(text);
        const int len = int(text.size());
        for (int ask = 0; ask < 200; ++ask) {
            const auto word = LogSearchText::Word(rng.bounded(int(LogSearchText::WordCount)));
            const int from = rng.bounded(len + 6) - 3;
            const int expected = from < 0 || from > len
                                     ? -1
                                     : int(text.indexOf(LogSearchText::WordText(word), from));
            QCOMPARE(search.Find(word, from), expected);
        }
        QCOMPARE(search.LastLineBreak(), int(text.lastIndexOf(QStringLiteral("\r\n"))));
    }
}

namespace {

// A text read a part at a time.
class PartSource : public LogTextSource
{
public:
    explicit PartSource(QStringView text) : m_text(text) {}
    qsizetype Size() const override { return m_text.size(); }
    void Read(qsizetype from, qsizetype count, char16_t *out) override
    {
        QVERIFY(from >= 0 && count > 0 && from + count <= m_text.size());
        std::copy_n(m_text.utf16() + from, count, out);
    }

private:
    QStringView m_text;
};

} // namespace

void TestLogParser::streamedTextAgreesWithPlainSearch()
{
    // The same texts read in blocks of 64 to 512 code units (the end of
    // each as the terminator), asked in random order, blocks given back
    // behind random places meanwhile and read again when asked for, with
    // and without the reader thread: every lookup and view is the plain
    // search's answer and the text's own characters.
    const QStringList pieces{"\r", "\n", "\r\n", "-", "--------", "File ", "Fil", "Tavix", "Tav",
                             "sec", "sek", "se", "tim", "ti", "hours", "hour", "Log ", "Log", " ", "xxxxxxxx"};
    QRandomGenerator rng(2718);
    for (int round = 0; round < 200; ++round) {
        QString text;
        for (int i = rng.bounded(600) + 1; i > 0; --i)
            text += pieces[rng.bounded(int(pieces.size()))];
        const qsizetype cut = rng.bounded(text.size() + 1);
        PartSource source(QStringView(text).first(cut));
        const LogSearchText search(source, QStringView(text).sliced(cut), qsizetype(64) << rng.bounded(4),
                                   rng.bounded(2) == 0);
        const int len = int(text.size());
        QCOMPARE(search.Size(), len);
        for (int ask = 0; ask < 300; ++ask) {
            const int from = rng.bounded(len + 6) - 3;
            const bool inside = from >= 0 && from <= len;
            const auto word = LogSearchText::Word(rng.bounded(int(LogSearchText::WordCount)));
            const int plain = inside ? int(text.indexOf(LogSearchText::WordText(word), from)) : -1;
            switch (rng.bounded(5)) {
            case 0:
                QCOMPARE(search.Find(word, from), plain);
                break;
            case 1: {
                const int to = from + rng.bounded(300);
                QCOMPARE(search.FindBefore(word, from, to), plain < to ? plain : -1);
                break;
            }
            case 2:
                QCOMPARE(search.FindBlank(from), inside ? int(text.indexOf(u' ', from)) : -1);
                break;
            case 3: {
                const int to = from + rng.bounded(400);
                const qsizetype a = qBound(0, from, len);
                QCOMPARE(search.Mid(from, to), QStringView(text).sliced(a, qMax(0, qMin(to, len) - int(a))));
                break;
            }
            default:
                search.ReleaseBefore(from);
                break;
            }
        }
        QCOMPARE(search.LastLineBreak(), int(text.lastIndexOf(QStringLiteral("\r\n"))));
        QCOMPARE(search.Count(LogSearchText::FileMarker), qsizetype(text.count(QStringLiteral("File "))));
    }
}

void TestLogParser::largeTextIndexedInHalvesAgrees()
{
    // A text large enough to be indexed in two halves, with each word (and
    // a run of hyphens) laid across the middle at every offset: every
    // occurrence is found once, in order, as a plain search finds them.
    const QStringList pieces{"\r\n", "-", "--------", "File ", "Tavix", "sec", "sek", "tim", "hours", "Log ", " x"};
    const QStringList across{"\r\n\r\n", QString(40, u'-'), "File ", "Tavix", "hours", "Log ", "sec"};
    QRandomGenerator rng(1302);
    QString base;
    while (base.size() < (1 << 21) + 20)
        base += pieces[rng.bounded(int(pieces.size()))];
    for (const QString &word : across) {
        for (qsizetype offset = 0; offset <= word.size(); offset += qMax<qsizetype>(1, word.size() / 5)) {
            QString text = base;
            text.replace(text.size() / 2 - offset, word.size(), word);
            const LogSearchText search(text);
            for (int w = 0; w < LogSearchText::WordCount; ++w) {
                const auto kind = LogSearchText::Word(w);
                qsizetype expected = text.indexOf(LogSearchText::WordText(kind));
                int found = search.Find(kind, 0);
                qsizetype count = 0;
                while (expected >= 0 && found == expected) {
                    ++count;
                    expected = text.indexOf(LogSearchText::WordText(kind), expected + 1);
                    found = search.Find(kind, found + 1);
                }
                QCOMPARE(found, int(expected));
                QCOMPARE(search.Count(kind), count);
            }
        }
    }
}

void TestLogParser::largeTextParsedInTwoPartsAgrees()
{
    // Large random captures parsed in two parts and on one thread: the same
    // files, state and result, with no limit, a limit passed in the second
    // half, one passed in the first half, and one just large enough.
    QRandomGenerator rng(6402);
    for (int round = 0; round < 6; ++round) {
        QString input;
        while (input.size() < (1 << 20) + 50000)
            input += RandomCapture(rng);
        if (round % 2 == 1) {
            // A plain log whose table reads on across the middle marker.
            const qsizetype middle = input.indexOf(QStringLiteral("File "), input.size() / 2);
            input.insert(middle - 1, QStringLiteral("\r\nFile 77 \r\n") + PlainLogBody().chopped(4));
        }
        qsizetype total = -1;
        for (const qsizetype limit : {qsizetype(-1), qsizetype(-2), qsizetype(-3), qsizetype(-4)}) {
            const qsizetype used = limit == -1 ? -1 : limit == -2 ? total * 3 / 4 : limit == -3 ? total / 4 : total;
            LogParser one;
            LogParser two;
            one.SetThreads(1);
            one.SetCharacterLimit(used);
            two.SetCharacterLimit(used);
            QList<LogFileRecord> got{PlainRecord(1)};
            QList<LogFileRecord> want{PlainRecord(1)};
            QCOMPARE(two.ParseInputText(input, got), one.ParseInputText(input, want));
            QCOMPARE(two.LimitExceeded(), one.LimitExceeded());
            QCOMPARE(two.LimitExceeded(), limit == -2 || limit == -3);
            QCOMPARE(got.size(), want.size());
            QVERIFY(got == want);
            QCOMPARE(two.FileNumber(), one.FileNumber());
            QCOMPARE(two.FirstLogEntry(), one.FirstLogEntry());
            if (limit == -1) {
                QVERIFY(want.size() > 1000);
                total = 0;
                for (const LogFileRecord &record : want)
                    total += LogParser::RecordCharacters(record);
            }
        }
    }
}

void TestLogParser::smallTextsParsedInTwoPartsAgree_data()
{
    // Two files, the second's marker past the middle of the text, so that
    // with the threshold lowered a second parser starts there. The first is
    // a Logp file whose only "Log " lies past the next marker (no entry of
    // its own, so its first entry is still to come); the second is read, or
    // cannot be read because its table runs to the end of the text.
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("fileNumber");
    QTest::addColumn<bool>("firstLogEntry");
    const QString filler = QStringLiteral("Remark\r\n").repeated(60);
    const QString noEntries = Lines({"File 3 ", "Tavix 3000 s/n 1", "Probe QRT 03", "Time Constant 1 sec",
                                     "Log Interval 10 sec", ""})
                              + filler;
    QTest::newRow("unreadable second file after a Logp file without entries")
        << noEntries + QStringLiteral("File 5 \r\n") + PlainLogBody().chopped(4) << 1 << 5 << true;
    QTest::newRow("plain second file after a Logp file without entries")
        << noEntries + QStringLiteral("File 5 \r\n") + PlainLogBody() << 2 << 5 << true;
    QTest::newRow("Logp second file after a plain file")
        << PlainLog() + filler + LogpLog() << 2 << 3 << false;
}

void TestLogParser::smallTextsParsedInTwoPartsAgree()
{
    QFETCH(QString, input);
    QFETCH(int, files);
    QFETCH(int, fileNumber);
    QFETCH(bool, firstLogEntry);
    for (const int threads : {1, 2}) {
        LogParser parser;
        parser.SetThreads(threads);
        parser.SetTwoPartThreshold(0);
        QList<LogFileRecord> got;
        QVERIFY(parser.ParseInputText(input, got));
        QCOMPARE(got.size(), files);
        QCOMPARE(parser.FileNumber(), fileNumber);
        QCOMPARE(parser.FirstLogEntry(), firstLogEntry);
    }
}

void TestLogParser::agreesWithLiteralRulesOnRandomTexts()
{
    QRandomGenerator rng(20080102);
    for (int round = 0; round < 3000; ++round) {
        const QString input = RandomText(rng, rng.bounded(60));
        LogParser parser;
        LiteralParser literal;
        QList<LogFileRecord> got{PlainRecord(1)};
        QList<LogFileRecord> want{PlainRecord(1)};
        const bool okGot = parser.ParseInputText(input, got);
        const bool okWant = literal.Parse(input, want);
        if (okGot != okWant || got != want) {
            QString shown = input;
            shown.replace(QStringLiteral("\r"), QStringLiteral("\\r")).replace(QStringLiteral("\n"), QStringLiteral("\\n"));
            qWarning("input: %s", qPrintable(shown));
        }
        QCOMPARE(okGot, okWant);
        QCOMPARE(Describe(got), Describe(want));
    }
}

void TestLogParser::agreesWithLiteralRulesOnRandomCaptures()
{
    QRandomGenerator rng(1230);
    int filesSeen = 0;
    for (int round = 0; round < 1500; ++round) {
        const QString input = RandomCapture(rng);
        LogParser parser;
        LiteralParser literal;
        QList<LogFileRecord> got, want;
        QCOMPARE(parser.ParseInputText(input, got), literal.Parse(input, want));
        QCOMPARE(Describe(got), Describe(want));
        filesSeen += int(got.size());
    }
    // The captures must really exercise the file steps, not only fail early.
    QVERIFY2(filesSeen > 2000, qPrintable(QString::number(filesSeen)));
}

void TestLogParser::fieldListKeepsEveryText()
{
    // Lengths around the one-unit limit of the packed length (0x7FFF) and
    // beyond, texts that look like length units, and empty texts.
    const QStringList texts{QString(), QStringLiteral("a"), QString(0x7FFF, u'x'), QString(0x8000, u'y'),
                            QString(70000, QChar(0x8001)), QString(), QStringLiteral("\u8000\uFFFF")};
    LogFieldList list(texts);
    QCOMPARE(list.size(), texts.size());
    QCOMPARE(list.toStringList(), texts);
    QCOMPARE(list.textSize(), 1 + 0x7FFF + 0x8000 + 70000 + 2);
    for (qsizetype i = 0; i < texts.size(); ++i)
        QCOMPARE(list.at(i), QStringView(texts[i]));
    QCOMPARE(list.at(-1), QStringView());
    QCOMPARE(list.at(texts.size()), QStringView());
    QCOMPARE(list.join(u'|'), texts.join(u'|'));

    // Appending one by one, or several at once, gives the same list.
    LogFieldList one;
    for (const QString &t : texts)
        one.append(t);
    QList<QStringView> views(texts.cbegin(), texts.cend());
    LogFieldList many;
    many.append(views.constData(), views.size());
    QCOMPARE(one, list);
    QCOMPARE(many, list);
    many.append(QStringView());
    QVERIFY(many != list);
    QVERIFY(list == texts);
}

QTEST_GUILESS_MAIN(TestLogParser)
#include "test_log_parser.moc"
