// The serial adapter on its own: the port search in a sysfs tree laid out
// like the kernel's, the port list of the environment, and its D2XX calls
// on a pseudo-terminal whose master the test plays (raw line settings,
// exclusive use, read time-outs and short reads, queue counts, a hang-up,
// and a port without permission).
#include "core/device/d2xx_binding.h"
#include "serial_ports.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <future>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using tavixserial::PortEntry;

namespace {

// The names the adapter lists, in its order.
QStringList Names(const D2xxBinding &adapter, DWORD by)
{
    DWORD count = 0;
    if (adapter.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK)
        return {QStringLiteral("<count failed>")};
    QList<QByteArray> buffers(count, QByteArray(64, '\xEE'));
    QList<char *> table;
    for (QByteArray &buffer : buffers)
        table.append(buffer.data());
    table.append(nullptr);
    if (adapter.ListDevices(table.data(), &count, FT_LIST_ALL | by) != FT_OK)
        return {QStringLiteral("<list failed>")};
    QStringList result;
    for (const QByteArray &buffer : buffers)
        result.append(QString::fromLatin1(buffer.constData()));
    return result;
}

// A pseudo-terminal whose slave the adapter opens as a port.
struct Pty {
    int master = -1;
    QByteArray slave;
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = ::ptsname(master);
    }
    ~Pty() { closeMaster(); }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    QByteArray readMaster(int atLeast) const
    {
        QByteArray bytes;
        QElapsedTimer timer;
        timer.start();
        char buffer[4096];
        while (bytes.size() < atLeast && timer.elapsed() < 10000) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 100) > 0) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0)
                    bytes.append(buffer, n);
            }
        }
        return bytes;
    }
};

QByteArray AllBytes()
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<char>(i);
    return bytes;
}

bool WriteText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// One USB serial port in the fake sysfs tree: the USB device (with its
// strings), its interface, the port below it, the port's driver link and
// the link in bus/usb-serial/devices.
bool AddPort(const QString &sys, const QString &name, const QString &usb, const QString &driver,
             const QByteArray &serial, const QByteArray &product)
{
    const QString device = sys + "/devices/pci0000:00/0000:00:14.0/usb1/" + usb;
    const QString port = device + "/" + usb + ":1.0/" + name;
    if (!QDir().mkpath(port) || !QDir().mkpath(sys + "/bus/usb-serial/drivers/" + driver)
        || !QDir().mkpath(sys + "/bus/usb-serial/devices"))
        return false;
    bool ok = WriteText(device + "/idVendor", driver == "ftdi_sio" ? "0403\n" : "067b\n");
    if (!serial.isNull())
        ok = ok && WriteText(device + "/serial", serial);
    if (!product.isNull())
        ok = ok && WriteText(device + "/product", product);
    return ok && QFile::link(sys + "/bus/usb-serial/drivers/" + driver, port + "/driver")
           && QFile::link(port, sys + "/bus/usb-serial/devices/" + name);
}

} // namespace

class TestSerialAdapter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void enumerationOfAFakeSysfsTree();
    void portList_data();
    void portList();

    void openSetsUpARawExclusivePort();
    void bytesPassUnchangedBothWays();
    void hangUpIsALostDevice();
    void openFailures_data();
    void openFailures();
    void portWithoutPermission();
    void writeBeyondWhatTheLineHoldsEndsAtTheTimeOut();

private:
    FT_HANDLE OpenPty(const Pty &pty);

    D2xxBinding m_adapter;
    QTemporaryDir m_dir;
};

void TestSerialAdapter::initTestCase()
{
    QVERIFY(m_adapter.Load(QStringLiteral(TAVIX_SERIAL_LIBRARY)).ok);
    QVERIFY(m_dir.isValid());
}

void TestSerialAdapter::cleanup()
{
    qunsetenv("TAVIX_SERIAL_PORTS");
    qunsetenv("TAVIX_SERIAL_SYSFS");
}

FT_HANDLE TestSerialAdapter::OpenPty(const Pty &pty)
{
    qputenv("TAVIX_SERIAL_PORTS", pty.slave + "=PTY1=Pseudo terminal");
    FT_HANDLE handle = nullptr;
    const FT_STATUS status = m_adapter.OpenEx(const_cast<char *>("PTY1"), FT_OPEN_BY_SERIAL_NUMBER, &handle);
    return status == FT_OK ? handle : nullptr;
}

