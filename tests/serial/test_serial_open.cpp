// Opening a port through the serial adapter when it cannot be had: each
// failure in its own words (missing, not a terminal, no permission, busy,
// already open here), told once on standard error and handed to the
// program by TavixSerial_LastError per thread, and as a code that the
// program words in Chinese; and the advisory lock that keeps the adapter
// and other serial programs apart, with util-linux's flock as the other
// program, taken exclusive or shared.
#include "core/device/d2xx_binding.h"
#include "core/locale/text_table.h"
#include "serial_test_support.h"

#include <QDir>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>

class TestSerialOpen : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void failures_data();
    void failures();
    void reasonsAreToldOncePerPort();
    void lastErrorIsPerThread();
    void noControllingTerminal();
    void portLockedByAnotherProgram_data();
    void portLockedByAnotherProgram();
    void portHeldHereIsLockedForOthers();
    void holderFoundThroughItsOpenFiles();
    void portWithoutPermission();

private:
    FT_STATUS Open(const QByteArray &path, FT_HANDLE *handle);
    QByteArray LastError() const { return QByteArray(m_lastError()); }

    // The last failure as the program words it in Chinese.
    QString Chinese() const { return OpenFailureText(m_adapter.LastOpenFailure(), m_chinese); }

    D2xxBinding m_adapter;
    FN_TavixSerial_LastError *m_lastError = nullptr;
    QTemporaryDir m_dir;
    LocaleTexts m_chinese;
};

void TestSerialOpen::initTestCase()
{
    QVERIFY(m_adapter.Load(QStringLiteral(TAVIX_SERIAL_LIBRARY)).ok);
    // The same library file: the instance the binding loaded.
    m_lastError = reinterpret_cast<FN_TavixSerial_LastError *>(
        QLibrary(QStringLiteral(TAVIX_SERIAL_LIBRARY)).resolve("TavixSerial_LastError"));
    QVERIFY(m_lastError);
    QVERIFY(m_dir.isValid());
    QVERIFY(WriteText(m_dir.filePath("plain-file"), "x"));
    QVERIFY(QDir(m_dir.path()).mkdir("folder"));
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath("fifo")).constData(), 0600), 0);
    m_chinese.BuildBuiltInTexts();
    m_chinese.ApplyLanguage(1, false);
    QVERIFY(m_chinese.IsChinese());
}

void TestSerialOpen::cleanup()
{
    qunsetenv("TAVIX_SERIAL_PORTS");
}

FT_STATUS TestSerialOpen::Open(const QByteArray &path, FT_HANDLE *handle)
{
    qputenv("TAVIX_SERIAL_PORTS", path + "=PORT1=Port one");
    *handle = nullptr;
    return m_adapter.OpenEx(const_cast<char *>("PORT1"), FT_OPEN_BY_SERIAL_NUMBER, handle);
}

void TestSerialOpen::failures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");  // %1: the path
    QTest::addColumn<QString>("chinese"); // %1: the path

    QTest::newRow("missing path") << m_dir.filePath("ttyUSB9") << int(FT_DEVICE_NOT_FOUND)
                                  << "%1 does not exist: the device is unplugged or the path is wrong"
                                  << "%1 不存在：设备已拔出或路径有误";
    QTest::newRow("regular file") << m_dir.filePath("plain-file") << int(FT_DEVICE_NOT_OPENED)
                                  << "%1 is not a serial port: it is a regular file" << "%1 不是串口：它是普通文件";
    QTest::newRow("folder") << m_dir.filePath("folder") << int(FT_DEVICE_NOT_OPENED)
                            << "%1 is not a serial port: it is a folder" << "%1 不是串口：它是文件夹";
    QTest::newRow("FIFO") << m_dir.filePath("fifo") << int(FT_DEVICE_NOT_OPENED)
                          << "%1 is not a serial port: it is a FIFO" << "%1 不是串口：它是命名管道（FIFO）";
    QTest::newRow("a device that is no terminal") << "/dev/zero" << int(FT_DEVICE_NOT_OPENED)
                               << "%1 is not a serial port: it is a device that is not a terminal"
                               << "%1 不是串口：它是不是终端的设备";
    QTest::newRow("a path through a file") << m_dir.filePath("plain-file/ttyUSB0") << int(FT_DEVICE_NOT_OPENED)
                                           << "%1 could not be opened: Not a directory" << "无法打开 %1：不是目录";
}

