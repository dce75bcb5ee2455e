// The instrument link's scenarios, run against each way the program can
// reach the simulated instrument: the D2XX-compatible simulator library,
// and end to end through the serial adapter (libtavixserial.so) and the
// kernel's tty layer to the same instrument served by tavixsim-pty. Search
// and Open, the start-up probe, a print-out captured byte for byte,
// display-value logging, a firmware upload, and the cable pulled and plugged
// back while the device is idle, captures, logs or takes a program.
#include "core/device/instrument_charset.h"
#include "core/device/profile.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/device_list_box.h"
#include "scripted_prompts.h"
#include "sim_control.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString kNote = QStringLiteral("Sending program,\r\nplease be patient!\r\n");

// The simulated instrument behind one of the program's drivers. Settings
// and commands are the simulator's NAME=VALUE texts.
class Instrument
{
public:
    virtual ~Instrument() = default;
    virtual QString Driver() const = 0;
    // A fresh instrument (serial number TX300001) with these settings.
    virtual bool Start(const QList<QByteArray> &settings) = 0;
    virtual int Control(const QByteArray &setting) = 0;
    // Pulls the cable; plugs it back.
    virtual bool Unplug() = 0;
    virtual bool Replug() = 0;
};

// The simulator library, loaded in this process as the dialog loads it.
class LibraryInstrument : public Instrument
{
public:
    QString Driver() const override { return QStringLiteral(TAVIX_SIM_LIBRARY); }
    bool Start(const QList<QByteArray> &settings) override
    {
        bool ok = m_sim.IsLoaded() && m_sim.Set("RESET") == 0;
        for (const QByteArray &setting : settings)
            ok = ok && m_sim.Set(setting) == 0;
        return ok;
    }
    int Control(const QByteArray &setting) override { return m_sim.Set(setting); }
    bool Unplug() override { return m_sim.Set("UNPLUG") == 0; }
    bool Replug() override { return m_sim.Set("PLUG") == 0; }

private:
    SimControl m_sim;
};

// tavixsim-pty in a process of its own, serving at a link it keeps in
// folder; the adapter finds the port through TAVIX_SERIAL_PORTS.
class PtyInstrument : public Instrument
{
public:
    explicit PtyInstrument(const QString &folder) : m_link(folder + QStringLiteral("/ttyTAVIX")) {}
    ~PtyInstrument() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
        qunsetenv("TAVIX_SERIAL_PORTS");
    }
    QString Driver() const override { return QStringLiteral(TAVIX_SERIAL_LIBRARY); }
    bool Start(const QList<QByteArray> &settings) override
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QByteArray &setting : settings) {
            const qsizetype eq = setting.indexOf('=');
            environment.insert(QString::fromLocal8Bit(setting.left(eq)), QString::fromLocal8Bit(setting.mid(eq + 1)));
        }
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TAVIXSIM_PTY), {QStringLiteral("--link"), m_link});
        if (ReadLine() != m_link.toLocal8Bit())
            return false;
        qputenv("TAVIX_SERIAL_PORTS", m_link.toLocal8Bit() + "=TX300001=Tavix 3000");
        return true;
    }
    int Control(const QByteArray &setting) override
    {
        m_process.write(setting + '\n');
        const QByteArray reply = ReadLine();
        return reply.startsWith("control=") ? reply.mid(8).toInt() : -1;
    }
    bool Unplug() override { return Control("unplug") == 0 && !QFile::exists(m_link); }
    bool Replug() override { return Control("replug") == 0 && QFile::exists(m_link); }
    const QString &Link() const { return m_link; }

private:
    QByteArray ReadLine()
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000))
                return QByteArray();
        }
        return m_process.readLine().trimmed();
    }

    QString m_link;
    QProcess m_process;
};

std::unique_ptr<Instrument> MakeInstrument(const QString &kind, const QString &folder)
{
    if (kind == QLatin1String("pty"))
        return std::make_unique<PtyInstrument>(folder);
    return std::make_unique<LibraryInstrument>();
}

QByteArray AllBytes(int times)
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<char>(i);
    return bytes.repeated(times);
}

// Program data: every byte value, starting with 0x0B (no key of the instrument).
QByteArray ProgramBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    return bytes;
}

