// Device discovery and opening against the simulated instrument: Search in
// every open mode, Open, the start-up connection and its readiness probe,
// the profile, the hidden list and the device text, the poll's failure
// paths and the forwarded keys. The simulator's call trace shows what
// reached the driver.
#include "core/device/device_names.h"
#include "core/device/profile.h"
#include "dialog_fixture.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/device_list_box.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLibrary>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kPrefix = QStringLiteral("Tavix3000 s/n ");

QStringList Entries(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

QListWidget *HiddenList(COstrumDlg &dlg)
{
    return qobject_cast<QListWidget *>(dlg.GetDlgItem(1019));
}

QAbstractButton *Button(COstrumDlg &dlg, int id)
{
    return qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
}

QLineEdit *Edit(COstrumDlg &dlg, int id)
{
    return qobject_cast<QLineEdit *>(dlg.GetDlgItem(id));
}

} // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void deviceNameToOpen_data();
    void deviceNameToOpen();
    void narrowDeviceName();

    void deviceListIsCreated();
    void searchBySerialListsSortedAndOpensBySerial();
    void openRemembersTheDeviceForTheNextStart();
    void searchByDescriptionKeepsLongNamesWhole();
    void manyDevicesWithLongNames();
    void deviceNumberModeOpensDeviceZero();
    void countFailureShowsMessage();
    void listFailureGivesOneEntryThatCannotOpen();
    void placeholderTextCallsNoDriver();
    void openFailureReportsCouldNotOpen();
    void missingDriverMessages();
    void openFailureSaysWhyOncePerCause();

    void startupProbe_data();
    void startupProbe();

    void transferOutDoesNotWriteTheProfile();
    void deviceTextChangeWritesTheProfile();
    void modeRadiosReadTheirDeviceText();
    void hiddenListSelectionSetsDeviceText();

    void ioErrorChunkIsAppended();
    void statusFailureClosesTheDevice();
    void keysReachTheInstrument();
    void noKeyIsSentWithoutDevice();

private:
    QString ProfileString(const QString &key) const;
    void SetProfileString(const QString &key, const QString &value) const;
    QStringList Trace() const;
    QStringList TraceLines(const QString &start) const;
    void OpenFirst(COstrumDlg &dlg);

    DialogFixture m_fixture;
    QTemporaryDir &m_dir = m_fixture.dir;
    SimControl &m_sim = m_fixture.sim;
    QString m_tracePath;
};

void TestDeviceLink::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestDeviceLink::init()
{
    m_fixture.Init(true);
    m_tracePath = m_fixture.StartTrace();
}

QString TestDeviceLink::ProfileString(const QString &key) const
{
    QSettings settings(Profile::FilePath(), QSettings::IniFormat);
    return settings.value("MyOstrumAp/" + key, QStringLiteral("<absent>")).toString();
}

void TestDeviceLink::SetProfileString(const QString &key, const QString &value) const
{
    QSettings settings(Profile::FilePath(), QSettings::IniFormat);
    settings.setValue("MyOstrumAp/" + key, value);
}

