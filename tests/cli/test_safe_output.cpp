// Every file the program writes, under the faults a disk, a user or another
// user brings: a file size limit, a full disk (a small file system, where
// the test may mount one), a named pipe or a folder where the file should
// be, and a link a stranger planted in a shared folder. For each writer of
// the command line (the program as a child process) and of the window (in
// a child of the test) the old file stays as it was, the failure is
// reported with the system's reason, and nothing is left behind. Then
// standard input and output, pipes and named pipes, paths that look like
// Qt resources, and the window's refusal to wait on a named pipe.
#include "batch_sort_runner.h"
#include "child_process.h"
#include "dialog_fixture.h"

#include "core/io/text_file.h"
#include "gui/main_window/costrum_dlg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSample = QStringLiteral(TAVIX_SOURCE_DIR "/docs/sample_capture.txt");
const QByteArray kOld = "the old file, left as it was\n";
const QStringList kWriters{"--sort --output", "--plot",          "--capture",      "Save input data",
                           "Save sorted data", "translated save", "logging backup"};
const QStringList kFaults{"size limit", "full disk", "named pipe", "folder", "stranger's link"};
constexpr rlim_t kSizeLimit = 1000;
constexpr uid_t kStranger = 65534;

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// What a path is and holds, to compare before and after.
QByteArray Describe(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info{};
    if (lstat(name.constData(), &info) != 0)
        return "missing";
    if (S_ISLNK(info.st_mode)) {
        char target[4096];
        const ssize_t n = readlink(name.constData(), target, sizeof target);
        return "link to " + QByteArray(target, int(qMax<ssize_t>(n, 0))) + " of " + QByteArray::number(info.st_uid);
    }
    if (S_ISDIR(info.st_mode))
        return "folder";
    if (S_ISFIFO(info.st_mode))
        return "named pipe";
    return "file " + ReadFile(path);
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Fills the file system that holds folder until it takes no more bytes.
void Fill(const QString &folder)
{
    QFile filler(folder + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
}

struct Outcome
{
    int status = -1; // the exit status; for the window 0 without a message, else 1
    QString message; // standard error, or the window's messages
    QByteArray out;  // standard output
};

} // namespace

class TestSafeOutput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void faultsLeaveTheOldFile_data();
    void faultsLeaveTheOldFile();
    void standardStreamsAndPipes_data();
    void standardStreamsAndPipes();
    void windowRefusesANamedPipe();
    void backupStartsAnExistingFileAfresh();

private:
    // Runs the program on arguments (under a file size limit when limitSize
    // is set); feed writes its input once it has started.
    Outcome RunProgram(const QStringList &arguments, bool limitSize,
                       const std::function<void(QProcess &)> &feed = {}) const;
    Outcome RunWindowWriter(const QString &writer, const QString &target, bool limitSize);

    DialogFixture m_fixture;
};

void TestSafeOutput::initTestCase()
{
    m_fixture.InitTestCase();
    m_fixture.Init(true);
    QVERIFY(QFile::copy(kSample, m_fixture.dir.path() + QStringLiteral("/:sample.txt")));
}

Outcome TestSafeOutput::RunProgram(const QStringList &arguments, bool limitSize,
                                   const std::function<void(QProcess &)> &feed) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TAVIXSIM_FAULTS"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_fixture.dir.path());
    env.insert(QStringLiteral("TAVIXSIM_BAUD"), QStringLiteral("0"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_fixture.dir.path());
    if (limitSize)
        process.start(QStringLiteral("prlimit"), QStringList{QStringLiteral("--fsize=%1").arg(kSizeLimit),
                                                             QStringLiteral(TAVIX_TERMINAL_PROGRAM)}
                                                     + arguments);
    else
        process.start(QStringLiteral(TAVIX_TERMINAL_PROGRAM), arguments);
    Outcome outcome;
    if (!process.waitForStarted(30000))
        return outcome;
    if (feed)
        feed(process);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(5000);
        outcome.message = QStringLiteral("<no normal exit within 60 s>");
        return outcome;
    }
    outcome.status = process.exitCode();
    outcome.message = QString::fromUtf8(process.readAllStandardError());
    outcome.out = process.readAllStandardOutput();
    return outcome;
}

Outcome TestSafeOutput::RunWindowWriter(const QString &writer, const QString &target, bool limitSize)
{
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(ReadFile(kSample).constData() + 2),
                                            (ReadFile(kSample).size() - 2) / 2);
    dlg.m_strInput = text;
    dlg.m_strSortedOutput = text;
    dlg.UpdateData(false);
    prompts.messages.clear();
    prompts.saveAnswers = {target};
    const QString result = InChild([&] {
        if (limitSize)
            LimitFileSize(kSizeLimit);
        if (writer == QLatin1String("Save input data"))
            dlg.OnSaveInput();
        else if (writer == QLatin1String("Save sorted data"))
            dlg.OnSaveSortedData();
        else if (writer == QLatin1String("translated save"))
            dlg.OnTranslateKeywords();
        else
            dlg.OnStartLogging();
        return QString(dlg.m_bLogging ? QStringLiteral("<logging>") : QString()) + prompts.messages.join('\n');
    });
    return Outcome{result.isEmpty() || result.startsWith(QStringLiteral("<logging>")) ? 0 : 1, result, {}};
}

