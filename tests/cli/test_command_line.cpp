// The program's command line, run as a child process on a machine without a
// display (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM): help, version,
// bad arguments, the plain start, every exit status of --capture and of
// --sort ... --plot, the capture against the window's "Save input data",
// the graph's PNG against the window's chart and its worked geometry, a
// capture cut short by a signal or an unplug, and the README's examples on
// the sample capture.
#include "cli/batch_sort.h"
#include "cli/command_line.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/my_chart.h"
#include "scripted_prompts.h"
#include "sim_control.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <signal.h>

namespace {

const QString kSample = QStringLiteral(TAVIX_SOURCE_DIR "/docs/sample_capture.txt");
const QString kSignatureLine = QStringLiteral(" Signature .................\r\n");

struct RunResult
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void Click(COstrumDlg &dlg, int id)
{
    auto *button = qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
    QVERIFY2(button && button->isVisible() && button->isEnabled(), qPrintable(QString::number(id)));
    QTest::mouseClick(button, Qt::LeftButton);
}

bool IsBlue(const QImage &image, int x, int y)
{
    return image.pixel(x, y) == qRgb(0, 0, 255);
}

bool ColumnHasBlue(const QImage &image, int x)
{
    for (int y = 0; y < image.height(); ++y) {
        if (IsBlue(image, x, y))
            return true;
    }
    return false;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void noDisplayReason_data();
    void noDisplayReason();
    void exitStatuses_data();
    void exitStatuses();
    void captureEqualsTheWindowsSavedInput();
    void cutShortCaptureKeepsWhatArrived_data();
    void cutShortCaptureKeepsWhatArrived();
    void captureEndings_data();
    void captureEndings();
    void plotDotsAtTheWorkedGeometry();
    void readmeExamplesRunAsPrinted();
    void captureProgressWithoutATerminal();
    void helpFitsEightyColumns();
    void quietUnlessVerbose_data();
    void quietUnlessVerbose();

private:
    QProcessEnvironment Environment(const QStringList &extra = {}) const;
    QString Expand(QString text) const;
    RunResult Run(const QStringList &arguments, const QStringList &env = {}, const QString &folder = {}) const;

    QTemporaryDir m_dir;
    QTemporaryDir m_profileDir;
};

void TestCommandLine::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_profileDir.isValid());
    // The window here and the program's children share one profile.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_profileDir.path());
    QFile notes(m_dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("Tavix 3000\r\nNote book\r\n");
}

QProcessEnvironment TestCommandLine::Environment(const QStringList &extra) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TAVIXSIM_FAULTS"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_profileDir.path());
    env.insert(QStringLiteral("TAVIXSIM_BAUD"), QStringLiteral("0"));
    for (const QString &setting : extra)
        env.insert(setting.section(QLatin1Char('='), 0, 0), Expand(setting.section(QLatin1Char('='), 1)));
    return env;
}

// {dir} is the test's folder, {sim} the simulated instrument, {sample}
// the sample capture.
QString TestCommandLine::Expand(QString text) const
{
    return text.replace(QStringLiteral("{dir}"), m_dir.path())
        .replace(QStringLiteral("{sim}"), QStringLiteral(TAVIX_SIM_LIBRARY))
        .replace(QStringLiteral("{simNoQueue}"), QStringLiteral(TAVIX_SIM_NO_QUEUE_LIBRARY))
        .replace(QStringLiteral("{sample}"), kSample);
}

RunResult TestCommandLine::Run(const QStringList &arguments, const QStringList &env, const QString &folder) const
{
    QStringList expanded;
    for (const QString &argument : arguments)
        expanded << Expand(argument);
    QProcess process;
    process.setProcessEnvironment(Environment(env));
    process.setWorkingDirectory(folder.isEmpty() ? m_dir.path() : folder);
    process.start(QStringLiteral(TAVIX_TERMINAL_PROGRAM), expanded);
    RunResult result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void TestCommandLine::noDisplayReason_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("qpa");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<bool>("opens");
    QTest::newRow("nothing set") << "" << "" << "" << "" << false;
    QTest::newRow("X11") << "" << "" << ":0" << "" << true;
    QTest::newRow("Wayland") << "" << "" << "" << "wayland-0" << true;
    QTest::newRow("offscreen chosen") << "" << "offscreen" << "" << "" << true;
    QTest::newRow("vnc with arguments") << "" << "vnc:size=800x600" << "" << "" << true;
    QTest::newRow("xcb without DISPLAY") << "" << "xcb" << "" << "wayland-0" << false;
    QTest::newRow("wayland without its display") << "" << "wayland" << ":0" << "" << false;
    QTest::newRow("fallback list") << "" << "wayland;xcb" << ":0" << "" << true;
    QTest::newRow("-platform overrides") << "offscreen" << "xcb" << "" << "" << true;
    QTest::newRow("-platform xcb") << "xcb" << "offscreen" << "" << "" << false;
}