QStringList TestDeviceLink::Trace() const
{
    QFile file(m_tracePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

QStringList TestDeviceLink::TraceLines(const QString &start) const
{
    QStringList lines;
    for (const QString &line : Trace()) {
        if (line.startsWith(start))
            lines.append(line);
    }
    return lines;
}

void TestDeviceLink::OpenFirst(COstrumDlg &dlg)
{
    dlg.OnSearch();
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
    QCOMPARE(g_bDeviceReady, 1);
}

void TestDeviceLink::deviceNameToOpen_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");

    QTest::newRow("serial with prefix loses it") << "Tavix3000 s/n TX300001" << 1 << "TX300001";
    QTest::newRow("short serial kept") << "TX300001" << 1 << "TX300001";
    QTest::newRow("exactly 14 characters kept") << "ABCDEFGHIJKLMN" << 1 << "ABCDEFGHIJKLMN";
    QTest::newRow("15 characters lose 14 in mode 1") << "ABCDEFGHIJKLMNO" << 1 << "O";
    QTest::newRow("prefix alone kept") << "Tavix3000 s/n " << 1 << "Tavix3000 s/n ";
    QTest::newRow("empty kept") << "" << 1 << "";
    QTest::newRow("description kept whole in mode 0") << "Tavix 3000 air meter" << 0 << "Tavix 3000 air meter";
    QTest::newRow("prefixed text loses prefix in mode 0") << "Tavix3000 s/n TX300001" << 0 << "TX300001";
    QTest::newRow("case differs from prefix: kept in mode 0") << "TAVIX3000 S/N TX300001" << 0
                                                              << "TAVIX3000 S/N TX300001";
    QTest::newRow("long serial loses only the prefix")
        << "Tavix3000 s/n 0123456789012345678901234567890123456789012345678901234567" << 1
        << "0123456789012345678901234567890123456789012345678901234567";
}

void TestDeviceLink::deviceNameToOpen()
{
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QString, name);
    QCOMPARE(DeviceNameToOpen(text, mode), name);
}

void TestDeviceLink::narrowDeviceName()
{
    QCOMPARE(NarrowDeviceName(QStringLiteral("TX300001")), QByteArray("TX300001"));
    // The low 8 bits: ä (U+00E4) stays 0xE4, the euro sign U+20AC becomes 0xAC.
    QCOMPARE(NarrowDeviceName(QString::fromUtf8("K\xC3\xA4lte \xE2\x82\xAC")),
             QByteArray("K\xE4lte \xAC"));
    const QString longName(100, QLatin1Char('n'));
    const QByteArray narrow = NarrowDeviceName(longName);
    QCOMPARE(narrow.size(), 100);
    QCOMPARE(narrow.constData()[100], '\0');
}

void TestDeviceLink::deviceListIsCreated()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(dlg.m_pDeviceList);
    QCOMPARE(dlg.GetDlgItem(998), static_cast<QWidget *>(dlg.m_pDeviceList));
    QCOMPARE(dlg.m_pDeviceList->parentWidget(), dlg.GetDlgItem(1030)->parentWidget());
    QCOMPARE(dlg.m_pDeviceList->geometry(), QRect(20, 45, 250, 75));
    QCOMPARE(dlg.m_pDeviceList->accessibleName(), QStringLiteral("Device list"));
    QVERIFY(dlg.m_pDeviceList->isVisible());
    QVERIFY(dlg.m_pDeviceList->isSortingEnabled());
}

