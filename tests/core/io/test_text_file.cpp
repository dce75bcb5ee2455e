// Tests of the UTF-16 little-endian byte layouts and of writing a file.
#include "core/io/text_file.h"

#include "child_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

QByteArray Content(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot be read>");
}

QByteArray Pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char('a' + i % 26);
    return bytes;
}

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void everyCodeUnitRoundTrips();
    void writeCreatesAndTruncates();
    void writeFailsInMissingDirectory();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void writeAllBytesSaysWhy_data();
    void writeAllBytesSaysWhy();
    void folderWithoutRoomForATemporaryFileIsRefused();
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

void TestTextFile::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("size");

    // Below Qt's 16 KiB write buffer, at it, and far beyond it.
    QTest::newRow("small file stops short") << 1000 << 4000;
    QTest::newRow("one buffer stops short") << 4096 << 16384;
    QTest::newRow("large file stops short") << 65536 << 1000000;
    QTest::newRow("nothing fits") << 0 << 10;
}

void TestTextFile::failedWriteKeepsTheOldFile()
{
    QFETCH(int, limit);
    QFETCH(int, size);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sorted.txt"));
    const QByteArray old = "the old file, left as it was";
    QVERIFY(WriteFileBytes(path, old));

    // The file size limit fails the write part-way, as a disk that fills up
    // does: the system takes some bytes, then refuses with a reason.
    const QString error = InChild([&] {
        LimitFileSize(rlim_t(limit));
        QString text;
        return WriteFileBytes(path, Pattern(size), &text) ? QStringLiteral("<written>") : text;
    });
    QCOMPARE(error, QStringLiteral("Cannot write the file %1: %2; the file was left as it was")
                        .arg(QDir::toNativeSeparators(path), qt_error_string(EFBIG)));
    QCOMPARE(Content(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("sorted.txt")});

    // Without the limit the same bytes replace the file whole.
    QVERIFY(WriteFileBytes(path, Pattern(size)));
    QCOMPARE(Content(path), Pattern(size));
}

void TestTextFile::writeAllBytesSaysWhy_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("buffered");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("errorNumber");

    QTest::newRow("full device, unbuffered") << QStringLiteral("/dev/full") << false << -1 << ENOSPC;
    QTest::newRow("full device, buffered") << QStringLiteral("/dev/full") << true << -1 << ENOSPC;
    QTest::newRow("size limit, unbuffered") << QString() << false << 3000 << EFBIG;
    QTest::newRow("size limit, buffered") << QString() << true << 3000 << EFBIG;
}

void TestTextFile::writeAllBytesSaysWhy()
{
    QFETCH(QString, path);
    QFETCH(bool, buffered);
    QFETCH(int, limit);
    QFETCH(int, errorNumber);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (path.isEmpty())
        path = dir.filePath(QStringLiteral("backup.txt"));
    else if (!QFileInfo::exists(path))
        QSKIP("this system has no /dev/full");

    const QByteArray bytes = Pattern(10000);
    const QString reason = InChild([&] {
        if (limit >= 0)
            LimitFileSize(rlim_t(limit));
        QFile file(path);
        const QIODevice::OpenMode mode = QIODevice::WriteOnly | (buffered ? QIODevice::NotOpen : QIODevice::Unbuffered);
        if (!file.open(mode))
            return QStringLiteral("<not opened>");
        QString text;
        return WriteAllBytes(file, bytes, &text) ? QStringLiteral("<written>") : text;
    });
    QCOMPARE(reason, qt_error_string(errorNumber));
    // What reached the file is a prefix of the bytes, without holes.
    if (limit >= 0)
        QCOMPARE(Content(path), bytes.left(limit));
}

void TestTextFile::folderWithoutRoomForATemporaryFileIsRefused()
{
    // A writable file in a folder where no new file may be made, and a disk
    // that takes only part of the new bytes (a file size limit). Writing in
    // place would cut the old file short; the save refuses instead. The
    // folder's permission bits bind only an ordinary user, so a test run as
    // root makes the attempt as the user "nobody".
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                  | QFileDevice::ReadOther | QFileDevice::ExeOther));
    const QString folder = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/input.txt");
    const QByteArray old = Pattern(5000);
    QVERIFY(WriteFileBytes(path, old));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther
                                            | QFileDevice::WriteOther));
    QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                              | QFileDevice::ExeOther));

    const QString error = InChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return QStringLiteral("<cannot become nobody>");
        if (access(QFile::encodeName(path).constData(), W_OK) != 0)
            return QStringLiteral("<file not reachable>");
        LimitFileSize(100);
        QString text;
        return WriteFileBytes(path, Pattern(20000), &text) ? QStringLiteral("<written>") : text;
    });
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (error.startsWith(QStringLiteral("<cannot become")) || error == QStringLiteral("<file not reachable>"))
        QSKIP(qPrintable(QStringLiteral("the test folder cannot be reached as another user: ") + error));
    QVERIFY2(error.startsWith(QStringLiteral("Cannot write the file %1: no temporary file can be made in its folder (")
                                  .arg(QDir::toNativeSeparators(path))),
             qPrintable(error));
    QVERIFY2(error.endsWith(QStringLiteral("so it cannot be replaced as a whole; the file was left as it was")),
             qPrintable(error));
    QCOMPARE(Content(path), old);
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_text_file.moc"
