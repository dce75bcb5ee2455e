// Firmware upload: the worker's blocks, retries, stall limit and stop
// request against a scripted write; and "Send Program" on the dialog against
// the simulated instrument: the progress note, font and colour, the blocks
// in the instrument's trace, partial writes, failures, text received during
// the upload, stopping, EXIT and a second command while one runs.
#include "core/device/firmware_worker.h"
#include "dialog_fixture.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/text_view.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kNote = QStringLiteral("Sending program,\r\nplease be patient!\r\n");
const QString kFail = QStringLiteral("Send File Fail!");
// Courier New cell heights 16 and 20 as pixel sizes: (h * 2048 + 1160) / 2320.
constexpr int kNormalPixelSize = 14;
constexpr int kSendingPixelSize = 18;

QByteArray ProgramBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    return bytes;
}

QString WriteFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One FT_Write of the simulator's trace: bytes offered, status, bytes accepted.
struct TracedWrite
{
    int n;
    int status;
    int sent;
    bool operator==(const TracedWrite &) const = default;
};

QList<TracedWrite> TracedWrites(const QString &tracePath)
{
    static const QRegularExpression write(QStringLiteral("^FT_Write handle=\\d+ n=(\\d+) status=(\\d+) sent=(\\d+)"),
                                          QRegularExpression::MultilineOption);
    QList<TracedWrite> writes;
    auto it = write.globalMatch(QString::fromLatin1(ReadAll(tracePath)));
    while (it.hasNext()) {
        const auto match = it.next();
        writes.append({match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()});
    }
    return writes;
}

// A device for the worker alone: each call takes the next entry of the
// script (-1: the write fails and takes nothing; k >= 0: status 0 with at
// most k bytes taken); once the script is used up every byte is taken.
struct ScriptedDevice
{
    QList<int> script;
    QByteArray received;
    int calls = 0;
    bool overReport = false; // report more bytes than offered

    FirmwareWriteFunction Write()
    {
        return [this](const void *data, DWORD count, DWORD *sent) -> FT_STATUS {
            const int step = calls < script.size() ? script.at(calls) : INT_MAX;
            ++calls;
            *sent = 0;
            if (step < 0)
                return FT_IO_ERROR;
            const DWORD taken = qMin<DWORD>(count, static_cast<DWORD>(step));
            received.append(static_cast<const char *>(data), taken);
            *sent = overReport ? taken + 10 : taken;
            return FT_OK;
        };
    }
};

QList<int> Fails(int count)
{
    return QList<int>(count, -1);
}

} // namespace

class TestFirmware : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    // The worker on its own.
    void workerBlocksAndRetries_data();
    void workerBlocksAndRetries();
    void workerNeverMovesPastABlock();
    void workerStallLimit();
    void workerStopAndMissingFile();

    // "Send Program" on the dialog.
    void threeHundredBytesGoAsThreeBlocks();
    void emptyFileRemovesTheNoteAtOnce();
    void partialWritesContinueFromTheFirstByteNotAccepted();
    void deviceThatRejectsEveryWriteFailsAfter101Attempts();
    void textReceivedDuringTheUploadStays();
    void deviceThatAcceptsNothingFailsAfterTheStallLimit();
    void stopDuringTheUploadEndsItCleanly();
    void keysDuringTheUploadSendNothing();
    void searchDuringTheUploadStopsItBeforeTheClose();
    void openDuringTheUploadStopsItBeforeTheClose();
    void lostDeviceDuringTheUploadEndsItBeforeTheClose();
    void secondSendProgramDoesNotStartAnother();
    void unopenableFileFails();
    void namedPipeIsRefused();
    void cancelledFileDialogDoesNothing();
    void exitDuringTheUploadStopsTheWorkerFirst();

private:
    void CheckSendingLook(COstrumDlg &dlg, bool sending);

    DialogFixture m_fixture;
    QTemporaryDir &m_dir = m_fixture.dir;
    SimControl &m_sim = m_fixture.sim;
    QString m_trace;
    QString m_firmwareOut;
};