void TestDeviceLink::searchBySerialListsSortedAndOpensBySerial()
{
    QCOMPARE(m_sim.Set("TAVIXSIM_DEVICES=TX300002,TX300001"), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.m_nInfoValue = 7;
    dlg.UpdateData(false);

    dlg.OnSearch();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Device is Closed."));
    QCOMPARE(dlg.m_nInfoValue, 0);
    QCOMPARE(dlg.m_strDevice, QString());
    QCOMPARE(g_bDeviceReady, 0);
    QCOMPARE(Entries(dlg.m_pDeviceList), (QStringList{kPrefix + "TX300001", kPrefix + "TX300002"}));
    // The hidden list keeps the driver's order.
    QCOMPARE(Entries(HiddenList(dlg)), (QStringList{kPrefix + "TX300002", kPrefix + "TX300001"}));
    QCOMPARE(dlg.m_pDeviceList->GetCurSel(), 0);
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(TraceLines("FT_ListDevices").size(), 3);
    QVERIFY(TraceLines("FT_ListDevices").at(2).startsWith("FT_ListDevices flags=0x20000001 status=0 count=2"));

    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
    QCOMPARE(g_bDeviceReady, 1);
    QVERIFY(dlg.IsDeviceOpen());
    QVERIFY(dlg.GetDlgItem(1093)->isEnabled());
    QCOMPARE(dlg.m_szDeviceName, QByteArray("TX300001"));
    QCOMPARE(TraceLines("FT_OpenEx"), QStringList{"FT_OpenEx name=\"TX300001\" flags=1 status=0 handle=1"});
    QCOMPARE(TraceLines("FT_SetChars"),
             QStringList{"FT_SetChars handle=1 event=0 eventOn=0 error=0 errorOn=0 status=0"});
    QCOMPARE(TraceLines("FT_SetEventNotification"),
             QStringList{"FT_SetEventNotification handle=1 mask=0 status=0"});
    // Reset, purge the receive queue, reset; time-outs of 300 ms; nothing sent.
    QCOMPARE(TraceLines("FT_ResetDevice").size(), 2);
    QCOMPARE(TraceLines("FT_Purge"), QStringList{"FT_Purge handle=1 mask=1 status=0"});
    QCOMPARE(TraceLines("FT_SetTimeouts"),
             QStringList{"FT_SetTimeouts handle=1 read=300 write=300 status=0"});
    QVERIFY(TraceLines("FT_Write").isEmpty());
}

void TestDeviceLink::openRemembersTheDeviceForTheNextStart()
{
    QCOMPARE(m_sim.Set("TAVIXSIM_DEVICES=TX300001,TX300002"), 0);
    {
        ScriptedPrompts prompts;
        COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        QCOMPARE(dlg.m_strStatus, QStringLiteral("Device not responding"));
        dlg.OnSearch();
        dlg.m_pDeviceList->SetCurSel(1);
        dlg.OnOpen();
        QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
        // Kept as listed, prefix and all.
        QCOMPARE(ProfileString("SerialString"), kPrefix + "TX300002");
    }
    QCOMPARE(m_sim.Set("RESET"), 0);
    QCOMPARE(m_sim.Set("TAVIXSIM_DEVICES=TX300001,TX300002"), 0);
    QCOMPARE(m_sim.Set("TAVIXSIM_TRACE=" + m_tracePath.toLocal8Bit() + ".next"), 0);
    m_tracePath += ".next";

    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Device is ready."));
    QCOMPARE(g_bDeviceReady, 1);
    QCOMPARE(TraceLines("FT_OpenEx"), QStringList{"FT_OpenEx name=\"TX300002\" flags=1 status=0 handle=1"});
}

void TestDeviceLink::searchByDescriptionKeepsLongNamesWhole()
{
    const QByteArray description = "Tavix 3000 air velocity and temperature meter model XL";
    QVERIFY(description.size() > 49);
    QCOMPARE(m_sim.Set("TAVIXSIM_DEVICES=B1=Zeta meter,A1=" + description), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));

    Button(dlg, 1027)->click();
    QCOMPARE(dlg.m_nOpenMode, 0);
    QCOMPARE(ProfileString("SerDesc"), QStringLiteral("0"));

    dlg.OnSearch();
    QCOMPARE(Entries(dlg.m_pDeviceList), (QStringList{QString::fromLatin1(description), "Zeta meter"}));
    QCOMPARE(Entries(HiddenList(dlg)), (QStringList{"Zeta meter", QString::fromLatin1(description)}));
    // By description nothing is selected for the user.
    QCOMPARE(dlg.m_pDeviceList->GetCurSel(), -1);

    dlg.m_pDeviceList->SetCurSel(0);
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
    QCOMPARE(TraceLines("FT_OpenEx"),
             QStringList{"FT_OpenEx name=\"" + QString::fromLatin1(description) + "\" flags=2 status=0 handle=1"});
    QCOMPARE(ProfileString("DescString"), QString::fromLatin1(description));
}

