// Tests of the keyword replacement tables, the replacement rule and the bytes
// of the translated input data file.
#include "core/io/text_file.h"
#include "core/locale/keyword_tables.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestKeywordTables : public QObject
{
    Q_OBJECT

private slots:
    void tableSizes();
    void translationRows_data();
    void translationRows();
    void abbreviationRows();
    void buildAppends();

    void translate_data();
    void translate();
    void abbreviate_data();
    void abbreviate();
    void replacementRule_data();
    void replacementRule();
    void agreesWithRowByRowOnRandomTexts();

    void translatedFileBytes_data();
    void translatedFileBytes();
};

void TestKeywordTables::tableSizes()
{
    QCOMPARE(TranslationRows().size(), 39);
    QCOMPARE(AbbreviationRows().size(), 7);
}

void TestKeywordTables::translationRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<int>("trailingBlanks");

    // Rows counted from 1; replacement lengths counted by hand below.
    QTest::newRow("1 File with blank") << 1 << "File " << "文件" << 0;
    QTest::newRow("3 Time Constant") << 3 << "Time Constant" << "时间常数     " << 5;
    QTest::newRow("4 Log Interval") << 4 << "Log Interval" << "时间间隔    " << 4;
    QTest::newRow("7 Display Time") << 7 << "Display Time" << "时间常数      " << 6;
    QTest::newRow("9 Time") << 9 << "Time" << "时间" << 0;
    QTest::newRow("11 masculine ordinal C") << 11 << QStringLiteral("\u00BAC") << "摄氏度" << 0;
    QTest::newRow("13 Log with blank") << 13 << "Log " << "记录" << 0;
    QTest::newRow("15 Avg Velocity") << 15 << "Avg Velocity" << "平均值         " << 9;
    QTest::newRow("20 Avg Temp") << 20 << "Avg Temp" << "平均温度  " << 2;
    QTest::newRow("21 Note") << 21 << "Note" << "记录" << 0;
    QTest::newRow("25 Temperature") << 25 << "Temperature" << "温度          " << 10;
    QTest::newRow("27 Mixint Ratio") << 27 << "Mixint Ratio" << "绝对温度" << 0;
    QTest::newRow("33 Avg Pressure") << 33 << "Avg Pressure" << "平均压差       " << 7;
    QTest::newRow("34 Avg Flow") << 34 << "Avg Flow" << "平均风量   " << 3;
    QTest::newRow("38 Mixing Ratio") << 38 << "Mixing Ratio" << "含湿量" << 0;
    QTest::newRow("39 K-factor") << 39 << "K-factor" << "K系数        " << 8;
}

void TestKeywordTables::translationRows()
{
    QFETCH(int, row);
    QFETCH(QString, key);
    QFETCH(QString, replacement);
    QFETCH(int, trailingBlanks);

    const ReplacementRow &actual = TranslationRows().at(row - 1);
    QCOMPARE(actual.key, key);
    QCOMPARE(actual.replacement, replacement);
    qsizetype blanks = 0;
    while (blanks < actual.replacement.size() && actual.replacement.at(actual.replacement.size() - 1 - blanks) == u' ')
        ++blanks;
    QCOMPARE(blanks, qsizetype(trailingBlanks));
}

void TestKeywordTables::abbreviationRows()
{
    const ReplacementTable expected = {
        {"Time Constant", "TC"}, {"Measuring Time", "MT"}, {"Barometer", "Ba"},   {"Avg Velocity", "AV"},
        {"Std Deviation", "StdD"}, {"Avg Temp", "AT"},      {"Draught Rating", "DR"},
    };
    QCOMPARE(AbbreviationRows(), expected);

    // Sizes by hand: row 3 "时间常数" + 5 blanks = 9 units; row 15 "平均值" + 9 = 12;
    // row 25 "温度" + 10 = 12; row 11's key is U+00BA U+0043.
    QCOMPARE(TranslationRows().at(2).replacement.size(), 9);
    QCOMPARE(TranslationRows().at(14).replacement.size(), 12);
    QCOMPARE(TranslationRows().at(24).replacement.size(), 12);
    QCOMPARE(TranslationRows().at(10).key.at(0).unicode(), char16_t(0x00BA));
    QCOMPARE(TranslationRows().at(10).key.at(1).unicode(), char16_t(0x0043));
    QCOMPARE(TranslationRows().at(0).key.size(), 5);
    QCOMPARE(TranslationRows().at(12).key.size(), 4);
}