void TestFirmware::initTestCase()
{
    m_fixture.InitTestCase();
}

void TestFirmware::init()
{
    m_fixture.Init(true);
    m_trace = m_fixture.StartTrace();
    m_firmwareOut = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + QStringLiteral("-firmware.bin"));
    QFile::remove(m_firmwareOut);
    QCOMPARE(m_sim.Set("TAVIXSIM_FIRMWARE_OUT=" + m_firmwareOut.toLocal8Bit()), 0);
}

void TestFirmware::cleanup()
{
    g_bDeviceReady = 0;
    m_sim.Set("RESET");
}

void TestFirmware::CheckSendingLook(COstrumDlg &dlg, bool sending)
{
    QWidget *input = dlg.GetDlgItem(1031);
    QCOMPARE(dlg.m_bSending, sending);
    QCOMPARE(input->font().pixelSize(), sending ? kSendingPixelSize : kNormalPixelSize);
    QCOMPARE(input->font().family(), QStringLiteral("Courier New"));
    QVERIFY(input->font().bold());
    QCOMPARE(input->palette().color(QPalette::Text) == QColor(255, 0, 0), sending);
    // "Send Program" is enabled exactly while no upload runs and a device is open.
    QCOMPARE(dlg.GetDlgItem(1093)->isEnabled(), !sending && dlg.IsDeviceOpen());
}

// ---- the worker ------------------------------------------------------------

void TestFirmware::workerBlocksAndRetries_data()
{
    QTest::addColumn<int>("fileSize");
    QTest::addColumn<QList<int>>("script");
    QTest::addColumn<FirmwareWorker::Result>("result");
    QTest::addColumn<int>("calls");
    QTest::addColumn<int>("bytesSent");

    using R = FirmwareWorker::Result;
    QTest::newRow("300 bytes in three blocks") << 300 << QList<int>{} << R::Sent << 3 << 300;
    QTest::newRow("empty file writes nothing") << 0 << QList<int>{} << R::Sent << 0 << 0;
    QTest::newRow("exactly one block") << 128 << QList<int>{} << R::Sent << 1 << 128;
    // 128 = 50 + 50 + 28, twice; then 44 at once: 7 writes.
    QTest::newRow("at most 50 bytes a write")
        << 300 << QList<int>{50, 50, 50, 50, 50, 50, 50} << R::Sent << 7 << 300;
    QTest::newRow("100 failures are tolerated") << 300 << Fails(100) << R::Sent << 103 << 300;
    QTest::newRow("the 101st failure ends it") << 300 << Fails(101) << R::WriteFailed << 101 << 0;
    // The second block fails 101 times after the first went.
    QTest::newRow("failure in the second block")
        << 300 << (QList<int>{128} + Fails(101)) << R::WriteFailed << 102 << 128;
    // A success in between starts the count again: 100 + 1 + 100 + 1 writes.
    QTest::newRow("a partial success resets the count")
        << 128 << (Fails(100) + QList<int>{50} + Fails(100)) << R::Sent << 202 << 128;
}

void TestFirmware::workerBlocksAndRetries()
{
    QFETCH(int, fileSize);
    QFETCH(QList<int>, script);
    QFETCH(FirmwareWorker::Result, result);
    QFETCH(int, calls);
    QFETCH(int, bytesSent);

    const QByteArray program = ProgramBytes(fileSize);
    const QString path = WriteFile(m_dir, QStringLiteral("worker.pro"), program);
    QVERIFY(!path.isEmpty());
    ScriptedDevice device;
    device.script = script;
    FirmwareWorker worker;
    QSignalSpy finished(&worker, &FirmwareWorker::Finished);
    QCOMPARE(worker.SendProgramWorker({path, device.Write()}), 0);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<FirmwareWorker::Result>(), result);
    QCOMPARE(finished.at(0).at(1).toLongLong(), qint64(bytesSent));
    QCOMPARE(finished.at(0).at(2).toLongLong(), qint64(calls));
    QCOMPARE(device.calls, calls);
    QCOMPARE(device.received, program.left(bytesSent));
}