void TestDeviceLink::manyDevicesWithLongNames()
{
    // 70 instruments (more than 63) with 60-character serial numbers (more
    // than 49 and than 31).
    QStringList serials;
    for (int i = 0; i < 70; ++i)
        serials.append(QStringLiteral("SN%1").arg(i, 2, 10, QLatin1Char('0')) + QString(56, QLatin1Char('x')));
    QCOMPARE(serials.first().size(), 60);
    QCOMPARE(m_sim.Set("TAVIXSIM_DEVICES=" + serials.join(',').toLatin1()), 0);

    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.OnSearch();
    QStringList expected;
    for (const QString &serial : serials)
        expected.append(kPrefix + serial);
    QCOMPARE(Entries(dlg.m_pDeviceList), expected);
    QCOMPARE(Entries(HiddenList(dlg)), expected);

    dlg.m_pDeviceList->SetCurSel(69);
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
    QCOMPARE(dlg.m_szDeviceName, serials.last().toLatin1());
    QCOMPARE(TraceLines("FT_OpenEx"),
             QStringList{"FT_OpenEx name=\"" + serials.last() + "\" flags=1 status=0 handle=1"});
}

void TestDeviceLink::deviceNumberModeOpensDeviceZero()
{
    QCOMPARE(m_sim.Set("TAVIXSIM_DEVICES=TX300001,TX300002,TX300003"), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    Button(dlg, 1029)->click();
    QCOMPARE(dlg.m_nOpenMode, 2);
    QCOMPARE(ProfileString("SerDesc"), QStringLiteral("2"));

    dlg.OnSearch();
    QCOMPARE(Entries(dlg.m_pDeviceList), (QStringList{"0", "1", "2"}));
    QCOMPARE(Entries(HiddenList(dlg)), (QStringList{"0", "1", "2"}));
    QCOMPARE(dlg.m_pDeviceList->GetCurSel(), -1);

    dlg.m_pDeviceList->SetCurSel(2);
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
    QCOMPARE(TraceLines("FT_Open "), QStringList{"FT_Open index=0 status=0 handle=1"});
    QVERIFY(TraceLines("FT_OpenEx").isEmpty());
}

void TestDeviceLink::countFailureShowsMessage()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.OnSearch();
    QCOMPARE(dlg.m_pDeviceList->count(), 1);

    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=count_fail"), 0);
    prompts.messages.clear();
    dlg.OnSearch();
    QCOMPARE(prompts.messages, QStringList{"FT_ListDevices failed"});
    QCOMPARE(dlg.m_pDeviceList->count(), 0);
    QCOMPARE(HiddenList(dlg)->count(), 0);
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Device is Closed."));
}

void TestDeviceLink::listFailureGivesOneEntryThatCannotOpen()
{
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=list_fail"), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.OnSearch();
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(Entries(dlg.m_pDeviceList), QStringList{"ListDevices failed"});
    QCOMPARE(Entries(HiddenList(dlg)), QStringList{"ListDevices failed"});
    QCOMPARE(dlg.m_pDeviceList->GetCurSel(), 0);

    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Could not open Device"));
    QCOMPARE(g_bDeviceReady, 0);
    QVERIFY(!dlg.IsDeviceOpen());
    QVERIFY(!dlg.GetDlgItem(1093)->isEnabled());
}

void TestDeviceLink::placeholderTextCallsNoDriver()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    // No profile value: the start-up connection tries nothing.
    QCOMPARE(dlg.m_strDevice, DevicePlaceholder());
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Device not responding"));
    QCOMPARE(g_bDeviceReady, 0);
    QVERIFY(dlg.GetDlgItem(1024)->isEnabled());

    QCOMPARE(dlg.OpenDevice(), FT_STATUS(FT_DEVICE_NOT_OPENED));
    dlg.m_strDevice = "xx Enter device Description yy";
    dlg.UpdateData(false);
    QCOMPARE(dlg.OpenDevice(), FT_STATUS(FT_DEVICE_NOT_OPENED));
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Could not open Device"));
    QVERIFY(TraceLines("FT_Open").isEmpty());
    QVERIFY(prompts.messages.isEmpty());
}