void TestCommandLine::noDisplayReason()
{
    QFETCH(QString, platform);
    QFETCH(QString, qpa);
    QFETCH(QString, display);
    QFETCH(QString, wayland);
    QFETCH(bool, opens);
    QCOMPARE(CommandLine::NoDisplayReason(platform, qpa, display, wayland).isEmpty(), opens);
}

void TestCommandLine::exitStatuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("outWords");
    QTest::addColumn<QString>("errText");

    const QStringList capture{"--capture", "{dir}/c.txt", "--driver", "{sim}"};
    const QStringList sort{"--sort", "{sample}"};
    QTest::newRow("help") << QStringList{"--help"} << QStringList{} << 0
                          << QStringList{"--version", "--capture OUT", "--plot PNG", "--file K", "--idle SECONDS",
                                         "the word serial", "Exit status", "  6  --capture", "  8  --capture",
                                         "129, 143  --capture"}
                          << "";
    QTest::newRow("version") << QStringList{"--version"} << QStringList{} << 0 << QStringList{"tavixterminal 2.0\n"}
                             << "";
    QTest::newRow("-V") << QStringList{"-V"} << QStringList{} << 0 << QStringList{"tavixterminal 2.0\n"} << "";
    QTest::newRow("-v") << QStringList{"-v"} << QStringList{} << 0 << QStringList{"tavixterminal 2.0\n"} << "";
    QTest::newRow("input file missing") << QStringList{"--sort", "{dir}/missing.txt"} << QStringList{} << 2
                                        << QStringList{} << "tavixterminal: Cannot open file {dir}/missing.txt";
    QTest::newRow("unknown option") << QStringList{"--colour"} << QStringList{} << 2 << QStringList{}
                                    << "tavixterminal: Unknown option 'colour'.\n";
    QTest::newRow("plain start") << QStringList{} << QStringList{} << 7 << QStringList{}
                                 << "the window cannot open: there is no display";
    QTest::newRow("xcb without DISPLAY") << QStringList{"--driver", "{sim}"} << QStringList{"QT_QPA_PLATFORM=xcb"} << 7
                                         << QStringList{} << "the platform 'xcb' needs a display";
    QTest::newRow("capture and sort") << QStringList{"--capture", "a", "--sort", "b"} << QStringList{} << 2
                                      << QStringList{} << "give either --capture or --sort";
    QTest::newRow("serial and description") << capture + QStringList{"--serial", "A", "--description", "B"}
                                            << QStringList{} << 2 << QStringList{} << "not both";
    QTest::newRow("idle 0") << capture + QStringList{"--serial", "TX300001", "--idle", "0"} << QStringList{} << 2
                            << QStringList{} << "--idle must be a number of seconds above 0, not '0'";
    QTest::newRow("no driver library") << QStringList{"--capture", "{dir}/c.txt", "--driver", "{dir}/none.so",
                                                      "--serial", "TX300001"}
                                       << QStringList{} << 3 << QStringList{} << "cannot use the D2XX driver library";
    // The library missing is told before that no instrument is remembered,
    // naming what was looked for.
    QTest::newRow("no driver library, nothing remembered")
        << QStringList{"--capture", "{dir}/c.txt", "--driver", "{dir}/none.so"}
        << QStringList{"XDG_CONFIG_HOME={dir}/empty"} << 3 << QStringList{}
        << "cannot use the D2XX driver library '{dir}/none.so': Error: Can't Load {dir}/none.so\n";
    QTest::newRow("--idle given to --sort") << sort + QStringList{"--idle", "3"} << QStringList{} << 2
                                            << QStringList{} << "tavixterminal: --idle belongs to --capture, not to --sort\n";
    QTest::newRow("--plot given to --capture") << capture + QStringList{"--plot", "g.png"} << QStringList{} << 2
                                               << QStringList{} << "--plot belongs to --sort, not to --capture\n";
    QTest::newRow("--print without a mode") << QStringList{"--print"} << QStringList{} << 2 << QStringList{}
                                            << "--print belongs to --capture (without --capture or --sort";
    QTest::newRow("driver lacks an entry point")
        << QStringList{"--capture", "{dir}/c.txt", "--driver", "{simNoQueue}", "--serial", "TX300001"}
        << QStringList{} << 3 << QStringList{} << "Can't Find FT_GetQueueStatus";
    QTest::newRow("serial not attached") << capture + QStringList{"--serial", "TX999999"} << QStringList{} << 4
                                         << QStringList{} << "serial number 'TX999999' is not attached";
    QTest::newRow("description not attached") << capture + QStringList{"--description", "Other"} << QStringList{}
                                              << 4 << QStringList{} << "description 'Other' is not attached";
    QTest::newRow("open refused") << capture + QStringList{"--serial", "TX300001"}
                                  << QStringList{"TAVIXSIM_FAULTS=open_fail"} << 4 << QStringList{}
                                  << "could not be opened";
    QTest::newRow("nothing remembered") << capture << QStringList{"XDG_CONFIG_HOME={dir}/empty"} << 4
                                        << QStringList{} << "no instrument is remembered in the profile";
    QTest::newRow("Print not pressed") << capture + QStringList{"--serial", "TX300001", "--max-seconds", "0.5"}
                                       << QStringList{} << 5 << QStringList{} << "nothing arrived from the instrument";
    QTest::newRow("Print not answered") << capture + QStringList{"--serial", "TX300001", "--print", "--idle", "0.3"}
                                        << QStringList{"TAVIXSIM_FAULTS=write_fail"} << 5 << QStringList{}
                                        << "nothing arrived from the instrument";
    QTest::newRow("output folder missing")
        << QStringList{"--capture", "{dir}/none/c.txt", "--driver", "{sim}", "--serial", "TX300001", "--print"}
        << QStringList{} << 6 << QStringList{} << "the folder of {dir}/none/c.txt does not exist";
    QTest::newRow("output is a folder") << QStringList{"--capture", "{dir}", "--serial", "TX300001"} << QStringList{}
                                        << 6 << QStringList{} << "{dir} is a folder";
    QTest::newRow("no File marker") << QStringList{"--sort", "{dir}/notes.txt", "--log-type", "1"}
                                         << QStringList{} << 1 << QStringList{}
                                         << "{dir}/notes.txt holds no \"File \" marker";
    QTest::newRow("DR% with QRT 31") << sort + QStringList{"--log-type", "2", "--variable", "6", "--plot", "g.png"}
                                     << QStringList{} << 1 << QStringList{}
                                     << "DR% (--variable 6) cannot be shown for log type 2 (\"QRT 31 Logp\")";
    QTest::newRow("file beyond the picked") << sort + QStringList{"--plot", "{dir}/c.txt", "--file", "3"}
                                            << QStringList{} << 2 << QStringList{}
                                            << "--file 3: log type 0 (\"QRT 03 Logp\") picked 2 log files in";
    QTest::newRow("file 0") << sort + QStringList{"--plot", "{dir}/c.txt", "--file", "0"} << QStringList{} << 2
                            << QStringList{} << "--file must be a number from 1, not '0'";
    QTest::newRow("file without plot") << sort + QStringList{"--file", "2"} << QStringList{} << 2 << QStringList{}
                                       << "give --plot PNG too";
    QTest::newRow("PNG not writable") << sort + QStringList{"--plot", "{dir}/none/g.png"} << QStringList{} << 2
                                      << QStringList{} << "cannot write the PNG file {dir}/none/g.png";
}