void TestKeywordTables::buildAppends()
{
    ReplacementTable translation = {{"x", "y"}};
    ReplacementTable abbreviation;
    BuildKeywordTables(translation, abbreviation);
    QCOMPARE(translation.size(), 40);
    QCOMPARE(translation.first(), (ReplacementRow{"x", "y"}));
    QCOMPARE(translation.at(1), (ReplacementRow{"File ", "文件"}));
    QCOMPARE(translation.last(), (ReplacementRow{"K-factor", "K系数        "}));
    QCOMPARE(abbreviation.size(), 7);
    QCOMPARE(abbreviation.first(), (ReplacementRow{"Time Constant", "TC"}));
}

void TestKeywordTables::translate_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Time Constant: six blanks before the number, sec becomes 秒")
        << "Time Constant 1 sec" << "时间常数      1 秒";
    QTest::newRow("Avg Temp eats the start of Avg Temperature") << "Avg Temperature" << "平均温度  erature";
    QTest::newRow("Temperature alone") << "Temperature 21.3" << "温度           21.3";
    QTest::newRow("File with its blank") << "File 12" << "文件12";
    QTest::newRow("File at the end of a line stays") << "Last File\r\nnext" << "Last File\r\nnext";
    QTest::newRow("Log with its blank") << "Log 3" << "记录3";
    QTest::newRow("Log without a blank stays") << "Logp\r\nLog" << "Logp\r\nLog";
    QTest::newRow("Log and Note both become 记录") << "Log 1 Note 2" << "记录1 记录 2";
    QTest::newRow("Min inside Minutes") << "Minutes" << "最小值utes";
    QTest::newRow("Max at the start of Maximum") << "Maximum" << "最大值imum";
    QTest::newRow("Display Time before Time") << "Display Time 5" << "时间常数       5";
    QTest::newRow("Measuring Time before Time") << "Measuring Time" << "测量时间     ";
    QTest::newRow("Log Interval before Log") << "Log Interval 10 sec" << "时间间隔     10 秒";
    QTest::newRow("Avg Velocity before Velocity") << "Avg Velocity m/s" << "平均值          米/秒";
    QTest::newRow("Velocity alone") << "Velocity" << "风速";
    QTest::newRow("Avg Pressure before Pressure") << "Avg Pressure|Pressure" << "平均压差       |压差";
    QTest::newRow("masculine ordinal C is translated") << QStringLiteral("21.5\u00BAC") << "21.5摄氏度";
    QTest::newRow("degree sign C is not") << QStringLiteral("21.5\u00B0C") << QStringLiteral("21.5\u00B0C");
    QTest::newRow("Mixint and Mixing Ratio") << "Mixint Ratio/Mixing Ratio" << "绝对温度/含湿量";
    QTest::newRow("case-sensitive") << "TIME CONSTANT time" << "TIME CONSTANT time";
    QTest::newRow("serial number") << "S/N:123456" << "序列号:123456";
    QTest::newRow("date and time") << "Date 2012-05-01 Time 10:15" << "日期 2012-05-01 时间 10:15";
    QTest::newRow("K2-factor before K-factor") << "K2-factor K-factor" << "K2常数 K系数        ";
    QTest::newRow("empty text") << "" << "";
}

void TestKeywordTables::translate()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(ApplyReplacementTable(input, TranslationRows()), expected);
}

void TestKeywordTables::abbreviate_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("column titles")
        << "Time Constant;Barometer;Avg Velocity;Std Deviation;Avg Temp;Draught Rating"
        << "TC;Ba;AV;StdD;AT;DR";
    QTest::newRow("Avg Temperature keeps its tail") << "Avg Temperature" << "ATerature";
    QTest::newRow("Measuring Time") << "Measuring Time" << "MT";
    QTest::newRow("Time alone stays") << "Time" << "Time";
}

void TestKeywordTables::abbreviate()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(ApplyReplacementTable(input, AbbreviationRows()), expected);
}

void TestKeywordTables::replacementRule_data()
{
    QTest::addColumn<ReplacementTable>("table");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("matches do not overlap") << ReplacementTable{{"aa", "b"}} << "aaa" << "ba";
    QTest::newRow("replacement is not rescanned by its row") << ReplacementTable{{"ab", "b"}} << "aab" << "ab";
    QTest::newRow("replacement grows the text") << ReplacementTable{{"a", "aa"}} << "aXa" << "aaXaa";
    QTest::newRow("later rows see earlier results")
        << ReplacementTable{{"a", "b"}, {"b", "c"}} << "ab" << "cc";
    QTest::newRow("earlier longer key wins") << ReplacementTable{{"abc", "1"}, {"ab", "2"}} << "abcab" << "12";
    QTest::newRow("later longer key loses") << ReplacementTable{{"ab", "2"}, {"abc", "1"}} << "abc" << "2c";
    QTest::newRow("empty replacement deletes") << ReplacementTable{{"x", ""}} << "axbx" << "ab";
    QTest::newRow("empty key does nothing") << ReplacementTable{{"", "!"}} << "abc" << "abc";
    QTest::newRow("empty table") << ReplacementTable{} << "abc" << "abc";
}