void TestDeviceLink::openFailureReportsCouldNotOpen()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    OpenFirst(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=open_fail"), 0);
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Could not open Device"));
    QCOMPARE(g_bDeviceReady, 0);
    QVERIFY(!dlg.IsDeviceOpen());
    // The open closed the previous handle first.
    // (Search and the first Open had no handle to close.)
    QCOMPARE(TraceLines("FT_Close"),
             (QStringList{"FT_Close handle=0 status=1", "FT_Close handle=0 status=1", "FT_Close handle=1 status=0"}));

    // No device attached: the empty text is tried and refused.
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS="), 0);
    QCOMPARE(m_sim.Set("TAVIXSIM_DEVICES="), 0);
    dlg.OnSearch();
    QCOMPARE(dlg.m_pDeviceList->count(), 0);
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Could not open Device"));
    QCOMPARE(TraceLines("FT_OpenEx").last(), QStringLiteral("FT_OpenEx name=\"\" flags=1 status=2 handle=0"));
}

void TestDeviceLink::missingDriverMessages()
{
    // A remembered device, but no driver: one message at start-up, no more
    // (no time-outs are set on a handle that was never opened).
    SetProfileString("SerialString", "TX300001");
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral("/nonexistent/libftd2xx.so"));
    QCOMPARE(prompts.messages, (QStringList{"Error: Can't Load /nonexistent/libftd2xx.so", "FT_OpenEx is not valid!"}));
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Device not responding"));

    prompts.messages.clear();
    dlg.OnSearch();
    QCOMPARE(prompts.messages, (QStringList{"FT_Close is not valid!", "FT_ListDevices is not valid!",
                                            "FT_ListDevices failed"}));
    QCOMPARE(dlg.m_pDeviceList->count(), 0);

    prompts.messages.clear();
    dlg.m_strDevice = QStringLiteral("TX300001");
    dlg.UpdateData(false);
    dlg.OnOpen();
    QCOMPARE(prompts.messages, (QStringList{"FT_Close is not valid!", "FT_OpenEx is not valid!"}));
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Could not open Device"));
}

void TestDeviceLink::openFailureSaysWhyOncePerCause()
{
    // A driver that words why its device does not open, as the serial
    // adapter does for a busy port.
    QLibrary library(QStringLiteral(TAVIX_REFUSING_LIBRARY));
    const auto setReason = reinterpret_cast<void (*)(const char *)>(library.resolve("TavixTest_SetOpenFailure"));
    const auto attempts = reinterpret_cast<int (*)()>(library.resolve("TavixTest_OpenAttempts"));
    QVERIFY(setReason && attempts);
    setReason("/dev/ttyUSB0 is busy: held by picocom (process 4242)");
    SetProfileString("SerialString", "TX300001");
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_REFUSING_LIBRARY));
    // At start-up the search says it in the status line, and tries again
    // once a second without saying it again.
    // The line says it in short, its tool tip whole.
    QWidget *statusBox = dlg.GetDlgItem(1015);
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Searching: not opened"));
    QCOMPARE(statusBox->toolTip(), QStringLiteral("Device not responding - searching since %1... Last try: /dev/ttyUSB0 "
                                                  "is busy: held by picocom (process 4242)")
                                       .arg(dlg.m_recovery.since().toString(QStringLiteral("HH:mm:ss"))));
    const int first = attempts();
    QTRY_VERIFY_WITH_TIMEOUT(attempts() >= first + 2, 10000);
    setReason("no permission to open /dev/ttyUSB0");
    QTRY_VERIFY_WITH_TIMEOUT(statusBox->toolTip().endsWith(QStringLiteral("Last try: no permission to open /dev/ttyUSB0")),
                             10000);
    QVERIFY(prompts.messages.isEmpty());

    // The user's Open ends the search; the status line keeps its fixed text
    // and a message says why, in the language chosen.
    dlg.OnOpen();
    QVERIFY(!dlg.m_recovery.IsSearching());
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Could not open Device"));
    qobject_cast<QComboBox *>(dlg.GetDlgItem(1038))->setCurrentIndex(1);
    dlg.OnLanguageChange();
    dlg.OnOpen();
    QCOMPARE(prompts.messages, (QStringList{"Could not open Device: no permission to open /dev/ttyUSB0",
                                            QString::fromUtf8("无法打开设备：no permission to open /dev/ttyUSB0")}));
}

