// Display-value logging: the interval check and the timer period, the
// backup file (no byte-order mark, exactly the text logged plus the first
// chunk after the stop), the caption of 1051, and the poll's display request.
#include "core/device/logging_interval.h"
#include "dialog_fixture.h"
#include "gui/main_window/costrum_dlg.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/resource.h>

namespace {

const QString kTooShort = QStringLiteral("The interval should be bigger than 0.1s!");
const QString kVersionLine = QStringLiteral("Tavix 3000 version 1.23\r\n");

QByteArray Utf16Le(const QString &text)
{
    QByteArray bytes;
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot be read>");
}

// The one-byte writes of the display request (0x20) in the simulator's trace.
int RequestCount(const QString &tracePath)
{
    static const QRegularExpression request(QStringLiteral("^FT_Write handle=\\d+ n=1 status=0 sent=1 data=20$"),
                                            QRegularExpression::MultilineOption);
    return static_cast<int>(QString::fromLatin1(ReadAll(tracePath)).count(request));
}

void TypeInterval(COstrumDlg &dlg, const QString &text)
{
    qobject_cast<QLineEdit *>(dlg.GetDlgItem(1053))->setText(text);
}

// A tick of the logging interval (the display request), then a tick of the
// poll, which reads what has arrived.
void Tick(COstrumDlg &dlg)
{
    dlg.OnTimer(COstrumDlg::TIMER_LOG);
    dlg.OnTimer(COstrumDlg::TIMER_POLL);
}

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void periodConversion_data();
    void periodConversion();
    void intervalOnStart_data();
    void intervalOnStart();
    void intervalThatIsNoNumberKeepsThePrevious();
    void cancelledFileDialogChangesNothing();
    void unwritableBackupFileDoesNotStart();
    void captionSwitchesOnEveryStartAndStop();
    void captionFollowsTheLanguageWhileLogging();
    void backupFileHoldsTheLoggedTextAndOneChunkMore();
    void startingAgainWhileACloseIsPendingKeepsTheNewFileOpen();
    void failedRequestStillReadsWhatArrived();
    void backupFileClosesWhenNoLateReplyComes();
    void requestHeldBackWhileAProgramIsSent();
    void failedBackupWriteStopsLogging();
    void startingIntoALongerFileReplacesIt();

private:
    DialogFixture m_fixture;
    QTemporaryDir &m_dir = m_fixture.dir;
    SimControl &m_sim = m_fixture.sim;
    QString m_trace;
};

void TestLogging::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestLogging::init()
{
    // Replies arrive at once, so every tick reads the reply to its own request.
    m_fixture.Init(true);
    m_trace = m_fixture.StartTrace();
}

void TestLogging::cleanup()
{
    g_bDeviceReady = 0;
    m_sim.Set("RESET");
}

void TestLogging::periodConversion_data()
{
    QTest::addColumn<float>("seconds");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("periodMs");
    // 0.1f is 0.100000001490116: above the 64-bit 0.1; x 1000 rounds to 100.
    QTest::newRow("0.1 is just above the limit") << 0.1f << true << 100;
    QTest::newRow("0.09 is below") << 0.09f << false << 90;
    // 1.0005f x 1000 = 1000.49994, truncated.
    QTest::newRow("1.0005 truncates to 1000") << 1.0005f << true << 1000;
    QTest::newRow("2.5 gives 2500") << 2.5f << true << 2500;
    QTest::newRow("0.1234 truncates to 123") << 0.1234f << true << 123;
    QTest::newRow("negative is refused") << -5.0f << false << 0;
    // 3,000,000 s is 3e9 ms, beyond a timer's 2^31 - 1 ms.
    QTest::newRow("very long interval is held at the longest period") << 3.0e6f << true << INT_MAX;
}

void TestLogging::periodConversion()
{
    QFETCH(float, seconds);
    QFETCH(bool, accepted);
    QFETCH(int, periodMs);
    QCOMPARE(LoggingIntervalAccepted(seconds), accepted);
    if (accepted)
        QCOMPARE(LoggingPeriodMs(seconds), periodMs);
}