void TestSerialOpen::failures()
{
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QString, reason);
    QFETCH(QString, chinese);
    FT_HANDLE handle = nullptr;
    QCOMPARE(int(Open(QFile::encodeName(path), &handle)), status);
    QVERIFY(!handle);
    QCOMPARE(QString::fromUtf8(LastError()), reason.arg(path));
    QCOMPARE(Chinese(), chinese.arg(path));
    // A name that is not listed.
    QCOMPARE(m_adapter.OpenEx(const_cast<char *>("PORT2"), FT_OPEN_BY_SERIAL_NUMBER, &handle),
             FT_STATUS(FT_DEVICE_NOT_FOUND));
    QCOMPARE(LastError(), QByteArray("no device with serial number \"PORT2\" is attached"));
    QCOMPARE(Chinese(), QStringLiteral("未连接序列号为“PORT2”的设备"));
}

void TestSerialOpen::reasonsAreToldOncePerPort()
{
    // A program that retries every second: standard error gets the reason
    // once, and again only when it changes.
    const QByteArray missing = QFile::encodeName(m_dir.filePath("ttyUSB7"));
    const QString errors = m_dir.filePath("stderr.txt");
    bool finished = false;
    RunInChild(
        [&] {
            const int fd = ::open(QFile::encodeName(errors).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, STDERR_FILENO);
            FT_HANDLE handle = nullptr;
            for (int i = 0; i < 3; ++i)
                Open(missing, &handle);
            WriteText(m_dir.filePath("ttyUSB7"), "now a file");
            Open(missing, &handle);
            return QByteArray();
        },
        20000, &finished);
    QVERIFY(finished);
    QCOMPARE(ReadText(errors), "tavixserial: " + missing + " does not exist: the device is unplugged or the path "
                                   "is wrong\ntavixserial: " + missing + " is not a serial port: it is a regular file\n");
}

void TestSerialOpen::lastErrorIsPerThread()
{
    FT_HANDLE handle = nullptr;
    QCOMPARE(Open("/dev/null", &handle), FT_STATUS(FT_DEVICE_NOT_OPENED));
    const QByteArray here = LastError();
    QByteArray before, after;
    std::thread other([&] {
        before = LastError();
        FT_HANDLE none = nullptr;
        m_adapter.OpenEx(const_cast<char *>("NOT-LISTED"), FT_OPEN_BY_SERIAL_NUMBER, &none);
        after = LastError();
    });
    other.join();
    QCOMPARE(before, QByteArray());
    QCOMPARE(after, QByteArray("no device with serial number \"NOT-LISTED\" is attached"));
    QCOMPARE(LastError(), here);
    // A successful open leaves the last failure's reason; a second open of
    // a port open here is refused in its own words.
    Pty pty;
    QCOMPARE(Open(pty.slave, &handle), FT_STATUS(FT_OK));
    QCOMPARE(LastError(), here);
    FT_HANDLE second = nullptr;
    QCOMPARE(m_adapter.OpenEx(const_cast<char *>("PORT1"), FT_OPEN_BY_SERIAL_NUMBER, &second),
             FT_STATUS(FT_DEVICE_NOT_OPENED));
    QCOMPARE(LastError(), pty.slave + " is already open in this program");
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
}

