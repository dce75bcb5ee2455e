// Output the program is kept from finishing. A signal while a file is
// written (--sort --output of a large capture, --capture, the window's Save
// input data in a child of the test): Ctrl+C, SIGHUP, SIGTERM and SIGKILL
// leave the old file as it was and nothing beside it. Where the file system
// makes files without a name no new name appears while the write runs;
// where the program cannot name such a file later (here /proc is hidden in
// a mount namespace of the program's own, which needs root) the hidden new
// file is removed by the signal. A folder on the way swapped for a link
// after its path was resolved does not lead the write into the link's
// target. --help and -V into a full device fail with "write error".
#include "dialog_fixture.h"

#include "core/io/native_file.h"
#include "core/io/text_file.h"
#include "gui/main_window/costrum_dlg.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kSample = QStringLiteral(TAVIX_SOURCE_DIR "/docs/sample_capture.txt");
const QByteArray kOld = "the old file, left as it was\n";
const int kEndingSignals[] = {SIGINT, SIGHUP, SIGQUIT, SIGTERM};

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// True once process pid has a file in folder open that already holds bytes:
// the new file, part-written.
bool WritingInto(qint64 pid, const QString &folder)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString &fd : QDir(fds).entryList(QDir::Files | QDir::System)) {
        const QString link = QFile::symLinkTarget(fds + QLatin1Char('/') + fd);
        struct stat info{};
        if (link.startsWith(folder + QLatin1Char('/'))
            && ::stat(QFile::encodeName(fds + QLatin1Char('/') + fd).constData(), &info) == 0 && S_ISREG(info.st_mode)
            && info.st_size > 0)
            return true;
    }
    return false;
}

// In a child: the signal actions a started program has, and, for named,
// /proc hidden in a mount namespace of its own.
bool BecomeLikeTheProgram(bool named)
{
    for (const int signal : kEndingSignals)
        std::signal(signal, SIG_DFL);
    return !named
           || (::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
               && ::umount2("/proc", MNT_DETACH) == 0);
}

} // namespace

class TestOutputFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void signalLeavesNothingBehind_data();
    void signalLeavesNothingBehind();
    void folderSwappedForALinkAfterTheCheck();
    void helpAndVersionIntoAFullDevice_data();
    void helpAndVersionIntoAFullDevice();

private:
    DialogFixture m_fixture;
    QString m_bigCapture; // about 26 MB of captured text
};

void TestOutputFaults::initTestCase()
{
    m_fixture.InitTestCase();
    m_fixture.Init(true);
    const QByteArray sample = ReadFile(kSample);
    m_bigCapture = m_fixture.FilePath(QStringLiteral("big.txt"));
    QFile big(m_bigCapture);
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(sample.left(2));
    for (int i = 0; i < 1000; ++i)
        big.write(sample.mid(2));
}

void TestOutputFaults::signalLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("named"); // the program cannot make a file without a name
    const QList<QPair<const char *, int>> signals_{
        {"Ctrl+C", SIGINT}, {"SIGHUP", SIGHUP}, {"SIGTERM", SIGTERM}, {"SIGKILL", SIGKILL}};
    for (const QString writer : {"--sort --output", "Save input data"}) {
        for (const auto &[name, signal] : signals_) {
            QTest::newRow(qPrintable(writer + QStringLiteral(", ") + name)) << writer << signal << false;
            // Nothing removes a named file after SIGKILL.
            if (signal != SIGKILL)
                QTest::newRow(qPrintable(writer + QStringLiteral(", ") + name + QStringLiteral(", named")))
                    << writer << signal << true;
        }
    }
    // The capture takes the other signals for itself: it ends and keeps
    // what arrived (tested with the command line).
    QTest::newRow("--capture, SIGKILL") << "--capture" << int(SIGKILL) << false;
}

