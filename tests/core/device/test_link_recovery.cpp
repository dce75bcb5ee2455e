// The device listing Search and the search for a lost instrument share, on
// a scripted list call; and the search's state and texts.
#include "core/device/device_listing.h"
#include "core/device/link_recovery.h"
#include "core/locale/text_table.h"

#include <QtTest>

#include <cstring>

class TestLinkRecovery : public QObject
{
    Q_OBJECT
private slots:
    void listing_data();
    void listing();
    void searchDecidesWhenWhatAndWhy();
    void texts_data();
    void texts();
};

void TestLinkRecovery::listing_data()
{
    QTest::addColumn<FT_STATUS>("countStatus");
    QTest::addColumn<DWORD>("count");
    QTest::addColumn<FT_STATUS>("listStatus");
    QTest::addColumn<QList<QByteArray>>("driverNames"); // what the driver writes, up to the table's end
    QTest::addColumn<DWORD>("openBy");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("calls");

    const QByteArray full(64, 'A'); // fills its buffer, no terminator
    QTest::newRow("serial numbers, Latin-1 widened")
        << FT_STATUS(FT_OK) << DWORD(2) << FT_STATUS(FT_OK) << QList<QByteArray>{"TX300001", "K\xE4lte"}
        << DWORD(FT_OPEN_BY_SERIAL_NUMBER) << int(DeviceNameList::Listed)
        << QStringList{"TX300001", QString::fromUtf8("K\xC3\xA4lte")} << 2;
    QTest::newRow("a name filling its buffer ends there")
        << FT_STATUS(FT_OK) << DWORD(1) << FT_STATUS(FT_OK) << QList<QByteArray>{full}
        << DWORD(FT_OPEN_BY_DESCRIPTION) << int(DeviceNameList::Listed) << QStringList{QString(64, 'A')} << 2;
    QTest::newRow("one unplugged between the calls") << FT_STATUS(FT_OK) << DWORD(2) << FT_STATUS(FT_OK)
                                                     << QList<QByteArray>{"TX300001"} << DWORD(FT_OPEN_BY_SERIAL_NUMBER)
                                                     << int(DeviceNameList::Listed) << QStringList{"TX300001"} << 2;
    QTest::newRow("count 0 asks no names") << FT_STATUS(FT_OK) << DWORD(0) << FT_STATUS(FT_OK) << QList<QByteArray>{}
                                           << DWORD(FT_OPEN_BY_SERIAL_NUMBER) << int(DeviceNameList::Listed)
                                           << QStringList{} << 1;
    QTest::newRow("count only") << FT_STATUS(FT_OK) << DWORD(3) << FT_STATUS(FT_OK) << QList<QByteArray>{}
                                << DWORD(0) << int(DeviceNameList::Listed) << QStringList{} << 1;
    QTest::newRow("count fails") << FT_STATUS(FT_OTHER_ERROR) << DWORD(0) << FT_STATUS(FT_OK) << QList<QByteArray>{}
                                 << DWORD(FT_OPEN_BY_SERIAL_NUMBER) << int(DeviceNameList::CountFailed)
                                 << QStringList{} << 1;
    QTest::newRow("list fails") << FT_STATUS(FT_OK) << DWORD(1) << FT_STATUS(FT_OTHER_ERROR) << QList<QByteArray>{}
                                << DWORD(FT_OPEN_BY_SERIAL_NUMBER) << int(DeviceNameList::ListFailed)
                                << QStringList{} << 2;
    QTest::newRow("a broken count gets 1024 buffers")
        << FT_STATUS(FT_OK) << DWORD(4000000000u) << FT_STATUS(FT_OK) << QList<QByteArray>(1030, "X")
        << DWORD(FT_OPEN_BY_SERIAL_NUMBER) << int(DeviceNameList::Listed) << QStringList(1024, "X") << 2;
}