void TestSerialOpen::noControllingTerminal()
{
    // /dev/tty in a process without a controlling terminal (a new session)
    // exists, but opening it fails with ENXIO: said as it is.
    bool finished = false;
    const QByteArray result = RunInChild(
        [&] {
            ::setsid();
            FT_HANDLE handle = nullptr;
            const FT_STATUS status = Open("/dev/tty", &handle);
            return QByteArray::number(status) + " " + LastError() + "\n" + Chinese().toUtf8();
        },
        20000, &finished);
    QVERIFY(finished);
    QCOMPARE(QString::fromUtf8(result),
             QString::number(FT_DEVICE_NOT_FOUND)
                 + QStringLiteral(" /dev/tty is the controlling terminal of the program, and it has none\n"
                                  "/dev/tty 指本程序的控制终端，而本程序没有控制终端"));
}

void TestSerialOpen::portLockedByAnotherProgram_data()
{
    QTest::addColumn<QStringList>("lock");
    QTest::newRow("exclusive lock") << QStringList{};
    // A shared lock is a reader's: the adapter, which writes, takes the
    // port only when no other program holds any lock on it.
    QTest::newRow("shared lock") << QStringList{"-s"};
}

void TestSerialOpen::portLockedByAnotherProgram()
{
    QFETCH(QStringList, lock);
    // util-linux flock holds the port as picocom or tio would; it waits on
    // its standard input, then says "done".
    Pty pty;
    termios before{};
    QCOMPARE(::tcgetattr(pty.master, &before), 0);
    QProcess holder;
    holder.start(QStringLiteral("flock"),
                 lock + QStringList{QString::fromLocal8Bit(pty.slave), "-c", "echo locked; read line; echo done"});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine(), QByteArray("locked\n"));

    FT_HANDLE handle = nullptr;
    QCOMPARE(Open(pty.slave, &handle), FT_STATUS(FT_DEVICE_NOT_OPENED));
    QVERIFY(!handle);
    QCOMPARE(LastError(), pty.slave + " is busy: process " + QByteArray::number(holder.processId()) + " (flock) holds it");
    QCOMPARE(Chinese(), QStringLiteral("%1 正被占用：占用它的是进程 %2（flock）")
                            .arg(QString::fromLocal8Bit(pty.slave))
                            .arg(holder.processId()));
    // Listed as opened.
    DWORD count = 0, flags = 0;
    QLibrary library(QStringLiteral(TAVIX_SERIAL_LIBRARY));
    auto create = reinterpret_cast<FN_FT_CreateDeviceInfoList *>(library.resolve("FT_CreateDeviceInfoList"));
    auto detail = reinterpret_cast<FN_FT_GetDeviceInfoDetail *>(library.resolve("FT_GetDeviceInfoDetail"));
    QVERIFY(create && detail);
    QCOMPARE(create(&count), FT_STATUS(FT_OK));
    QCOMPARE(detail(0, &flags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), FT_STATUS(FT_OK));
    QCOMPARE(flags, ULONG(FT_FLAGS_OPENED));

    // The holder's port is as it was: line settings untouched, not made
    // exclusive, nothing written to it; and the holder goes on.
    termios after{};
    QCOMPARE(::tcgetattr(pty.master, &after), 0);
    QCOMPARE(after.c_lflag, before.c_lflag);
    QCOMPARE(after.c_iflag, before.c_iflag);
    QCOMPARE(after.c_cflag, before.c_cflag);
    const int probe = ::open(pty.slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(probe >= 0);
    int exclusive = 1;
    QCOMPARE(::ioctl(probe, TIOCGEXCL, &exclusive), 0);
    ::close(probe);
    QCOMPARE(exclusive, 0);
    int waiting = -1;
    QCOMPARE(::ioctl(pty.master, FIONREAD, &waiting), 0);
    QCOMPARE(waiting, 0);
    holder.write("go\n");
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(holder.exitStatus(), QProcess::NormalExit);
    QCOMPARE(holder.exitCode(), 0);
    QCOMPARE(holder.readAll(), QByteArray("done\n"));

    // Let go, the port opens.
    QCOMPARE(Open(pty.slave, &handle), FT_STATUS(FT_OK));
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
}