void TestKeywordTables::replacementRule()
{
    QFETCH(ReplacementTable, table);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(ApplyReplacementTable(input, table), expected);
}

namespace {

// One row applied the plain way: from the left, the first occurrence at or
// after the scan position is replaced and the scan goes on after it.
QString ReplaceRowLiterally(const QString &text, const ReplacementRow &row)
{
    if (row.key.isEmpty())
        return text;
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (QStringView(text).sliced(i).startsWith(row.key)) {
            out += row.replacement;
            i += row.key.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

QString RandomWord(QRandomGenerator &rng, int maxLength, QStringView alphabet)
{
    QString word;
    const int n = rng.bounded(maxLength + 1);
    for (int i = 0; i < n; ++i)
        word += alphabet[rng.bounded(int(alphabet.size()))];
    return word;
}

} // namespace

void TestKeywordTables::agreesWithRowByRowOnRandomTexts()
{
    // A small alphabet makes overlapping keys ("aa" in "aaa"), keys inside
    // other keys and keys made by earlier replacements common.
    QRandomGenerator rng(31415);
    int changed = 0;
    for (int round = 0; round < 4000; ++round) {
        const bool lineKeys = round % 4 == 0;
        ReplacementTable table;
        const int rows = rng.bounded(1, 8);
        for (int r = 0; r < rows; ++r)
            table.append({RandomWord(rng, 4, lineKeys ? u"ab\n" : u"ab "), RandomWord(rng, 5, u"ab \n")});
        const QString text = RandomWord(rng, 120, u"aab \n");

        QString expected = text;
        for (const ReplacementRow &row : table) {
            expected = ReplaceRowLiterally(expected, row);
            // The platform's replace-all is the same rule.
            if (!row.key.isEmpty())
                QCOMPARE(ReplaceRowLiterally(text, row), QString(text).replace(row.key, row.replacement));
        }
        QCOMPARE(ApplyReplacementTable(text, table), expected);
        changed += expected != text;

        // Applied to pieces cut after line feeds and joined: the same, unless
        // a key holds a line feed (then it may differ).
        bool spans = false;
        for (const ReplacementRow &row : table)
            spans = spans || row.key.contains(u'\n');
        QCOMPARE(ReplacementTableSpansLines(table), spans);
        if (!spans) {
            QString joined;
            qsizetype start = 0;
            while (start < text.size()) {
                qsizetype end = text.indexOf(u'\n', start);
                end = end < 0 ? text.size() : end + 1;
                joined += ApplyReplacementTable(text.sliced(start, end - start), table);
                start = end;
            }
            QCOMPARE(joined, expected);
        }
    }
    QVERIFY(changed > 2000);
}

void TestKeywordTables::translatedFileBytes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("bytes");

    // 时 U+65F6, 间 U+95F4, 常 U+5E38, 数 U+6570, 记 U+8BB0, 录 U+5F55.
    QTest::newRow("Time Constant with its five blanks")
        << "Time Constant"
        << QByteArray("\xFF\xFE\xF6\x65\xF4\x95\x38\x5E\x70\x65 \0 \0 \0 \0 \0", 20);
    QTest::newRow("text after the last full stop is kept")
        << "Note.\r\nx" << QByteArray("\xFF\xFE\xB0\x8B\x55\x5F.\0\r\0\n\0x\0", 14);
    QTest::newRow("text without a full stop") << "ab" << QByteArray("\xFF\xFE" "a\0b\0", 6);
    QTest::newRow("white space at both ends is kept")
        << " \r\nNote \r\n" << QByteArray("\xFF\xFE \0\r\0\n\0\xB0\x8B\x55\x5F \0\r\0\n\0", 18);
    QTest::newRow("empty text is the byte-order mark alone") << "" << QByteArray("\xFF\xFE", 2);
}

void TestKeywordTables::translatedFileBytes()
{
    QFETCH(QString, input);
    QFETCH(QByteArray, bytes);
    // As the translated save writes it: the replaced text as a UTF-16 file.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("translated.txt"));
    QVERIFY(SaveTextFile(path, ApplyReplacementTable(input, TranslationRows())));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

QTEST_GUILESS_MAIN(TestKeywordTables)
#include "test_keyword_tables.moc"
