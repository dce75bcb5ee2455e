// The driver binding against the simulated instrument library, a library
// that lacks FT_GetQueueStatus, and no library at all.
#include "link/d2xx_binding.h"

#include <QtTest>

class TestD2xxBinding : public QObject
{
    Q_OBJECT
private slots:
    void missingLibraryBindsNothing();
    void lookupOrderAndNames();
    void fullLibraryBindsAllEntries();
    void missingEntryStopsTheBinding();
    void callsReachTheDevice();
    void unloadEmptiesEverySlot();
};

void TestD2xxBinding::missingLibraryBindsNothing()
{
    D2xxBinding binding;
    const auto result = binding.Load(QStringLiteral("/nonexistent/libnothing.so"));
    QVERIFY(!result.ok);
    QCOMPARE(result.message, QStringLiteral("Error: Can't Load ft8u245.dll"));
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

void TestD2xxBinding::fullLibraryBindsAllEntries()
{
    D2xxBinding binding;
    const auto result = binding.Load(QStringLiteral(TAVIX_SIM_LIBRARY));
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

void TestD2xxBinding::callsReachTheDevice()
{
    D2xxBinding binding;
    QVERIFY(binding.Load(QStringLiteral(TAVIX_SIM_LIBRARY)).ok);
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

QTEST_GUILESS_MAIN(TestD2xxBinding)
#include "test_d2xx_binding.moc"