void TestSerialOpen::portHeldHereIsLockedForOthers()
{
    Pty pty;
    FT_HANDLE handle = nullptr;
    QCOMPARE(Open(pty.slave, &handle), FT_STATUS(FT_OK));
    // flock -n fails (status 1) instead of waiting when the lock is taken.
    QProcess other;
    other.start(QStringLiteral("flock"), {"-n", QString::fromLocal8Bit(pty.slave), "true"});
    QVERIFY(other.waitForFinished(10000));
    QCOMPARE(other.exitCode(), 1);
    // Not even a shared lock: the adapter's lock is exclusive.
    other.start(QStringLiteral("flock"), {"-s", "-n", QString::fromLocal8Bit(pty.slave), "true"});
    QVERIFY(other.waitForFinished(10000));
    QCOMPARE(other.exitCode(), 1);
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
    other.start(QStringLiteral("flock"), {"-n", QString::fromLocal8Bit(pty.slave), "true"});
    QVERIFY(other.waitForFinished(10000));
    QCOMPARE(other.exitCode(), 0);
}

void TestSerialOpen::holderFoundThroughItsOpenFiles()
{
    // The shell opens the port and lets flock lock that open file; flock
    // ends, the shell keeps the file and its lock. /proc/locks names the
    // flock process that is gone: the holder is the shell, found through its
    // descriptors in /proc/PID/fd.
    Pty pty;
    QProcess holder;
    holder.start(QStringLiteral("sh"), {"-c", QStringLiteral("exec 3<>%1; flock -n 3 && echo locked; read line")
                                                  .arg(QString::fromLocal8Bit(pty.slave))});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine(), QByteArray("locked\n"));
    FT_HANDLE handle = nullptr;
    QCOMPARE(Open(pty.slave, &handle), FT_STATUS(FT_DEVICE_NOT_OPENED));
    QCOMPARE(LastError(), pty.slave + " is busy: process " + QByteArray::number(holder.processId()) + " (sh) holds it");
    holder.write("go\n");
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(Open(pty.slave, &handle), FT_STATUS(FT_OK));
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
}

void TestSerialOpen::portWithoutPermission()
{
    // A real terminal node with no access for anyone but root. The open runs
    // in a child process; when the test runs as root (as in CI) the child
    // first becomes the user nobody, for whom the node is closed. What this
    // shows: the kernel's refusal (EACCES) of the open becomes
    // FT_DEVICE_NOT_OPENED with one line naming the node and the remedies.
    Pty pty;
    QVERIFY(!pty.slave.isEmpty());
    QCOMPARE(::chmod(pty.slave.constData(), 0), 0);
    const QString errors = m_dir.filePath("permission-stderr.txt");
    bool finished = false;
    const QByteArray result = RunInChild(
        [&] {
            const int fd = ::open(QFile::encodeName(errors).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            ::dup2(fd, STDERR_FILENO);
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                return QByteArray("no other user");
            FT_HANDLE handle = nullptr;
            const FT_STATUS status = Open(pty.slave, &handle);
            return QByteArray::number(status) + " " + LastError();
        },
        20000, &finished);
    QVERIFY(finished);
    if (result == "no other user")
        QSKIP("running as root without the right to become another user");
    const QByteArray reason = "no permission to open " + pty.slave
                              + ": add your user to the port's group (usually dialout: sudo usermod -aG dialout "
                                "$USER, then log in again) or install the udev rule 60-tavixterminal.rules (see "
                                "README, \"Real instrument on Linux\")";
    QCOMPARE(result, QByteArray::number(FT_DEVICE_NOT_OPENED) + " " + reason);
    QCOMPARE(ReadText(errors), "tavixserial: " + reason + "\n");
}

QTEST_GUILESS_MAIN(TestSerialOpen)
#include "test_serial_open.moc"
