// The serial adapter on its own: the port search in a sysfs tree laid out
// like the kernel's (with attributes that are FIFOs, devices or far too
// long), the port list of the environment, and its D2XX calls on a
// pseudo-terminal whose master the test plays (raw line settings, exclusive
// use, read time-outs and short reads, queue counts, a hang-up, and the
// line settings as the kernel took them).
#include "core/device/d2xx_binding.h"
#include "line_settings.h"
#include "serial_ports.h"
#include "serial_test_support.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
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

// One USB serial port in the fake sysfs tree: the USB device (with its
// strings and the attributes given as NAME=VALUE), its interface, the port
// below it, the port's driver link and the link in bus/usb-serial/devices.
bool AddPort(const QString &sys, const QString &name, const QString &usb, const QString &driver,
             const QByteArray &serial, const QByteArray &product, const QList<QByteArray> &attributes = {},
             int interface = 0)
{
    const QString device = sys + "/devices/pci0000:00/0000:00:14.0/usb1/" + usb;
    const QString interfaceDir = device + "/" + usb + ":1." + QString::number(interface);
    const QString port = interfaceDir + "/" + name;
    if (!QDir().mkpath(port) || !QDir().mkpath(sys + "/bus/usb-serial/drivers/" + driver)
        || !QDir().mkpath(sys + "/bus/usb-serial/devices"))
        return false;
    bool ok = WriteText(device + "/idVendor", driver == "ftdi_sio" ? "0403\n" : "067b\n")
              && WriteText(interfaceDir + "/bInterfaceNumber", "0" + QByteArray::number(interface) + "\n");
    if (!serial.isNull())
        ok = ok && WriteText(device + "/serial", serial);
    if (!product.isNull())
        ok = ok && WriteText(device + "/product", product);
    for (const QByteArray &attribute : attributes) {
        const qsizetype eq = attribute.indexOf('=');
        ok = ok && WriteText(device + "/" + attribute.left(eq), attribute.mid(eq + 1) + "\n");
    }
    return ok && QFile::link(sys + "/bus/usb-serial/drivers/" + driver, port + "/driver")
           && QFile::link(port, sys + "/bus/usb-serial/devices/" + name);
}

// The line settings the kernel-side table sets, one a row.
enum LineCall { StopBits2, RtsCts, XonXoff, Rate115200, Rate250000, Divisor300, DtrDsr, Parity, Rate0 };

PortEntry Entry(const char *path, const char *serial, const char *description, uint16_t productId,
                FT_DEVICE type, DWORD location, bool highSpeed)
{
    PortEntry entry{path, serial, description};
    entry.vendorId = 0x0403;
    entry.productId = productId;
    entry.type = type;
    entry.location = location;
    entry.highSpeed = highSpeed;
    return entry;
}

} // namespace