void TestLinkRecovery::listing()
{
    QFETCH(FT_STATUS, countStatus);
    QFETCH(DWORD, count);
    QFETCH(FT_STATUS, listStatus);
    QFETCH(QList<QByteArray>, driverNames);
    QFETCH(DWORD, openBy);
    int calls = 0;
    const DeviceNameList result = ListDeviceNames(
        [&](void *arg1, void *arg2, DWORD flags) -> FT_STATUS {
            ++calls;
            if (flags == FT_LIST_NUMBER_ONLY) {
                *static_cast<DWORD *>(arg1) = count;
                return countStatus;
            }
            [&] { QCOMPARE(flags, FT_LIST_ALL | openBy); }();
            // A driver fills the table up to its null entry, 64 bytes a name.
            char **table = static_cast<char **>(arg1);
            for (qsizetype i = 0; i < driverNames.size() && table[i]; ++i)
                std::memcpy(table[i], driverNames[i].constData(), qMin<qsizetype>(driverNames[i].size() + 1, 64));
            *static_cast<DWORD *>(arg2) = DWORD(driverNames.size());
            return listStatus;
        },
        openBy);
    QTEST(int(result.outcome), "outcome");
    QTEST(result.names, "names");
    QTEST(calls, "calls");
}

void TestLinkRecovery::searchDecidesWhenWhatAndWhy()
{
    LinkRecovery search;
    QVERIFY(!search.LookDue(1 << 30));
    search.Begin({1, QStringLiteral("TX300001")}, LinkRecovery::Cause::Lost, QDateTime::currentDateTime(), 5000);
    QVERIFY(search.IsSearching());
    // The first look a period after the loss, then one a period after each.
    QVERIFY(!search.LookDue(5999));
    QVERIFY(search.LookDue(6000));
    search.Looked(6400);
    QVERIFY(!search.LookDue(7399));
    QVERIFY(search.LookDue(7400));

    // A look that opened the device: 150 ms to settle, then up to 600 ms
    // for the probe's reply; no look meanwhile. A failed probe looks again
    // a period later; a new search or its end drops the probe.
    search.Opened(7400);
    QVERIFY(search.IsProbing() && !search.LookDue(1 << 30));
    QCOMPARE(search.stage(), LinkRecovery::Stage::Settling);
    QVERIFY(!search.StageOver(7549));
    QVERIFY(search.StageOver(7550));
    search.ProbeSent(7560);
    QCOMPARE(search.stage(), LinkRecovery::Stage::AwaitingReply);
    QVERIFY(!search.StageOver(8159));
    QVERIFY(search.StageOver(8160));
    search.ProbeFailed(8170);
    QVERIFY(!search.IsProbing());
    QVERIFY(!search.LookDue(9169));
    QVERIFY(search.LookDue(9170));
    search.Opened(9170);

    DeviceNameList listing;
    listing.outcome = DeviceNameList::Listed;
    listing.count = 2;
    listing.names = QStringList{"TX300002", "tx300001"};
    QCOMPARE(search.ListFlags(), DWORD(FT_OPEN_BY_SERIAL_NUMBER));
    QVERIFY(!search.IsListed(listing)); // the driver compares case and all
    listing.names << QStringLiteral("TX300001");
    QVERIFY(search.IsListed(listing));
    listing.outcome = DeviceNameList::ListFailed;
    QVERIFY(!search.IsListed(listing));

    // Once per cause: the same reason again changes nothing.
    QVERIFY(!search.NoteOpenFailure(QString()));
    QVERIFY(search.NoteOpenFailure(QStringLiteral("busy")));
    QVERIFY(!search.NoteOpenFailure(QStringLiteral("busy")));
    QVERIFY(search.NoteOpenFailure(QStringLiteral("no permission")));
    QVERIFY(search.NoteNotListed());
    QVERIFY(!search.NoteNotListed());
    QVERIFY(search.NoteOpenFailure(QStringLiteral("busy")));

    // A new search starts afresh; mode 2 wants any device.
    search.Begin({2, QString()}, LinkRecovery::Cause::Lost, QDateTime::currentDateTime(), 0);
    QVERIFY(!search.IsProbing() && search.LookDue(1000));
    QCOMPARE(search.openFailure(), QString());
    QCOMPARE(search.ListFlags(), DWORD(0));
    listing.outcome = DeviceNameList::Listed;
    listing.count = 0;
    QVERIFY(!search.IsListed(listing));
    listing.count = 1;
    QVERIFY(search.IsListed(listing));
    search.Opened(1000);
    search.End();
    QVERIFY(!search.IsSearching() && !search.LookDue(1 << 30));
    QCOMPARE(search.stage(), LinkRecovery::Stage::Looking);
}