QByteArray Utf16Le(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList Entries(const CMyListBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// Display requests (a lone space) that reached the instrument, from its trace.
int RequestCount(const QString &tracePath)
{
    static const QRegularExpression request(QStringLiteral("^FT_Write handle=\\d+ n=1 status=0 sent=1 data=20$"),
                                            QRegularExpression::MultilineOption);
    return static_cast<int>(QString::fromLatin1(ReadAll(tracePath)).count(request));
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void searchOpenAndStartupProbe_data() { Drivers(); }
    void searchOpenAndStartupProbe();
    void enterCapturesThePrintoutByteForByte_data() { Drivers(); }
    void enterCapturesThePrintoutByteForByte();
    void displayLoggingAnswersEveryRequest_data() { Drivers(); }
    void displayLoggingAnswersEveryRequest();
    void firmwareArrivesUnchanged_data() { Drivers(); }
    void firmwareArrivesUnchanged();
    void lostAndFound_data();
    void lostAndFound();
    void unplugDuringAnUploadEndsIt_data() { Drivers(); }
    void unplugDuringAnUploadEndsIt();
    void unplugRightAfterALoggedReplyKeepsIt_data() { Drivers(); }
    void unplugRightAfterALoggedReplyKeepsIt();
    void silentInstrumentIsProbedWithoutStallingTheWindow_data() { Drivers(); }
    void silentInstrumentIsProbedWithoutStallingTheWindow();
    void portHeldByAnotherProgramSaysWhy();

private:
    static void Drivers();
    std::unique_ptr<Instrument> StartInstrument(const QList<QByteArray> &settings);
    void OpenFirst(COstrumDlg &dlg);

    QTemporaryDir m_dir;
    QString m_file; // per-test prefix of the temporary files
};

void TestSerialLink::Drivers()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("simulator library") << QStringLiteral("library");
    QTest::newRow("serial adapter and pty") << QStringLiteral("pty");
}

void TestSerialLink::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path())); // no Config.dat: the built-in texts
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

void TestSerialLink::init()
{
    QFile::remove(Profile::FilePath());
    g_bDeviceReady = 0;
    m_file = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + QLatin1Char('-')
                            + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')));
}

void TestSerialLink::cleanup()
{
    g_bDeviceReady = 0;
}

std::unique_ptr<Instrument> TestSerialLink::StartInstrument(const QList<QByteArray> &settings)
{
    QFETCH(QString, kind);
    auto instrument = MakeInstrument(kind, m_dir.path());
    if (!instrument->Start(settings))
        return nullptr;
    return instrument;
}

void TestSerialLink::OpenFirst(COstrumDlg &dlg)
{
    dlg.OnSearch();
    QCOMPARE(Entries(dlg.m_pDeviceList), QStringList{QStringLiteral("Tavix3000 s/n TX300001")});
    dlg.OnOpen();
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
    QCOMPARE(g_bDeviceReady, 1);
}

void TestSerialLink::searchOpenAndStartupProbe()
{
    auto instrument = StartInstrument({});
    QVERIFY(instrument);
    ScriptedPrompts prompts;
    {
        COstrumDlg dlg(prompts, instrument->Driver());
        QCOMPARE(dlg.m_strStatus, QStringLiteral("Device not responding")); // nothing remembered yet
        OpenFirst(dlg);
        QVERIFY(dlg.GetDlgItem(1093)->isEnabled());
        dlg.OnOK(); // EXIT: closes the device
    }
    // The next start opens the remembered device and the probe is answered.
    g_bDeviceReady = 0;
    COstrumDlg dlg(prompts, instrument->Driver());
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Device is ready."));
    QCOMPARE(g_bDeviceReady, 1);
    QVERIFY(dlg.IsDeviceOpen());
    QVERIFY(prompts.messages.isEmpty());
    dlg.OnOK();
}