void TestLogging::intervalOnStart_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("periodMs"); // 0: refused
    QTest::newRow("0.1 accepted with 100 ms") << QStringLiteral("0.1") << 100;
    QTest::newRow("0.09 refused") << QStringLiteral("0.09") << 0;
    QTest::newRow("0.1 with spaces around it") << QStringLiteral(" 0.1 ") << 100;
    QTest::newRow("2.5 gives 2500 ms") << QStringLiteral("2.5") << 2500;
    QTest::newRow("1.0005 gives 1000 ms") << QStringLiteral("1.0005") << 1000;
}

void TestLogging::intervalOnStart()
{
    QFETCH(QString, typed);
    QFETCH(int, periodMs);
    ScriptedPrompts prompts;
    prompts.saveAnswers = {m_dir.filePath(QStringLiteral("interval.txt"))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    TypeInterval(dlg, typed);
    dlg.OnStartLogging();
    if (periodMs == 0) {
        QCOMPARE(prompts.messages, QStringList{kTooShort});
        QCOMPARE(prompts.saveDialogs, 0);
        QVERIFY(!dlg.m_bLogging);
        QVERIFY(!dlg.m_logFile.isOpen());
        QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_POLL));
        QVERIFY(!dlg.IsTimerActive(COstrumDlg::TIMER_LOG));
        QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Start Logging"));
    } else {
        QVERIFY(prompts.messages.isEmpty());
        QCOMPARE(prompts.saveDialogs, 1);
        QCOMPARE(prompts.filters, QStringList{QStringLiteral(
                                      "text file(*.txt)|*.txt|Data Files (*.dat)|*.dat|All Files (*.*)|*.*||")});
        QVERIFY(dlg.m_bLogging);
        QVERIFY(dlg.m_logFile.isOpen());
        // The poll goes on every 10 ms beside the request's timer.
        QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_POLL));
        QCOMPARE(dlg.TimerPeriod(COstrumDlg::TIMER_POLL), 10);
        QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_LOG));
        QCOMPARE(dlg.TimerPeriod(COstrumDlg::TIMER_LOG), periodMs);
    }
}

void TestLogging::intervalThatIsNoNumberKeepsThePrevious()
{
    ScriptedPrompts prompts;
    prompts.saveAnswers = {m_dir.filePath(QStringLiteral("abc.txt"))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.m_fInterval = 2.5f;
    TypeInterval(dlg, QStringLiteral("abc"));
    dlg.OnStartLogging();
    // The transfer reports the field; logging starts with the interval held.
    QCOMPARE(prompts.messages, QStringList{QStringLiteral("Please enter a number.")});
    QCOMPARE(dlg.m_fInterval, 2.5f);
    QVERIFY(dlg.m_bLogging);
    QCOMPARE(dlg.TimerPeriod(COstrumDlg::TIMER_LOG), 2500);

    // A held interval that is too short is refused all the same.
    dlg.OnStartLogging();
    dlg.m_fInterval = 0.05f;
    prompts.messages.clear();
    dlg.OnStartLogging();
    QCOMPARE(prompts.messages, (QStringList{QStringLiteral("Please enter a number."), kTooShort}));
    QVERIFY(!dlg.m_bLogging);
}

void TestLogging::cancelledFileDialogChangesNothing()
{
    ScriptedPrompts prompts; // no answer: the dialog is cancelled
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.OnStartLogging();
    QCOMPARE(prompts.saveDialogs, 1);
    QVERIFY(prompts.messages.isEmpty());
    QVERIFY(!dlg.m_bLogging);
    QVERIFY(!dlg.m_logFile.isOpen());
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Start Logging"));
    QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_POLL));
    QCOMPARE(dlg.TimerPeriod(COstrumDlg::TIMER_POLL), 10);
    QVERIFY(!dlg.IsTimerActive(COstrumDlg::TIMER_LOG));
}

