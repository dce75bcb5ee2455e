// The driver binding against the simulated instrument library, the serial
// adapter (talking to the simulated instrument on a pseudo-terminal), a
// library that lacks FT_GetQueueStatus, and no library at all; and the
// order in which the libraries are searched.
#include "core/device/d2xx_binding.h"

#include <QLibrary>
#include <QLocale>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <clocale>
#include <memory>

class TestD2xxBinding : public QObject
{
    Q_OBJECT
private slots:
    void missingLibraryBindsNothing();
    void lookupOrderAndNames();
    void candidates_data();
    void candidates();
    void failedCandidatesAreReported();
    void versionOrder_data();
    void versionOrder();
    void versionedFilesNewestFirstInTheCLocale();
    void fullLibraryBindsAllEntries_data();
    void fullLibraryBindsAllEntries();
    void missingEntryStopsTheBinding();
    void callsReachTheDevice_data();
    void callsReachTheDevice();
    void unloadEmptiesEverySlot();
    void openFailureReason_data();
    void openFailureReason();
};

void TestD2xxBinding::missingLibraryBindsNothing()
{
    D2xxBinding binding;
    const auto result = binding.Load(QStringLiteral("/nonexistent/libnothing.so"));
    QVERIFY(!result.ok);
    // The library given is named as given.
    QCOMPARE(result.message, QStringLiteral("Error: Can't Load /nonexistent/libnothing.so"));
    QVERIFY(!binding.IsLoaded());
    for (int e = 0; e < D2xxBinding::EntryCount; ++e)
        QVERIFY(!binding.IsBound(static_cast<D2xxBinding::Entry>(e)));
    // Every call answers FT_INVALID_HANDLE without touching its arguments.
    FT_HANDLE handle = reinterpret_cast<FT_HANDLE>(0x1234);
    QCOMPARE(binding.Open(0, &handle), FT_STATUS(1));
    QCOMPARE(handle, reinterpret_cast<FT_HANDLE>(0x1234));
    DWORD count = 77;
    QCOMPARE(binding.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_STATUS(1));
    QCOMPARE(count, DWORD(77));
    QCOMPARE(binding.Close(nullptr), FT_STATUS(1));
    QCOMPARE(binding.GetStatus(nullptr, &count, &count, &count), FT_STATUS(1));
    QCOMPARE(binding.Write(nullptr, "x", 1, &count), FT_STATUS(1));
}

void TestD2xxBinding::lookupOrderAndNames()
{
    QStringList names;
    for (auto entry : D2xxBinding::LookupOrder())
        names << QLatin1String(D2xxBinding::EntryName(entry));
    QCOMPARE(names, (QStringList{"FT_Write", "FT_Read", "FT_Open", "FT_OpenEx", "FT_ListDevices", "FT_Close",
                                 "FT_ResetDevice", "FT_Purge", "FT_SetTimeouts", "FT_GetQueueStatus",
                                 "FT_GetStatus", "FT_SetChars", "FT_SetEventNotification"}));
    QCOMPARE(D2xxBinding::DefaultLibraryName(), QStringLiteral("ftd2xx"));
}

void TestD2xxBinding::candidates_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QStringList>("versioned");
    QTest::addColumn<QStringList>("expected");

    const QStringList adapter{"/opt/tt/bin/libtavixserial.so",
                              QDir::cleanPath("/opt/tt/bin/" TAVIX_ADAPTER_DIR_FROM_PROGRAM "/libtavixserial.so")};
    QTest::newRow("a path is the only candidate") << "/x/libftd2xx.so" << "/opt/tt/bin" << QStringList{"/l/libftd2xx.so.1.4.27"}
                                                  << QStringList{"/x/libftd2xx.so"};
    QTest::newRow("the word serial: the adapter beside the program") << "serial" << "/opt/tt/bin" << QStringList{}
                                                                     << adapter;
    QTest::newRow("default: FTDI's names, versioned files, then the adapter")
        << "" << "/opt/tt/bin" << QStringList{"/l/libftd2xx.so.1.4.27", "/l/libftd2xx.so.1.4.8"}
        << QStringList{"libftd2xx.so", "libftd2xx.so.1", "/l/libftd2xx.so.1.4.27", "/l/libftd2xx.so.1.4.8"} + adapter;
    QTest::newRow("default without a program folder") << "" << "" << QStringList{}
                                                      << QStringList{"libftd2xx.so", "libftd2xx.so.1"};
}