void TestFirmware::workerNeverMovesPastABlock()
{
    // A driver that reports more bytes than it was given: each block is
    // taken as done, nothing is skipped or read beyond it.
    const QByteArray program = ProgramBytes(300);
    const QString path = WriteFile(m_dir, QStringLiteral("over.pro"), program);
    ScriptedDevice device;
    device.overReport = true;
    FirmwareWorker worker;
    QSignalSpy finished(&worker, &FirmwareWorker::Finished);
    worker.SendProgramWorker({path, device.Write()});
    QCOMPARE(finished.at(0).at(0).value<FirmwareWorker::Result>(), FirmwareWorker::Result::Sent);
    QCOMPARE(finished.at(0).at(1).toLongLong(), qint64(300));
    QCOMPARE(device.calls, 3);
    QCOMPARE(device.received, program);
}

void TestFirmware::workerStallLimit()
{
    const QString path = WriteFile(m_dir, QStringLiteral("stall.pro"), ProgramBytes(300));
    // Accepts the first block, then nothing while reporting success.
    ScriptedDevice device;
    device.script = QList<int>{128} + QList<int>(100000, 0);
    FirmwareWorker worker(std::chrono::milliseconds(100));
    QCOMPARE(worker.StallLimit(), std::chrono::milliseconds(100));
    QSignalSpy finished(&worker, &FirmwareWorker::Finished);
    QElapsedTimer clock;
    clock.start();
    worker.SendProgramWorker({path, device.Write()});
    QCOMPARE(finished.at(0).at(0).value<FirmwareWorker::Result>(), FirmwareWorker::Result::Stalled);
    QCOMPARE(finished.at(0).at(1).toLongLong(), qint64(128));
    QVERIFY(clock.elapsed() >= 100);
    QVERIFY(device.calls > 2);
    // The default allows 30 s.
    QCOMPARE(FirmwareWorker().StallLimit(), std::chrono::milliseconds(30000));
}

void TestFirmware::workerStopAndMissingFile()
{
    const QString path = WriteFile(m_dir, QStringLiteral("stop.pro"), ProgramBytes(300));
    ScriptedDevice device;
    FirmwareWorker stopped;
    QSignalSpy stoppedSpy(&stopped, &FirmwareWorker::Finished);
    stopped.RequestStop();
    stopped.SendProgramWorker({path, device.Write()});
    QCOMPARE(stoppedSpy.at(0).at(0).value<FirmwareWorker::Result>(), FirmwareWorker::Result::Stopped);
    QCOMPARE(device.calls, 0);

    FirmwareWorker missing;
    QSignalSpy missingSpy(&missing, &FirmwareWorker::Finished);
    missing.SendProgramWorker({m_dir.filePath(QStringLiteral("no-such.pro")), device.Write()});
    QCOMPARE(missingSpy.at(0).at(0).value<FirmwareWorker::Result>(), FirmwareWorker::Result::OpenFailed);
    QCOMPARE(device.calls, 0);
}

// ---- "Send Program" --------------------------------------------------------

