// Tests of the log graph's numbers: the value a field plots as, and the
// stepping of the browse buttons through a file list.
#include "core/charts/graph_values.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestGraphValues : public QObject
{
    Q_OBJECT
private slots:
    void valueFromField_data();
    void valueFromField();
    void valueIsRoundedToSinglePrecision();
    void valueBeyondSinglePrecision();
    void longFieldsAreReadWhole();
    void stepping_data();
    void stepping();
    void emptyListLeavesPositionAlone();
    void currentOutsideTheList();
    void rowField();
};

void TestGraphValues::valueFromField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<float>("value");

    QTest::newRow("point") << "0.25" << 0.25f;
    QTest::newRow("comma is a decimal point") << "12,5" << 12.5f;
    QTest::newRow("not a number") << "abc" << 0.0f;
    QTest::newRow("second point ends the number") << "1.2.3" << 1.2f;
    QTest::newRow("second comma ends the number") << "0,2,7" << 0.2f;
    QTest::newRow("negative") << "-0.2" << -0.2f;
    QTest::newRow("plus sign") << "+3" << 3.0f;
    QTest::newRow("integer") << "1013" << 1013.0f;
    QTest::newRow("leading blanks and tab") << " \t 22.4" << 22.4f;
    QTest::newRow("leading line break") << "\r\n7" << 7.0f;
    QTest::newRow("unit after the number") << "22.3degC" << 22.3f;
    QTest::newRow("fraction only") << ".5" << 0.5f;
    QTest::newRow("point at the end") << "5." << 5.0f;
    QTest::newRow("lone point") << "." << 0.0f;
    QTest::newRow("sign only") << "-" << 0.0f;
    QTest::newRow("exponent") << "1e3" << 1000.0f;
    QTest::newRow("negative exponent") << "25E-2" << 0.25f;
    QTest::newRow("exponent without digits") << "1e" << 1.0f;
    QTest::newRow("exponent sign without digits") << "2e+x" << 2.0f;
    QTest::newRow("empty") << "" << 0.0f;
    QTest::newRow("blank only") << "   " << 0.0f;
    QTest::newRow("time text") << "12:30:00" << 12.0f;
    QTest::newRow("infinity is no number here") << "inf" << 0.0f;
    QTest::newRow("hexadecimal is no number here") << "0x10" << 0.0f;
    // U+0131 counts by its low byte 0x31, the digit 1; U+0100 by 0x00, which ends the text.
    QTest::newRow("low byte of a wide character") << QString::fromUtf16(u"\u01312") << 12.0f;
    QTest::newRow("zero low byte ends the text") << QString::fromUtf16(u"4\u01005") << 4.0f;
    // Only U+002C is a decimal comma: it is replaced before the text is
    // narrowed, so characters whose low byte is 0x2C narrow to a comma that
    // ends the number, and one whose low byte is 0x2E narrows to a point.
    QTest::newRow("U+042C is no decimal comma") << QString::fromUtf16(u"1\u042C5") << 1.0f;
    QTest::newRow("U+012C is no decimal comma") << QString::fromUtf16(u"1\u012C5") << 1.0f;
    QTest::newRow("U+FF2C is no decimal comma") << QString::fromUtf16(u"2\uFF2C75") << 2.0f;
    QTest::newRow("U+012E narrows to a point") << QString::fromUtf16(u"1\u012E5") << 1.5f;
    QTest::newRow("comma then U+042C") << QString::fromUtf16(u"3,5\u042C7") << 3.5f;
}

void TestGraphValues::valueFromField()
{
    QFETCH(QString, field);
    QFETCH(float, value);
    QCOMPARE(GraphValueFromField(field), value);
}

void TestGraphValues::valueIsRoundedToSinglePrecision()
{
    // 0.1 in single precision is 13421773 / 2^27 = 0.100000001490116119384765625.
    QCOMPARE(double(GraphValueFromField(u"0.1")), 0.100000001490116119384765625);
    // 16777217 = 2^24 + 1 has no single-precision form; it rounds to even, 2^24.
    QCOMPARE(double(GraphValueFromField(u"16777217")), 16777216.0);
}

void TestGraphValues::valueBeyondSinglePrecision()
{
    const float inf = std::numeric_limits<float>::infinity();
    QCOMPARE(GraphValueFromField(u"1e39"), inf);
    QCOMPARE(GraphValueFromField(u"-1e39"), -inf);
    QCOMPARE(GraphValueFromField(u"1e400"), inf);
    QCOMPARE(GraphValueFromField(u"1e-400"), 0.0f);
    QCOMPARE(GraphValueFromField(u"0.000e99999999999999999999"), 0.0f);
    // Just below half an ulp above the largest float still rounds to it.
    QCOMPARE(GraphValueFromField(u"3.4028235e38"), std::numeric_limits<float>::max());
}