void TestSerialAdapter::enumerationOfAFakeSysfsTree()
{
    // Two FTDI ports, one whose product string is missing, a port of another
    // driver, and numbers that sort differently as text and as numbers.
    const QString sys = m_dir.filePath(QStringLiteral("sys"));
    QVERIFY(AddPort(sys, "ttyUSB10", "1-4", "ftdi_sio", "TX300010\n", "Tavix 3000\n"));
    QVERIFY(AddPort(sys, "ttyUSB2", "1-2", "ftdi_sio", "TX300002\n", QByteArray()));
    QVERIFY(AddPort(sys, "ttyUSB1", "1-3", "pl2303", "PL0001\n", "USB-Serial Controller\n"));
    QVERIFY(AddPort(sys, "ttyUSB0", "1-1", "ftdi_sio", "A50285BI\n", "FT232R USB UART\n"));

    const std::vector<PortEntry> expected{{"/dev/ttyUSB0", "A50285BI", "FT232R USB UART"},
                                          {"/dev/ttyUSB2", "TX300002", ""},
                                          {"/dev/ttyUSB10", "TX300010", "Tavix 3000"}};
    QVERIFY(tavixserial::enumerateSysfs(sys.toStdString()) == expected);
    QVERIFY(tavixserial::enumerateSysfs(m_dir.filePath("no-such-sys").toStdString()).empty());

    // The same through the library's D2XX listing.
    qputenv("TAVIX_SERIAL_SYSFS", sys.toLocal8Bit());
    QCOMPARE(Names(m_adapter, FT_OPEN_BY_SERIAL_NUMBER), (QStringList{"A50285BI", "TX300002", "TX300010"}));
    QCOMPARE(Names(m_adapter, FT_OPEN_BY_DESCRIPTION), (QStringList{"FT232R USB UART", "", "Tavix 3000"}));
    char name[64] = {};
    QCOMPARE(m_adapter.ListDevices(reinterpret_cast<void *>(2), name, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
             FT_STATUS(FT_OK));
    QCOMPARE(QByteArray(name), QByteArray("TX300010"));
    QCOMPARE(m_adapter.ListDevices(reinterpret_cast<void *>(3), name, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
             FT_STATUS(FT_DEVICE_NOT_FOUND));
    // The listed node does not exist here: the open finds no device.
    FT_HANDLE handle = nullptr;
    QCOMPARE(m_adapter.OpenEx(const_cast<char *>("TX300010"), FT_OPEN_BY_SERIAL_NUMBER, &handle),
             FT_STATUS(FT_DEVICE_NOT_FOUND));

    // The environment's list replaces the search.
    qputenv("TAVIX_SERIAL_PORTS", "/dev/pts/99=TX300001=Tavix 3000");
    QCOMPARE(Names(m_adapter, FT_OPEN_BY_SERIAL_NUMBER), QStringList{"TX300001"});
}

void TestSerialAdapter::portList_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QStringList>("entries"); // path|serial|description

    QTest::newRow("one full entry") << QByteArray("/dev/pts/7=TX300001=Tavix 3000") << true
                                    << QStringList{"/dev/pts/7|TX300001|Tavix 3000"};
    QTest::newRow("two entries, blanks and an empty one")
        << QByteArray(" /dev/ttyS0=S0=First ; ;/dev/ttyS1=S1=Second;") << true
        << QStringList{"/dev/ttyS0|S0|First", "/dev/ttyS1|S1|Second"};
    QTest::newRow("description holding '='") << QByteArray("/dev/ttyS0=S0=a=b") << true
                                             << QStringList{"/dev/ttyS0|S0|a=b"};
    QTest::newRow("path alone") << QByteArray("/dev/ttyS0") << true << QStringList{"/dev/ttyS0||"};
    QTest::newRow("no description") << QByteArray("/dev/ttyS0=S0") << true << QStringList{"/dev/ttyS0|S0|"};
    QTest::newRow("empty text lists nothing") << QByteArray("") << true << QStringList{};
    QTest::newRow("entry without path") << QByteArray("/dev/ttyS0=S0=A;=S1=B") << false << QStringList{};
}

void TestSerialAdapter::portList()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QStringList, entries);
    const auto ports = tavixserial::parsePortList(text.toStdString());
    QCOMPARE(ports.has_value(), valid);
    if (!ports)
        return;
    QStringList got;
    for (const PortEntry &port : *ports)
        got.append(QString::fromStdString(port.path + "|" + port.serial + "|" + port.description));
    QCOMPARE(got, entries);
}