void TestSerialLink::enterCapturesThePrintoutByteForByte()
{
    // Every byte value, the line ends, XON/XOFF and the terminal's signal
    // characters among them, 24 times over (several 600-byte ticks).
    const QByteArray printout = AllBytes(24);
    QVERIFY(WriteFile(m_file + ".printout", printout));
    auto instrument = StartInstrument({"TAVIXSIM_PRINTOUT=" + (m_file + ".printout").toLocal8Bit()});
    QVERIFY(instrument);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, instrument->Driver());
    OpenFirst(dlg);
    dlg.SendKeyByte(0x0D);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_strInput.size(), printout.size(), 20000);
    QCOMPARE(dlg.m_strInput, InstrumentBytesToText(printout));
    QVERIFY(prompts.messages.isEmpty());
}

void TestSerialLink::displayLoggingAnswersEveryRequest()
{
    const QString trace = m_file + ".trace";
    const QString backup = m_file + ".backup";
    auto instrument = StartInstrument({"TAVIXSIM_TRACE=" + trace.toLocal8Bit()});
    QVERIFY(instrument);
    ScriptedPrompts prompts;
    prompts.saveAnswers = {backup};
    COstrumDlg dlg(prompts, instrument->Driver());
    OpenFirst(dlg);
    qobject_cast<QLineEdit *>(dlg.GetDlgItem(1053))->setText(QStringLiteral("0.1"));
    dlg.OnStartLogging();
    QVERIFY(dlg.m_bLogging);
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.count(QStringLiteral("m/s")) >= 15, 30000);
    dlg.OnStartLogging();
    QVERIFY(!dlg.m_bLogging);

    // Every request got its one display line, in the instrument's order,
    // and nothing else came: no byte was lost, doubled or changed.
    QTRY_COMPARE_WITH_TIMEOUT(int(dlg.m_strInput.count(QStringLiteral("\r\n"))), RequestCount(trace), 10000);
    const QStringList lines = dlg.m_strInput.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), RequestCount(trace));
    QCOMPARE(lines.first(), QString::fromUtf8("  0.27 m/s    22.4 \xC2\xBA" "C"));
    static const QRegularExpression line(QString::fromUtf8("^ +\\d\\.\\d\\d m/s +\\d\\d\\.\\d \xC2\xBA" "C$"));
    for (const QString &text : lines)
        QVERIFY2(line.match(text).hasMatch(), qPrintable(text));
    QVERIFY(QFile::exists(backup));
}

void TestSerialLink::firmwareArrivesUnchanged()
{
    const QByteArray program = ProgramBytes(5000);
    QVERIFY(WriteFile(m_file + ".pro", program));
    const QString received = m_file + ".received";
    auto instrument = StartInstrument({"TAVIXSIM_FIRMWARE_OUT=" + received.toLocal8Bit()});
    QVERIFY(instrument);
    ScriptedPrompts prompts;
    prompts.openAnswers = {m_file + ".pro"};
    COstrumDlg dlg(prompts, instrument->Driver());
    OpenFirst(dlg);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QVERIFY(ended.wait(30000));
    QCOMPARE(ended.at(0).at(0).toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(received).size(), program.size(), 10000);
    QCOMPARE(ReadAll(received), program);
    // The instrument's answer arrives through the poll.
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.contains(QStringLiteral("\r\nProgram OK\r\n")), 10000);
}

void TestSerialLink::lostAndFound_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("state");
    for (const char *state : {"idle", "capture", "logging", "upload"}) {
        QTest::addRow("%s, simulator library", state) << QStringLiteral("library") << QString::fromLatin1(state);
        QTest::addRow("%s, serial adapter and pty", state) << QStringLiteral("pty") << QString::fromLatin1(state);
    }
}