void TestDeviceLink::startupProbe_data()
{
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("ready");
    QTest::addColumn<bool>("open");

    QTest::newRow("answered 0x80") << "TX300001" << QByteArray("0x80") << "Device is ready." << 1 << true;
    QTest::newRow("remembered with prefix") << "Tavix3000 s/n TX300001" << QByteArray("0x80")
                                            << "Device is ready." << 1 << true;
    QTest::newRow("answered 0x3F") << "TX300001" << QByteArray("0x3F") << "No response from Device (0x3F)" << 0
                                   << true;
    QTest::newRow("answered 0x0A") << "TX300001" << QByteArray("10") << "No response from Device (0x0A)" << 0
                                   << true;
    QTest::newRow("silent instrument") << "TX300001" << QByteArray("none") << "No response from Device" << 0
                                       << true;
    // Not attached: looked for until it is (the start of the search in %1).
    QTest::newRow("unknown device") << "TX999999" << QByteArray("0x80") << "Searching since %1" << 0 << false;
}

void TestDeviceLink::startupProbe()
{
    QFETCH(QString, remembered);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    QFETCH(int, ready);
    QFETCH(bool, open);

    SetProfileString("SerialString", remembered);
    QCOMPARE(m_sim.Set("TAVIXSIM_PROBE_REPLY=" + reply), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.m_recovery.IsSearching(), status.contains(QStringLiteral("%1")));
    if (dlg.m_recovery.IsSearching())
        status = status.arg(dlg.m_recovery.since().toString(QStringLiteral("HH:mm:ss")));
    QCOMPARE(dlg.m_strStatus, status);
    QCOMPARE(g_bDeviceReady, ready);
    QCOMPARE(dlg.IsDeviceOpen(), open);
    QVERIFY(dlg.GetDlgItem(1024)->isEnabled());
    QCOMPARE(qobject_cast<QLineEdit *>(dlg.GetDlgItem(1015))->text(), status);
    QVERIFY(prompts.messages.isEmpty());
    if (open) {
        QCOMPARE(TraceLines("FT_Write"), QStringList{"FT_Write handle=1 n=1 status=0 sent=1 data=80"});
        // A second read only when the first brought nothing.
        QCOMPARE(TraceLines("FT_Read").size(), reply == "none" ? 2 : 1);
    }
}

void TestDeviceLink::transferOutDoesNotWriteTheProfile()
{
    SetProfileString("SerialString", "TX300009");
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.m_strDevice, QStringLiteral("TX300009"));
    QCOMPARE(Edit(dlg, 1026)->text(), QStringLiteral("TX300009"));

    dlg.m_strDevice.clear();
    dlg.UpdateData(false);
    QCOMPARE(Edit(dlg, 1026)->text(), QString());
    QCOMPARE(ProfileString("SerialString"), QStringLiteral("TX300009"));
    QCOMPARE(dlg.m_nOpenMode, 1);

    // Search empties the device text by a transfer out too.
    dlg.OnSearch();
    QCOMPARE(ProfileString("SerialString"), QStringLiteral("TX300009"));
    QCOMPARE(dlg.m_nOpenMode, 1);
}

void TestDeviceLink::deviceTextChangeWritesTheProfile()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    Edit(dlg, 1026)->setText(QStringLiteral("TX300005"));
    QCOMPARE(dlg.m_strDevice, QStringLiteral("TX300005"));
    QCOMPARE(ProfileString("SerialString"), QStringLiteral("TX300005"));
    QCOMPARE(ProfileString("DescString"), QStringLiteral("<absent>"));

    // Emptied by the user: written, and the mode turns to device number.
    Edit(dlg, 1026)->setText(QString());
    QCOMPARE(ProfileString("SerialString"), QString());
    QCOMPARE(dlg.m_nOpenMode, 2);
    QVERIFY(Button(dlg, 1029)->isChecked());
    QVERIFY(!Button(dlg, 1028)->isChecked());
}