void TestOutputFaults::signalLeavesNothingBehind()
{
    QFETCH(QString, writer);
    QFETCH(int, signal);
    QFETCH(bool, named);
    if (named) {
        const pid_t probe = ::fork();
        if (probe == 0)
            ::_exit(BecomeLikeTheProgram(true) ? 0 : 1);
        int status = -1;
        if (probe < 0 || ::waitpid(probe, &status, 0) != probe || status != 0)
            QSKIP("/proc cannot be hidden here (that needs root and a mount namespace)");
    }
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const int unnamed = ::open(QFile::encodeName(folder.path()).constData(), O_TMPFILE | O_WRONLY, 0600);
    if (unnamed < 0 && !named)
        QSKIP("this file system makes no file without a name");
    if (unnamed >= 0)
        ::close(unnamed);
    const QString target = folder.filePath(QStringLiteral("out.dat"));

    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    if (writer == QLatin1String("Save input data"))
        dlg.m_strInput = QString(30'000'000, QLatin1Char('x'));

    // The signal may come only once the new file is complete and in place:
    // then the write is tried again, a few times.
    for (int attempt = 1;; ++attempt) {
        QVERIFY(WriteFileBytes(target, kOld));
        qint64 pid = 0;
        QProcess process;
        if (writer == QLatin1String("Save input data")) {
            prompts.saveAnswers = {target};
            pid = ::fork();
            QVERIFY(pid >= 0);
            if (pid == 0) {
                if (BecomeLikeTheProgram(named))
                    dlg.OnSaveInput();
                ::_exit(0);
            }
        } else {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TAVIXSIM_FAULTS"})
                env.remove(QString::fromLatin1(name));
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_fixture.dir.path());
            env.insert(QStringLiteral("TAVIXSIM_BAUD"), QStringLiteral("2000"));
            process.setProcessEnvironment(env);
            QStringList arguments = writer == QLatin1String("--capture")
                                        ? QStringList{"--capture", target, "--driver", TAVIX_SIM_LIBRARY, "--serial",
                                                      "TX300001", "--print"}
                                        : QStringList{"--sort", m_bigCapture, "--log-type", "1", "--output", target};
            arguments.prepend(QStringLiteral(TAVIX_TERMINAL_PROGRAM));
            if (named)
                arguments = QStringList{"--mount", "sh", "-c", "umount -l /proc && exec \"$0\" \"$@\""} + arguments;
            process.start(named ? QStringLiteral("unshare") : arguments.takeFirst(), arguments);
            QVERIFY(process.waitForStarted(30000));
            pid = process.processId();
        }
        const bool child = writer == QLatin1String("Save input data");
        const auto ended = [&]() {
            int status = 0;
            return child ? ::waitpid(pid_t(pid), &status, WNOHANG) == pid_t(pid)
                         : process.state() == QProcess::NotRunning || process.waitForFinished(1);
        };
        bool finished = false;
        bool writing = false;
        const QDeadlineTimer deadline(60000);
        while (!(finished = ended()) && !(writing = WritingInto(pid, folder.path())) && !deadline.hasExpired())
            QTest::qSleep(1);
        if (finished) {
            // Done before it was seen writing: the new file is in place.
            QVERIFY2(ReadFile(target) != kOld, "the writer ended without writing");
            QVERIFY2(attempt < 5, "the write ended before the signal every time");
            continue;
        }
        const QStringList whileWriting = Entries(folder.path());
        QCOMPARE(::kill(pid_t(pid), writing ? signal : SIGKILL), 0);
        const QDeadlineTimer limit(30000);
        while (!(finished = ended()) && !limit.hasExpired())
            QTest::qSleep(5);
        if (!finished)
            ::kill(pid_t(pid), SIGKILL);
        QVERIFY2(writing, "no write began within 60 s");
        QVERIFY2(finished, "the writer did not end within 30 s of the signal");
        // Unnamed: nothing but the old file is seen; named: the hidden file
        // is there until the signal.
        if (!named)
            QCOMPARE(whileWriting, QStringList{QStringLiteral("out.dat")});
        else
            QVERIFY2(whileWriting.size() == 2 && whileWriting.first().endsWith(QLatin1String(".part")),
                     qPrintable(whileWriting.join(QLatin1Char(' '))));
        QCOMPARE(Entries(folder.path()), QStringList{QStringLiteral("out.dat")});
        if (ReadFile(target) == kOld)
            break;
        QVERIFY2(attempt < 5, "the write ended before the signal every time");
    }
}

void TestOutputFaults::folderSwappedForALinkAfterTheCheck()
{
    // Another user swaps the folder "mine" the path leads through for a link
    // to "elsewhere" between the resolution of the path and the write: the
    // file is made in the folder the path led to, under its new name, and
    // nothing lands where the link points.
    QTemporaryDir base;
    QVERIFY(base.isValid());
    QVERIFY(QDir(base.path()).mkpath(QStringLiteral("shared/mine")));
    QVERIFY(QDir(base.path()).mkpath(QStringLiteral("elsewhere")));
    const QString mine = base.filePath(QStringLiteral("shared/mine"));
    QVERIFY(WriteFileBytes(mine + QStringLiteral("/out.dat"), kOld));
    const NativeFile::Target target = NativeFile::ResolveForWriting(mine + QStringLiteral("/out.dat"));
    QVERIFY(target.refusal.isEmpty());
    QCOMPARE(target.kind, NativeFile::Kind::Regular);

    QVERIFY(QDir(base.path()).rename(QStringLiteral("shared/mine"), QStringLiteral("shared/moved")));
    QVERIFY(QFile::link(base.filePath(QStringLiteral("elsewhere")), mine));
    NativeFile::Replacement replacement;
    QString reason;
    QVERIFY2(replacement.Begin(target, &reason), qPrintable(reason));
    QVERIFY2(replacement.Write("new bytes", &reason), qPrintable(reason));
    QVERIFY2(replacement.Finish(&reason), qPrintable(reason));

    QCOMPARE(Entries(base.filePath(QStringLiteral("elsewhere"))), QStringList());
    QCOMPARE(Entries(base.filePath(QStringLiteral("shared/moved"))), QStringList{QStringLiteral("out.dat")});
    QCOMPARE(ReadFile(base.filePath(QStringLiteral("shared/moved/out.dat"))), QByteArray("new bytes"));
}

void TestOutputFaults::helpAndVersionIntoAFullDevice_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("--help") << "--help";
    QTest::newRow("-V") << "-V";
}

void TestOutputFaults::helpAndVersionIntoAFullDevice()
{
    QFETCH(QString, option);
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("this system has no /dev/full");
    QProcess process;
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(QStringLiteral(TAVIX_TERMINAL_PROGRAM), {option});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QStringLiteral("tavixterminal: write error: %1\n").arg(qt_error_string(ENOSPC)));
}

QTEST_MAIN(TestOutputFaults)
#include "test_output_faults.moc"