void TestSerialLink::lostAndFound()
{
    QFETCH(QString, kind);
    QFETCH(QString, state);
    const QString trace = m_file + ".trace";
    const QString backup = m_file + ".backup";
    // 10 KB of print-out at 19200 baud: about five seconds on the wire.
    QVERIFY(WriteFile(m_file + ".printout", AllBytes(40)));
    QVERIFY(WriteFile(m_file + ".pro", ProgramBytes(64 * 1024)));
    auto instrument = StartInstrument({"TAVIXSIM_TRACE=" + trace.toLocal8Bit(), "TAVIXSIM_BAUD=19200",
                                       "TAVIXSIM_PRINTOUT=" + (m_file + ".printout").toLocal8Bit()});
    QVERIFY(instrument);
    ScriptedPrompts prompts;
    prompts.saveAnswers = {backup};
    prompts.openAnswers = {m_file + ".pro"};
    COstrumDlg dlg(prompts, instrument->Driver());
    OpenFirst(dlg);
    const QString held = QStringLiteral("captured before\r\n");
    dlg.m_strInput = held;
    if (state == QLatin1String("capture")) {
        dlg.SendKeyByte(0x0D);
        QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.size() >= 2000, 20000);
    } else if (state == QLatin1String("logging")) {
        qobject_cast<QLineEdit *>(dlg.GetDlgItem(1053))->setText(QStringLiteral("0.1"));
        dlg.OnStartLogging();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.count(QStringLiteral("m/s")) >= 3, 20000);
    } else if (state == QLatin1String("upload")) {
        QCOMPARE(instrument->Control("TAVIXSIM_FAULTS=partial_write=0"), 0);
        dlg.OnSendProgram();
        QVERIFY(dlg.IsFirmwareUploadRunning());
    }
    const QString atUnplug = dlg.m_strInput;

    QVERIFY(instrument->Unplug());
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsDeviceOpen(), 10000);
    // "Device is not open." once an upload ran (no search), else the search's short status.
    QVERIFY2(dlg.m_strStatus == QStringLiteral("Device is not open.") || dlg.m_strStatus.startsWith(QStringLiteral("Lost ")),
             qPrintable(dlg.m_strStatus));
    QCOMPARE(g_bDeviceReady, 0);
    if (kind == QLatin1String("library")) {
        // Noticed by a status query of the first ticks after the unplug,
        // whatever ran (the library's trace shows the program's calls).
        const QString calls = QString::fromLatin1(ReadAll(trace));
        const QString after = calls.mid(calls.indexOf(QStringLiteral("setting=\"UNPLUG\"")));
        const qsizetype queries = after.left(after.indexOf(QStringLiteral("\nFT_Close "))).count(QStringLiteral("\nFT_GetStatus "));
        QVERIFY2(queries >= 1 && queries <= 3, qPrintable(QString::number(queries)));
    }
    if (state == QLatin1String("upload")) {
        // The text held before the upload stays; the note became the failure.
        QVERIFY(dlg.m_strInput.startsWith(held + QStringLiteral("Send File Fail!")));
        // The instrument would restart from its loader: the user opens it.
        QVERIFY(!dlg.m_recovery.IsSearching());
        return;
    }
    // Everything received before the unplug is kept; logging waits with its file open.
    QVERIFY(dlg.m_strInput.startsWith(atUnplug));
    QVERIFY(dlg.m_recovery.IsSearching());
    QCOMPARE(dlg.m_logFile.isOpen(), state == QLatin1String("logging"));
    if (dlg.m_bLogging)
        QCOMPARE(ReadAll(backup), Utf16Le(dlg.m_strInput.mid(held.size())));
    QVERIFY(prompts.messages.isEmpty());

    QVERIFY(instrument->Replug());
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_strStatus, QStringLiteral("Deveice is  ready."), 10000);
    QCOMPARE(g_bDeviceReady, 1);
    QCOMPARE(prompts.notices, 1);
    QVERIFY2(prompts.messages.first().contains(QStringLiteral(" was lost from ")), qPrintable(prompts.messages.first()));
    QCOMPARE(prompts.messages.first().contains(QStringLiteral("logging goes on")), dlg.m_bLogging);
    if (dlg.m_bLogging) {
        // Logging goes on by itself at its interval, into the same file.
        QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_LOG) && dlg.IsTimerActive(COstrumDlg::TIMER_POLL));
        const qsizetype back = dlg.m_strInput.count(QStringLiteral("m/s"));
        QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.count(QStringLiteral("m/s")) >= back + 3, 20000);
        dlg.OnStartLogging();
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.m_logFile.isOpen(), 10000);
        QCOMPARE(ReadAll(backup), Utf16Le(dlg.m_strInput.mid(held.size())));
    }
    // One message, and no text of the program's own among the received.
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(!dlg.m_strInput.contains(QStringLiteral("lost"), Qt::CaseInsensitive));
}

