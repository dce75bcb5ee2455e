// The instrument's character table, every byte.
#include "core/device/instrument_charset.h"

#include <QtTest>

class TestInstrumentCharset : public QObject
{
    Q_OBJECT
private slots:
    void everyByte();
    void markedDifferences_data();
    void markedDifferences();
    void widenKeepsZeroAndOrder();
};

void TestInstrumentCharset::everyByte()
{
    // The replaced range as printed in the instrument's table, 0x80 .. 0xA5.
    const QMap<int, int> replaced = {
        {0x80, 0xC7}, {0x81, 0xFC}, {0x82, 0xE4}, {0x83, 0xE2}, {0x84, 0xE4}, {0x85, 0xE0}, {0x86, 0xE5},
        {0x87, 0xE7}, {0x88, 0xEA}, {0x89, 0xEB}, {0x8A, 0xE8}, {0x8B, 0xEF}, {0x8C, 0xEE}, {0x8D, 0xEC},
        {0x8E, 0xC4}, {0x8F, 0xC5}, {0x90, 0xC9}, {0x91, 0xE6}, {0x92, 0xC6}, {0x93, 0xF4}, {0x94, 0xF6},
        {0x95, 0xF2}, {0x96, 0xFB}, {0x97, 0xF9}, {0x98, 0xAD}, {0x99, 0xD6}, {0x9A, 0xDC}, {0x9B, 0x9B},
        {0x9C, 0xA3}, {0x9D, 0xA5}, {0x9E, 0xAD}, {0x9F, 0xA3}, {0xA0, 0xE1}, {0xA1, 0xED}, {0xA2, 0xF3},
        {0xA3, 0xFA}, {0xA4, 0xF1}, {0xA5, 0xD1},
    };
    QCOMPARE(replaced.size(), 0xA6 - 0x80);
    for (int byte = 0; byte < 256; ++byte) {
        const int expected = replaced.value(byte, byte);
        QCOMPARE(int(TranslateInstrumentChar(quint8(byte))), expected);
    }
}

void TestInstrumentCharset::markedDifferences_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("text");
    QTest::newRow("0x82 is a-umlaut like 0x84, not e-acute") << 0x82 << QStringLiteral("ä");
    QTest::newRow("0x84 a-umlaut") << 0x84 << QStringLiteral("ä");
    QTest::newRow("0x94 o-umlaut") << 0x94 << QStringLiteral("ö");
    QTest::newRow("0x8E A-umlaut") << 0x8E << QStringLiteral("Ä");
    QTest::newRow("0x98 soft hyphen") << 0x98 << QString(QChar(0xAD));
    QTest::newRow("0x9E soft hyphen") << 0x9E << QString(QChar(0xAD));
    QTest::newRow("0x9B kept") << 0x9B << QString(QChar(0x9B));
    QTest::newRow("0x9F pound like 0x9C") << 0x9F << QStringLiteral("£");
    QTest::newRow("0xBA masculine ordinal kept") << 0xBA << QStringLiteral("º");
    QTest::newRow("0xA6 first kept above the range") << 0xA6 << QString(QChar(0xA6));
}

void TestInstrumentCharset::markedDifferences()
{
    QFETCH(int, byte);
    QFETCH(QString, text);
    const char raw = char(byte);
    QCOMPARE(InstrumentBytesToText(QByteArrayView(&raw, 1)), text);
}

void TestInstrumentCharset::widenKeepsZeroAndOrder()
{
    const QByteArray bytes("22.4 \xBA" "C\0\x84\r\n", 11);
    const QString text = InstrumentBytesToText(bytes);
    QCOMPARE(text.size(), 11);
    QCOMPARE(text, QStringLiteral("22.4 ºC") + QChar(0) + QStringLiteral("ä\r\n"));
}

QTEST_GUILESS_MAIN(TestInstrumentCharset)
#include "test_instrument_charset.moc"
