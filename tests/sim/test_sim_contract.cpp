// The simulated instrument's contract with the program: listing, opening,
// the instrument's answers, pacing, time-outs, purge and reset, each
// injected fault, the call trace and the firmware flow. Every case runs
// against both builds of the library (with and without FT_GetQueueStatus).
#include "sim_library.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

const QByteArray kVersionLine = "Tavix 3000 version 1.23\r\n";
const QByteArray kProgramOk = "\r\nProgram OK\r\n";

// The table of FT_ListDevices: `count` 64-byte buffers and a null.
struct NameTable {
    explicit NameTable(int count, int bufferSize = 64)
        : buffers(count, QByteArray(bufferSize, char(0xAA)))
    {
        for (QByteArray &buffer : buffers)
            pointers.push_back(buffer.data());
        pointers.push_back(nullptr);
    }
    QByteArray name(int i) const { return QByteArray(buffers[i].constData()); }
    QList<QByteArray> buffers;
    QList<char *> pointers;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArrayList traceLines(const QString &path)
{
    QByteArrayList lines = readFile(path).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestSimContract : public QObject {
    Q_OBJECT

private:
    SimLibrary m_full;
    SimLibrary m_noQueue;
    SimLibrary *m_sim = nullptr;
    QTemporaryDir m_dir;

    FT_HANDLE openDefault()
    {
        FT_HANDLE handle = m_sim->openSerial("TX300001");
        if (handle)
            m_sim->setTimeouts(handle, 300, 300);
        return handle;
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("withQueueStatus");
        QTest::newRow("tavixsim") << true;
        QTest::newRow("tavixsim_no_queue_status") << false;
    }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString error;
        QVERIFY2(m_full.load(QStringLiteral(TAVIX_SIM_LIBRARY), &error), qPrintable(error));
        QVERIFY2(m_noQueue.load(QStringLiteral(TAVIX_SIM_NO_QUEUE_LIBRARY), &error), qPrintable(error));
    }

    void init()
    {
        QFETCH_GLOBAL(bool, withQueueStatus);
        m_sim = withQueueStatus ? &m_full : &m_noQueue;
        QCOMPARE(m_sim->set("RESET"), 0);
    }

    void cleanupTestCase()
    {
        m_full.set("RESET");
        m_noQueue.set("RESET");
    }

    // ---- the library itself --------------------------------------------

    void queueStatusEntryPointMatchesTheBuild()
    {
        QFETCH_GLOBAL(bool, withQueueStatus);
        QCOMPARE(m_sim->getQueueStatus != nullptr, withQueueStatus);
        if (!withQueueStatus)
            return;
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        QCOMPARE(m_sim->writeByte(handle, 'v'), FT_OK);
        DWORD rx = 0;
        QCOMPARE(m_sim->getQueueStatus(handle, &rx), FT_OK);
        QCOMPARE(rx, DWORD(kVersionLine.size()));
        m_sim->close(handle);
        QCOMPARE(m_sim->getQueueStatus(handle, &rx), FT_INVALID_HANDLE);
    }

    void controlSettings_data()
    {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<int>("result");
        QTest::newRow("unknown name") << QByteArray("TAVIXSIM_COLOUR=red") << 1;
        QTest::newRow("no equals sign") << QByteArray("TAVIXSIM_BAUD") << 1;
        QTest::newRow("unknown command") << QByteArray("REBOOT") << 1;
        QTest::newRow("baud not a number") << QByteArray("TAVIXSIM_BAUD=fast") << 2;
        QTest::newRow("baud negative") << QByteArray("TAVIXSIM_BAUD=-9600") << 2;
        QTest::newRow("probe reply above a byte") << QByteArray("TAVIXSIM_PROBE_REPLY=0x100") << 2;
        QTest::newRow("probe reply garbage") << QByteArray("TAVIXSIM_PROBE_REPLY=0xZZ") << 2;
        QTest::newRow("autoprint two") << QByteArray("TAVIXSIM_AUTOPRINT=2") << 2;
        QTest::newRow("unknown fault") << QByteArray("TAVIXSIM_FAULTS=open_fail,melt") << 2;
        QTest::newRow("fault count missing") << QByteArray("TAVIXSIM_FAULTS=partial_write=") << 2;
        QTest::newRow("unplug after zero") << QByteArray("TAVIXSIM_FAULTS=unplug_after=0") << 2;
        QTest::newRow("missing print-out file") << QByteArray("TAVIXSIM_PRINTOUT=/nonexistent/tavix.txt") << 2;
        QTest::newRow("trace in missing folder") << QByteArray("TAVIXSIM_TRACE=/nonexistent/trace.txt") << 2;
        QTest::newRow("description without serial") << QByteArray("TAVIXSIM_DEVICES==Tavix 3000") << 2;
        QTest::newRow("baud zero") << QByteArray("TAVIXSIM_BAUD=0") << 0;
        QTest::newRow("probe reply hex") << QByteArray("TAVIXSIM_PROBE_REPLY=0x3F") << 0;
        QTest::newRow("probe reply none") << QByteArray("TAVIXSIM_PROBE_REPLY=none") << 0;
        QTest::newRow("all faults") << QByteArray("TAVIXSIM_FAULTS=count_fail, list_fail,open_fail,write_fail,"
                                                  "write_fail_after=3,partial_write=0,unplug_after=2,read_io_error")
                                   << 0;
        QTest::newRow("empty value resets") << QByteArray("TAVIXSIM_BAUD=") << 0;
    }

    void controlSettings()
    {
        QFETCH(QByteArray, setting);
        QFETCH(int, result);
        QCOMPARE(m_sim->set(setting), result);
    }

    void rejectedSettingKeepsThePreviousValue()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_PROBE_REPLY=0x3F"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_PROBE_REPLY=0x1FF"), 2);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->collect(handle, 1, 2000), QByteArray("\x3F"));
    }

    // ---- listing -------------------------------------------------------

    void listing_data()
    {
        QTest::addColumn<QByteArray>("devices");
        QTest::addColumn<QByteArrayList>("serials");
        QTest::addColumn<QByteArrayList>("descriptions");
        QTest::newRow("default: one instrument") << QByteArray() << QByteArrayList{"TX300001"}
                                                 << QByteArrayList{"Tavix 3000"};
        QTest::newRow("two instruments in the given order")
            << QByteArray("TAVIXSIM_DEVICES=TX300002, TX300001") << QByteArrayList{"TX300002", "TX300001"}
            << QByteArrayList{"Tavix 3000", "Tavix 3000"};
        QTest::newRow("none attached") << QByteArray("TAVIXSIM_DEVICES=") << QByteArrayList{} << QByteArrayList{};
        QTest::newRow("own description")
            << QByteArray("TAVIXSIM_DEVICES=TX1,FT42=USB Serial Converter") << QByteArrayList{"TX1", "FT42"}
            << QByteArrayList{"Tavix 3000", "USB Serial Converter"};
    }

    void listing()
    {
        QFETCH(QByteArray, devices);
        QFETCH(QByteArrayList, serials);
        QFETCH(QByteArrayList, descriptions);
        if (!devices.isEmpty())
            QCOMPARE(m_sim->set(devices), 0);

        DWORD count = 99;
        QCOMPARE(m_sim->listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
        QCOMPARE(count, DWORD(serials.size()));

        NameTable bySerial{int(count)};
        DWORD listed = 99;
        QCOMPARE(m_sim->listDevices(bySerial.pointers.data(), &listed, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER),
                 FT_OK);
        QCOMPARE(listed, DWORD(serials.size()));
        for (int i = 0; i < serials.size(); ++i)
            QCOMPARE(bySerial.name(i), serials[i]);

        NameTable byDescription{int(count)};
        QCOMPARE(m_sim->listDevices(byDescription.pointers.data(), &listed, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION),
                 FT_OK);
        for (int i = 0; i < descriptions.size(); ++i)
            QCOMPARE(byDescription.name(i), descriptions[i]);

        // One name by index, and an index past the list.
        char single[64] = {};
        for (int i = 0; i < serials.size(); ++i) {
            QCOMPARE(m_sim->listDevices(reinterpret_cast<void *>(quintptr(i)), single,
                                        FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
                     FT_OK);
            QCOMPARE(QByteArray(single), serials[i]);
        }
        QCOMPARE(m_sim->listDevices(reinterpret_cast<void *>(quintptr(serials.size())), single,
                                    FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
                 FT_DEVICE_NOT_FOUND);
    }

    void listingNeverWritesPast64Bytes()
    {
        const QByteArray longSerial(80, 'S');
        const QByteArray longDescription = QByteArray("Tavix 3000 ") + QByteArray(70, 'd');
        QCOMPARE(m_sim->set("TAVIXSIM_DEVICES=" + longSerial + "," + "TX2=" + longDescription), 0);
        // 100-byte buffers filled with 0xAA show any byte written past 64.
        for (const DWORD flag : {DWORD(FT_OPEN_BY_SERIAL_NUMBER), DWORD(FT_OPEN_BY_DESCRIPTION)}) {
            NameTable table(2, 100);
            DWORD count = 0;
            QCOMPARE(m_sim->listDevices(table.pointers.data(), &count, FT_LIST_ALL | flag), FT_OK);
            QCOMPARE(count, DWORD(2));
            const QByteArray expected = flag == FT_OPEN_BY_SERIAL_NUMBER ? longSerial : longDescription;
            const QByteArray &buffer = table.buffers[flag == FT_OPEN_BY_SERIAL_NUMBER ? 0 : 1];
            QCOMPARE(table.name(flag == FT_OPEN_BY_SERIAL_NUMBER ? 0 : 1), expected.left(63));
            QCOMPARE(buffer.at(63), '\0');
            QCOMPARE(buffer.mid(64), QByteArray(36, char(0xAA)));
        }
        // The full serial number still opens the instrument.
        FT_HANDLE handle = m_sim->openSerial(longSerial.constData());
        QVERIFY(handle);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void listingStopsAtTheTablesNull()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_DEVICES=TX1,TX2,TX3"), 0);
        NameTable table(1);
        DWORD count = 0;
        QCOMPARE(m_sim->listDevices(table.pointers.data(), &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
        QCOMPARE(count, DWORD(3));
        QCOMPARE(table.name(0), QByteArray("TX1"));
    }

    void listingRefusesBadArguments()
    {
        DWORD count = 0;
        QCOMPARE(m_sim->listDevices(nullptr, nullptr, FT_LIST_NUMBER_ONLY), FT_INVALID_PARAMETER);
        QCOMPARE(m_sim->listDevices(nullptr, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER), FT_INVALID_PARAMETER);
        NameTable table(1);
        QCOMPARE(m_sim->listDevices(table.pointers.data(), &count, FT_LIST_ALL), FT_INVALID_PARAMETER);
        QCOMPARE(m_sim->listDevices(&count, nullptr, 0), FT_INVALID_PARAMETER);
    }

    // ---- opening -------------------------------------------------------

    void open_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("how"); // FT_OPEN_BY_* flag, or -1 for FT_Open with the index in name
        QTest::addColumn<uint>("status");
        QTest::newRow("by serial number") << QByteArray("TX300001") << int(FT_OPEN_BY_SERIAL_NUMBER) << uint(FT_OK);
        QTest::newRow("by description") << QByteArray("Tavix 3000") << int(FT_OPEN_BY_DESCRIPTION) << uint(FT_OK);
        QTest::newRow("second by serial number") << QByteArray("TX300002") << int(FT_OPEN_BY_SERIAL_NUMBER)
                                                 << uint(FT_OK);
        QTest::newRow("unknown serial number") << QByteArray("TX999999") << int(FT_OPEN_BY_SERIAL_NUMBER)
                                               << uint(FT_DEVICE_NOT_FOUND);
        QTest::newRow("empty serial number") << QByteArray("") << int(FT_OPEN_BY_SERIAL_NUMBER)
                                             << uint(FT_DEVICE_NOT_FOUND);
        QTest::newRow("serial number with the list prefix") << QByteArray("Tavix3000 s/n TX300001")
                                                            << int(FT_OPEN_BY_SERIAL_NUMBER)
                                                            << uint(FT_DEVICE_NOT_FOUND);
        QTest::newRow("description as serial number") << QByteArray("Tavix 3000") << int(FT_OPEN_BY_SERIAL_NUMBER)
                                                      << uint(FT_DEVICE_NOT_FOUND);
        QTest::newRow("description differs in case") << QByteArray("tavix 3000") << int(FT_OPEN_BY_DESCRIPTION)
                                                     << uint(FT_DEVICE_NOT_FOUND);
        QTest::newRow("index 0") << QByteArray("0") << -1 << uint(FT_OK);
        QTest::newRow("index 1") << QByteArray("1") << -1 << uint(FT_OK);
        QTest::newRow("index past the list") << QByteArray("2") << -1 << uint(FT_DEVICE_NOT_FOUND);
        QTest::newRow("negative index") << QByteArray("-1") << -1 << uint(FT_DEVICE_NOT_FOUND);
    }

    void open()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, how);
        QFETCH(uint, status);
        QCOMPARE(m_sim->set("TAVIXSIM_DEVICES=TX300001,TX300002"), 0);
        FT_HANDLE handle = nullptr;
        const FT_STATUS result = how < 0 ? m_sim->open(name.toInt(), &handle)
                                         : m_sim->openEx(name.data(), DWORD(how), &handle);
        QCOMPARE(result, FT_STATUS(status));
        if (status != FT_OK)
            return;
        QVERIFY(handle);
        QCOMPARE(m_sim->setTimeouts(handle, 300, 300), FT_OK);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->collect(handle, 1, 2000), QByteArray("\x80"));
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void deviceOpensOnceUntilClosed()
    {
        FT_HANDLE first = openDefault();
        QVERIFY(first);
        FT_HANDLE second = nullptr;
        QCOMPARE(m_sim->openEx(const_cast<char *>("TX300001"), FT_OPEN_BY_SERIAL_NUMBER, &second),
                 FT_DEVICE_NOT_OPENED);
        QCOMPARE(m_sim->open(0, &second), FT_DEVICE_NOT_OPENED);
        QCOMPARE(m_sim->close(first), FT_OK);
        FT_HANDLE third = openDefault();
        QVERIFY(third);
        QVERIFY(third != first); // handles are not reused
        QCOMPARE(m_sim->close(third), FT_OK);
    }

    void descriptionOpensTheNextFreeInstrument()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_DEVICES=TX1,TX2"), 0);
        FT_HANDLE a = nullptr, b = nullptr, c = nullptr;
        char description[] = "Tavix 3000";
        QCOMPARE(m_sim->openEx(description, FT_OPEN_BY_DESCRIPTION, &a), FT_OK);
        QCOMPARE(m_sim->openEx(description, FT_OPEN_BY_DESCRIPTION, &b), FT_OK);
        QCOMPARE(m_sim->openEx(description, FT_OPEN_BY_DESCRIPTION, &c), FT_DEVICE_NOT_OPENED);
        QVERIFY(a != b);
        QCOMPARE(m_sim->close(a), FT_OK);
        QCOMPARE(m_sim->close(b), FT_OK);
    }

    void callsOnUnknownOrClosedHandles()
    {
        FT_HANDLE closed = openDefault();
        QVERIFY(closed);
        QCOMPARE(m_sim->close(closed), FT_OK);
        for (FT_HANDLE handle : {closed, reinterpret_cast<FT_HANDLE>(quintptr(4711)), FT_HANDLE(nullptr)}) {
            char buffer[8];
            DWORD count = 0, tx = 0, events = 0;
            QCOMPARE(m_sim->close(handle), FT_INVALID_HANDLE);
            QCOMPARE(m_sim->read(handle, buffer, 1, &count), FT_INVALID_HANDLE);
            QCOMPARE(m_sim->write(handle, buffer, 1, &count), FT_INVALID_HANDLE);
            QCOMPARE(m_sim->resetDevice(handle), FT_INVALID_HANDLE);
            QCOMPARE(m_sim->purge(handle, FT_PURGE_RX), FT_INVALID_HANDLE);
            QCOMPARE(m_sim->setTimeouts(handle, 300, 300), FT_INVALID_HANDLE);
            QCOMPARE(m_sim->getStatus(handle, &count, &tx, &events), FT_INVALID_HANDLE);
            QCOMPARE(m_sim->setChars(handle, 0, 0, 0, 0), FT_INVALID_HANDLE);
            QCOMPARE(m_sim->setEventNotification(handle, 0, nullptr), FT_INVALID_HANDLE);
        }
    }

    void charsAndEventNotificationAreAccepted()
    {
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->setChars(handle, 0, 0, 0, 0), FT_OK);
        QCOMPARE(m_sim->setEventNotification(handle, 0, nullptr), FT_OK);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    // ---- the instrument's answers ------------------------------------

    void probeReply_data()
    {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("default answers 0x80") << QByteArray() << QByteArray("\x80");
        QTest::newRow("0x3F") << QByteArray("TAVIXSIM_PROBE_REPLY=0x3F") << QByteArray("\x3F");
        QTest::newRow("decimal 65") << QByteArray("TAVIXSIM_PROBE_REPLY=65") << QByteArray("A");
        QTest::newRow("zero byte") << QByteArray("TAVIXSIM_PROBE_REPLY=0x00") << QByteArray(1, '\0');
        QTest::newRow("none") << QByteArray("TAVIXSIM_PROBE_REPLY=none") << QByteArray();
        QTest::newRow("empty value restores 0x80") << QByteArray("TAVIXSIM_PROBE_REPLY=") << QByteArray("\x80");
    }

    void probeReply()
    {
        QFETCH(QByteArray, setting);
        QFETCH(QByteArray, reply);
        QCOMPARE(m_sim->set("TAVIXSIM_PROBE_REPLY=none"), 0); // so that the reset of the last row shows
        if (!setting.isEmpty())
            QCOMPARE(m_sim->set(setting), 0);
        else
            QCOMPARE(m_sim->set("RESET"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        // As the program probes: write 0x80, read one byte within the time-out.
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        char byte = 0;
        DWORD got = 0;
        QCOMPARE(m_sim->read(handle, &byte, 1, &got), FT_OK);
        QCOMPARE(QByteArray(&byte, int(got)), reply);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void printOnEnter()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x0D), FT_OK);
        const qint64 size = m_sim->waiting(handle);
        QVERIFY2(size > 5000 && size < 60000, qPrintable(QString::number(size)));
        const QByteArray printout = m_sim->collect(handle, size, 5000);
        QCOMPARE(printout.size(), size);
        QVERIFY(printout.startsWith("\r\nTavix 3000 S/N: TX300001\r\nNote book\r\n\r\nNote 1  08-01-02 09:12:40\r\n"));
        QVERIFY(printout.endsWith("Date ......................\r\n Signature .................\r\n\r\n"));
        // A second press prints the same again.
        QCOMPARE(m_sim->writeByte(handle, 0x0D), FT_OK);
        QCOMPARE(m_sim->collect(handle, size, 5000), printout);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void printoutFromFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("printout.bin"));
        const QByteArray bytes("File 7 \r\nTavix 3000\r\n\x84\xBA\0\xFF\r\n", 24);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_PRINTOUT=" + path.toLocal8Bit()), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x0D), FT_OK);
        QCOMPARE(m_sim->collect(handle, bytes.size() + 1, 300), bytes);
        // An empty value brings the built-in print-out back.
        QCOMPARE(m_sim->set("TAVIXSIM_PRINTOUT="), 0);
        QCOMPARE(m_sim->writeByte(handle, 0x0D), FT_OK);
        QVERIFY(m_sim->collect(handle, 30, 2000).startsWith("\r\nTavix 3000 S/N: TX300001\r\n"));
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void printButtonThroughControl()
    {
        QCOMPARE(m_sim->set("PRINT"), 2); // no instrument open
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->set("PRINT"), 0);
        QVERIFY(m_sim->waiting(handle) > 5000);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void autoPrintAfterTheFirstProbeOnly()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_AUTOPRINT=1"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->waiting(handle), 0); // nothing before the probe
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        const QByteArray first = m_sim->collect(handle, 1000, 2000);
        QVERIFY(first.startsWith("\x80\r\nTavix 3000 S/N: TX300001\r\nNote book"));
        QCOMPARE(m_sim->purge(handle, FT_PURGE_RX), FT_OK);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->waiting(handle), 1);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void displayLineOnSpace()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        const QRegularExpression layout(QStringLiteral("^ *(\\d+\\.\\d\\d) m/s +(\\d+\\.\\d) \u00BAC\r\n$"));
        double previousVelocity = -1;
        QSet<QString> distinct;
        for (int i = 0; i < 30; ++i) {
            QCOMPARE(m_sim->writeByte(handle, 0x20), FT_OK);
            const qint64 size = m_sim->waiting(handle);
            const QByteArray line = m_sim->collect(handle, size, 1000);
            QCOMPARE(line.size(), size);
            if (i == 0)
                QCOMPARE(line, QByteArray("  0.27 m/s    22.4 \xBA" "C\r\n"));
            const QRegularExpressionMatch match = layout.match(QString::fromLatin1(line));
            QVERIFY2(match.hasMatch(), line.constData());
            const double velocity = match.captured(1).toDouble();
            const double temperature = match.captured(2).toDouble();
            QVERIFY(velocity >= 0.05 && velocity <= 0.60);
            QVERIFY(temperature >= 18.0 && temperature <= 26.0);
            if (previousVelocity >= 0)
                QVERIFY(qAbs(velocity - previousVelocity) <= 0.0201); // drifts, never jumps
            previousVelocity = velocity;
            distinct.insert(QString::fromLatin1(line));
        }
        QVERIFY(distinct.size() > 3);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void versionOnV()
    {
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x76), FT_OK);
        QCOMPARE(m_sim->collect(handle, kVersionLine.size(), 2000), kVersionLine);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void otherKeysGetNoAnswer()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        for (const unsigned char key : {'A', 'V', '\n', '\x1B', '\xFF'})
            QCOMPARE(m_sim->writeByte(handle, key), FT_OK);
        QCOMPARE(m_sim->waiting(handle), 0);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    // ---- pacing and time-outs ------------------------------------------

    void pacingAt9600Baud()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=9600"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_sim->writeByte(handle, 0x0D), FT_OK);
        // 960 bytes a second: a 600-byte chunk takes 625 ms to arrive, and
        // no more can have arrived than the time since the request allows.
        const qint64 early = m_sim->waiting(handle);
        const qint64 allowed = (timer.elapsed() + 20) * 96 / 100 + 1;
        QVERIFY2(early >= 0 && early <= allowed && early < 600, qPrintable(QString::number(early)));
        QByteArray chunk;
        DWORD got = 0;
        chunk.resize(600);
        QCOMPARE(m_sim->setTimeouts(handle, 5000, 300), FT_OK);
        QCOMPARE(m_sim->read(handle, chunk.data(), 600, &got), FT_OK);
        QCOMPARE(got, DWORD(600));
        QVERIFY2(timer.elapsed() >= 450, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(chunk.startsWith("\r\nTavix 3000"));
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void noPacingAtZeroBaud()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x0D), FT_OK);
        QVERIFY(m_sim->waiting(handle) >= 600);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void readTimesOutWithFewerBytes()
    {
        FT_HANDLE handle = openDefault(); // 300 ms time-outs
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        char buffer[10] = {};
        DWORD got = 99;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_sim->read(handle, buffer, 10, &got), FT_OK);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(got, DWORD(1));
        QCOMPARE(buffer[0], '\x80');
        QVERIFY2(elapsed >= 250 && elapsed < 3000, qPrintable(QString::number(elapsed)));
        // Nothing at all: the read still returns, empty, with status 0.
        timer.restart();
        QCOMPARE(m_sim->read(handle, buffer, 1, &got), FT_OK);
        QCOMPARE(got, DWORD(0));
        QVERIFY(timer.elapsed() >= 250 && timer.elapsed() < 3000);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void readReturnsAsSoonAsTheBytesAreThere()
    {
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->setTimeouts(handle, 10000, 300), FT_OK);
        QCOMPARE(m_sim->writeByte(handle, 0x76), FT_OK);
        char buffer[64];
        DWORD got = 0;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_sim->read(handle, buffer, DWORD(kVersionLine.size()), &got), FT_OK);
        QCOMPARE(QByteArray(buffer, int(got)), kVersionLine);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void readWithoutTimeOutEndsWhenTheHandleCloses()
    {
        FT_HANDLE handle = m_sim->openSerial("TX300001"); // default time-out: wait for ever
        QVERIFY(handle);
        std::atomic<int> status{-1};
        std::thread reader([&] {
            char buffer[4];
            DWORD got = 0;
            status = int(m_sim->read(handle, buffer, 4, &got));
        });
        QTest::qWait(100);
        QCOMPARE(status.load(), -1); // still waiting
        QCOMPARE(m_sim->close(handle), FT_OK);
        QTRY_COMPARE_WITH_TIMEOUT(status.load(), int(FT_INVALID_HANDLE), 5000);
        reader.join();
    }

    void purgeAndReset()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->waiting(handle), 2);
        QCOMPARE(m_sim->purge(handle, FT_PURGE_TX), FT_OK);
        QCOMPARE(m_sim->waiting(handle), 2);
        QCOMPARE(m_sim->purge(handle, FT_PURGE_RX), FT_OK);
        QCOMPARE(m_sim->waiting(handle), 0);
        QCOMPARE(m_sim->writeByte(handle, 0x76), FT_OK);
        QCOMPARE(m_sim->waiting(handle), kVersionLine.size());
        QCOMPARE(m_sim->resetDevice(handle), FT_OK);
        QCOMPARE(m_sim->waiting(handle), 0);
        // After the purge the next answer arrives whole.
        QCOMPARE(m_sim->writeByte(handle, 0x76), FT_OK);
        QCOMPARE(m_sim->collect(handle, kVersionLine.size(), 1000), kVersionLine);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void resetClosesHandlesAndRestoresDefaults()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_PROBE_REPLY=0x3F"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_DEVICES=TX1,TX2"), 0);
        FT_HANDLE handle = m_sim->openSerial("TX1");
        QVERIFY(handle);
        QCOMPARE(m_sim->set("RESET"), 0);
        DWORD count = 0;
        QCOMPARE(m_sim->getStatus(handle, &count, &count, &count), FT_INVALID_HANDLE);
        QCOMPARE(m_sim->listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
        QCOMPARE(count, DWORD(1));
        handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->collect(handle, 1, 2000), QByteArray("\x80"));
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    // ---- faults --------------------------------------------------------

    void listingFaults_data()
    {
        QTest::addColumn<QByteArray>("faults");
        QTest::addColumn<bool>("countWorks");
        QTest::addColumn<bool>("namesWork");
        QTest::addColumn<bool>("openWorks");
        QTest::newRow("count_fail") << QByteArray("count_fail") << false << true << true;
        QTest::newRow("list_fail") << QByteArray("list_fail") << true << false << true;
        QTest::newRow("open_fail") << QByteArray("open_fail") << true << true << false;
        QTest::newRow("none") << QByteArray() << true << true << true;
    }

    void listingFaults()
    {
        QFETCH(QByteArray, faults);
        QFETCH(bool, countWorks);
        QFETCH(bool, namesWork);
        QFETCH(bool, openWorks);
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS=" + faults), 0);
        DWORD count = 0;
        QCOMPARE(m_sim->listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) == FT_OK, countWorks);
        NameTable table(1);
        QCOMPARE(m_sim->listDevices(table.pointers.data(), &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER) == FT_OK,
                 namesWork);
        FT_HANDLE handle = nullptr;
        const FT_STATUS byName = m_sim->openEx(const_cast<char *>("TX300001"), FT_OPEN_BY_SERIAL_NUMBER, &handle);
        QCOMPARE(byName == FT_OK, openWorks);
        if (byName == FT_OK)
            QCOMPARE(m_sim->close(handle), FT_OK);
        const FT_STATUS byIndex = m_sim->open(0, &handle);
        QCOMPARE(byIndex == FT_OK, openWorks);
        if (byIndex == FT_OK)
            QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void writeFail()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS=write_fail"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        DWORD sent = 99;
        QCOMPARE(m_sim->writeByte(handle, 0x80, &sent), FT_IO_ERROR);
        QCOMPARE(sent, DWORD(0));
        QCOMPARE(m_sim->waiting(handle), 0); // the instrument got nothing
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void writeFailAfter()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS=write_fail_after=2"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_IO_ERROR);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_IO_ERROR);
        QCOMPARE(m_sim->waiting(handle), 2);
        // Applying the faults again starts the count again.
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS=write_fail_after=1"), 0);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_IO_ERROR);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void partialWrite_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("offered");
        QTest::addColumn<int>("accepted");
        QTest::newRow("5 of a 128-byte block") << 5 << 128 << 5;
        QTest::newRow("limit above the block") << 200 << 128 << 128;
        QTest::newRow("nothing accepted, success reported") << 0 << 128 << 0;
        QTest::newRow("nothing accepted of one byte") << 0 << 1 << 0;
    }

    void partialWrite()
    {
        QFETCH(int, limit);
        QFETCH(int, offered);
        QFETCH(int, accepted);
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS=partial_write=" + QByteArray::number(limit)), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QByteArray block(offered, '\x80'); // a single 0x80 is the probe
        DWORD sent = 99;
        QCOMPARE(m_sim->write(handle, block.data(), DWORD(offered), &sent), FT_OK);
        QCOMPARE(sent, DWORD(accepted));
        QCOMPARE(m_sim->programBytes(), offered > 1 ? quint64(accepted) : 0ull);
        QCOMPARE(m_sim->waiting(handle), offered == 1 ? qint64(accepted) : 0);
        m_sim->close(handle);
    }

    void unplugAfter()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS=unplug_after=3"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->waiting(handle), 0);
        QCOMPARE(m_sim->waiting(handle), 0);
        QCOMPARE(m_sim->waiting(handle), -1); // the third status query fails
        char buffer[4];
        DWORD count = 99;
        QCOMPARE(m_sim->read(handle, buffer, 1, &count), FT_IO_ERROR);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_IO_ERROR);
        QCOMPARE(m_sim->purge(handle, FT_PURGE_RX), FT_IO_ERROR);
        QCOMPARE(m_sim->waiting(handle), -1);
        // Unplugged: not listed, cannot be opened; closing releases the handle.
        QCOMPARE(m_sim->listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
        QCOMPARE(count, DWORD(0));
        FT_HANDLE other = nullptr;
        QCOMPARE(m_sim->openEx(const_cast<char *>("TX300001"), FT_OPEN_BY_SERIAL_NUMBER, &other),
                 FT_DEVICE_NOT_FOUND);
        QCOMPARE(m_sim->close(handle), FT_IO_ERROR);
        QCOMPARE(m_sim->close(handle), FT_INVALID_HANDLE);
        // Plugged in again it works, and the fault does not strike twice.
        QCOMPARE(m_sim->set("PLUG"), 0);
        handle = openDefault();
        QVERIFY(handle);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(m_sim->waiting(handle), 0);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void unplugAndRemovedDevice()
    {
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->set("UNPLUG"), 0);
        QCOMPARE(m_sim->waiting(handle), -1);
        QCOMPARE(m_sim->close(handle), FT_IO_ERROR);
        QCOMPARE(m_sim->set("PLUG"), 0);
        handle = openDefault();
        QVERIFY(handle);
        // A new device list without the open instrument unplugs it too.
        QCOMPARE(m_sim->set("TAVIXSIM_DEVICES=TX300002"), 0);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_IO_ERROR);
        QCOMPARE(m_sim->close(handle), FT_IO_ERROR);
    }

    void readIoError()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS=read_io_error"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x76), FT_OK);
        QByteArray buffer(64, '\0');
        DWORD got = 0;
        QCOMPARE(m_sim->read(handle, buffer.data(), DWORD(kVersionLine.size()), &got), FT_IO_ERROR);
        QCOMPARE(buffer.left(int(got)), kVersionLine); // the data still comes
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS="), 0);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->read(handle, buffer.data(), 1, &got), FT_OK);
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    // ---- trace ---------------------------------------------------------

    void traceLines()
    {
        const QString path = m_dir.filePath(QStringLiteral("trace-%1.txt").arg(QTest::currentDataTag()));
        QFile::remove(path);
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_TRACE=" + path.toLocal8Bit()), 0);
        DWORD count = 0;
        m_sim->listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
        NameTable table(1);
        m_sim->listDevices(table.pointers.data(), &count, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION);
        FT_HANDLE handle = m_sim->openSerial("TX300001");
        QVERIFY(handle);
        m_sim->setTimeouts(handle, 300, 300);
        m_sim->writeByte(handle, 0x80);
        DWORD rx = 0, tx = 0, events = 0;
        m_sim->getStatus(handle, &rx, &tx, &events);
        char byte = 0;
        m_sim->read(handle, &byte, 1, &count);
        m_sim->purge(handle, FT_PURGE_RX);
        m_sim->resetDevice(handle);
        m_sim->setChars(handle, 0, 0, 0, 0);
        m_sim->setEventNotification(handle, 0, nullptr);
        QByteArray block(3, '\x01');
        m_sim->write(handle, block.data(), 3, &count);
        m_sim->close(handle);
        m_sim->set("TAVIXSIM_BOGUS=1");

        const QByteArrayList expected{
            "TavixSim_Control setting=\"TAVIXSIM_TRACE=" + path.toLocal8Bit() + "\" status=0",
            "FT_ListDevices flags=0x80000000 status=0 count=1",
            "FT_ListDevices flags=0x20000002 status=0 count=1 names=\"Tavix 3000\"",
            "FT_OpenEx name=\"TX300001\" flags=1 status=0 handle=1",
            "FT_SetTimeouts handle=1 read=300 write=300 status=0",
            "FT_Write handle=1 n=1 status=0 sent=1 data=80",
            "FT_GetStatus handle=1 status=0 rx=1 tx=0 events=0",
            "FT_Read handle=1 n=1 status=0 got=1 data=80",
            "FT_Purge handle=1 mask=1 status=0",
            "FT_ResetDevice handle=1 status=0",
            "FT_SetChars handle=1 event=0 eventOn=0 error=0 errorOn=0 status=0",
            "FT_SetEventNotification handle=1 mask=0 status=0",
            "FT_Write handle=1 n=3 status=0 sent=3 program=3 data=010101",
            "FT_Close handle=1 status=0",
            "TavixSim_Control setting=\"TAVIXSIM_BOGUS=1\" status=1",
        };
        QCOMPARE(::traceLines(path), expected);

        // Switched off, nothing more is written, not even the switching call.
        QCOMPARE(m_sim->set("TAVIXSIM_TRACE="), 0);
        m_sim->listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
        QCOMPARE(::traceLines(path).size(), expected.size());
    }

    void traceOfFailures()
    {
        const QString path = m_dir.filePath(QStringLiteral("failures-%1.txt").arg(QTest::currentDataTag()));
        QFile::remove(path);
        QCOMPARE(m_sim->set("TAVIXSIM_TRACE=" + path.toLocal8Bit()), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_FAULTS=write_fail"), 0);
        FT_HANDLE handle = nullptr;
        m_sim->openEx(const_cast<char *>("nobody"), FT_OPEN_BY_SERIAL_NUMBER, &handle);
        m_sim->open(0, &handle);
        m_sim->writeByte(handle, 0x80);
        m_sim->close(handle);
        m_sim->close(handle);
        const QByteArrayList lines = ::traceLines(path);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[2], QByteArray("FT_OpenEx name=\"nobody\" flags=1 status=2 handle=0"));
        QCOMPARE(lines[3], QByteArray("FT_Open index=0 status=0 handle=1"));
        QCOMPARE(lines[4], QByteArray("FT_Write handle=1 n=1 status=4 sent=0 data="));
        QCOMPARE(lines[5], QByteArray("FT_Close handle=1 status=0"));
        QCOMPARE(lines[6], QByteArray("FT_Close handle=1 status=1"));
    }

    // ---- firmware ------------------------------------------------------

    void firmwareIsStoredThenProgramOkThenOff()
    {
        const QString out = m_dir.filePath(QStringLiteral("firmware-%1.pro").arg(QTest::currentDataTag()));
        const QString trace = m_dir.filePath(QStringLiteral("firmware-%1.txt").arg(QTest::currentDataTag()));
        QFile::remove(out);
        QFile::remove(trace);
        QCOMPARE(m_sim->set("TAVIXSIM_FIRMWARE_OUT=" + out.toLocal8Bit()), 0);
        QCOMPARE(m_sim->set("TAVIXSIM_TRACE=" + trace.toLocal8Bit()), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        // 300 bytes as the program sends them: 128, 128 and 44.
        QByteArray program;
        for (int i = 0; i < 300; ++i)
            program.append(char((i * 7) & 0xFF));
        for (int offset = 0; offset < program.size(); offset += 128) {
            QByteArray block = program.mid(offset, 128);
            DWORD sent = 0;
            QCOMPARE(m_sim->write(handle, block.data(), DWORD(block.size()), &sent), FT_OK);
            QCOMPARE(sent, DWORD(block.size()));
        }
        QCOMPARE(m_sim->programBytes(), 300ull);
        QCOMPARE(readFile(out), program);

        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_sim->collect(handle, kProgramOk.size(), 5000), kProgramOk);
        QVERIFY2(timer.elapsed() >= 350, qPrintable(QString::number(timer.elapsed()))); // 500 ms after the last data
        DWORD count = 0;
        char byte = 0x80;
        QCOMPARE(m_sim->waiting(handle), -1);
        QCOMPARE(m_sim->write(handle, &byte, 1, &count), FT_IO_ERROR);
        QCOMPARE(m_sim->read(handle, &byte, 1, &count), FT_IO_ERROR);
        QCOMPARE(m_sim->close(handle), FT_IO_ERROR);

        const QByteArray traced = readFile(trace);
        QVERIFY(traced.contains(" sent=44 program=300 data="));
        QVERIFY(traced.contains("EVENT handle=1 program-ok program=300\n"));
        QVERIFY(traced.contains("EVENT handle=1 switched-off\n"));

        // Switched on again, it is a fresh instrument.
        handle = openDefault();
        QVERIFY(handle);
        QCOMPARE(m_sim->writeByte(handle, 0x80), FT_OK);
        QCOMPARE(m_sim->collect(handle, 1, 2000), QByteArray("\x80"));
        QCOMPARE(m_sim->close(handle), FT_OK);
    }

    void firmwareSwitchesOffASecondAfterProgramOkUnread()
    {
        QCOMPARE(m_sim->set("TAVIXSIM_BAUD=0"), 0);
        FT_HANDLE handle = openDefault();
        QVERIFY(handle);
        QByteArray program(200, '\x55');
        DWORD sent = 0;
        QCOMPARE(m_sim->write(handle, program.data(), 200, &sent), FT_OK);
        // A single byte during the transfer is program data too, not a probe.
        QCOMPARE(m_sim->writeByte(handle, 0x80, &sent), FT_OK);
        QCOMPARE(m_sim->programBytes(), 201ull);
        QElapsedTimer timer;
        timer.start();
        QTRY_COMPARE_WITH_TIMEOUT(m_sim->waiting(handle), qint64(kProgramOk.size()), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_sim->waiting(handle), qint64(-1), 5000);
        QVERIFY2(timer.elapsed() >= 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(m_sim->close(handle), FT_IO_ERROR);
    }
};

QTEST_GUILESS_MAIN(TestSimContract)
#include "test_sim_contract.moc"