void TestSerialLink::unplugDuringAnUploadEndsIt()
{
    const QByteArray program = ProgramBytes(64 * 1024);
    QVERIFY(WriteFile(m_file + ".pro", program));
    QVERIFY(WriteFile(m_file + ".printout", "DURING UPLOAD\r\n"));
    const QString received = m_file + ".received";
    auto instrument = StartInstrument({"TAVIXSIM_FIRMWARE_OUT=" + received.toLocal8Bit(),
                                       "TAVIXSIM_PRINTOUT=" + (m_file + ".printout").toLocal8Bit()});
    QVERIFY(instrument);
    ScriptedPrompts prompts;
    prompts.openAnswers = {m_file + ".pro"};
    COstrumDlg dlg(prompts, instrument->Driver());
    OpenFirst(dlg);
    // The instrument takes nothing for now, so the upload waits (on the pty
    // the port's buffer fills and writes time out with what went).
    QCOMPARE(instrument->Control("TAVIXSIM_FAULTS=partial_write=0"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.m_strInput = QStringLiteral("captured before\r\n");
    dlg.OnSendProgram();
    QVERIFY(dlg.IsFirmwareUploadRunning());
    QCOMPARE(instrument->Control("PRINT"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_strInput, QStringLiteral("captured before\r\n") + kNote
                                                  + QStringLiteral("DURING UPLOAD\r\n"), 10000);
    QCOMPARE(ended.size(), 0);

    QVERIFY(instrument->Unplug());
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsDeviceOpen(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Device is not open."));
    // The text held before stays; what arrived during the upload stays below
    // the failure note.
    QCOMPARE(dlg.m_strInput, QStringLiteral("captured before\r\nSend File Fail!\r\nDURING UPLOAD\r\n"));
    QCOMPARE(g_bDeviceReady, 0);
    QVERIFY(program.startsWith(ReadAll(received)));
}

void TestSerialLink::unplugRightAfterALoggedReplyKeepsIt()
{
    const QString backup = m_file + ".backup";
    auto instrument = StartInstrument({});
    QVERIFY(instrument);
    ScriptedPrompts prompts;
    prompts.saveAnswers = {backup};
    COstrumDlg dlg(prompts, instrument->Driver());
    OpenFirst(dlg);
    // A long interval: the next request comes 2 s after this one's reply.
    qobject_cast<QLineEdit *>(dlg.GetDlgItem(1053))->setText(QStringLiteral("2"));
    dlg.OnStartLogging();
    QVERIFY(dlg.m_bLogging);

    // The first reply has reached the driver (or the window already).
    const QString reply = QString::fromUtf8("  0.27 m/s    22.4 \xC2\xBA" "C\r\n");
    const auto arrived = [&] {
        DWORD rx = 0, tx = 0, events = 0;
        return !dlg.m_strInput.isEmpty()
               || (dlg.FtGetStatus(&rx, &tx, &events) == FT_OK && rx >= DWORD(reply.size()));
    };
    QTRY_VERIFY_WITH_TIMEOUT(arrived(), 20000);
    // The cable is pulled soon after: a moment for the window to take the
    // reply (at most half the interval), then the unplug, which discards
    // what is left unread in the driver.
    const bool taken = QTest::qWaitFor([&] { return dlg.m_strInput == reply; }, 1000);
    Q_UNUSED(taken); // the checks below say what survived the unplug
    QVERIFY(instrument->Unplug());
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsDeviceOpen(), 10000);
    QVERIFY(dlg.m_recovery.IsSearching());

    // The reply is in the window and in the backup file, which stays open.
    QCOMPARE(dlg.m_strInput, reply);
    QVERIFY(dlg.m_logFile.isOpen());
    QCOMPARE(ReadAll(backup), Utf16Le(reply));
}

void TestSerialLink::silentInstrumentIsProbedWithoutStallingTheWindow()
{
    auto instrument = StartInstrument({});
    QVERIFY(instrument);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, instrument->Driver());
    OpenFirst(dlg);
    QVERIFY(instrument->Unplug());
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_recovery.IsSearching(), 10000);

    // A timer of the window's thread measures how long the event loop is
    // held up at most while the instrument is listed again but does not
    // answer the probe, and is opened, probed and closed once a second.
    qint64 longestGapMs = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    connect(&ticker, &QTimer::timeout, &ticker, [&] {
        longestGapMs = qMax(longestGapMs, sinceTick.restart());
    });
    const auto watched = [&](const std::function<bool()> &done) {
        longestGapMs = 0;
        sinceTick.start();
        ticker.start(10);
        const bool reached = QTest::qWaitFor(done, 10000);
        ticker.stop();
        return reached;
    };
    const auto lastTry = [&](const QString &reason) {
        return dlg.GetDlgItem(1015)->toolTip().endsWith(QStringLiteral(" Last try: ") + reason);
    };

    // Silent: a look waits up to 600 ms for the reply (the probe's two
    // 300 ms reads) after the 150 ms settle time, which the window must not
    // spend waiting.
    QCOMPARE(instrument->Control("TAVIXSIM_PROBE_REPLY=none"), 0);
    QVERIFY(instrument->Replug());
    QVERIFY(watched([&] { return lastTry(QStringLiteral("no response from the instrument")); }));
    QCOMPARE(g_bDeviceReady, 0);
    QVERIFY(!dlg.IsDeviceOpen());
    QVERIFY(!dlg.GetDlgItem(1093)->isEnabled());
    QVERIFY2(longestGapMs < 300, qPrintable(QString::number(longestGapMs)));
    // A wrong reply is named by its byte.
    QCOMPARE(instrument->Control("TAVIXSIM_PROBE_REPLY=0x3F"), 0);
    QVERIFY(watched([&] { return lastTry(QStringLiteral("no response from the instrument (0x3F)")); }));
    QVERIFY2(longestGapMs < 300, qPrintable(QString::number(longestGapMs)));
    QVERIFY(prompts.messages.isEmpty());

    // Answering again, it is found ready as before.
    QCOMPARE(instrument->Control("TAVIXSIM_PROBE_REPLY=0x80"), 0);
    QVERIFY(watched([&] { return g_bDeviceReady == 1; }));
    QVERIFY2(longestGapMs < 300, qPrintable(QString::number(longestGapMs)));
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Deveice is  ready."));
    QVERIFY(dlg.IsDeviceOpen() && dlg.GetDlgItem(1093)->isEnabled());
    QVERIFY(!dlg.m_recovery.IsSearching());
    QCOMPARE(prompts.notices, 1);
    // The link works: a key is answered.
    dlg.SendKeyByte(0x76);
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.endsWith(QStringLiteral("Tavix 3000 version 1.23\r\n")), 10000);
}