void TestSerialAdapter::openSetsUpARawExclusivePort()
{
    Pty pty;
    QVERIFY(!pty.slave.isEmpty());
    FT_HANDLE handle = OpenPty(pty);
    QVERIFY(handle);

    // The line settings, read through the master (a pseudo-terminal's two
    // ends share them).
    termios t{};
    QCOMPARE(::tcgetattr(pty.master, &t), 0);
    QCOMPARE(cfgetispeed(&t), speed_t(B9600));
    QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    QCOMPARE(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), tcflag_t(0));
    QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));

    // Exclusive: another open is refused, except for root, who may open an
    // exclusive port but sees the flag set.
    const int probe = ::open(pty.slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (probe < 0) {
        QCOMPARE(errno, EBUSY);
    } else {
        int exclusive = 0;
        QCOMPARE(::ioctl(probe, TIOCGEXCL, &exclusive), 0);
        ::close(probe);
        QCOMPARE(exclusive, 1);
    }
    // D2XX opens a device once.
    FT_HANDLE second = nullptr;
    QCOMPARE(m_adapter.OpenEx(const_cast<char *>("PTY1"), FT_OPEN_BY_SERIAL_NUMBER, &second),
             FT_STATUS(FT_DEVICE_NOT_OPENED));
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_INVALID_HANDLE));
    // Closed, it opens again (by index this time).
    QCOMPARE(m_adapter.Open(0, &second), FT_STATUS(FT_OK));
    QCOMPARE(m_adapter.Close(second), FT_STATUS(FT_OK));
}

void TestSerialAdapter::bytesPassUnchangedBothWays()
{
    Pty pty;
    FT_HANDLE handle = OpenPty(pty);
    QVERIFY(handle);
    QCOMPARE(m_adapter.SetTimeouts(handle, 300, 300), FT_STATUS(FT_OK));
    // Every byte value, CR, LF, XON/XOFF and the signal characters included.
    const QByteArray bytes = AllBytes().repeated(4);
    DWORD sent = 0;
    QCOMPARE(m_adapter.Write(handle, bytes.constData(), DWORD(bytes.size()), &sent),
             FT_STATUS(FT_OK));
    QCOMPARE(sent, DWORD(bytes.size()));
    QCOMPARE(pty.readMaster(bytes.size()), bytes);

    QCOMPARE(::write(pty.master, bytes.constData(), bytes.size()), ssize_t(bytes.size()));
    DWORD rx = 0, tx = 0, events = 7;
    QTRY_VERIFY((m_adapter.GetStatus(handle, &rx, &tx, &events), rx == DWORD(bytes.size())));
    QCOMPARE(events, DWORD(0));
    QByteArray received(bytes.size(), '\0');
    DWORD got = 0;
    QCOMPARE(m_adapter.Read(handle, received.data(), DWORD(received.size()), &got), FT_STATUS(FT_OK));
    QCOMPARE(got, DWORD(bytes.size()));
    QCOMPARE(received, bytes);

    // A purge of the receive queue drops what waits.
    QCOMPARE(::write(pty.master, "abc", 3), ssize_t(3));
    QTRY_VERIFY((m_adapter.GetStatus(handle, &rx, &tx, &events), rx == 3));
    QCOMPARE(m_adapter.Purge(handle, FT_PURGE_RX), FT_STATUS(FT_OK));
    QCOMPARE(m_adapter.GetStatus(handle, &rx, &tx, &events), FT_STATUS(FT_OK));
    QCOMPARE(rx, DWORD(0));

    // A read gives what came within its time-out: a short count is no error.
    QCOMPARE(m_adapter.SetTimeouts(handle, 50, 50), FT_STATUS(FT_OK));
    QCOMPARE(::write(pty.master, "hello", 5), ssize_t(5));
    QCOMPARE(m_adapter.Read(handle, received.data(), 16, &got), FT_STATUS(FT_OK));
    QCOMPARE(received.left(int(got)), QByteArray("hello"));
    QCOMPARE(m_adapter.Read(handle, received.data(), 1, &got), FT_STATUS(FT_OK));
    QCOMPARE(got, DWORD(0));
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
}

void TestSerialAdapter::hangUpIsALostDevice()
{
    Pty pty;
    FT_HANDLE handle = OpenPty(pty);
    QVERIFY(handle);
    QCOMPARE(m_adapter.SetTimeouts(handle, 300, 300), FT_STATUS(FT_OK));
    DWORD rx = 0, tx = 0, events = 0;
    QCOMPARE(m_adapter.GetStatus(handle, &rx, &tx, &events), FT_STATUS(FT_OK));

    pty.closeMaster();
    QCOMPARE(m_adapter.GetStatus(handle, &rx, &tx, &events), FT_STATUS(FT_IO_ERROR));
    char byte = 0x20;
    DWORD count = 9;
    QCOMPARE(m_adapter.Write(handle, &byte, 1, &count), FT_STATUS(FT_IO_ERROR));
    QCOMPARE(count, DWORD(0));
    QCOMPARE(m_adapter.Read(handle, &byte, 1, &count), FT_STATUS(FT_IO_ERROR));
    QCOMPARE(count, DWORD(0));
    // The handle is released all the same.
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
}