void TestFirmware::threeHundredBytesGoAsThreeBlocks()
{
    const QByteArray program = ProgramBytes(300);
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("three.pro"), program)};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    dlg.m_strInput = QStringLiteral("text captured before");
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);

    dlg.OnSendProgram();
    QCOMPARE(prompts.openDialogs, 1);
    QCOMPARE(prompts.filters, QStringList{QString()});
    // The note follows the text held, on a line of its own, in the larger
    // font and red.
    QCOMPARE(dlg.m_strInput, QStringLiteral("text captured before\r\n") + kNote);
    QCOMPARE(qobject_cast<TextView *>(dlg.GetDlgItem(1031))->ShownText(),
             QStringLiteral("text captured before\nSending program,\nplease be patient!\n"));
    CheckSendingLook(dlg, true);

    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.at(0).at(0).toBool(), true);
    CheckSendingLook(dlg, false);
    // The note alone goes.
    QCOMPARE(dlg.m_strInput, QStringLiteral("text captured before"));
    QCOMPARE(qobject_cast<TextView *>(dlg.GetDlgItem(1031))->ShownText(),
             QStringLiteral("text captured before"));
    QCOMPARE(TracedWrites(m_trace),
             (QList<TracedWrite>{{128, 0, 128}, {128, 0, 128}, {44, 0, 44}}));
    QCOMPARE(ReadAll(m_firmwareOut), program);
    QVERIFY(!dlg.IsFirmwareUploadRunning());

    // The instrument answers half a second after the last data.
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_strInput, QStringLiteral("text captured before\r\nProgram OK\r\n"), 10000);
}

void TestFirmware::emptyFileRemovesTheNoteAtOnce()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("empty.pro"), QByteArray())};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.at(0).at(0).toBool(), true);
    QCOMPARE(dlg.m_strInput, QString());
    QCOMPARE(qobject_cast<TextView *>(dlg.GetDlgItem(1031))->ShownText(), QString());
    CheckSendingLook(dlg, false);
    QCOMPARE(TracedWrites(m_trace), QList<TracedWrite>{});
}

void TestFirmware::partialWritesContinueFromTheFirstByteNotAccepted()
{
    const QByteArray program = ProgramBytes(300);
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("partial.pro"), program)};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=50"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.at(0).at(0).toBool(), true);
    QCOMPARE(TracedWrites(m_trace), (QList<TracedWrite>{{128, 0, 50},
                                                        {78, 0, 50},
                                                        {28, 0, 28},
                                                        {128, 0, 50},
                                                        {78, 0, 50},
                                                        {28, 0, 28},
                                                        {44, 0, 44}}));
    QCOMPARE(ReadAll(m_firmwareOut), program);
}

void TestFirmware::deviceThatRejectsEveryWriteFailsAfter101Attempts()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("rejected.pro"), ProgramBytes(300))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=write_fail"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    QCOMPARE(dlg.m_strInput, kFail);
    QCOMPARE(qobject_cast<TextView *>(dlg.GetDlgItem(1031))->ShownText(), kFail);
    CheckSendingLook(dlg, false);
    const QList<TracedWrite> writes = TracedWrites(m_trace);
    QCOMPARE(writes.size(), 101);
    QCOMPARE(writes.count(TracedWrite{128, FT_IO_ERROR, 0}), 101);
    QCOMPARE(ReadAll(m_firmwareOut), QByteArray());
}

void TestFirmware::textReceivedDuringTheUploadStays()
{
    const QByteArray program = ProgramBytes(300);
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("during.pro"), program)};
    const QString printout = WriteFile(m_dir, QStringLiteral("printout.txt"), "DURING UPLOAD\r\n");
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_PRINTOUT=" + printout.toLocal8Bit()), 0);
    // The instrument takes nothing for now, so the upload waits.
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QVERIFY(dlg.IsFirmwareUploadRunning());

    QCOMPARE(m_sim.Set("PRINT"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_strInput, kNote + QStringLiteral("DURING UPLOAD\r\n"), 10000);
    QVERIFY(dlg.m_bSending);
    QCOMPARE(ended.size(), 0);

    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS="), 0);
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.at(0).at(0).toBool(), true);
    QCOMPARE(dlg.m_strInput, QStringLiteral("DURING UPLOAD\r\n"));
    QCOMPARE(qobject_cast<TextView *>(dlg.GetDlgItem(1031))->ShownText(), QStringLiteral("DURING UPLOAD\n"));
    QCOMPARE(ReadAll(m_firmwareOut), program);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.m_strInput, QStringLiteral("DURING UPLOAD\r\n\r\nProgram OK\r\n"), 10000);
}