class TestSerialAdapter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void enumerationOfAFakeSysfsTree();
    void oddAttributesNeitherHangNorBalloon();

    void openSetsUpARawExclusivePort();
    void bytesPassUnchangedBothWays();
    void hangUpIsALostDevice();
    void lineSettingsReachTheKernel_data();
    void lineSettingsReachTheKernel();
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
    // FTDI ports: one whose product string is missing, the second channel
    // of a dual chip at high speed, and numbers that sort differently as
    // text and as numbers; and a port of another driver.
    const QString sys = m_dir.filePath(QStringLiteral("sys"));
    QVERIFY(AddPort(sys, "ttyUSB10", "1-4.2", "ftdi_sio", "TX300010\n", "Tavix 3000\n",
                    {"idProduct=6001", "bcdDevice=0600", "speed=12"}));
    QVERIFY(AddPort(sys, "ttyUSB2", "1-2", "ftdi_sio", "TX300002\n", QByteArray(), {"idProduct=6015",
                    "bcdDevice=1000"}));
    QVERIFY(AddPort(sys, "ttyUSB1", "1-3", "pl2303", "PL0001\n", "USB-Serial Controller\n"));
    QVERIFY(AddPort(sys, "ttyUSB0", "1-1", "ftdi_sio", "FT4XYZ\n", "Dual RS232-HS\n",
                    {"idProduct=6010", "bcdDevice=0700", "bNumInterfaces= 2", "speed=480"}, 1));

    const std::vector<PortEntry> expected{
        Entry("/dev/ttyUSB0", "FT4XYZB", "Dual RS232-HS B", 0x6010, FT_DEVICE_2232H, 0x11, true),
        Entry("/dev/ttyUSB2", "TX300002", "", 0x6015, FT_DEVICE_X_SERIES, 0x12, false),
        Entry("/dev/ttyUSB10", "TX300010", "Tavix 3000", 0x6001, FT_DEVICE_232R, 0x142, false)};
    QVERIFY(tavixserial::enumerateSysfs(sys.toStdString()) == expected);
    QVERIFY(tavixserial::enumerateSysfs(m_dir.filePath("no-such-sys").toStdString()).empty());

    // The same through the library's D2XX listing; an empty port list in
    // the environment searches sysfs too.
    qputenv("TAVIX_SERIAL_SYSFS", sys.toLocal8Bit());
    qputenv("TAVIX_SERIAL_PORTS", "");
    QCOMPARE(Names(m_adapter, FT_OPEN_BY_SERIAL_NUMBER), (QStringList{"FT4XYZB", "TX300002", "TX300010"}));
    QCOMPARE(Names(m_adapter, FT_OPEN_BY_DESCRIPTION), (QStringList{"Dual RS232-HS B", "", "Tavix 3000"}));
    DWORD location = 0;
    QCOMPARE(m_adapter.ListDevices(reinterpret_cast<void *>(2), &location, FT_LIST_BY_INDEX | FT_OPEN_BY_LOCATION),
             FT_STATUS(FT_OK));
    QCOMPARE(location, DWORD(0x142));
    // The listed node does not exist here: the open finds no device.
    FT_HANDLE handle = nullptr;
    QCOMPARE(m_adapter.OpenEx(reinterpret_cast<void *>(0x142), FT_OPEN_BY_LOCATION, &handle),
             FT_STATUS(FT_DEVICE_NOT_FOUND));

    // The environment's list replaces the search.
    qputenv("TAVIX_SERIAL_PORTS", "/dev/pts/99=TX300001=Tavix 3000");
    QCOMPARE(Names(m_adapter, FT_OPEN_BY_SERIAL_NUMBER), QStringList{"TX300001"});
}