void TestSerialAdapter::openFailures_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<int>("status");
    QTest::newRow("node that does not exist") << m_dir.filePath("ttyUSB9") << int(FT_DEVICE_NOT_FOUND);
    QTest::newRow("a file that is no terminal") << m_dir.filePath("plain-file") << int(FT_DEVICE_NOT_OPENED);
}

void TestSerialAdapter::openFailures()
{
    QFETCH(QString, node);
    QFETCH(int, status);
    QVERIFY(WriteText(m_dir.filePath("plain-file"), "x"));
    qputenv("TAVIX_SERIAL_PORTS", node.toLocal8Bit() + "=X1=X");
    FT_HANDLE handle = nullptr;
    QCOMPARE(int(m_adapter.OpenEx(const_cast<char *>("X1"), FT_OPEN_BY_SERIAL_NUMBER, &handle)), status);
    QVERIFY(!handle);
    // An unknown name finds nothing.
    QCOMPARE(m_adapter.OpenEx(const_cast<char *>("X2"), FT_OPEN_BY_SERIAL_NUMBER, &handle),
             FT_STATUS(FT_DEVICE_NOT_FOUND));
}

void TestSerialAdapter::portWithoutPermission()
{
    // A real terminal node with no access for anyone but root. The open runs
    // in a child process; when the test runs as root (as in CI) the child
    // first becomes the user nobody, for whom the node is closed. What this
    // shows: the kernel's refusal (EACCES) of the open becomes
    // FT_DEVICE_NOT_OPENED with one line naming the node and the remedies.
    Pty pty;
    QVERIFY(!pty.slave.isEmpty());
    QCOMPARE(::chmod(pty.slave.constData(), 0), 0);
    qputenv("TAVIX_SERIAL_PORTS", pty.slave + "=LOCKED=Locked port");
    int errPipe[2];
    QCOMPARE(::pipe(errPipe), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::dup2(errPipe[1], STDERR_FILENO);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        FT_HANDLE handle = nullptr;
        const FT_STATUS status = m_adapter.OpenEx(const_cast<char *>("LOCKED"), FT_OPEN_BY_SERIAL_NUMBER, &handle);
        ::_exit(static_cast<int>(status));
    }
    ::close(errPipe[1]);
    QByteArray err;
    char buffer[512];
    for (ssize_t n; (n = ::read(errPipe[0], buffer, sizeof buffer)) > 0;)
        err.append(buffer, n);
    ::close(errPipe[0]);
    int wstatus = 0;
    QCOMPARE(::waitpid(child, &wstatus, 0), child);
    QVERIFY(WIFEXITED(wstatus));
    if (WEXITSTATUS(wstatus) == 100)
        QSKIP("running as root without the right to become another user");
    QCOMPARE(WEXITSTATUS(wstatus), int(FT_DEVICE_NOT_OPENED));
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.contains(pty.slave + ":"), err.constData());
    QVERIFY2(err.contains("dialout") && err.contains("udev rule"), err.constData());
}

void TestSerialAdapter::writeBeyondWhatTheLineHoldsEndsAtTheTimeOut()
{
    // Nobody reads the other end: the pseudo-terminal's buffer fills, and
    // the write ends as D2XX's write time-out says, with FT_OK and the count
    // of what went; never as an I/O error, which would be a lost device.
    Pty pty;
    FT_HANDLE handle = OpenPty(pty);
    QVERIFY(handle);
    QCOMPARE(m_adapter.SetTimeouts(handle, 300, 300), FT_STATUS(FT_OK));
    QByteArray bytes = AllBytes().repeated(4096); // 1 MiB, far beyond the buffer
    DWORD sent = 0;
    auto write = std::async(std::launch::async, [&] {
        return m_adapter.Write(handle, bytes.constData(), DWORD(bytes.size()), &sent);
    });
    // Bounded: a write that ignored its time-out is ended by closing the
    // other end, and fails the test.
    const bool ended = write.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!ended)
        pty.closeMaster();
    const FT_STATUS status = write.get();
    QVERIFY2(ended, "the write did not end at its time-out");
    QCOMPARE(status, FT_STATUS(FT_OK));
    QVERIFY(sent > 0 && sent < DWORD(bytes.size()));
    // What it counts as written is what the other end receives, in order.
    QCOMPARE(pty.readMaster(int(sent)), bytes.left(int(sent)));
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
}

QTEST_GUILESS_MAIN(TestSerialAdapter)
#include "test_serial_adapter.moc"