void TestCommandLine::exitStatuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, env);
    QFETCH(int, status);
    QFETCH(QStringList, outWords);
    QFETCH(QString, errText);

    const RunResult result = Run(arguments, env);
    QVERIFY2(result.status == status, qPrintable(QStringLiteral("status %1: %2").arg(result.status)
                                                     .arg(QString::fromUtf8(result.err))));
    for (const QString &word : outWords)
        QVERIFY2(result.out.contains(word.toUtf8()), qPrintable(word));
    QVERIFY2(result.err.contains(Expand(errText).toUtf8()), result.err.constData());
    // Nothing is written where a command fails; no display is ever needed.
    if (status != 0)
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("c.txt"))));
    QVERIFY(!result.err.contains("could not connect to display"));
}

void TestCommandLine::captureEqualsTheWindowsSavedInput()
{
    // The window: Search, Open (which remembers the instrument), Enter,
    // "Save input data"; then the graph of "Vavg" of the second QRT 03 file.
    SimControl sim;
    QVERIFY(sim.IsLoaded());
    QCOMPARE(sim.Set("RESET"), 0);
    QCOMPARE(sim.Set("TAVIXSIM_BAUD=0"), 0);
    const QString windowFile = m_dir.filePath(QStringLiteral("window.txt"));
    ScriptedPrompts prompts;
    QImage windowGraph;
    {
        COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Click(dlg, 1030);
        Click(dlg, 1024);
        QTRY_COMPARE_WITH_TIMEOUT(g_bDeviceReady, 1, 10000);
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : static_cast<QWidget *>(&dlg), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(dlg.m_strInput.count(kSignatureLine) == 7
                                     && dlg.m_strInput.endsWith(kSignatureLine + QStringLiteral("\r\n")),
                                 30000);
        prompts.saveAnswers << windowFile;
        dlg.OnSaveInput();
        Click(dlg, 1043);
        Click(dlg, 1055);
        Click(dlg, 1035);
        Click(dlg, 1080);
        QCOMPARE(dlg.m_pChart->Title(), QStringLiteral("File 3"));
        windowGraph = dlg.m_pChart->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.messages.join(QLatin1Char('\n'))));
    QCOMPARE(sim.Set("RESET"), 0);

    // The capture opens the instrument the window remembered.
    const QString captured = m_dir.filePath(QStringLiteral("captured.txt"));
    const RunResult capture = Run({"--capture", captured, "--driver", "{sim}", "--print"});
    QCOMPARE(capture.status, 0);
    QVERIFY2(capture.err.contains("serial number TX300001 (remembered in the profile)"), capture.err.constData());
    QVERIFY2(capture.err.contains("captured 13140 bytes into " + captured.toUtf8()), capture.err.constData());
    const QByteArray bytes = ReadFile(captured);
    QCOMPARE(bytes.size(), 2 + 2 * 13140);
    QCOMPARE(bytes, ReadFile(windowFile));
    // The sample capture kept in the repository is this same print-out.
    QCOMPARE(ReadFile(kSample), bytes);

    // The PNG holds the window's pixels.
    const QString png = m_dir.filePath(QStringLiteral("vavg.png"));
    const RunResult plot = Run({"--sort", captured, "--variable", "1", "--plot", png, "--file", "2"});
    QCOMPARE(plot.status, 0);
    QVERIFY2(plot.err.isEmpty(), plot.err.constData());
    const QImage image(png);
    QCOMPARE(image.size(), windowGraph.size());
    QVERIFY(image.convertToFormat(QImage::Format_RGB32) == windowGraph);
}