void TestSafeOutput::faultsLeaveTheOldFile_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("fault");
    for (const QString &writer : kWriters) {
        for (const QString &fault : kFaults) {
            // The backup file grows in place while logging runs: a full disk
            // or a size limit meets its writes, not its opening.
            if (writer == QLatin1String("logging backup") && (fault == "size limit" || fault == "full disk"))
                continue;
            QTest::newRow(qPrintable(writer + QStringLiteral(", ") + fault)) << writer << fault;
        }
    }
}

void TestSafeOutput::faultsLeaveTheOldFile()
{
    QFETCH(QString, writer);
    QFETCH(QString, fault);
    QTemporaryDir base;
    QVERIFY(base.isValid());
    QString folder = base.path();
    QString victim; // where a stranger's link points
    auto unmount = qScopeGuard([&folder, &base] {
        if (folder != base.path())
            umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    });
    if (fault == QLatin1String("full disk")) {
        folder = base.filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkdir(folder));
        if (mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") != 0) {
            folder = base.path();
            QSKIP("no small file system can be mounted here");
        }
    } else if (fault == QLatin1String("stranger's link")) {
        if (geteuid() != 0)
            QSKIP("only root can give a link to another user");
        folder = base.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(chmod(QFile::encodeName(folder).constData(), 01777), 0);
    }
    const QString target = folder + QStringLiteral("/out.dat");
    const QByteArray targetName = QFile::encodeName(target);
    if (fault == QLatin1String("named pipe")) {
        QCOMPARE(mkfifo(targetName.constData(), 0600), 0);
    } else if (fault == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(target));
    } else if (fault == QLatin1String("stranger's link")) {
        victim = base.filePath(QStringLiteral("victim.dat"));
        QVERIFY(WriteFileBytes(victim, kOld));
        QCOMPARE(symlink(QFile::encodeName(victim).constData(), targetName.constData()), 0);
        QCOMPARE(lchown(targetName.constData(), kStranger, kStranger), 0);
    } else {
        QVERIFY(WriteFileBytes(target, kOld));
    }
    if (fault == QLatin1String("full disk"))
        Fill(folder);
    const QStringList entriesBefore = Entries(folder);
    const QByteArray targetBefore = Describe(target);
    const QByteArray victimBefore = victim.isEmpty() ? QByteArray() : Describe(victim);

    const bool limitSize = fault == QLatin1String("size limit");
    Outcome outcome;
    int failureStatus = 1;
    if (writer == QLatin1String("--sort --output")) {
        outcome = RunProgram({"--sort", kSample, "--output", target}, limitSize);
        failureStatus = 2;
    } else if (writer == QLatin1String("--plot")) {
        outcome = RunProgram({"--sort", kSample, "--plot", target}, limitSize);
        failureStatus = 2;
    } else if (writer == QLatin1String("--capture")) {
        outcome = RunProgram({"--capture", target, "--driver", TAVIX_SIM_LIBRARY, "--serial", "TX300001", "--print"},
                             limitSize);
        failureStatus = 6;
    } else {
        outcome = RunWindowWriter(writer, target, limitSize);
    }

    const QString reason = fault == QLatin1String("size limit") ? qt_error_string(EFBIG)
                         : fault == QLatin1String("full disk")  ? qt_error_string(ENOSPC)
                         : fault == QLatin1String("named pipe") ? QStringLiteral("named pipe")
                         : fault == QLatin1String("folder")     ? QStringLiteral("folder")
                                                                : QStringLiteral("not followed");
    QVERIFY2(outcome.status == failureStatus, qPrintable(QStringLiteral("status %1: %2").arg(outcome.status)
                                                             .arg(outcome.message)));
    QVERIFY2(outcome.message.contains(reason), qPrintable(outcome.message));
    QVERIFY2(outcome.message.contains(target), qPrintable(outcome.message));
    QCOMPARE(Describe(target), targetBefore);
    QCOMPARE(Entries(folder), entriesBefore);
    if (!victim.isEmpty())
        QCOMPARE(Describe(victim), victimBefore);
}