void TestLinkRecovery::texts_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<int>("cause");
    QTest::addColumn<QString>("reason"); // "busy": the adapter's code for a busy port; "0x3F": no answer
    QTest::addColumn<QString>("backAt");
    QTest::addColumn<bool>("logging");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("message");
    const int lost = int(LinkRecovery::Cause::Lost), atStart = int(LinkRecovery::Cause::NotFoundAtStart);
    QTest::newRow("lost while logging") << false << lost << QString() << "2024-05-01T12:00:09" << true
        << "Lost 11:58:01, searching" << "Device is not open. Lost since 11:58:01, searching..."
        << "The instrument TX300001 was lost from 11:58:01 to 12:00:09 and is connected again. "
           "Display-value logging goes on into the same backup file.";
    QTest::newRow("not found at start, a reason in words, over midnight")
        << false << atStart << "port busy" << "2024-05-02T00:00:03" << false << "Searching: not opened"
        << "Device not responding - searching since 11:58:01... Last try: port busy"
        << "The instrument TX300001 was not found from 2024-05-01 11:58:01 to 2024-05-02 00:00:03; it is "
           "connected now.";
    QTest::newRow("not found at start, busy") << false << atStart << "busy" << "2024-05-01T12:00:09" << false
        << "Searching: port busy"
        << "Device not responding - searching since 11:58:01... Last try: /dev/ttyUSB0 is busy: process 4242 "
           "(picocom) holds it"
        << "The instrument TX300001 was not found from 11:58:01 to 12:00:09; it is connected now.";
    QTest::newRow("lost, Chinese, busy") << true << lost << "busy" << "2024-05-01T12:00:09" << true
        << QString::fromUtf8("11:58:01 断开：端口被占用")
        << QString::fromUtf8("设备未打开。自 11:58:01 起断开，正在搜索… 上次尝试：/dev/ttyUSB0 正被占用：占用它的是"
                             "进程 4242（picocom）")
        << QString::fromUtf8("仪器 TX300001 在 11:58:01 至 12:00:09 期间断开，现已重新连接。显示值记录继续写入同一备份文件。");
    QTest::newRow("not found at start, Chinese, no answer") << true << atStart << "0x3F" << "2024-05-01T12:00:09"
        << false << QString::fromUtf8("搜索中：无应答")
        << QString::fromUtf8("设备无响应，自 11:58:01 起正在搜索… 上次尝试：仪器无应答 (0x3F)")
        << QString::fromUtf8("仪器 TX300001 在 11:58:01 至 12:00:09 期间未找到，现已连接。");
    QTest::newRow("lost, Chinese") << true << lost << QString() << "2024-05-01T12:00:09" << false
        << QString::fromUtf8("11:58:01 断开，搜索中") << QString::fromUtf8("设备未打开。自 11:58:01 起断开，正在搜索…")
        << QString::fromUtf8("仪器 TX300001 在 11:58:01 至 12:00:09 期间断开，现已重新连接。");
}

void TestLinkRecovery::texts()
{
    QFETCH(bool, chinese);
    QFETCH(int, cause);
    QFETCH(QString, reason);
    QFETCH(QString, backAt);
    QFETCH(bool, logging);
    LocaleTexts texts;
    texts.BuildBuiltInTexts();
    texts.ApplyLanguage(chinese ? 1 : 0, false);
    LinkRecovery search;
    search.Begin({1, QStringLiteral("TX300001")}, LinkRecovery::Cause(cause),
                 QDateTime::fromString(QStringLiteral("2024-05-01T11:58:01"), Qt::ISODate), 0);
    if (reason == QLatin1String("busy")) {
        OpenFailure busy;
        busy.kind = TAVIXSERIAL_OPEN_BUSY;
        busy.name = QStringLiteral("/dev/ttyUSB0");
        busy.holders = {{4242, QStringLiteral("picocom")}};
        busy.words = QStringLiteral("/dev/ttyUSB0 is busy: process 4242 (picocom) holds it");
        QVERIFY(search.NoteOpenFailure(busy));
    } else if (reason == QLatin1String("0x3F")) {
        QVERIFY(search.NoteNoAnswer(QStringLiteral(" (0x3F)")));
        QVERIFY(!search.NoteNoAnswer(QStringLiteral(" (0x3F)")));
    } else {
        search.NoteOpenFailure(reason);
    }
    QTEST(search.StatusText(texts), "status");
    QTEST(search.StatusTip(texts), "tip");
    QTEST(search.BackMessage(texts, QDateTime::fromString(backAt, Qt::ISODate), logging), "message");
}

QTEST_GUILESS_MAIN(TestLinkRecovery)
#include "test_link_recovery.moc"
