// The serial adapter's pure parts: the port list of the environment (with
// its escapes), the texts of sysfs attributes and /proc/locks, chip types
// and locations, rates for divisors, the status bits, and FT_ListDevices
// over a list of ports for every flag combination FTDI documents.
#include "device_list.h"
#include "line_settings.h"
#include "open_errors.h"
#include "serial_ports.h"
#include "sysfs_attribute.h"

#include <QtTest>

#include <cstring>
#include <sys/ioctl.h>

using tavixserial::PortEntry;

namespace {

QString Describe(const PortEntry &port)
{
    return QString::fromStdString(port.path + "|" + port.serial + "|" + port.description);
}

// Two ports as sysfs would list them, for the listing rows.
std::vector<PortEntry> TwoPorts()
{
    PortEntry first{"/dev/ttyUSB0", "A50285BI", "FT232R USB UART"};
    first.location = 0x14;
    PortEntry second{"/dev/ttyUSB1", "TX300001", std::string(70, 'd')};
    second.location = 0x1042;
    return {first, second};
}

} // namespace

class TestSerialParsing : public QObject
{
    Q_OBJECT
private slots:
    void portList_data();
    void portList();
    void attributeTexts_data();
    void attributeTexts();
    void lockLines_data();
    void lockLines();
    void chipTypesAndLocations();
    void ratesAndStatusBits();
    void listDevicesFlags_data();
    void listDevicesFlags();
};

void TestSerialParsing::portList_data()
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
    QTest::newRow("path with an escaped '='") << QByteArray("/dev/odd\\=name=S1=D") << true
                                              << QStringList{"/dev/odd=name|S1|D"};
    QTest::newRow("path with an escaped ';' and a second entry")
        << QByteArray("/tmp/a\\;b=S1;/dev/ttyS1") << true << QStringList{"/tmp/a;b|S1|", "/dev/ttyS1||"};
    QTest::newRow("escaped backslash, other backslashes kept")
        << QByteArray("/tmp/x\\\\=S\\=1=\\d\\;") << true << QStringList{"/tmp/x\\|S=1|\\d;"};
    QTest::newRow("empty text: no entries (sysfs is searched)") << QByteArray("") << true << QStringList{};
    QTest::newRow("only separators and blanks: no entries") << QByteArray(" ; ;\t") << true << QStringList{};
    QTest::newRow("entry without path") << QByteArray("/dev/ttyS0=S0=A;=S1=B") << false << QStringList{};
    QTest::newRow("escaped separator alone is a path") << QByteArray("\\;") << true << QStringList{";||"};
}

void TestSerialParsing::portList()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QStringList, entries);
    const auto ports = tavixserial::parsePortList(text.toStdString());
    QCOMPARE(ports.has_value(), valid);
    if (!ports)
        return;
    QStringList got;
    for (const PortEntry &port : *ports) {
        got.append(Describe(port));
        // Each entry written back with escapes reads as itself.
        const auto again = tavixserial::parsePortList(tavixserial::portListEntry(port));
        QVERIFY(again && again->size() == 1);
        QCOMPARE(Describe(again->front()), Describe(port));
    }
    QCOMPARE(got, entries);
}

void TestSerialParsing::attributeTexts_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("hex");     // -1: none
    QTest::addColumn<int>("decimal"); // -1: none (at most 1000)

    QTest::newRow("id with line feed") << QByteArray("0403\n") << "0403" << 0x0403 << 403;
    QTest::newRow("upper-case id, CR LF") << QByteArray("6D1A\r\n") << "6D1A" << 0x6D1A << -1;
    QTest::newRow("speed with a fraction") << QByteArray("1.5\n") << "1.5" << -1 << 1;
    QTest::newRow("blanks around a number") << QByteArray("  480 \t\n") << "  480" << 0x480 << 480;
    QTest::newRow("second line ignored") << QByteArray("12\n34\n") << "12" << 0x12 << 12;
    QTest::newRow("cut at a NUL") << QByteArray("FT232R\0junk", 11) << "FT232R" << -1 << -1;
    QTest::newRow("five hex digits") << QByteArray("12345") << "12345" << -1 << -1;
    QTest::newRow("decimal past the maximum") << QByteArray("1001") << "1001" << 0x1001 << -1;
    QTest::newRow("empty") << QByteArray("") << "" << -1 << -1;
    QTest::newRow("a point without digits after it") << QByteArray("5.") << "5." << -1 << -1;
}

void TestSerialParsing::attributeTexts()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, line);
    QFETCH(int, hex);
    QFETCH(int, decimal);
    const std::string_view text(raw.constData(), size_t(raw.size()));
    QCOMPARE(QString::fromStdString(tavixserial::attributeLine(text)), line);
    const auto id = tavixserial::parseHexId(text);
    QCOMPARE(id ? int(*id) : -1, hex);
    const auto number = tavixserial::parseDecimal(text, 1000);
    QCOMPARE(number ? int(*number) : -1, decimal);
}