void TestDeviceLink::modeRadiosReadTheirDeviceText()
{
    SetProfileString("DescString", "Tavix 3000");
    SetProfileString("DevNmbr", "1");
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.m_strDevice, DevicePlaceholder());

    Button(dlg, 1027)->click();
    QCOMPARE(dlg.m_nOpenMode, 0);
    QCOMPARE(dlg.m_strDevice, QStringLiteral("Tavix 3000"));
    QCOMPARE(Edit(dlg, 1026)->text(), QStringLiteral("Tavix 3000"));
    QCOMPARE(ProfileString("SerDesc"), QStringLiteral("0"));

    Button(dlg, 1029)->click();
    QCOMPARE(dlg.m_nOpenMode, 2);
    QCOMPARE(dlg.m_strDevice, QStringLiteral("1"));
    QCOMPARE(ProfileString("SerDesc"), QStringLiteral("2"));

    Button(dlg, 1028)->click();
    QCOMPARE(dlg.m_nOpenMode, 1);
    QCOMPARE(dlg.m_strDevice, DevicePlaceholder());
    QCOMPARE(ProfileString("SerDesc"), QStringLiteral("1"));
    // Showing a profile value is no change by the user: nothing else written.
    QCOMPARE(ProfileString("SerialString"), QStringLiteral("<absent>"));
}