void TestD2xxBinding::candidates()
{
    QFETCH(QString, path);
    QFETCH(QString, programDir);
    QFETCH(QStringList, versioned);
    QFETCH(QStringList, expected);
    QCOMPARE(D2xxBinding::Candidates(path, programDir, versioned), expected);
}

void TestD2xxBinding::versionOrder_data()
{
    QTest::addColumn<QString>("older");
    QTest::addColumn<QString>("newer");
    QTest::newRow("last part as a number") << "/l/libftd2xx.so.1.4.8" << "/l/libftd2xx.so.1.4.27";
    QTest::newRow("middle part as a number") << "/l/libftd2xx.so.1.9.0" << "/l/libftd2xx.so.1.10.0";
    QTest::newRow("more parts is newer") << "libftd2xx.so.1.4" << "libftd2xx.so.1.4.0";
    QTest::newRow("the folder plays no part") << "/z/libftd2xx.so.1" << "/a/libftd2xx.so.2";
    QTest::newRow("a part that is no number") << "libftd2xx.so.1.4.27" << "libftd2xx.so.1.4.x";
}

void TestD2xxBinding::versionOrder()
{
    QFETCH(QString, older);
    QFETCH(QString, newer);
    QCOMPARE(D2xxBinding::CompareLibraryVersions(older, newer), -1);
    QCOMPARE(D2xxBinding::CompareLibraryVersions(newer, older), 1);
    QCOMPARE(D2xxBinding::CompareLibraryVersions(newer, newer), 0);
}

void TestD2xxBinding::versionedFilesNewestFirstInTheCLocale()
{
    // The locale of services and cron jobs: no collation rules at all.
    qputenv("LC_ALL", "C");
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
    QTemporaryDir first, second;
    QVERIFY(first.isValid() && second.isValid());
    const auto make = [](const QTemporaryDir &dir, const char *name) {
        QFile file(dir.filePath(QLatin1String(name)));
        return file.open(QIODevice::WriteOnly);
    };
    QVERIFY(make(first, "libftd2xx.so.1.4.8") && make(first, "libftd2xx.so.1.10.2"));
    QVERIFY(make(second, "libftd2xx.so.1.4.27") && make(second, "libftd2xx.so.1.4.100"));
    QVERIFY(make(second, "libftd2xx.so.1.10.2"));
    const QByteArray savedPath = qgetenv("LD_LIBRARY_PATH");
    qputenv("LD_LIBRARY_PATH", (first.path() + QLatin1Char(':') + second.path()).toLocal8Bit());
    QStringList found = D2xxBinding::VersionedFtdiLibraries();
    qputenv("LD_LIBRARY_PATH", savedPath);
    // Only the fake files: the system's folders may hold real ones.
    found.removeIf([&](const QString &path) {
        return !path.startsWith(first.path()) && !path.startsWith(second.path());
    });
    QCOMPARE(found, (QStringList{first.filePath("libftd2xx.so.1.10.2"), second.filePath("libftd2xx.so.1.10.2"),
                                 second.filePath("libftd2xx.so.1.4.100"), second.filePath("libftd2xx.so.1.4.27"),
                                 first.filePath("libftd2xx.so.1.4.8")}));
}