void TestCommandLine::cutShortCaptureKeepsWhatArrived_data()
{
    QTest::addColumn<int>("signal"); // 0: the instrument is unplugged instead
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("note");
    QTest::newRow("Ctrl+C") << int(SIGINT) << 0 << "(stopped by interrupt)";
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143 << "(stopped by SIGTERM; the print-out may be incomplete)";
    QTest::newRow("SIGHUP") << int(SIGHUP) << 129 << "(stopped by SIGHUP; the print-out may be incomplete)";
    QTest::newRow("unplugged") << 0 << 8 << "before the print-out ended; what arrived is written into";
}

void TestCommandLine::cutShortCaptureKeepsWhatArrived()
{
    QFETCH(int, signal);
    QFETCH(int, status);
    QFETCH(QString, note);
    // At 2000 baud the print-out takes over a minute: a signal or an unplug
    // (at the 150th status query, over a second in) ends it early. The
    // instrument's trace shows when the first bytes have been read.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString captured = folder.filePath(QStringLiteral("cut.txt"));
    const QString trace = m_dir.filePath(QStringLiteral("cut.trace"));
    QFile::remove(trace);
    QProcess process;
    QProcessEnvironment env = Environment({"TAVIXSIM_BAUD=2000", "TAVIXSIM_TRACE=" + trace});
    if (signal == 0)
        env.insert(QStringLiteral("TAVIXSIM_FAULTS"), QStringLiteral("unplug_after=150"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAVIX_TERMINAL_PROGRAM),
                  {"--capture", captured, "--driver", QStringLiteral(TAVIX_SIM_LIBRARY), "--serial", "TX300001",
                   "--print"});
    QVERIFY(process.waitForStarted());
    if (signal != 0) {
        const QRegularExpression bytesRead(QStringLiteral("^FT_Read .* got=[1-9]"),
                                           QRegularExpression::MultilineOption);
        QTRY_VERIFY_WITH_TIMEOUT(QString::fromLatin1(ReadFile(trace)).contains(bytesRead), 30000);
        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    }
    QVERIFY(process.waitForFinished(30000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == status, err.constData());
    QVERIFY2(err.contains(note.toUtf8()), err.constData());
    // What arrived is there, whole, and nothing else is left in the folder.
    const QByteArray bytes = ReadFile(captured);
    const QByteArray whole = ReadFile(kSample);
    QVERIFY(bytes.size() > 2);
    QVERIFY(bytes.size() < whole.size());
    QVERIFY(whole.startsWith(bytes));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("cut.txt")});
}