void TestDeviceLink::hiddenListSelectionSetsDeviceText()
{
    QCOMPARE(m_sim.Set("TAVIXSIM_DEVICES=TX300002,TX300001"), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.OnSearch();
    // Filling the list was no selection by the user.
    QCOMPARE(dlg.m_strDevice, QString());

    HiddenList(dlg)->setCurrentRow(1);
    QCOMPARE(dlg.m_strDevice, kPrefix + "TX300001");
    QCOMPARE(Edit(dlg, 1026)->text(), kPrefix + "TX300001");
    QCOMPARE(ProfileString("SerialString"), QStringLiteral("<absent>"));
}

void TestDeviceLink::ioErrorChunkIsAppended()
{
    // "Temp 22.4 ºC" CR LF, then ä ö Ä and the instrument's second ä (0x82).
    const QByteArray printout("Temp 22.4 \xBA" "C\r\n\x84\x94\x8E\x82");
    const QString printoutPath = m_dir.filePath(QStringLiteral("printout.bin"));
    {
        QFile file(printoutPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(printout);
    }
    QCOMPARE(m_sim.Set("TAVIXSIM_PRINTOUT=" + printoutPath.toLocal8Bit()), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    OpenFirst(dlg);

    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=read_io_error"), 0);
    QCOMPARE(m_sim.Set("PRINT"), 0);
    dlg.PollDevice();
    QCOMPARE(dlg.m_strInput, QString::fromUtf8("Temp 22.4 \xC2\xBA" "C\r\n\xC3\xA4\xC3\xB6\xC3\x84\xC3\xA4"));
    QVERIFY(TraceLines("FT_Read").last().contains(" status=4 got=18 "));
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
    QVERIFY(dlg.IsDeviceOpen());
}

void TestDeviceLink::statusFailureClosesTheDevice()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    OpenFirst(dlg);
    QVERIFY(dlg.GetDlgItem(1093)->isEnabled());
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=unplug_after=1"), 0);

    dlg.PollDevice();
    const QString since = dlg.m_recovery.since().toString(QStringLiteral("HH:mm:ss"));
    const QString status = QStringLiteral("Lost %1, searching").arg(since);
    QCOMPARE(dlg.m_strStatus, status);
    auto *statusBox = qobject_cast<QLineEdit *>(dlg.GetDlgItem(1015));
    QCOMPARE(statusBox->text(), status);
    QCOMPARE(statusBox->toolTip(), QStringLiteral("Device is not open. Lost since %1, searching...").arg(since));
    // The line shows the whole status in either language, also the longest
    // one a failed try gives (the widest time of day, a busy port).
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QDateTime widest(QDate(2024, 5, 1), QTime(20, 20, 20));
    for (int language : {0, 1}) {
        qobject_cast<QComboBox *>(dlg.GetDlgItem(1038))->setCurrentIndex(language);
        dlg.OnLanguageChange();
        for (const LinkRecovery::Cause cause : {LinkRecovery::Cause::Lost, LinkRecovery::Cause::NotFoundAtStart}) {
            // Each kind of failed try the adapter tells, one without a
            // reason, and an instrument that did not answer (kind -1).
            for (int kind = -1; kind <= TAVIXSERIAL_OPEN_NOT_LISTED + 1; ++kind) {
                LinkRecovery shown;
                shown.Begin(dlg.m_recovery.target(), cause, widest, 0);
                OpenFailure failure;
                failure.kind = kind;
                failure.words = kind > TAVIXSERIAL_OPEN_NOT_LISTED ? QString() : QStringLiteral("words");
                if (kind < 0)
                    shown.NoteNoAnswer(QStringLiteral(" (0x3F)"));
                else
                    shown.NoteOpenFailure(failure);
                const QString text = shown.StatusText(dlg.Texts());
                statusBox->setText(text);
                const int room = statusBox->width() - 2 * statusBox->style()->pixelMetric(QStyle::PM_DefaultFrameWidth)
                                 - statusBox->textMargins().left() - statusBox->textMargins().right() - 4;
                const int wide = statusBox->fontMetrics().horizontalAdvance(text);
                QVERIFY2(wide <= room, qPrintable(QStringLiteral("%1: %2 of %3 pixels").arg(text).arg(wide).arg(room)));
            }
        }
    }
    qobject_cast<QComboBox *>(dlg.GetDlgItem(1038))->setCurrentIndex(0);
    dlg.OnLanguageChange();
    QCOMPARE(g_bDeviceReady, 0);
    QVERIFY(!dlg.IsDeviceOpen());
    QVERIFY(!dlg.GetDlgItem(1093)->isEnabled());
    QVERIFY(prompts.messages.isEmpty());

    // The poll stops: no further status queries (the search lists devices
    // once a second and opens none that is not listed).
    const int queries = TraceLines("FT_GetStatus").size();
    dlg.PollDevice();
    QTest::qWait(50);
    QCOMPARE(TraceLines("FT_GetStatus").size(), queries);
}

void TestDeviceLink::keysReachTheInstrument()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    OpenFirst(dlg);
    QWidget *input = dlg.GetDlgItem(1031);
    input->setFocus();
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &dlg;

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_V, Qt::Key_F7, Qt::Key_A, Qt::Key_1,
                        Qt::Key_Enter})
        QTest::keyClick(target, key);
    QStringList sent;
    for (const QString &line : TraceLines("FT_Write"))
        sent.append(line.section(QStringLiteral("data="), 1));
    QCOMPARE(sent, (QStringList{"0D", "20", "76", "76", "0D"}));
    // Enter never pressed EXIT.
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    QVERIFY(dlg.IsDeviceOpen());

    // The print-out that Enter asked for arrives through the poll.
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.contains(QStringLiteral("Tavix 3000 S/N: TX300001")), 10000);
}

void TestDeviceLink::noKeyIsSentWithoutDevice()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(!dlg.IsDeviceOpen());
    dlg.GetDlgItem(1031)->setFocus();
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &dlg;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_V, Qt::Key_F7})
        QTest::keyClick(target, key);
    QVERIFY(TraceLines("FT_Write").isEmpty());
    QVERIFY(dlg.isVisible());
    QVERIFY(prompts.messages.isEmpty());
}

QTEST_MAIN(TestDeviceLink)
#include "test_device_link.moc"