void TestSerialAdapter::oddAttributesNeitherHangNorBalloon()
{
    // A FIFO where the serial number belongs (reading it would wait for a
    // writer for ever), a device node as the product string, a 1 MB
    // attribute without a line feed, and a FIFO for a numeric attribute.
    const QString sys = m_dir.filePath(QStringLiteral("odd-sys"));
    QVERIFY(AddPort(sys, "ttyUSB0", "1-1", "ftdi_sio", QByteArray(), QByteArray()));
    QVERIFY(AddPort(sys, "ttyUSB1", "1-2", "ftdi_sio", "S1\n", QByteArray(1 << 20, 'x')));
    const QString device = sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-1";
    QCOMPARE(::mkfifo(QFile::encodeName(device + "/serial").constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(device + "/idProduct").constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/zero", device + "/product"));

    bool finished = false;
    const QByteArray listing = RunInChild(
        [&] {
            QByteArray text;
            for (const PortEntry &port : tavixserial::enumerateSysfs(sys.toStdString()))
                text += QByteArray::fromStdString(port.serial) + "|" + QByteArray::number(port.description.size())
                        + "|" + QByteArray::number(port.productId) + ";";
            return text;
        },
        20000, &finished);
    QVERIFY2(finished, "the listing did not end");
    QCOMPARE(listing, QByteArray("|0|0;S1|4096|0;"));
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

void TestSerialAdapter::lineSettingsReachTheKernel_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("status");
    QTest::addColumn<uint>("cflags");    // of CSTOPB | CRTSCTS, as the kernel holds them
    QTest::addColumn<uint>("iflags");    // of IXON | IXOFF
    QTest::addColumn<uint>("rate");      // the output rate the kernel holds

    QTest::newRow("2 stop bits") << int(StopBits2) << int(FT_OK) << uint(CSTOPB) << 0u << 9600u;
    QTest::newRow("RTS/CTS") << int(RtsCts) << int(FT_OK) << uint(CRTSCTS) << 0u << 9600u;
    QTest::newRow("XON/XOFF") << int(XonXoff) << int(FT_OK) << 0u << uint(IXON | IXOFF) << 9600u;
    QTest::newRow("115200 baud") << int(Rate115200) << int(FT_OK) << 0u << 0u << 115200u;
    QTest::newRow("250000 baud, a custom rate") << int(Rate250000) << int(FT_OK) << 0u << 0u << 250000u;
    QTest::newRow("divisor 10000: 300 baud") << int(Divisor300) << int(FT_OK) << 0u << 0u << 300u;
    // Refused, and the settings stay.
    QTest::newRow("DTR/DSR") << int(DtrDsr) << int(FT_NOT_SUPPORTED) << 0u << 0u << 9600u;
    QTest::newRow("even parity on a pseudo-terminal") << int(Parity) << int(FT_NOT_SUPPORTED) << 0u << 0u << 9600u;
    QTest::newRow("0 baud") << int(Rate0) << int(FT_INVALID_BAUD_RATE) << 0u << 0u << 9600u;
}

void TestSerialAdapter::lineSettingsReachTheKernel()
{
    QFETCH(int, call);
    Pty pty;
    FT_HANDLE handle = OpenPty(pty);
    QVERIFY(handle);
    QLibrary library(QStringLiteral(TAVIX_SERIAL_LIBRARY));
    auto setFlow = reinterpret_cast<FN_FT_SetFlowControl *>(library.resolve("FT_SetFlowControl"));
    auto setRate = reinterpret_cast<FN_FT_SetBaudRate *>(library.resolve("FT_SetBaudRate"));
    auto setDivisor = reinterpret_cast<FN_FT_SetDivisor *>(library.resolve("FT_SetDivisor"));
    auto setFraming = reinterpret_cast<FN_FT_SetDataCharacteristics *>(library.resolve("FT_SetDataCharacteristics"));
    QVERIFY(setFlow && setRate && setDivisor && setFraming);
    const FT_STATUS status = [&] {
        switch (call) {
        case StopBits2:
            return setFraming(handle, FT_BITS_8, FT_STOP_BITS_2, FT_PARITY_NONE);
        case RtsCts:
            return setFlow(handle, FT_FLOW_RTS_CTS, 0, 0);
        case XonXoff:
            return setFlow(handle, FT_FLOW_XON_XOFF, 0x11, 0x13);
        case Rate115200:
            return setRate(handle, 115200);
        case Rate250000:
            return setRate(handle, 250000);
        case Divisor300:
            return setDivisor(handle, 0x2710);
        case DtrDsr:
            return setFlow(handle, FT_FLOW_DTR_DSR, 0, 0);
        case Parity:
            return setFraming(handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_EVEN);
        default:
            return setRate(handle, 0);
        }
    }();
    QTEST(int(status), "status");
    termios t{};
    QCOMPARE(::tcgetattr(pty.master, &t), 0);
    QTEST(uint(t.c_cflag & (CSTOPB | CRTSCTS)), "cflags");
    QTEST(uint(t.c_iflag & (IXON | IXOFF)), "iflags");
    QCOMPARE(t.c_cflag & (CSIZE | PARENB), tcflag_t(CS8));
    const auto rate = tavixserial::currentBaud(pty.master);
    QVERIFY(rate);
    QTEST(uint(*rate), "rate");
    QCOMPARE(m_adapter.Close(handle), FT_STATUS(FT_OK));
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