void TestFirmware::deviceThatAcceptsNothingFailsAfterTheStallLimit()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("stall.pro"), ProgramBytes(300))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    dlg.m_nFirmwareStallLimitMs = 300;
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    QCOMPARE(dlg.m_strInput, kFail);
    CheckSendingLook(dlg, false);
    const QList<TracedWrite> writes = TracedWrites(m_trace);
    QVERIFY(writes.size() > 1);
    QCOMPARE(writes.count(TracedWrite{128, 0, 0}), writes.size());
}

void TestFirmware::stopDuringTheUploadEndsItCleanly()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("stop.pro"), ProgramBytes(300))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    // Let the worker write a while.
    QTRY_VERIFY_WITH_TIMEOUT(TracedWrites(m_trace).size() >= 3, 10000);

    QVERIFY(dlg.StopFirmwareUpload());
    QVERIFY(!dlg.IsFirmwareUploadRunning());
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    QCOMPARE(dlg.m_strInput, kFail);
    CheckSendingLook(dlg, false);
    // The worker has ended: no write follows, and its own late report changes nothing.
    const qsizetype writes = TracedWrites(m_trace).size();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(ended.size(), 1);
    QCOMPARE(dlg.m_strInput, kFail);
    QCOMPARE(TracedWrites(m_trace).size(), writes);
    // Stopping with nothing running does nothing.
    QVERIFY(dlg.StopFirmwareUpload());
    QCOMPARE(ended.size(), 1);

    // The device can then be closed, and a new upload works.
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS="), 0);
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("again.pro"), ProgramBytes(10))};
    dlg.OnSendProgram();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.at(1).at(0).toBool(), true);
    QCOMPARE(TracedWrites(m_trace).last(), (TracedWrite{10, 0, 10}));
}

void TestFirmware::keysDuringTheUploadSendNothing()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("keys.pro"), ProgramBytes(300))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
    dlg.OnSendProgram();
    QTRY_VERIFY_WITH_TIMEOUT(TracedWrites(m_trace).size() >= 2, 10000);
    // Enter, space and V would put their bytes into the program data.
    dlg.SendKeyByte(0x0D);
    dlg.SendKeyByte(0x20);
    dlg.SendKeyByte(0x76);
    QVERIFY(dlg.StopFirmwareUpload());
    for (const TracedWrite &write : TracedWrites(m_trace))
        QCOMPARE(write, (TracedWrite{128, 0, 0}));
    // Once the upload has ended, keys reach the instrument again.
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS="), 0);
    dlg.SendKeyByte(0x76);
    QCOMPARE(TracedWrites(m_trace).last().n, 1);
}

// The trace lines from the first FT_Close on: the upload has ended before it.
QStringList LinesFromFirstClose(const QString &tracePath)
{
    const QStringList lines = QString::fromLatin1(ReadAll(tracePath)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(QStringLiteral("FT_Close ")))
            return lines.mid(i);
    }
    return {};
}

void TestFirmware::searchDuringTheUploadStopsItBeforeTheClose()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("search.pro"), ProgramBytes(300))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QTRY_VERIFY_WITH_TIMEOUT(TracedWrites(m_trace).size() >= 3, 10000);

    dlg.OnSearch();
    QVERIFY(!dlg.IsFirmwareUploadRunning());
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    QCOMPARE(dlg.m_strInput, kFail);
    CheckSendingLook(dlg, false);
    QVERIFY(!dlg.IsDeviceOpen());
    const QStringList afterClose = LinesFromFirstClose(m_trace);
    QVERIFY(!afterClose.isEmpty());
    QCOMPARE(afterClose.filter(QRegularExpression(QStringLiteral("^FT_Write "))), QStringList{});
}