void TestLogging::unwritableBackupFileDoesNotStart()
{
    const QString path = m_dir.filePath(QStringLiteral("no-such-folder/log.txt"));
    ScriptedPrompts prompts;
    prompts.saveAnswers = {path};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.OnStartLogging();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY2(prompts.messages.first().contains(QDir::toNativeSeparators(path)), qPrintable(prompts.messages.first()));
    QVERIFY2(prompts.messages.first().contains(QStringLiteral("No such file or directory")),
             qPrintable(prompts.messages.first()));
    QVERIFY(!dlg.m_bLogging);
    QVERIFY(!dlg.m_bCloseLogPending);
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Start Logging"));
    QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_POLL));
    QVERIFY(!dlg.IsTimerActive(COstrumDlg::TIMER_LOG));
}

void TestLogging::captionSwitchesOnEveryStartAndStop()
{
    ScriptedPrompts prompts;
    prompts.saveAnswers = {m_dir.filePath(QStringLiteral("one.txt")), m_dir.filePath(QStringLiteral("two.txt"))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Start Logging"));

    const struct {
        const char *caption;
        bool logging;
        bool pending;
    } steps[] = {
        {"Stop Logging", true, false},
        {"Start Logging", false, true},
        {"Stop Logging", true, false},
        {"Start Logging", false, true},
    };
    for (const auto &step : steps) {
        dlg.OnStartLogging();
        QCOMPARE(dlg.GetDlgItemText(1051), QString::fromLatin1(step.caption));
        QCOMPARE(dlg.m_bLogging, step.logging);
        QCOMPARE(dlg.m_bCloseLogPending, step.pending);
        // The 10 ms poll always runs; the request's timer while logging runs.
        QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_POLL));
        QCOMPARE(dlg.TimerPeriod(COstrumDlg::TIMER_POLL), 10);
        QCOMPARE(dlg.IsTimerActive(COstrumDlg::TIMER_LOG), step.logging);
        if (step.logging)
            QCOMPARE(dlg.TimerPeriod(COstrumDlg::TIMER_LOG), 1000);
    }
    QCOMPARE(prompts.saveDialogs, 2);
}

void TestLogging::captionFollowsTheLanguageWhileLogging()
{
    ScriptedPrompts prompts;
    prompts.saveAnswers = {m_dir.filePath(QStringLiteral("language.txt"))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    auto *languages = qobject_cast<QComboBox *>(dlg.GetDlgItem(1038));
    QVERIFY(languages && languages->count() >= 2);

    dlg.OnStartLogging();
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Stop Logging"));
    languages->setCurrentIndex(1);
    dlg.OnLanguageChange();
    QCOMPARE(dlg.CurrentLanguage, 2);
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("停止记录"));

    // Stopping and starting read the captions of the language now chosen.
    dlg.OnStartLogging();
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("开始记录"));
    dlg.m_fInterval = 0.05f;
    dlg.UpdateData(false);
    dlg.OnStartLogging();
    QCOMPARE(prompts.messages, QStringList{QStringLiteral("最小时间间隔应大于0.1s!")});

    languages->setCurrentIndex(0);
    dlg.OnLanguageChange();
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Start Logging"));
}

void TestLogging::backupFileHoldsTheLoggedTextAndOneChunkMore()
{
    const QString path = m_dir.filePath(QStringLiteral("backup.txt"));
    ScriptedPrompts prompts;
    prompts.saveAnswers = {path};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    dlg.m_strInput = QStringLiteral("captured before\r\n");
    dlg.UpdateData(false);

    TypeInterval(dlg, QStringLiteral("0.2"));
    dlg.OnStartLogging();
    QVERIFY(dlg.m_bLogging);
    const qsizetype before = dlg.m_strInput.size();
    // Each tick sends one space and reads its display line ("... m/s ... °C\r\n").
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.mid(before).count(QStringLiteral("m/s")) >= 3, 20000);
    // Every chunk is flushed as it is written: the file on disk holds what
    // the input window got so far.
    QCOMPARE(ReadAll(path), Utf16Le(dlg.m_strInput.mid(before)));
    dlg.OnStartLogging();
    QVERIFY(!dlg.m_bLogging);
    QVERIFY(dlg.m_bCloseLogPending);
    QVERIFY(dlg.m_logFile.isOpen());
    const QString logged = dlg.m_strInput.mid(before);
    QCOMPARE(logged.count(QStringLiteral("\r\n")), logged.count(QStringLiteral("m/s")));
    QCOMPARE(RequestCount(m_trace), logged.count(QStringLiteral("m/s")));

    // The first chunk after the stop still goes into the file, then it is closed.
    dlg.SendKeyByte(0x76);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.m_bCloseLogPending, 10000);
    QVERIFY(!dlg.m_logFile.isOpen());
    QVERIFY(dlg.m_strInput.endsWith(kVersionLine));
    const QByteArray expected = Utf16Le(logged + kVersionLine);
    QCOMPARE(ReadAll(path), expected);
    QVERIFY(!ReadAll(path).startsWith("\xFF\xFE"));

    // Later chunks reach the input window only.
    dlg.SendKeyByte(0x76);
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.endsWith(kVersionLine + kVersionLine), 10000);
    QCOMPARE(ReadAll(path), expected);
}