void TestD2xxBinding::failedCandidatesAreReported()
{
    D2xxBinding binding;
    const auto result = binding.Load(QStringLiteral("/nonexistent/libftd2xx.so.1"));
    QCOMPARE(result.loaded, QString());
    QCOMPARE(result.failures, QStringList{"/nonexistent/libftd2xx.so.1: no such file"});
    // A file that is there but no library: the loader's own reason follows the name.
    QTemporaryDir dir;
    const QString bogus = dir.filePath(QStringLiteral("libftd2xx.so"));
    QFile file(bogus);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a library") > 0);
    file.close();
    const auto broken = binding.Load(bogus);
    QCOMPARE(broken.failures.size(), 1);
    QVERIFY2(broken.failures.first().startsWith(bogus + ": ") && broken.failures.first().contains("too short"),
             qPrintable(broken.failures.first()));
    QCOMPARE(broken.message, QStringLiteral("Error: Can't Load ") + bogus);
    // The default search names each file it tried once, whatever its folder.
    QCOMPARE(D2xxBinding::LoadFailureText({"libftd2xx.so", "libftd2xx.so.1", "/usr/local/lib/libftd2xx.so.1.4.27",
                                           "/opt/t/bin/libtavixserial.so",
                                           "/opt/t/lib/tavixterminal/libtavixserial.so"}),
             QStringLiteral("Error: Can't Load libftd2xx.so, libftd2xx.so.1, libftd2xx.so.1.4.27 or "
                            "libtavixserial.so"));

    const auto bound = binding.Load(QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(bound.loaded, QStringLiteral(TAVIX_SIM_LIBRARY));
    QVERIFY(bound.failures.isEmpty());
}

void TestD2xxBinding::fullLibraryBindsAllEntries_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("simulator library") << QStringLiteral(TAVIX_SIM_LIBRARY);
    QTest::newRow("serial adapter") << QStringLiteral(TAVIX_SERIAL_LIBRARY);
}

void TestD2xxBinding::fullLibraryBindsAllEntries()
{
    QFETCH(QString, path);
    D2xxBinding binding;
    const auto result = binding.Load(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    QVERIFY(result.message.isEmpty());
    for (int e = 0; e < D2xxBinding::EntryCount; ++e)
        QVERIFY(binding.IsBound(static_cast<D2xxBinding::Entry>(e)));
}

void TestD2xxBinding::missingEntryStopsTheBinding()
{
    D2xxBinding binding;
    const auto result = binding.Load(QStringLiteral(TAVIX_SIM_NO_QUEUE_LIBRARY));
    QVERIFY(!result.ok);
    QCOMPARE(result.message, QStringLiteral("Error: Can't Find FT_GetQueueStatus"));
    QVERIFY(binding.IsLoaded());
    // The names looked up before the missing one stay bound ...
    for (auto e : {D2xxBinding::EntryWrite, D2xxBinding::EntryRead, D2xxBinding::EntryOpen,
                   D2xxBinding::EntryOpenEx, D2xxBinding::EntryListDevices, D2xxBinding::EntryClose,
                   D2xxBinding::EntryResetDevice, D2xxBinding::EntryPurge, D2xxBinding::EntrySetTimeouts})
        QVERIFY2(binding.IsBound(e), D2xxBinding::EntryName(e));
    // ... the later ones stay empty although the library exports them.
    for (auto e : {D2xxBinding::EntryGetQueueStatus, D2xxBinding::EntryGetStatus, D2xxBinding::EntrySetChars,
                   D2xxBinding::EntrySetEventNotification})
        QVERIFY2(!binding.IsBound(e), D2xxBinding::EntryName(e));

    // The bound ones are usable.
    DWORD count = 0;
    QCOMPARE(binding.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_STATUS(FT_OK));
    QVERIFY(count >= 1);
    DWORD rx = 0;
    QCOMPARE(binding.GetStatus(nullptr, &rx, &rx, &rx), FT_STATUS(FT_INVALID_HANDLE));
}

void TestD2xxBinding::callsReachTheDevice_data()
{
    QTest::addColumn<bool>("adapter");
    QTest::newRow("simulator library") << false;
    QTest::newRow("serial adapter and pty") << true;
}

void TestD2xxBinding::callsReachTheDevice()
{
    QFETCH(bool, adapter);
    // Through the adapter the instrument is tavixsim-pty, found through the
    // port list of the environment.
    QProcess pty;
    if (adapter) {
        pty.start(QStringLiteral(TAVIXSIM_PTY), QStringList());
        QVERIFY(pty.waitForReadyRead(10000));
        qputenv("TAVIX_SERIAL_PORTS", pty.readLine().trimmed() + "=TX300001=Tavix 3000");
    }
    auto stop = qScopeGuard([&pty] {
        pty.terminate();
        pty.waitForFinished(5000);
        qunsetenv("TAVIX_SERIAL_PORTS");
    });
    D2xxBinding binding;
    QVERIFY(binding.Load(QString::fromUtf8(adapter ? TAVIX_SERIAL_LIBRARY : TAVIX_SIM_LIBRARY)).ok);
    DWORD count = 0;
    QCOMPARE(binding.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_STATUS(FT_OK));
    QCOMPARE(count, DWORD(1));

    FT_HANDLE handle = nullptr;
    QCOMPARE(binding.Open(0, &handle), FT_STATUS(FT_OK));
    QVERIFY(handle != nullptr);
    QCOMPARE(binding.SetTimeouts(handle, 300, 300), FT_STATUS(FT_OK));
    QCOMPARE(binding.Purge(handle, FT_PURGE_RX), FT_STATUS(FT_OK));

    // The readiness probe: 0x80 out, 0x80 back.
    const unsigned char probe = 0x80;
    DWORD sent = 0;
    QCOMPARE(binding.Write(handle, &probe, 1, &sent), FT_STATUS(FT_OK));
    QCOMPARE(sent, DWORD(1));
    unsigned char reply = 0;
    DWORD got = 0;
    QCOMPARE(binding.Read(handle, &reply, 1, &got), FT_STATUS(FT_OK));
    QCOMPARE(got, DWORD(1));
    QCOMPARE(int(reply), 0x80);

    DWORD rx = 99, tx = 99, events = 99;
    QCOMPARE(binding.GetStatus(handle, &rx, &tx, &events), FT_STATUS(FT_OK));
    QCOMPARE(rx, DWORD(0));
    QCOMPARE(binding.Close(handle), FT_STATUS(FT_OK));
    // A closed handle is refused by the driver, not by the binding.
    QVERIFY(binding.GetStatus(handle, &rx, &tx, &events) != FT_OK);
}

void TestD2xxBinding::unloadEmptiesEverySlot()
{
    D2xxBinding binding;
    QVERIFY(binding.Load(QStringLiteral(TAVIX_SIM_LIBRARY)).ok);
    binding.Unload();
    QVERIFY(!binding.IsLoaded());
    for (int e = 0; e < D2xxBinding::EntryCount; ++e)
        QVERIFY(!binding.IsBound(static_cast<D2xxBinding::Entry>(e)));
    DWORD count = 0;
    QCOMPARE(binding.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_STATUS(FT_INVALID_HANDLE));
}

void TestD2xxBinding::openFailureReason_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a library that words its reason")
        << QStringLiteral(TAVIX_REFUSING_LIBRARY) << true
        << QString::fromUtf8("/dev/ttyUSB0 is busy: held by picocom (process 4242) \xE2\x80\x94 close it");
    QTest::newRow("the simulated instrument gives none") << QStringLiteral(TAVIX_SIM_LIBRARY) << true << QString();
    QTest::newRow("an incomplete library") << QStringLiteral(TAVIX_SIM_NO_QUEUE_LIBRARY) << false << QString();
}