void TestFirmware::openDuringTheUploadStopsItBeforeTheClose()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("open.pro"), ProgramBytes(300))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QTRY_VERIFY_WITH_TIMEOUT(TracedWrites(m_trace).size() >= 3, 10000);

    // Open closes the handle the worker writes on, then opens the device again.
    dlg.m_nOpenMode = 1;
    dlg.m_strDevice = QStringLiteral("TX300001");
    dlg.UpdateData(false);
    dlg.OnOpen();
    QVERIFY(!dlg.IsFirmwareUploadRunning());
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    QCOMPARE(dlg.m_strInput, kFail);
    QVERIFY(dlg.IsDeviceOpen());
    CheckSendingLook(dlg, false);
    const QStringList afterClose = LinesFromFirstClose(m_trace);
    QVERIFY(!afterClose.isEmpty());
    QCOMPARE(afterClose.filter(QRegularExpression(QStringLiteral("^FT_Write "))), QStringList{});
    QCOMPARE(ReadAll(m_firmwareOut), QByteArray());
}

void TestFirmware::lostDeviceDuringTheUploadEndsItBeforeTheClose()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("lost.pro"), ProgramBytes(300))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QTRY_VERIFY_WITH_TIMEOUT(TracedWrites(m_trace).size() >= 3, 10000);

    // The cable is pulled: the poll finds the device gone and closes it.
    QCOMPARE(m_sim.Set("UNPLUG"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsDeviceOpen(), 10000);
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    QCOMPARE(dlg.m_strInput, kFail);
    QCOMPARE(dlg.m_strStatus, QStringLiteral("Device is not open."));
    CheckSendingLook(dlg, false);
    const QStringList afterClose = LinesFromFirstClose(m_trace);
    QVERIFY(!afterClose.isEmpty());
    QCOMPARE(afterClose.filter(QRegularExpression(QStringLiteral("^FT_Write "))), QStringList{});
}

void TestFirmware::secondSendProgramDoesNotStartAnother()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("first.pro"), ProgramBytes(300)),
                           WriteFile(m_dir, QStringLiteral("second.pro"), ProgramBytes(200))};
    QSignalSpy *ended = nullptr;
    {
        COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        DialogFixture::OpenDevice(dlg);
        QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
        ended = new QSignalSpy(&dlg, &COstrumDlg::FirmwareUploadEnded);
        dlg.OnSendProgram();
        QVERIFY(!dlg.GetDlgItem(1093)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!TracedWrites(m_trace).isEmpty(), 10000);
        dlg.m_strInput += QStringLiteral("more");
        dlg.OnSendProgram();
        // No file dialog, no new note: the first upload goes on.
        QCOMPARE(prompts.openDialogs, 1);
        QCOMPARE(dlg.m_strInput, kNote + QStringLiteral("more"));
        QVERIFY(dlg.IsFirmwareUploadRunning());
        QCOMPARE(ended->size(), 0);
        // The dialog goes away with the upload running: its worker stops first.
    }
    QCOMPARE(ended->size(), 1);
    QCOMPARE(ended->at(0).at(0).toBool(), false);
    delete ended;
    const QList<TracedWrite> writes = TracedWrites(m_trace);
    QVERIFY(!writes.isEmpty());
    QCOMPARE(writes.count(TracedWrite{128, 0, 0}), writes.size());
}

void TestFirmware::unopenableFileFails()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {m_dir.filePath(QStringLiteral("no-such-file.pro"))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    QCOMPARE(dlg.m_strInput, kFail);
    CheckSendingLook(dlg, false);
    QCOMPARE(TracedWrites(m_trace), QList<TracedWrite>{});
}