void TestSafeOutput::standardStreamsAndPipes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("feed"); // "stdin", "named pipe" or "" (nothing)
    QTest::addColumn<QStringList>("reference"); // an in-process run whose output the program's must equal

    const QString file = m_fixture.FilePath(QStringLiteral("reference.dat"));
    const QString pipe = m_fixture.FilePath(QStringLiteral("pipe"));
    QTest::newRow("--sort - from a pipe") << QStringList{"--sort", "-", "--log-type", "1"} << "stdin"
                                          << QStringList{"--sort", kSample, "--log-type", "1"};
    QTest::newRow("--sort from a named pipe") << QStringList{"--sort", pipe} << "named pipe"
                                              << QStringList{"--sort", kSample};
    QTest::newRow("--sort of a file named like a Qt resource")
        << QStringList{"--sort", ":sample.txt", "--log-type", "1"} << ""
        << QStringList{"--sort", kSample, "--log-type", "1"};
    QTest::newRow("--output - writes the sorted data file to a pipe")
        << QStringList{"--sort", kSample, "--output", "-"} << "" << QStringList{"--sort", kSample, "--output", file};
    QTest::newRow("--plot - writes the PNG to a pipe")
        << QStringList{"--sort", kSample, "--plot", "-", "--output", m_fixture.FilePath("sorted.dat")} << ""
        << QStringList{"--sort", kSample, "--plot", file};
    QTest::newRow("--capture - writes the capture to a pipe")
        << QStringList{"--capture", "-", "--driver", TAVIX_SIM_LIBRARY, "--serial", "TX300001", "--print"} << ""
        << QStringList{};
}

void TestSafeOutput::standardStreamsAndPipes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, feed);
    QFETCH(QStringList, reference);
    const QString pipe = m_fixture.FilePath(QStringLiteral("pipe"));
    QFile::remove(pipe);
    QByteArray expected = ReadFile(kSample); // the capture is the sample, byte for byte
    if (!reference.isEmpty()) {
        const QString file = m_fixture.FilePath(QStringLiteral("reference.dat"));
        QFile::remove(file);
        const RunResult run = RunInProcess(reference);
        QCOMPARE(run.status, 0);
        expected = reference.contains(file) ? ReadFile(file) : run.out;
    }
    QVERIFY(!expected.isEmpty());

    if (feed == QLatin1String("named pipe"))
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const Outcome outcome = RunProgram(arguments, false, [&](QProcess &process) {
        const QByteArray bytes = ReadFile(kSample);
        if (feed == QLatin1String("stdin"))
            process.write(bytes);
        if (feed != QLatin1String("named pipe"))
            return;
        // Written in two parts, so that the program reads a stream, not a file.
        const QString written = InChild([&] {
            QFile writer(pipe);
            if (!writer.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                return writer.errorString();
            writer.write(bytes.left(1001));
            usleep(100000);
            writer.write(bytes.mid(1001));
            return QString();
        }, 30000);
        QCOMPARE(written, QString());
    });
    QVERIFY2(outcome.status == 0, qPrintable(outcome.message));
    QCOMPARE(outcome.out, expected);
}

void TestSafeOutput::windowRefusesANamedPipe()
{
    // Opening a named pipe without a writer would wait for ever; the window
    // says why it does not, in both languages, and keeps its input data.
    const QString pipe = m_fixture.FilePath(QStringLiteral("window-pipe"));
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    dlg.m_strInput = QStringLiteral("kept");
    prompts.messages.clear();
    prompts.openAnswers = {pipe, pipe};
    const QString result = InChild([&] {
        dlg.OnOpenInput();
        dlg.ApplyLanguage(1);
        dlg.OnOpenInput();
        return prompts.messages.join('\n') + QStringLiteral("\n<input %1>").arg(dlg.m_strInput);
    }, 20000);
    QCOMPARE(result, pipe + QStringLiteral(" is a named pipe or a device, not a file; the window does not wait to "
                                           "read it. The input data is unchanged.\n")
                         + pipe + QStringLiteral(" 是命名管道或设备，不是文件；窗口不会等待读取它。输入数据未改变。\n"
                                                 "<input kept>"));
}

void TestSafeOutput::backupStartsAnExistingFileAfresh()
{
    // The user's own link in a shared folder leads to a longer file of
    // earlier logging: it is followed, and the file starts again empty.
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString shared = base.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkdir(shared));
    QCOMPARE(chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QString earlier = base.filePath(QStringLiteral("earlier.dat"));
    QVERIFY(WriteFileBytes(earlier, QByteArray(5000, 'x')));
    const QString link = shared + QStringLiteral("/log.dat");
    QCOMPARE(symlink(QFile::encodeName(earlier).constData(), QFile::encodeName(link).constData()), 0);
    const Outcome outcome = RunWindowWriter(QStringLiteral("logging backup"), link, false);
    QCOMPARE(outcome.message, QStringLiteral("<logging>"));
    QCOMPARE(ReadFile(earlier), QByteArray());
    QVERIFY(QFileInfo(link).isSymLink());
}

QTEST_MAIN(TestSafeOutput)
#include "test_safe_output.moc"