void TestD2xxBinding::openFailureReason()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    D2xxBinding binding;
    binding.Load(path);
    QTEST(binding.IsComplete(), "complete");
    QCOMPARE(binding.HasOpenErrorReason(), !reason.isEmpty());
    QLibrary library(path);
    if (auto set = reinterpret_cast<void (*)(const char *)>(library.resolve("TavixTest_SetOpenFailure")))
        set(reason.toUtf8().constData());
    FT_HANDLE handle = nullptr;
    QVERIFY(binding.OpenEx(const_cast<char *>("TX300099"), FT_OPEN_BY_SERIAL_NUMBER, &handle) != FT_OK);
    QCOMPARE(binding.LastOpenError(), reason);
    // The reason belongs to the thread whose open failed.
    QString elsewhere = QStringLiteral("unset");
    std::unique_ptr<QThread> other(QThread::create([&] { elsewhere = binding.LastOpenError(); }));
    other->start();
    QVERIFY(other->wait(10000));
    QCOMPARE(elsewhere, QString());
    binding.Unload();
    QVERIFY(!binding.HasOpenErrorReason());
    QCOMPARE(binding.LastOpenError(), QString());
}

QTEST_GUILESS_MAIN(TestD2xxBinding)
#include "test_d2xx_binding.moc"