void TestSerialParsing::lockLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qlonglong>("pid");
    QTest::addColumn<uint>("major");
    QTest::addColumn<uint>("minor");
    QTest::addColumn<qulonglong>("inode");

    QTest::newRow("flock") << QByteArray("1: FLOCK  ADVISORY  WRITE 4242 00:19:7 0 EOF") << true << 4242LL << 0u
                           << 0x19u << 7ULL;
    QTest::newRow("posix, hex device") << QByteArray("2: POSIX  ADVISORY  READ 77 fd:0a:123456 0 EOF") << true
                                       << 77LL << 0xFDu << 0xAu << 123456ULL;
    QTest::newRow("a waiting lock") << QByteArray("1: -> FLOCK  ADVISORY  WRITE 4243 00:19:7 0 EOF") << false
                                    << 0LL << 0u << 0u << 0ULL;
    QTest::newRow("a lease") << QByteArray("3: LEASE  ACTIVE    READ 12 00:19:7 0 EOF") << false << 0LL << 0u
                             << 0u << 0ULL;
    QTest::newRow("OFD lock without a process") << QByteArray("4: OFDLCK ADVISORY  WRITE -1 00:19:7 0 EOF")
                                                << false << 0LL << 0u << 0u << 0ULL;
    QTest::newRow("process 0") << QByteArray("1: FLOCK  ADVISORY  WRITE 0 00:19:7 0 EOF") << false << 0LL << 0u
                               << 0u << 0ULL;
    QTest::newRow("cut short") << QByteArray("1: FLOCK  ADVISORY  WRITE 4242") << false << 0LL << 0u << 0u
                               << 0ULL;
}

void TestSerialParsing::lockLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, valid);
    const auto record = tavixserial::parseLockLine(line.toStdString());
    QCOMPARE(record.has_value(), valid);
    if (!record)
        return;
    QTEST(qlonglong(record->pid), "pid");
    QTEST(uint(record->major), "major");
    QTEST(uint(record->minor), "minor");
    QTEST(qulonglong(record->inode), "inode");
}

void TestSerialParsing::chipTypesAndLocations()
{
    // bcdDevice and interface count as ftdi_sio tells the chips apart.
    const struct {
        uint16_t bcd;
        unsigned interfaces;
        FT_DEVICE type;
    } chips[] = {{0x0100, 1, FT_DEVICE_UNKNOWN}, {0x0200, 1, FT_DEVICE_AM},      {0x0400, 1, FT_DEVICE_BM},
                 {0x0600, 1, FT_DEVICE_232R},    {0x0900, 1, FT_DEVICE_232H},    {0x1000, 1, FT_DEVICE_X_SERIES},
                 {0x0500, 2, FT_DEVICE_2232C},   {0x0700, 2, FT_DEVICE_2232H},   {0x0800, 4, FT_DEVICE_4232H}};
    for (const auto &chip : chips)
        QCOMPARE(tavixserial::deviceTypeFor(chip.bcd, chip.interfaces), chip.type);

    const struct {
        const char *name;
        DWORD location;
    } locations[] = {{"1-4", 0x14},     {"1-4.2", 0x142}, {"3-1.15.2", 0x31F2}, {"2-1.1.1.1.1.1", 0x2111111},
                     {"2-1.1.1.1.1.1.1", 0}, {"1-16", 0}, {"usb1", 0}, {"1-", 0}, {"1-4.", 0}, {"1-4:1.0", 0}};
    for (const auto &entry : locations)
        QVERIFY2(tavixserial::locationOf(entry.name) == entry.location, entry.name);
}

void TestSerialParsing::ratesAndStatusBits()
{
    // Divisors worked by hand: 3 MBd / (whole + fraction).
    QCOMPARE(tavixserial::baudForDivisor(0x2710), ULONG(300));     // 10000
    QCOMPARE(tavixserial::baudForDivisor(0x001A), ULONG(115385));  // 26
    QCOMPARE(tavixserial::baudForDivisor(0x401A), ULONG(113208));  // 26.5
    QCOMPARE(tavixserial::baudForDivisor(0xC003), ULONG(960000));  // 3.125
    QCOMPARE(tavixserial::baudForDivisor(0), ULONG(3000000));
    QCOMPARE(tavixserial::baudForDivisor(1), ULONG(2000000));
    QVERIFY(tavixserial::baudMatches(115200, 115385));
    QVERIFY(tavixserial::baudMatches(100000, 103000));
    QVERIFY(!tavixserial::baudMatches(100000, 103001));
    QVERIFY(!tavixserial::baudMatches(250000, 9600));

    QCOMPARE(tavixserial::modemStatusBits(TIOCM_CTS | TIOCM_CD | TIOCM_DTR | TIOCM_RTS), ULONG(0x90));
    QCOMPARE(tavixserial::modemStatusBits(TIOCM_DSR | TIOCM_RI), ULONG(0x60));
    const tavixserial::LineCounts before{1, 2, 3, 4, 5};
    QCOMPARE(tavixserial::lineStatusBits(before, before), ULONG(0));
    QCOMPARE(tavixserial::lineStatusBits(before, {2, 2, 3, 5, 5}), ULONG(0x1800)); // frame, break
    QCOMPARE(tavixserial::lineStatusBits(before, {1, 2, 4, 4, 6}), ULONG(0x0600)); // parity, overrun
    QCOMPARE(tavixserial::commErrorBits(before, {2, 3, 4, 5, 6}),
             DWORD(CE_FRAME | CE_OVERRUN | CE_RXPARITY | CE_BREAK | CE_RXOVER));
}

