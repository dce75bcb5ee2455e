// A D2XX program written against FTDI's published API only: it loads a
// D2XX library by path (dlopen), binds its functions by name and runs the
// ordinary usage of a D2XX client: list, device information list, open by
// description and by serial number, line settings, modem lines, latency,
// event notification on received data, the readiness probe, 6 KB each way
// and close. It runs against the serial adapter with the instrument served
// by tavixsim-pty, and against the simulated library for the calls that
// library has. Then the calls that answer "not supported" or are accepted
// without effect, and the Win32-style layer, against the adapter.
#include "core/device/d2xx_types.h"
#include "d2xx_linux.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

namespace {

// A row's expectation besides a status: the library does not export the
// function, or has it without the behaviour the row checks.
constexpr int kAbsent = -1;
constexpr int kNotRun = -2;

class D2xx
{
public:
    explicit D2xx(const char *path) : m_library(::dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~D2xx()
    {
        if (m_library)
            ::dlclose(m_library);
    }
    bool loaded() const { return m_library != nullptr; }
    bool has(const char *name) const { return m_library && ::dlsym(m_library, name); }
    template<typename Fn>
    Fn *fn(const char *name) const
    {
        return reinterpret_cast<Fn *>(::dlsym(m_library, name));
    }

private:
    void *m_library;
};

// The library's function by its D2XX name, with its published prototype.
#define D2XX(lib, name) (lib).fn<FN_##name>(#name)

QByteArray Pattern(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 37 + seed) & 0xFF);
    return bytes;
}

// Reads until `size` bytes came or ten seconds passed.
QByteArray ReadBytes(const D2xx &lib, FT_HANDLE handle, int size)
{
    QByteArray bytes;
    QElapsedTimer timer;
    timer.start();
    while (bytes.size() < size && timer.elapsed() < 10000) {
        QByteArray chunk(size - bytes.size(), '\0');
        DWORD got = 0;
        if (D2XX(lib, FT_Read)(handle, chunk.data(), DWORD(chunk.size()), &got) != FT_OK)
            break;
        bytes += chunk.left(int(got));
    }
    return bytes;
}

// The adapter, loaded once and never unloaded: a thread left waiting in it
// by a failing check cannot outlive it.
const D2xx &Adapter()
{
    static const D2xx adapter(TAVIX_SERIAL_LIBRARY);
    return adapter;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestD2xxApi : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void exportsTheWholeApi();
    void ordinaryUsage_data();
    void ordinaryUsage();
    void callsWithoutKernelSupport_data();
    void callsWithoutKernelSupport();
    void win32Layer();

private:
    FT_HANDLE OpenAdapter();

    QTemporaryDir m_dir;
    QProcess m_instrument;
    QString m_latencyPath;
    QByteArray m_printout = Pattern(6144, 11);
    QByteArray m_program = Pattern(6144, 5);
};

void TestD2xxApi::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile printout(m_dir.filePath("printout"));
    QVERIFY(printout.open(QIODevice::WriteOnly) && printout.write(m_printout) == m_printout.size());
    printout.close();
    // The simulated library reads its settings when it is loaded.
    qputenv("TAVIXSIM_BAUD", "0");
    qputenv("TAVIXSIM_PRINTOUT", m_dir.filePath("printout").toLocal8Bit());
    qputenv("TAVIXSIM_FIRMWARE_OUT", m_dir.filePath("firmware-simulator").toLocal8Bit());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TAVIXSIM_FIRMWARE_OUT", m_dir.filePath("firmware-adapter"));
    m_instrument.setProcessEnvironment(environment);
    m_instrument.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_instrument.start(QStringLiteral(TAVIXSIM_PTY), QStringList());
    QVERIFY(m_instrument.waitForReadyRead(10000));
    const QByteArray slave = m_instrument.readLine().trimmed();
    QVERIFY(slave.startsWith("/dev/"));
    qputenv("TAVIX_SERIAL_PORTS", slave + "=TX300001=Tavix 3000");

    // ftdi_sio's latency_timer, where the adapter looks for it: a sysfs
    // tree holding the attribute for the pseudo-terminal's device number.
    struct stat node {};
    QCOMPARE(::stat(slave.constData(), &node), 0);
    const QString device = m_dir.filePath(QStringLiteral("sys/dev/char/%1:%2/device")
                                              .arg(major(node.st_rdev)).arg(minor(node.st_rdev)));
    QVERIFY(QDir().mkpath(device));
    m_latencyPath = device + "/latency_timer";
    QFile latency(m_latencyPath);
    QVERIFY(latency.open(QIODevice::WriteOnly) && latency.write("16\n") == 3);
    qputenv("TAVIX_SERIAL_SYSFS", m_dir.filePath("sys").toLocal8Bit());
}