void TestSerialLink::portHeldByAnotherProgramSaysWhy()
{
    // flock(1) holds the port as serial terminals do (an advisory lock).
    const QString flock = QStandardPaths::findExecutable(QStringLiteral("flock"));
    if (flock.isEmpty())
        QSKIP("no flock command on this system");
    PtyInstrument instrument(m_dir.path());
    QVERIFY(instrument.Start({}));
    QProcess holder;
    holder.start(flock, {QStringLiteral("--exclusive"), instrument.Link(), QStringLiteral("sleep"), QStringLiteral("60")});
    QVERIFY(holder.waitForStarted(10000));
    const auto held = [&] {
        return QProcess::execute(flock, {QStringLiteral("--nonblock"), instrument.Link(), QStringLiteral("true")}) == 1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(held(), 10000);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, instrument.Driver());
    if (!dlg.m_driver.HasOpenErrorReason())
        QSKIP("the serial adapter of this build does not say why an open failed");
    dlg.OnSearch();
    dlg.OnOpen();
    // Refused, with the adapter's reason, which names the port; the holder
    // goes on undisturbed.
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Could not open Device"));
    QCOMPARE(prompts.messages.size(), 1);
    const QString target = QFileInfo(instrument.Link()).symLinkTarget();
    QVERIFY2(prompts.messages.first().startsWith(QStringLiteral("Could not open Device: "))
                 && (prompts.messages.first().contains(instrument.Link()) || prompts.messages.first().contains(target)),
             qPrintable(prompts.messages.first()));
    QCOMPARE(holder.state(), QProcess::Running);
    QVERIFY(held());
    holder.kill();
    QVERIFY(holder.waitForFinished(10000));
}

QTEST_MAIN(TestSerialLink)
#include "test_serial_link.moc"