void TestGraphValues::longFieldsAreReadWhole()
{
    // 40 characters: 20 digits, a comma and 19 digits. A 20-byte buffer
    // would have cut it after 19 characters.
    const QString forty = QStringLiteral("12345678901234567890,1234567890123456789");
    QCOMPARE(forty.size(), 40);
    QCOMPARE(GraphValueFromField(forty), 12345678901234567890.0f);
    // 30 leading zeros and 0.5: the digits beyond the 19th decide the value.
    QCOMPARE(GraphValueFromField(QString(30, QLatin1Char('0')) + QStringLiteral("0,5")), 0.5f);
    // 25 blanks before the number.
    QCOMPARE(GraphValueFromField(QString(25, QLatin1Char(' ')) + QStringLiteral("7,25")), 7.25f);
}

void TestGraphValues::stepping_data()
{
    QTest::addColumn<QList<qint32>>("list");
    QTest::addColumn<int>("startPos");
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QList<qint32>>("shown");
    QTest::addColumn<int>("endPos");

    const QList<qint32> one{4};
    const QList<qint32> three{1, 2, 4};
    QTest::newRow("one file: back shows it again") << one << 0 << QList<int>{GraphStepPrevious}
                                                   << QList<qint32>{4} << 0;
    QTest::newRow("one file: all four buttons show it")
        << one << 0 << QList<int>{GraphStepNext, GraphStepFirst, GraphStepLast, GraphStepPrevious}
        << QList<qint32>{4, 4, 4, 4} << 0;
    QTest::newRow("three files: back from the first wraps to the third")
        << three << 0 << QList<int>{GraphStepPrevious} << QList<qint32>{4} << 2;
    QTest::newRow("three files: back then on shows the first")
        << three << 0 << QList<int>{GraphStepPrevious, GraphStepNext} << QList<qint32>{4, 1} << 0;
    QTest::newRow("three files: last then on steps from the old position")
        << three << 0 << QList<int>{GraphStepLast, GraphStepNext} << QList<qint32>{4, 2} << 1;
    QTest::newRow("three files: last then back steps from the old position")
        << three << 0 << QList<int>{GraphStepLast, GraphStepPrevious} << QList<qint32>{4, 4} << 2;
    QTest::newRow("three files: on past the end wraps")
        << three << 1 << QList<int>{GraphStepNext, GraphStepNext} << QList<qint32>{4, 1} << 0;
    QTest::newRow("three files: first from the middle")
        << three << 2 << QList<int>{GraphStepFirst, GraphStepCurrent} << QList<qint32>{1, 1} << 0;
    QTest::newRow("three files: current") << three << 1 << QList<int>{GraphStepCurrent}
                                          << QList<qint32>{2} << 1;
}

void TestGraphValues::stepping()
{
    QFETCH(QList<qint32>, list);
    QFETCH(int, startPos);
    QFETCH(QList<int>, steps);
    QFETCH(QList<qint32>, shown);
    QFETCH(int, endPos);

    int position = startPos;
    QList<qint32> got;
    for (int step : steps)
        got.append(StepGraphPosition(list, step, position));
    QCOMPARE(got, shown);
    QCOMPARE(position, endPos);
}

void TestGraphValues::emptyListLeavesPositionAlone()
{
    const QList<qint32> empty;
    for (int step : {GraphStepPrevious, GraphStepNext, GraphStepFirst, GraphStepLast, GraphStepCurrent}) {
        int position = 3;
        QCOMPARE(StepGraphPosition(empty, step, position), -1);
        QCOMPARE(position, 3);
    }
}

void TestGraphValues::currentOutsideTheList()
{
    const QList<qint32> two{7, 9};
    int position = 2;
    QCOMPARE(StepGraphPosition(two, GraphStepCurrent, position), -1);
    QCOMPARE(position, 2);
    position = -1;
    QCOMPARE(StepGraphPosition(two, GraphStepCurrent, position), -1);
    // The unsigned arithmetic of the other steps always lands inside the list:
    // (5 + 1) mod 2 = 0, and for -1 (0xFFFFFFFF): (0xFFFFFFFF - 1 + 2) mod 2^32 = 0.
    position = 5;
    QCOMPARE(StepGraphPosition(two, GraphStepNext, position), 7);
    QCOMPARE(position, 0);
    position = -1;
    QCOMPARE(StepGraphPosition(two, GraphStepPrevious, position), 7);
    QCOMPARE(position, 0);
    position = 1;
    QCOMPARE(StepGraphPosition(two, 5, position), -1);
    QCOMPARE(position, 1);
}

void TestGraphValues::rowField()
{
    const QStringList row{"08-01-02", "12:30:00", "0.25"};
    QCOMPARE(RowField(row, 1), QStringLiteral("12:30:00"));
    QCOMPARE(RowField(row, 2), QStringLiteral("0.25"));
    QVERIFY(RowField(row, 3).isEmpty());
    QVERIFY(RowField(row, -1).isEmpty());
    QVERIFY(RowField({}, 1).isEmpty());
}

QTEST_GUILESS_MAIN(TestGraphValues)
#include "test_graph_values.moc"