void TestD2xxApi::cleanupTestCase()
{
    m_instrument.terminate();
    m_instrument.waitForFinished(5000);
}

FT_HANDLE TestD2xxApi::OpenAdapter()
{
    FT_HANDLE handle = nullptr;
    return D2XX(Adapter(), FT_OpenEx)(const_cast<char *>("TX300001"), FT_OPEN_BY_SERIAL_NUMBER, &handle) == FT_OK
               ? handle
               : nullptr;
}

void TestD2xxApi::exportsTheWholeApi()
{
    const D2xx &adapter = Adapter();
    const D2xx simulator(TAVIX_SIM_LIBRARY);
    QVERIFY(adapter.loaded() && simulator.loaded());
    int entryPoints = 0, inSimulator = 0;
#define TAVIX_CHECK_EXPORT(name)                                                                                   \
    ++entryPoints;                                                                                                 \
    QVERIFY2(adapter.has(#name), #name);                                                                           \
    inSimulator += simulator.has(#name);
    TAVIX_D2XX_ENTRY_POINTS(TAVIX_CHECK_EXPORT)
#undef TAVIX_CHECK_EXPORT
    QCOMPARE(entryPoints, 94);
    QCOMPARE(inSimulator, 13);
    QVERIFY(adapter.has("TavixSerial_LastError"));
}

void TestD2xxApi::ordinaryUsage_data()
{
    QTest::addColumn<QString>("library");
    QTest::newRow("serial adapter and tavixsim-pty") << QStringLiteral(TAVIX_SERIAL_LIBRARY);
    QTest::newRow("simulated library") << QStringLiteral(TAVIX_SIM_LIBRARY);
}

void TestD2xxApi::ordinaryUsage()
{
    QFETCH(QString, library);
    const bool adapter = library == QLatin1String(TAVIX_SERIAL_LIBRARY);
    const D2xx simulator(TAVIX_SIM_LIBRARY);
    const D2xx &lib = adapter ? Adapter() : simulator;
    QVERIFY(lib.loaded());
    const QString firmwareOut = m_dir.filePath(adapter ? "firmware-adapter" : "firmware-simulator");

    FT_HANDLE handle = nullptr;
    // A failing row leaves the port open: closed here, so later tests can
    // open it (after the last row this close finds no handle).
    const auto closeLeftOpen = qScopeGuard([&] {
        if (handle)
            D2XX(lib, FT_Close)(handle);
    });
    DWORD count = 0, value = 0;
    char name[64] = {}, description[64] = {};
    char *table[] = {name, nullptr};
    EVENT_HANDLE event;
    pthread_mutex_init(&event.eMutex, nullptr);
    pthread_cond_init(&event.eCondVar, nullptr);
    QString problem;
    auto expect = [&](bool ok, const QString &what) {
        if (!ok && problem.isEmpty())
            problem = what;
    };
    auto write = [&](const QByteArray &bytes) {
        DWORD sent = 0;
        const FT_STATUS status = D2XX(lib, FT_Write)(handle, const_cast<char *>(bytes.constData()),
                                                     DWORD(bytes.size()), &sent);
        expect(sent == DWORD(bytes.size()), QStringLiteral("sent %1 of %2").arg(sent).arg(bytes.size()));
        return status;
    };

    struct Step {
        const char *what;
        const char *function; // the entry point it needs
        int adapter;          // expected status, kAbsent or kNotRun
        int simulator;
        std::function<FT_STATUS()> run;
    };
    const std::vector<Step> steps = {
        {"library version", "FT_GetLibraryVersion", FT_OK, kAbsent,
         [&] { return D2XX(lib, FT_GetLibraryVersion)(&value); }},
        {"count", "FT_ListDevices", FT_OK, FT_OK, [&] {
             const FT_STATUS status = D2XX(lib, FT_ListDevices)(&count, nullptr, FT_LIST_NUMBER_ONLY);
             expect(count == 1, QStringLiteral("count %1").arg(count));
             return status;
         }},
        {"all serial numbers", "FT_ListDevices", FT_OK, FT_OK, [&] {
             const FT_STATUS status = D2XX(lib, FT_ListDevices)(table, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER);
             expect(QByteArray(name) == "TX300001" && count == 1, name);
             return status;
         }},
        {"all, no name flag: serial numbers", "FT_ListDevices", FT_OK, FT_INVALID_PARAMETER, [&] {
             std::memset(name, 0, sizeof name);
             const FT_STATUS status = D2XX(lib, FT_ListDevices)(table, &count, FT_LIST_ALL);
             expect(!adapter || QByteArray(name) == "TX300001", name);
             return status;
         }},
        {"description by index", "FT_ListDevices", FT_OK, FT_OK, [&] {
             const FT_STATUS status = D2XX(lib, FT_ListDevices)(nullptr, description,
                                                                FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
             expect(QByteArray(description) == "Tavix 3000", description);
             return status;
         }},
        {"information list", "FT_CreateDeviceInfoList", FT_OK, kAbsent, [&] {
             const FT_STATUS status = D2XX(lib, FT_CreateDeviceInfoList)(&count);
             FT_DEVICE_LIST_INFO_NODE nodes[1] = {};
             D2XX(lib, FT_GetDeviceInfoList)(nodes, &count);
             expect(count == 1 && QByteArray(nodes[0].SerialNumber) == "TX300001" && nodes[0].Flags == 0,
                    nodes[0].SerialNumber);
             DWORD flags = 9, type = 0, id = 9, location = 9;
             FT_HANDLE listed = &count;
             D2XX(lib, FT_GetDeviceInfoDetail)(0, &flags, &type, &id, &location, name, description, &listed);
             expect(QByteArray(description) == "Tavix 3000" && flags == 0 && !listed, description);
             return status;
         }},
        {"open by description", "FT_OpenEx", FT_OK, FT_OK,
         [&] { return D2XX(lib, FT_OpenEx)(const_cast<char *>("Tavix 3000"), FT_OPEN_BY_DESCRIPTION, &handle); }},
        {"close", "FT_Close", FT_OK, FT_OK, [&] { return D2XX(lib, FT_Close)(handle); }},
        {"open by serial number", "FT_OpenEx", FT_OK, FT_OK,
         [&] { return D2XX(lib, FT_OpenEx)(const_cast<char *>("TX300001"), FT_OPEN_BY_SERIAL_NUMBER, &handle); }},
        {"listed as opened", "FT_CreateDeviceInfoList", FT_OK, kAbsent, [&] {
             const FT_STATUS status = D2XX(lib, FT_CreateDeviceInfoList)(&count);
             DWORD flags = 0;
             FT_HANDLE listed = nullptr;
             D2XX(lib, FT_GetDeviceInfoDetail)(0, &flags, nullptr, nullptr, nullptr, nullptr, nullptr, &listed);
             expect((flags & FT_FLAGS_OPENED) && listed == handle, QStringLiteral("flags %1").arg(flags));
             return status;
         }},
        {"device information", "FT_GetDeviceInfo", FT_OK, kAbsent, [&] {
             // A port of the environment's list: no USB ids, type unknown.
             FT_DEVICE type = 99;
             value = 9;
             const FT_STATUS status = D2XX(lib, FT_GetDeviceInfo)(handle, &type, &value, name, description, nullptr);
             expect(QByteArray(name) == "TX300001" && type == FT_DEVICE_UNKNOWN && value == 0, name);
             return status;
         }},
        {"reset", "FT_ResetDevice", FT_OK, FT_OK, [&] { return D2XX(lib, FT_ResetDevice)(handle); }},
        {"purge", "FT_Purge", FT_OK, FT_OK, [&] { return D2XX(lib, FT_Purge)(handle, FT_PURGE_RX | FT_PURGE_TX); }},
        {"time-outs", "FT_SetTimeouts", FT_OK, FT_OK, [&] { return D2XX(lib, FT_SetTimeouts)(handle, 300, 300); }},
        {"rate", "FT_SetBaudRate", FT_OK, kAbsent, [&] { return D2XX(lib, FT_SetBaudRate)(handle, 115200); }},
        {"8N1", "FT_SetDataCharacteristics", FT_OK, kAbsent, [&] {
             return D2XX(lib, FT_SetDataCharacteristics)(handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
         }},
        {"RTS/CTS", "FT_SetFlowControl", FT_OK, kAbsent,
         [&] { return D2XX(lib, FT_SetFlowControl)(handle, FT_FLOW_RTS_CTS, 0x11, 0x13); }},
        {"settings read back", "FT_W32_GetCommState", 1, kAbsent, [&] {
             FTDCB dcb{};
             const BOOL ok = D2XX(lib, FT_W32_GetCommState)(handle, &dcb);
             expect(dcb.BaudRate == 115200 && dcb.ByteSize == 8 && dcb.fOutxCtsFlow && dcb.Parity == 0,
                    QStringLiteral("rate %1").arg(dcb.BaudRate));
             return FT_STATUS(ok);
         }},
        {"no flow control", "FT_SetFlowControl", FT_OK, kAbsent,
         [&] { return D2XX(lib, FT_SetFlowControl)(handle, FT_FLOW_NONE, 0, 0); }},
        // A pseudo-terminal has no modem lines.
        {"DTR on", "FT_SetDtr", FT_NOT_SUPPORTED, kAbsent, [&] { return D2XX(lib, FT_SetDtr)(handle); }},
        {"RTS off", "FT_ClrRts", FT_NOT_SUPPORTED, kAbsent, [&] { return D2XX(lib, FT_ClrRts)(handle); }},
        {"modem status", "FT_GetModemStatus", FT_NOT_SUPPORTED, kAbsent,
         [&] { return D2XX(lib, FT_GetModemStatus)(handle, &value); }},
        {"latency timer set", "FT_SetLatencyTimer", FT_OK, kAbsent, [&] {
             const FT_STATUS status = D2XX(lib, FT_SetLatencyTimer)(handle, 4);
             expect(ReadAll(m_latencyPath) == "4\n", QStringLiteral("attribute ") + ReadAll(m_latencyPath));
             return status;
         }},
        {"latency timer read", "FT_GetLatencyTimer", FT_OK, kAbsent, [&] {
             UCHAR latency = 0;
             const FT_STATUS status = D2XX(lib, FT_GetLatencyTimer)(handle, &latency);
             expect(latency == 4, QStringLiteral("latency %1").arg(latency));
             return status;
         }},
        {"event notification", "FT_SetEventNotification", FT_OK, FT_OK,
         [&] { return D2XX(lib, FT_SetEventNotification)(handle, FT_EVENT_RXCHAR, &event); }},
        {"event on received data", "FT_GetStatus", FT_OK, kNotRun, [&] {
             // The mutex is held from before the key goes out until the
             // wait, so the library's broadcast cannot come too early.
             pthread_mutex_lock(&event.eMutex);
             const FT_STATUS status = write("v");
             timespec deadline{};
             clock_gettime(CLOCK_REALTIME, &deadline);
             deadline.tv_sec += 10;
             const int waited = pthread_cond_timedwait(&event.eCondVar, &event.eMutex, &deadline);
             pthread_mutex_unlock(&event.eMutex);
             DWORD rx = 0, tx = 0, events = 0;
             D2XX(lib, FT_GetStatus)(handle, &rx, &tx, &events);
             expect(waited == 0 && (events & FT_EVENT_RXCHAR), QStringLiteral("events %1").arg(events));
             expect(ReadBytes(lib, handle, 25) == "Tavix 3000 version 1.23\r\n", QStringLiteral("version"));
             return status;
         }},
        {"notification off", "FT_SetEventNotification", FT_OK, FT_OK,
         [&] { return D2XX(lib, FT_SetEventNotification)(handle, 0, nullptr); }},
        {"probe", "FT_Read", FT_OK, FT_OK, [&] {
             const FT_STATUS status = write(QByteArray(1, '\x80'));
             expect(ReadBytes(lib, handle, 1) == QByteArray(1, '\x80'), QStringLiteral("probe reply"));
             return status;
         }},
        {"6 KB in", "FT_Read", FT_OK, FT_OK, [&] {
             const FT_STATUS status = write("\r");
             expect(ReadBytes(lib, handle, m_printout.size()) == m_printout, QStringLiteral("print-out"));
             return status;
         }},
        {"6 KB out", "FT_Write", FT_OK, FT_OK, [&] {
             const FT_STATUS status = write(m_program);
             expect(ReadBytes(lib, handle, 14) == "\r\nProgram OK\r\n", QStringLiteral("Program OK"));
             expect(ReadAll(firmwareOut) == m_program, QStringLiteral("program bytes"));
             return status;
         }},
        // The simulated instrument switches itself off once its "Program
        // OK" has been read; its handle is released all the same.
        {"close", "FT_Close", FT_OK, FT_IO_ERROR, [&] { return D2XX(lib, FT_Close)(handle); }},
        {"a closed handle", "FT_GetStatus", FT_INVALID_HANDLE, FT_INVALID_HANDLE, [&] {
             DWORD rx = 0, tx = 0, events = 0;
             return D2XX(lib, FT_GetStatus)(handle, &rx, &tx, &events);
         }},
    };
    for (const Step &step : steps) {
        const int expected = adapter ? step.adapter : step.simulator;
        if (expected == kAbsent) {
            QVERIFY2(!lib.has(step.function), step.function);
            continue;
        }
        if (expected == kNotRun)
            continue;
        problem.clear();
        QCOMPARE(QString::fromLatin1(step.what) + ": " + QString::number(step.run()),
                 QString::fromLatin1(step.what) + ": " + QString::number(expected));
        QVERIFY2(problem.isEmpty(), qPrintable(QString::fromLatin1(step.what) + ": " + problem));
    }
    pthread_cond_destroy(&event.eCondVar);
    pthread_mutex_destroy(&event.eMutex);
}

namespace {

// A call the kernel's serial driver gives no access to (FT_NOT_SUPPORTED),
// one accepted without effect, or one refused for its arguments: the status
// for the open port and for a handle that was never opened.
struct KernelCall {
    const char *name;
    FT_STATUS (*call)(const D2xx &lib, FT_HANDLE handle);
    FT_STATUS withHandle;
    FT_STATUS bogusHandle;
};

WORD g_word;
DWORD g_dword;
UCHAR g_byte;
char g_text[64];
unsigned char g_buffer[256];

#define KERNEL_CALL(name, call, withHandle, bogusHandle)                                                           \
    {name, [](const D2xx &lib, [[maybe_unused]] FT_HANDLE h) -> FT_STATUS { return call; }, withHandle, bogusHandle}

// Calls whose values are checked too: a wrong value gives FT_OTHER_ERROR.
FT_STATUS VidPid(const D2xx &lib)
{
    DWORD vid = 0, pid = 0;
    const FT_STATUS status = D2XX(lib, FT_GetVIDPID)(&vid, &pid);
    return status == FT_OK && (vid != 0x0403 || pid != 0x6001) ? FT_OTHER_ERROR : status;
}

FT_STATUS ComPort(const D2xx &lib, FT_HANDLE handle)
{
    LONG port = 0;
    const FT_STATUS status = D2XX(lib, FT_GetComPortNumber)(handle, &port);
    return status == FT_OK && port != LONG(-1) ? FT_OTHER_ERROR : status;
}

const FT_STATUS kNo = FT_NOT_SUPPORTED, kBad = FT_INVALID_HANDLE;
const KernelCall kKernelCalls[] = {
    KERNEL_CALL("FT_ReadEE", D2XX(lib, FT_ReadEE)(h, 0, &g_word), kNo, kBad),
    KERNEL_CALL("FT_WriteEE", D2XX(lib, FT_WriteEE)(h, 0, 0x1234), kNo, kBad),
    KERNEL_CALL("FT_EraseEE", D2XX(lib, FT_EraseEE)(h), kNo, kBad),
    KERNEL_CALL("FT_EE_Read", D2XX(lib, FT_EE_Read)(h, nullptr), kNo, kBad),
    KERNEL_CALL("FT_EE_ReadEx", D2XX(lib, FT_EE_ReadEx)(h, nullptr, g_text, g_text, g_text, g_text), kNo, kBad),
    KERNEL_CALL("FT_EE_Program", D2XX(lib, FT_EE_Program)(h, nullptr), kNo, kBad),
    KERNEL_CALL("FT_EE_ProgramEx", D2XX(lib, FT_EE_ProgramEx)(h, nullptr, g_text, g_text, g_text, g_text), kNo, kBad),
    KERNEL_CALL("FT_EE_UASize", D2XX(lib, FT_EE_UASize)(h, &g_dword), kNo, kBad),
    KERNEL_CALL("FT_EE_UARead", D2XX(lib, FT_EE_UARead)(h, g_buffer, sizeof g_buffer, &g_dword), kNo, kBad),
    KERNEL_CALL("FT_EE_UAWrite", D2XX(lib, FT_EE_UAWrite)(h, g_buffer, 4), kNo, kBad),
    KERNEL_CALL("FT_EEPROM_Read",
                D2XX(lib, FT_EEPROM_Read)(h, g_buffer, sizeof g_buffer, g_text, g_text, g_text, g_text), kNo, kBad),
    KERNEL_CALL("FT_EEPROM_Program",
                D2XX(lib, FT_EEPROM_Program)(h, g_buffer, sizeof g_buffer, g_text, g_text, g_text, g_text), kNo,
                kBad),
    KERNEL_CALL("FT_EE_ReadConfig", D2XX(lib, FT_EE_ReadConfig)(h, 0, &g_byte), kNo, kBad),
    KERNEL_CALL("FT_EE_WriteConfig", D2XX(lib, FT_EE_WriteConfig)(h, 0, 1), kNo, kBad),
    KERNEL_CALL("FT_EE_ReadECC", D2XX(lib, FT_EE_ReadECC)(h, 0, &g_word), kNo, kBad),
    KERNEL_CALL("FT_SetBitMode MPSSE", D2XX(lib, FT_SetBitMode)(h, 0xFF, FT_BITMODE_MPSSE), kNo, kBad),
    KERNEL_CALL("FT_GetBitMode", D2XX(lib, FT_GetBitMode)(h, &g_byte), kNo, kBad),
    KERNEL_CALL("FT_CyclePort", D2XX(lib, FT_CyclePort)(h), kNo, kBad),
    KERNEL_CALL("FT_ResetPort", D2XX(lib, FT_ResetPort)(h), kNo, kBad),
    KERNEL_CALL("FT_IoCtl", D2XX(lib, FT_IoCtl)(h, 1, nullptr, 0, nullptr, 0, &g_dword, nullptr), kNo, kBad),
    KERNEL_CALL("FT_VendorCmdGet", D2XX(lib, FT_VendorCmdGet)(h, 1, g_buffer, 4), kNo, kBad),
    KERNEL_CALL("FT_VendorCmdSetEx", D2XX(lib, FT_VendorCmdSetEx)(h, 1, g_buffer, 4), kNo, kBad),
    KERNEL_CALL("FT_ComPortIdle", D2XX(lib, FT_ComPortIdle)(h), kNo, kBad),
    KERNEL_CALL("FT_SetFlowControl DTR/DSR", D2XX(lib, FT_SetFlowControl)(h, FT_FLOW_DTR_DSR, 0, 0), kNo, kBad),
    KERNEL_CALL("FT_SetChars error character", D2XX(lib, FT_SetChars)(h, 0, 0, '?', 1), kNo, kBad),
    KERNEL_CALL("FT_SetDataCharacteristics 7E1 on a pseudo-terminal",
                D2XX(lib, FT_SetDataCharacteristics)(h, FT_BITS_7, FT_STOP_BITS_1, FT_PARITY_EVEN), kNo, kBad),
    KERNEL_CALL("FT_SetVIDPID", D2XX(lib, FT_SetVIDPID)(0x0403, 0x6015), kNo, kNo),
    KERNEL_CALL("FT_Reload", D2XX(lib, FT_Reload)(0x0403, 0x6001), kNo, kNo),
    // Accepted: the UART is what the port is, and the kernel keeps its own
    // transfer settings and keeps receiving.
    KERNEL_CALL("FT_SetBitMode reset", D2XX(lib, FT_SetBitMode)(h, 0, FT_BITMODE_RESET), FT_OK, kBad),
    KERNEL_CALL("FT_SetUSBParameters", D2XX(lib, FT_SetUSBParameters)(h, 4096, 4096), FT_OK, kBad),
    KERNEL_CALL("FT_SetDeadmanTimeout", D2XX(lib, FT_SetDeadmanTimeout)(h, 5000), FT_OK, kBad),
    KERNEL_CALL("FT_StopInTask", D2XX(lib, FT_StopInTask)(h), FT_OK, kBad),
    KERNEL_CALL("FT_RestartInTask", D2XX(lib, FT_RestartInTask)(h), FT_OK, kBad),
    KERNEL_CALL("FT_SetResetPipeRetryCount", D2XX(lib, FT_SetResetPipeRetryCount)(h, 50), FT_OK, kBad),
    KERNEL_CALL("FT_Rescan", D2XX(lib, FT_Rescan)(), FT_OK, FT_OK),
    KERNEL_CALL("FT_SetChars event character", D2XX(lib, FT_SetChars)(h, '\n', 1, 0, 0), FT_OK, kBad),
    KERNEL_CALL("FT_SetBaudRate 250000, a custom rate", D2XX(lib, FT_SetBaudRate)(h, 250000), FT_OK, kBad),
    KERNEL_CALL("FT_GetVIDPID 0403 6001", VidPid(lib), FT_OK, FT_OK),
    KERNEL_CALL("FT_GetComPortNumber: none", ComPort(lib, h), FT_OK, kBad),
    // Refused for the arguments.
    KERNEL_CALL("FT_SetUSBParameters 100 bytes", D2XX(lib, FT_SetUSBParameters)(h, 100, 0), FT_INVALID_PARAMETER,
                kBad),
    KERNEL_CALL("FT_SetBaudRate 0", D2XX(lib, FT_SetBaudRate)(h, 0), FT_INVALID_BAUD_RATE, kBad),
    KERNEL_CALL("FT_SetDataCharacteristics 6 bits",
                D2XX(lib, FT_SetDataCharacteristics)(h, 6, FT_STOP_BITS_1, FT_PARITY_NONE), FT_INVALID_PARAMETER,
                kBad),
};

} // namespace

void TestD2xxApi::callsWithoutKernelSupport_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kKernelCalls)); ++i)
        QTest::newRow(kKernelCalls[i].name) << i;
}

void TestD2xxApi::callsWithoutKernelSupport()
{
    QFETCH(int, row);
    const KernelCall &call = kKernelCalls[row];
    FT_HANDLE handle = OpenAdapter();
    QVERIFY(handle);
    const FT_STATUS status = call.call(Adapter(), handle);
    const FT_STATUS bogusStatus = call.call(Adapter(), reinterpret_cast<FT_HANDLE>(uintptr_t(0x7777)));
    QCOMPARE(D2XX(Adapter(), FT_Close)(handle), FT_STATUS(FT_OK));
    QCOMPARE(status, call.withHandle);
    QCOMPARE(bogusStatus, call.bogusHandle);
}

void TestD2xxApi::win32Layer()
{
    const D2xx &lib = Adapter();
    const FT_HANDLE invalid = reinterpret_cast<FT_HANDLE>(uintptr_t(INVALID_HANDLE_VALUE));
    // Opening needs one of the FT_OPEN_BY_* flags; the reason is told.
    QCOMPARE(D2XX(lib, FT_W32_CreateFile)("TX300001", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr),
             invalid);
    QVERIFY(QByteArray(D2XX(lib, TavixSerial_LastError)()).startsWith("FT_W32_CreateFile needs one of"));
    QCOMPARE(D2XX(lib, FT_W32_CreateFile)("NOPE", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL | FT_OPEN_BY_SERIAL_NUMBER, nullptr),
             invalid);
    QCOMPARE(QByteArray(D2XX(lib, TavixSerial_LastError)()), QByteArray("no device with serial number \"NOPE\" is attached"));

    FT_HANDLE handle = D2XX(lib, FT_W32_CreateFile)("Tavix 3000", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FT_OPEN_BY_DESCRIPTION,
                                                    nullptr);
    QVERIFY(handle && handle != invalid);
    FTDCB dcb{};
    QVERIFY(D2XX(lib, FT_W32_GetCommState)(handle, &dcb));
    dcb.BaudRate = 57600;
    dcb.StopBits = FT_STOP_BITS_2;
    dcb.fOutX = dcb.fInX = 1;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    QVERIFY(D2XX(lib, FT_W32_SetCommState)(handle, &dcb));
    FTDCB back{};
    QVERIFY(D2XX(lib, FT_W32_GetCommState)(handle, &back));
    QCOMPARE(back.BaudRate, DWORD(57600));
    QCOMPARE(int(back.ByteSize) * 100 + back.Parity * 10 + back.StopBits, 802);
    QVERIFY(back.fOutX && back.fInX && back.XoffChar == 0x13);
    // A pseudo-terminal keeps 8 bits without parity: 7E1 is refused and the
    // settings before stay.
    back.ByteSize = 7;
    back.Parity = FT_PARITY_EVEN;
    QVERIFY(!D2XX(lib, FT_W32_SetCommState)(handle, &back));
    QCOMPARE(D2XX(lib, FT_W32_GetLastError)(handle), DWORD(FT_NOT_SUPPORTED));
    QVERIFY(D2XX(lib, FT_W32_GetCommState)(handle, &back));
    QCOMPARE(int(back.ByteSize) * 100 + back.Parity * 10 + back.StopBits, 802);
    back.StopBits = FT_STOP_BITS_1;
    back.fOutX = back.fInX = 0;
    QVERIFY(D2XX(lib, FT_W32_SetCommState)(handle, &back));
    FTTIMEOUTS timeouts{0, 0, 500, 0, 500};
    QVERIFY(D2XX(lib, FT_W32_SetCommTimeouts)(handle, &timeouts));

    // The probe through ReadFile and WriteFile.
    char byte = '\x80';
    DWORD moved = 0;
    QVERIFY(D2XX(lib, FT_W32_WriteFile)(handle, &byte, 1, &moved, nullptr) && moved == 1);
    byte = 0;
    QVERIFY(D2XX(lib, FT_W32_ReadFile)(handle, &byte, 1, &moved, nullptr));
    QCOMPARE(byte, '\x80');
    // No modem lines on a pseudo-terminal; no overlapped I/O on Linux.
    QVERIFY(!D2XX(lib, FT_W32_GetCommModemStatus)(handle, &moved));
    QCOMPARE(D2XX(lib, FT_W32_GetLastError)(handle), DWORD(FT_NOT_SUPPORTED));
    OVERLAPPED overlapped{};
    QVERIFY(!D2XX(lib, FT_W32_ReadFile)(handle, &byte, 1, &moved, &overlapped));

    // A received character is an event; the queue counts what came.
    QVERIFY(D2XX(lib, FT_W32_SetCommMask)(handle, EV_RXCHAR));
    QVERIFY(D2XX(lib, FT_W32_WriteFile)(handle, const_cast<char *>("v"), 1, &moved, nullptr));
    ULONG events = 0;
    QVERIFY(D2XX(lib, FT_W32_WaitCommEvent)(handle, &events, nullptr));
    QCOMPARE(events, ULONG(EV_RXCHAR));
    FTCOMSTAT comstat{};
    DWORD errors = 9;
    QTRY_VERIFY_WITH_TIMEOUT((D2XX(lib, FT_W32_ClearCommError)(handle, &errors, &comstat), comstat.cbInQue == 25),
                             10000);
    QCOMPARE(errors, DWORD(0));
    QVERIFY(D2XX(lib, FT_W32_PurgeComm)(handle, PURGE_RXCLEAR | PURGE_TXCLEAR));
    QVERIFY(D2XX(lib, FT_W32_ClearCommError)(handle, &errors, &comstat));
    QCOMPARE(comstat.cbInQue, DWORD(0));

    // A wait that nothing answers ends when the handle is closed.
    auto waited = std::make_shared<std::promise<BOOL>>();
    std::future<BOOL> result = waited->get_future();
    FN_FT_W32_WaitCommEvent *wait = D2XX(lib, FT_W32_WaitCommEvent);
    std::thread([wait, handle, waited] {
        ULONG none = 0;
        waited->set_value(wait(handle, &none, nullptr));
    }).detach();
    QTest::qWait(100);
    QVERIFY(D2XX(lib, FT_W32_CloseHandle)(handle));
    QVERIFY(result.wait_for(std::chrono::seconds(10)) == std::future_status::ready);
    QCOMPARE(result.get(), BOOL(0));
    QVERIFY(!D2XX(lib, FT_W32_CloseHandle)(handle));
    QCOMPARE(D2XX(lib, FT_W32_GetLastError)(handle), DWORD(FT_INVALID_HANDLE));
}

QTEST_GUILESS_MAIN(TestD2xxApi)
#include "test_d2xx_api.moc"