void TestSerialParsing::listDevicesFlags_data()
{
    QTest::addColumn<uint>("flags");
    QTest::addColumn<int>("index"); // for FT_LIST_BY_INDEX
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("result"); // names, or locations in hexadecimal, then the count

    const QString longName = QString(63, 'd');
    QTest::newRow("number only") << uint(FT_LIST_NUMBER_ONLY) << 0 << int(FT_OK) << QStringList{"2"};
    QTest::newRow("number only with name bits")
        << uint(FT_LIST_NUMBER_ONLY | FT_OPEN_BY_DESCRIPTION) << 0 << int(FT_OK) << QStringList{"2"};
    QTest::newRow("by index, serial") << uint(FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) << 1 << int(FT_OK)
                                      << QStringList{"TX300001"};
    QTest::newRow("by index, description cut to 63 bytes")
        << uint(FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION) << 1 << int(FT_OK) << QStringList{longName};
    QTest::newRow("by index, location") << uint(FT_LIST_BY_INDEX | FT_OPEN_BY_LOCATION) << 1 << int(FT_OK)
                                        << QStringList{"1042"};
    QTest::newRow("by index alone: serial") << uint(FT_LIST_BY_INDEX) << 0 << int(FT_OK)
                                            << QStringList{"A50285BI"};
    QTest::newRow("by index past the list") << uint(FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) << 2
                                            << int(FT_DEVICE_NOT_FOUND) << QStringList{};
    QTest::newRow("all, serial") << uint(FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER) << 0 << int(FT_OK)
                                 << QStringList{"A50285BI", "TX300001", "2"};
    QTest::newRow("all, description") << uint(FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION) << 0 << int(FT_OK)
                                      << QStringList{"FT232R USB UART", longName, "2"};
    QTest::newRow("all, location") << uint(FT_LIST_ALL | FT_OPEN_BY_LOCATION) << 0 << int(FT_OK)
                                   << QStringList{"14", "1042", "2"};
    QTest::newRow("all alone: serial") << uint(FT_LIST_ALL) << 0 << int(FT_OK)
                                       << QStringList{"A50285BI", "TX300001", "2"};
    QTest::newRow("serial and description: serial") << uint(FT_LIST_ALL | 3) << 0 << int(FT_OK)
                                                    << QStringList{"A50285BI", "TX300001", "2"};
    QTest::newRow("no list bit") << uint(FT_OPEN_BY_SERIAL_NUMBER) << 0 << int(FT_INVALID_PARAMETER)
                                 << QStringList{};
}

void TestSerialParsing::listDevicesFlags()
{
    QFETCH(uint, flags);
    QFETCH(int, index);
    QFETCH(int, status);
    QFETCH(QStringList, result);
    const auto ports = TwoPorts();
    QStringList got;
    FT_STATUS answer;
    if (flags & FT_LIST_NUMBER_ONLY) {
        DWORD count = 0;
        answer = tavixserial::listDevices(ports, &count, nullptr, flags);
        got << QString::number(count);
    } else if (flags & FT_LIST_BY_INDEX) {
        char name[64];
        std::memset(name, 0x7F, sizeof name);
        answer = tavixserial::listDevices(ports, reinterpret_cast<void *>(uintptr_t(index)), name, flags);
        if (answer == FT_OK)
        {
            DWORD location = 0;
            std::memcpy(&location, name, sizeof location);
            got << ((flags & FT_OPEN_BY_LOCATION) ? QString::number(location, 16)
                                                  : QString::fromLatin1(name, int(strnlen(name, 64))));
        }
        // A null buffer is refused, whatever the index.
        QCOMPARE(tavixserial::listDevices(ports, nullptr, nullptr, flags), FT_STATUS(FT_INVALID_PARAMETER));
    } else {
        DWORD count = 0;
        if (flags & FT_OPEN_BY_LOCATION && !(flags & 3)) {
            DWORD locations[3] = {0, 0, 0xAAAA};
            answer = tavixserial::listDevices(ports, locations, &count, flags);
            QCOMPARE(locations[2], DWORD(0xAAAA)); // one DWORD a port, no more
            for (int i = 0; i < 2 && answer == FT_OK; ++i)
                got << QString::number(locations[i], 16);
        } else {
            char buffers[2][64];
            char *table[] = {buffers[0], buffers[1], nullptr};
            answer = tavixserial::listDevices(ports, table, &count, flags);
            for (int i = 0; i < 2 && answer == FT_OK; ++i)
                got << QString::fromLatin1(buffers[i], int(strnlen(buffers[i], 64)));
        }
        if (answer == FT_OK)
            got << QString::number(count);
    }
    QCOMPARE(int(answer), status);
    QCOMPARE(got, result);
}

QTEST_GUILESS_MAIN(TestSerialParsing)
#include "test_serial_parsing.moc"
