// Tests of the UTF-16 little-endian byte layouts and of writing a file.
#include "locale/text_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void everyCodeUnitRoundTrips();
    void writeCreatesAndTruncates();
    void writeFailsInMissingDirectory();
};

void TestTextFile::bytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("plain");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ASCII letter") << QStringLiteral("A") << QByteArray("A\0", 2);
    QTest::newRow("CR LF") << QStringLiteral("\r\n") << QByteArray("\r\0\n\0", 4);
    QTest::newRow("Chinese character U+4E2D") << QStringLiteral("中") << QByteArray("\x2D\x4E", 2);
    QTest::newRow("U+0000 is written") << QString(QChar(0)) << QByteArray("\0\0", 2);
    QTest::newRow("U+FEFF inside the text") << QString(QChar(0xFEFF)) << QByteArray("\xFF\xFE", 2);
    QTest::newRow("U+00BA") << QString(QChar(0x00BA)) << QByteArray("\xBA\0", 2);
    QTest::newRow("surrogate pair U+1F600")
        << QString::fromUcs4(U"\U0001F600") << QByteArray("\x3D\xD8\x00\xDE", 4);
    QTest::newRow("lone surrogate") << QString(QChar(0xDC00)) << QByteArray("\x00\xDC", 2);
}

void TestTextFile::bytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, plain);
    QCOMPARE(Utf16LeBytes(text), plain);
    QCOMPARE(Utf16LeWithBom(text), QByteArray("\xFF\xFE", 2) + plain);
}

void TestTextFile::everyCodeUnitRoundTrips()
{
    QString all;
    for (int unit = 0; unit < 0x10000; ++unit)
        all.append(QChar(unit));
    const QByteArray bytes = Utf16LeBytes(all);
    QCOMPARE(bytes.size(), 0x20000);
    for (int unit = 0; unit < 0x10000; unit += 0x0101) {
        QCOMPARE(uchar(bytes.at(2 * unit)), uchar(unit & 0xFF));
        QCOMPARE(uchar(bytes.at(2 * unit + 1)), uchar(unit >> 8));
    }
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), all.size()), all);
}

void TestTextFile::writeCreatesAndTruncates()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.txt"));

    QString error;
    QVERIFY(WriteFileBytes(path, QByteArray("0123456789"), &error));
    QVERIFY(WriteFileBytes(path, Utf16LeWithBom(u"ab"), &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\xFF\xFE" "a\0b\0", 6));
}

void TestTextFile::writeFailsInMissingDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString error;
    QVERIFY(!WriteFileBytes(dir.filePath(QStringLiteral("missing/out.txt")), QByteArray("x"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!WriteFileBytes(dir.filePath(QStringLiteral("missing/out.txt")), QByteArray("x")));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_text_file.moc"