void TestCommandLine::captureEndings_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("errText");
    QTest::addColumn<QString>("notText"); // never on standard error
    QTest::addColumn<bool>("whole");     // the whole print-out is written, else nothing

    // At TAVIXSIM_BAUD=0 the print-out (13140 bytes) waits at once: status
    // queries 1 to 22 read it, 600 bytes a time; from the 23rd on the link
    // is quiet, one query every 10 ms.
    const QStringList capture{"--capture", "{dir}/end.txt", "--driver", "{sim}", "--serial", "TX300001"};
    QTest::newRow("unplugged before the first byte")
        << capture + QStringList{"--max-seconds", "20"} << QStringList{"TAVIXSIM_FAULTS=unplug_after=3"} << 8
        << "tavixterminal: the instrument stopped answering before it sent anything\n" << "--print" << false;
    QTest::newRow("unplugged in the quiet after the print-out")
        << capture + QStringList{"--print", "--idle", "10"} << QStringList{"TAVIXSIM_FAULTS=unplug_after=60"} << 8
        << "the link to the instrument was lost after 13140 bytes, " << "before the print-out ended" << true;
    QTest::newRow("unplug found after the quiet time had passed")
        << capture + QStringList{"--print", "--idle", "0.02"} << QStringList{"TAVIXSIM_FAULTS=unplug_after=25"} << 0
        << "captured 13140 bytes into {dir}/end.txt\n" << "lost" << true;
    // The adapter's own words, without a guess after them.
    QTest::newRow("a port that is a regular file")
        << QStringList{"--capture", "{dir}/end.txt", "--driver", "serial", "--serial", "PORT1"}
        << QStringList{"TAVIX_SERIAL_PORTS={dir}/notes.txt=PORT1=Port one"} << 4
        << "the instrument with serial number 'PORT1' could not be opened: {dir}/notes.txt is not a serial port: it "
           "is a regular file\n"
        << "another program" << false;
}

void TestCommandLine::captureEndings()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, env);
    QFETCH(QString, errText);
    QFETCH(QString, notText);
    QFETCH(bool, whole);
    const QString written = m_dir.filePath(QStringLiteral("end.txt"));
    QFile::remove(written);
    const RunResult result = Run(arguments, env);
    QFETCH(int, status);
    QVERIFY2(result.status == status, result.err.constData());
    QVERIFY2(result.err.contains(Expand(errText).toUtf8()), result.err.constData());
    QVERIFY2(!result.err.contains(notText.toUtf8()), result.err.constData());
    if (whole)
        QCOMPARE(ReadFile(written), ReadFile(kSample));
    else
        QVERIFY(!QFile::exists(written));
}