void TestLogging::startingAgainWhileACloseIsPendingKeepsTheNewFileOpen()
{
    const QString first = m_dir.filePath(QStringLiteral("first.txt"));
    const QString second = m_dir.filePath(QStringLiteral("second.txt"));
    ScriptedPrompts prompts;
    prompts.saveAnswers = {first, second};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);

    // A long interval: no tick comes between the steps below.
    TypeInterval(dlg, QStringLiteral("100"));
    dlg.OnStartLogging();
    dlg.OnStartLogging();
    QVERIFY(dlg.m_bCloseLogPending);
    dlg.OnStartLogging();
    QVERIFY(dlg.m_bLogging);
    QVERIFY(!dlg.m_bCloseLogPending);
    QCOMPARE(dlg.m_logFile.fileName(), second);
    QVERIFY(dlg.m_logFile.isOpen());

    // The first chunk goes into the new file, which stays open while logging
    // runs. Each tick reads the version line and the reply to its request.
    dlg.SendKeyByte(0x76);
    Tick(dlg);
    QVERIFY(dlg.m_strInput.startsWith(kVersionLine));
    QCOMPARE(dlg.m_strInput.count(QStringLiteral("m/s")), 1);
    QVERIFY(dlg.m_logFile.isOpen());
    dlg.SendKeyByte(0x76);
    Tick(dlg);
    QCOMPARE(dlg.m_strInput.count(kVersionLine), 2);
    QCOMPARE(dlg.m_strInput.count(QStringLiteral("m/s")), 2);
    QCOMPARE(ReadAll(second), Utf16Le(dlg.m_strInput));
    QCOMPARE(ReadAll(first), QByteArray());
}

void TestLogging::failedRequestStillReadsWhatArrived()
{
    const QString path = m_dir.filePath(QStringLiteral("failed.txt"));
    ScriptedPrompts prompts;
    prompts.saveAnswers = {path};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    TypeInterval(dlg, QStringLiteral("100"));
    dlg.OnStartLogging();

    // A reply waits when the request cannot be written: the poll still asks
    // the status, finds the device there and reads the reply.
    dlg.SendKeyByte(0x76);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=write_fail"), 0);
    Tick(dlg);
    QCOMPARE(dlg.m_strInput, kVersionLine);
    QCOMPARE(ReadAll(path), Utf16Le(kVersionLine));
    QVERIFY(dlg.IsDeviceOpen() && dlg.m_bLogging);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS="), 0);
    // The next tick sends its request and reads its reply.
    Tick(dlg);
    QCOMPARE(dlg.m_strInput.count(QStringLiteral("m/s")), 1);
    QCOMPARE(ReadAll(path), Utf16Le(dlg.m_strInput));
}

void TestLogging::backupFileClosesWhenNoLateReplyComes()
{
    const QString path = m_dir.filePath(QStringLiteral("closed.txt"));
    ScriptedPrompts prompts;
    prompts.saveAnswers = {path};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    TypeInterval(dlg, QStringLiteral("100"));
    dlg.OnStartLogging();
    dlg.OnStartLogging();
    QVERIFY(dlg.m_bCloseLogPending && dlg.m_logFile.isOpen());
    // Nothing more arrives: the file does not wait for ever.
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.m_logFile.isOpen(), 10000);
    QVERIFY(!dlg.m_bCloseLogPending);
    QCOMPARE(ReadAll(path), QByteArray());
}