void TestFirmware::namedPipeIsRefused()
{
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.pro"));
    QFile::remove(fifo);
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A reader left waiting for a writer is let go at the end (then the
    // pipe has a reader, and a writer that does not wait can open it).
    const auto releaseReaders = [&] {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    };
    const auto atEnd = qScopeGuard(releaseReaders);

    // The window refuses it before any progress note, in either language.
    for (const bool chinese : {false, true}) {
        ScriptedPrompts prompts;
        prompts.openAnswers = {fifo};
        COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        if (chinese) {
            auto *languages = qobject_cast<QComboBox *>(dlg.GetDlgItem(1038));
            languages->setCurrentIndex(1);
            dlg.OnLanguageChange();
        }
        DialogFixture::OpenDevice(dlg);
        dlg.m_strInput = QStringLiteral("kept");
        dlg.OnSendProgram();
        QVERIFY(!dlg.IsFirmwareUploadRunning());
        QCOMPARE(prompts.messages,
                 QStringList{chinese ? fifo + QStringLiteral(" 是命名管道或设备，不是程序文件；未向仪器发送任何内容。")
                                     : fifo + QStringLiteral(" is a named pipe or a device, not a program file; "
                                                             "nothing was sent to the instrument.")});
        QCOMPARE(dlg.m_strInput, QStringLiteral("kept"));
        CheckSendingLook(dlg, false);
        QVERIFY(dlg.GetDlgItem(1093)->isEnabled());
        QCOMPARE(TracedWrites(m_trace), QList<TracedWrite>{});
    }

    // The worker opens only a regular file: a pipe put in the file's place
    // after the window's check fails the upload instead of holding it.
    ScriptedDevice device;
    FirmwareWorker worker;
    FirmwareWorker::Result result = FirmwareWorker::Result::Sent;
    connect(&worker, &FirmwareWorker::Finished, &worker,
            [&](FirmwareWorker::Result r, qint64, qint64) { result = r; }, Qt::DirectConnection);
    std::unique_ptr<QThread> thread(QThread::create([&] { worker.SendProgramWorker({fifo, device.Write()}); }));
    thread->start();
    const bool ended = thread->wait(QDeadlineTimer(10000));
    if (!ended) {
        releaseReaders();
        thread->wait();
    }
    QVERIFY(ended);
    QCOMPARE(result, FirmwareWorker::Result::OpenFailed);
    QCOMPARE(device.calls, 0);
}

void TestFirmware::cancelledFileDialogDoesNothing()
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    dlg.m_strInput = QStringLiteral("kept");
    dlg.OnSendProgram();
    QCOMPARE(prompts.openDialogs, 1);
    QCOMPARE(dlg.m_strInput, QStringLiteral("kept"));
    QVERIFY(!dlg.IsFirmwareUploadRunning());
    CheckSendingLook(dlg, false);
}

void TestFirmware::exitDuringTheUploadStopsTheWorkerFirst()
{
    ScriptedPrompts prompts;
    prompts.openAnswers = {WriteFile(m_dir, QStringLiteral("exit.pro"), ProgramBytes(300))};
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    DialogFixture::OpenDevice(dlg);
    QCOMPARE(m_sim.Set("TAVIXSIM_FAULTS=partial_write=0"), 0);
    QSignalSpy ended(&dlg, &COstrumDlg::FirmwareUploadEnded);
    dlg.OnSendProgram();
    QTRY_VERIFY_WITH_TIMEOUT(!TracedWrites(m_trace).isEmpty(), 10000);

    dlg.OnOK();
    QCOMPARE(dlg.result(), 1);
    QCOMPARE(ended.size(), 1);
    QVERIFY(!dlg.IsFirmwareUploadRunning());
    QVERIFY(!dlg.IsDeviceOpen());
    QVERIFY(!dlg.m_driver.IsBound(D2xxBinding::EntryWrite));
    // The close comes after the last write.
    const QStringList lines = QString::fromLatin1(ReadAll(m_trace)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.last().startsWith(QStringLiteral("FT_Close ")));
    QCOMPARE(lines.filter(QStringLiteral("FT_Close ")).size(), 1);
}

QTEST_MAIN(TestFirmware)
#include "test_firmware.moc"