void TestCommandLine::plotDotsAtTheWorkedGeometry()
{
    // File 3's "Vavg": ten samples, 0,18 first (the lowest) and 0,29 sixth
    // (the highest). Chart (0, 0, 460, 292): samples at x = 73, 110, ...,
    // 404; the lowest at y = 252, the highest at y = 60; the x axis at
    // y = 272. The image has the 1-pixel frame: client (x, y) is (x+1, y+1).
    const QString png = m_dir.filePath(QStringLiteral("worked.png"));
    QCOMPARE(Run({"--sort", "{sample}", "--log-type", "0", "--variable", "1", "--plot", png, "--file", "2"}).status,
             0);
    const QImage image = QImage(png).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(460, 292));
    const int xs[] = {73, 110, 147, 183, 220, 257, 294, 331, 367, 404};
    for (int x : xs)
        QVERIFY2(ColumnHasBlue(image, x + 1), qPrintable(QString::number(x)));
    // Between two dots only the red curve passes.
    for (int i = 0; i + 1 < 10; ++i)
        QVERIFY2(!ColumnHasBlue(image, (xs[i] + xs[i + 1]) / 2 + 1), qPrintable(QString::number(i)));
    QVERIFY(IsBlue(image, 73 + 1, 252 + 1));
    QVERIFY(IsBlue(image, 257 + 1, 60 + 1));
    QVERIFY(!IsBlue(image, 73 + 1, 60 + 1));
    QCOMPARE(image.pixel(300 + 1, 272 + 1), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(60 + 1, 100 + 1), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0)); // the frame

    // The same graph as an SVG picture and as a PDF page, by the name's ending.
    for (const char *ending : {"svg", "SVG", "pdf"}) {
        const QString picture = m_dir.filePath(QStringLiteral("worked.%1").arg(QLatin1String(ending)));
        QCOMPARE(Run({"--sort", "{sample}", "--log-type", "0", "--variable", "1", "--plot", picture, "--file", "2"})
                     .status,
                 0);
        const QByteArray bytes = ReadFile(picture);
        if (QByteArray(ending).toLower() == "pdf") {
            QVERIFY(bytes.startsWith("%PDF-"));
            continue;
        }
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        }
        QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
        QCOMPARE(xml.attributes().value("viewBox").toString(), QStringLiteral("0 0 460 292"));
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(bytes.contains("File 3"));
        // The ten dots, drawn as filled squares (a picture file draws no zero-length line).
        QCOMPARE(bytes.count("fill=\"#0000ff\""), 10);
    }
}