void TestLogging::requestHeldBackWhileAProgramIsSent()
{
    ScriptedPrompts prompts;
    prompts.saveAnswers = {m_dir.filePath(QStringLiteral("held.txt"))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    TypeInterval(dlg, QStringLiteral("100"));
    dlg.OnStartLogging();

    // The instrument would take a space for a byte of the program.
    dlg.m_bSending = true;
    Tick(dlg);
    Tick(dlg);
    QCOMPARE(RequestCount(m_trace), 0);
    dlg.m_bSending = false;
    Tick(dlg);
    QCOMPARE(RequestCount(m_trace), 1);
    QCOMPARE(dlg.m_strInput.count(QStringLiteral("m/s")), 1);
}

void TestLogging::failedBackupWriteStopsLogging()
{
    // The backup file on a disk that refuses every write, as a full disk
    // does: a file size limit of 0 bytes while the poll writes.
    const QString path = m_dir.filePath(QStringLiteral("refused.txt"));
    ScriptedPrompts prompts;
    prompts.saveAnswers = {path};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    dlg.m_strInput = QStringLiteral("captured before\r\n");
    TypeInterval(dlg, QStringLiteral("100"));
    dlg.OnStartLogging();
    QVERIFY(dlg.m_bLogging);
    QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_LOG));

    dlg.SendKeyByte(0x76);
    {
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = saved;
        none.rlim_cur = 0;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        Tick(dlg);
        setrlimit(RLIMIT_FSIZE, &saved);
    }
    // Logging has stopped as the Stop command stops it, the file is closed,
    // and the chunk that could not be written is in the input window.
    QVERIFY(!dlg.m_bLogging);
    QVERIFY(!dlg.m_bCloseLogPending);
    QVERIFY(!dlg.m_logFile.isOpen());
    QVERIFY(dlg.IsTimerActive(COstrumDlg::TIMER_POLL));
    QVERIFY(!dlg.IsTimerActive(COstrumDlg::TIMER_LOG));
    QCOMPARE(dlg.GetDlgItemText(1051), QStringLiteral("Start Logging"));
    QVERIFY(dlg.m_strInput.startsWith(QStringLiteral("captured before\r\n") + kVersionLine));
    QCOMPARE(dlg.m_strInput.count(QStringLiteral("m/s")), 1);
    QCOMPARE(prompts.messages,
             QStringList{QStringLiteral("The backup file \"%1\" cannot be written: %2. Logging has stopped; the "
                                        "input window keeps everything received.")
                             .arg(path, qt_error_string(EFBIG))});

    // One message for the one failure: later chunks reach the input window only.
    dlg.SendKeyByte(0x76);
    dlg.PollDevice();
    QCOMPARE(dlg.m_strInput.count(kVersionLine), 2);
    QCOMPARE(prompts.messages.size(), 1);
}

void TestLogging::startingIntoALongerFileReplacesIt()
{
    // A file chosen again holds an earlier, longer log: the new log replaces
    // it from its first byte, and nothing of the old one is left behind.
    const QString path = m_dir.filePath(QStringLiteral("again.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    const QByteArray earlier = Utf16Le(QStringLiteral("an earlier log of many lines\r\n").repeated(400));
    QCOMPARE(old.write(earlier), earlier.size());
    old.close();
    ScriptedPrompts prompts;
    prompts.saveAnswers = {path};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    TypeInterval(dlg, QStringLiteral("0.2"));
    dlg.OnStartLogging();
    QVERIFY(dlg.m_bLogging);
    QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.count(QStringLiteral("m/s")) >= 2, 20000);
    dlg.StopLoggingAfterFailure(); // stops and closes the file at once
    const QByteArray logged = ReadAll(path);
    QCOMPARE(logged, Utf16Le(dlg.m_strInput));
    QVERIFY(logged.size() < earlier.size());
}

QTEST_MAIN(TestLogging)
#include "test_logging.moc"