void TestCommandLine::readmeExamplesRunAsPrinted()
{
    // Every command of the README's shell blocks that starts the program,
    // run from a copy of the source tree's top holding the sample capture.
    QFile readme(QStringLiteral(TAVIX_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList commands;
    QStringList folders;
    bool inShell = false;
    // A line ending in a backslash goes on on the next, as in the shell.
    QStringList lines;
    for (const QString &line : QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n'))) {
        if (!lines.isEmpty() && lines.last().endsWith(QLatin1Char('\\')))
            lines.last() = lines.last().chopped(1) + QLatin1Char(' ') + line.trimmed();
        else
            lines << line;
    }
    for (const QString &line : std::as_const(lines)) {
        if (line.startsWith(QLatin1String("```")))
            inShell = !inShell && line == QLatin1String("```sh");
        else if (inShell && line.startsWith(QLatin1String("build/src/tavixterminal ")))
            commands << line;
        else if (inShell && line.startsWith(QLatin1String("mkdir -p ")))
            folders << line.mid(9).trimmed();
    }
    QVERIFY2(commands.size() >= 4, qPrintable(commands.join(QLatin1Char('\n'))));

    QTemporaryDir top;
    QVERIFY(QDir(top.path()).mkpath(QStringLiteral("docs")));
    // The folders the README makes for the examples' output.
    for (const QString &folder : std::as_const(folders))
        QVERIFY(QDir(top.path()).mkpath(folder));
    QVERIFY(QFile::copy(kSample, top.filePath(QStringLiteral("docs/sample_capture.txt"))));
    int plots = 0;
    for (const QString &command : commands) {
        QStringList words = command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        words.removeFirst();
        for (QString &word : words) {
            if (word == QLatin1String("build/sim/libtavixsim.so"))
                word = QStringLiteral(TAVIX_SIM_LIBRARY);
        }
        const RunResult result = Run(words, {}, top.path());
        QVERIFY2(result.status == 0, qPrintable(command + QLatin1Char('\n') + QString::fromUtf8(result.err)));
        for (const char *option : {"--output", "--plot", "--capture"}) {
            const qsizetype at = words.indexOf(QLatin1String(option));
            if (at < 0)
                continue;
            const QByteArray written = ReadFile(top.filePath(words.at(at + 1)));
            QVERIFY2(written.startsWith(option == QLatin1String("--plot") ? "\x89PNG" : "\xFF\xFE"),
                     qPrintable(command));
            plots += option == QLatin1String("--plot");
        }
        if (!words.contains(QLatin1String("--output")) && words.contains(QLatin1String("--sort")))
            QVERIFY(result.out.startsWith("File "));
    }
    QVERIFY(plots >= 1);
}

void TestCommandLine::captureProgressWithoutATerminal()
{
    // Standard error is a pipe here: plain progress lines, at most one per
    // 4096 bytes received, never the carriage returns of a terminal's line.
    const QString captured = m_dir.filePath(QStringLiteral("progress.txt"));
    const RunResult result = Run({"--capture", captured, "--driver", "{sim}", "--serial", "TX300001", "--print"});
    QVERIFY2(result.status == 0, result.err.constData());
    QVERIFY(!result.err.contains('\r'));
    const QRegularExpression progress(QStringLiteral("^tavixterminal: received (\\d+) bytes$"),
                                      QRegularExpression::MultilineOption);
    QList<qint64> reported;
    for (auto match = progress.globalMatch(QString::fromUtf8(result.err)); match.hasNext();)
        reported << match.next().captured(1).toLongLong();
    // 13140 bytes: past 4096, 8192 and 12288 once each.
    QVERIFY2(!reported.isEmpty() && reported.size() <= 13140 / 4096, result.err.constData());
    for (qsizetype i = 1; i < reported.size(); ++i)
        QVERIFY(reported.at(i) / 4096 > reported.at(i - 1) / 4096);
    QVERIFY(reported.last() <= 13140);
}

void TestCommandLine::quietUnlessVerbose_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("named"); // the libraries tried are on standard error
    const QStringList capture{"--capture", "{dir}/q.txt", "--serial", "TX999999"};
    QTest::newRow("default search, binding works") << capture << false;
    QTest::newRow("default search, --verbose") << capture + QStringList{"--verbose"} << true;
    QTest::newRow("--verbose before the mode") << QStringList{"--verbose"} + capture << true;
    QTest::newRow("the library given cannot be loaded")
        << QStringList{"--capture", "{dir}/q.txt", "--driver", "{dir}/none.so", "--serial", "TX300001"} << true;
}

void TestCommandLine::quietUnlessVerbose()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, named);
    const RunResult result = Run(arguments);
    QVERIFY2(result.status == 3 || result.status == 4, result.err.constData());
    QCOMPARE(result.err.contains("tavixterminal: driver not loaded: "), named);
    // Every line on standard error is the program's.
    for (const QByteArray &line : result.err.split('\n'))
        QVERIFY2(line.isEmpty() || line.startsWith("tavixterminal: ") || line.startsWith("Try 'tavixterminal"),
                 line.constData());
}

void TestCommandLine::helpFitsEightyColumns()
{
    const RunResult result = Run({"--help"});
    QCOMPARE(result.status, 0);
    const QStringList lines = QString::fromUtf8(result.out).split(u'\n');
    // A one-line summary first, then the usage.
    QCOMPARE(lines.first(), QStringLiteral("tavixterminal - terminal for the Tavix 3000 air-measurement instrument"));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("Usage: tavixterminal")));
    for (const QString &line : lines)
        QVERIFY2(line.size() <= 80, qPrintable(line));
    QVERIFY(result.out.contains("-V, -v, --version"));
    QVERIFY(result.out.contains("--verbose"));
}

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
