#include "cli/command_line.h"

#include "cli/batch_sort.h"
#include "cli/capture_command.h"
#include "cli/help_text.h"
#include "core/device/d2xx_binding.h"
#include "core/util/version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <iterator>
#include <memory>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace CommandLine {

namespace {

// The number of the signal (Ctrl+C's SIGINT, SIGTERM, SIGHUP) that arrived
// while a capture runs; the capture then ends and writes what arrived. A
// lock-free atomic may be stored from a signal handler.
std::atomic<int> g_captureStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int signal)
{
    g_captureStopSignal.store(signal);
}

// The signals that end a capture and keep what arrived: Ctrl+C, the
// request to end of timeout, systemd and a shutdown, and a closed terminal.
const int kCaptureStopSignals[] = {
    SIGINT, SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

bool StandardErrorIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

QStringList RawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i] ? argv[i] : "");
    return arguments;
}

// Writes text to stream; false, with errno as the failing call left it, when
// not all of it reached the stream's file (a full disk, a closed pipe).
bool WriteText(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const bool whole = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    const int error = errno;
    const bool flushed = std::fflush(stream) == 0;
    if (whole && flushed && !std::ferror(stream))
        return true;
    if (errno == 0)
        errno = error;
    return false;
}

// Writes the text --help or --version asks for. Output that cannot be
// written is a failure, as for GNU tools: "write error" and the system's
// reason on standard error, status 1.
int WriteRequestedText(const QString &text)
{
    if (WriteText(stdout, text))
        return 0;
    const int error = errno;
    WriteText(stderr, QStringLiteral("tavixterminal: write error%1\n")
                          .arg(error != 0 ? QStringLiteral(": ") + qt_error_string(error) : QString()));
    return kExitWriteError;
}

int UsageError(const QString &message)
{
    WriteText(stderr, QStringLiteral("tavixterminal: %1\nTry 'tavixterminal --help' for more information.\n")
                          .arg(message));
    return BatchSort::ExitUsage;
}

// The window system's own options, which QApplication takes out of the
// command line: the ones that take a value, then the plain ones. Both are
// accepted with one or two dashes.
const char *const kQtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                       "qwindowgeometry", "qwindowicon", "qwindowtitle", "display",
                                       "geometry", "style", "stylesheet", "session", "name", "title"};
const char *const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// The window's arguments without the window system's options; the value of
// -platform, if any, goes to platform.
QStringList WithoutQtOptions(const QStringList &arguments, QString *platform)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (i == 0 || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("--")) {
            kept << arg;
            continue;
        }
        QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const bool inlineValue = equals >= 0;
        if (inlineValue) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        bool taken = false;
        for (const char *option : kQtValueOptions) {
            if (name == QLatin1String(option)) {
                if (!inlineValue && i + 1 < arguments.size())
                    value = arguments.at(++i);
                if (name == QLatin1String("platform"))
                    *platform = value;
                taken = true;
                break;
            }
        }
        for (const char *option : kQtFlagOptions)
            taken = taken || (!inlineValue && name == QLatin1String(option));
        if (!taken)
            kept << arg;
    }
    return kept;
}

int RunCapture(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return CaptureCommand::ExitUsage;
    g_captureStopSignal.store(0);
    using Handler = void (*)(int);
    Handler previous[std::size(kCaptureStopSignals)];
    for (size_t i = 0; i < std::size(kCaptureStopSignals); ++i)
        previous[i] = std::signal(kCaptureStopSignals[i], OnStopSignal);
    const int status = CaptureCommand::Run(QCoreApplication::arguments(), out, err, StandardErrorIsTerminal(),
                                           &g_captureStopSignal);
    for (size_t i = 0; i < std::size(kCaptureStopSignals); ++i)
        std::signal(kCaptureStopSignals[i], previous[i] == SIG_ERR ? SIG_DFL : previous[i]);
    return status;
}

// The offscreen platform's note that the runtime folder is not set is no
// concern of a command that only writes an image; every other message goes
// on to Qt's own handler.
QtMessageHandler g_qtMessageHandler = nullptr;

void PlotMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (g_qtMessageHandler)
        g_qtMessageHandler(type, context, message);
}

int RunSort(int argc, char *argv[], bool plot)
{
    // The graph is drawn offscreen: no display is needed, and the pixels do
    // not depend on one.
    if (plot) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        g_qtMessageHandler = qInstallMessageHandler(PlotMessageHandler);
    }
    std::unique_ptr<QCoreApplication> app(plot ? new QGuiApplication(argc, argv) : new QCoreApplication(argc, argv));
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return BatchSort::ExitUsage;
    return BatchSort::Run(QCoreApplication::arguments(), out, err);
}

int RunWindow(int argc, char *argv[], const QStringList &arguments, WindowStarter startWindow)
{
    QString platform;
    QCommandLineParser parser;
    const QCommandLineOption driver(QStringLiteral("driver"), QString(), QStringLiteral("PATH"));
    parser.addOption(driver);
    if (!parser.parse(WithoutQtOptions(arguments, &platform)))
        return UsageError(Cli::ParseErrorText(parser, QString()));
    if (!parser.positionalArguments().isEmpty())
        return UsageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    if (parser.values(driver).size() > 1)
        return UsageError(QStringLiteral("--driver is given more than once"));

    const QString reason = NoDisplayReason(platform, qEnvironmentVariable("QT_QPA_PLATFORM"),
                                                       qEnvironmentVariable("DISPLAY"),
                                                       qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!reason.isEmpty()) {
        WriteText(stderr, QStringLiteral(
                              "tavixterminal: the window cannot open: %1.\n"
                              "Start it in a desktop session (or over ssh -X, or under xvfb-run), or use the\n"
                              "command-line modes, which need no display: --capture, --sort and --plot\n"
                              "(see --help). scripts/run shows them on the simulated instrument.\n")
                              .arg(reason));
        return kExitNoDisplay;
    }

    return startWindow(argc, argv, parser.value(driver));
}

} // namespace

Mode DecideMode(const QStringList &arguments)
{
    bool help = false, version = false, capture = false, sort = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--"))
            break;
        help = help || arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("-?");
        version = version || arg == QLatin1String("--version") || arg == QLatin1String("-V")
                  || arg == QLatin1String("-v");
        sort = sort || arg == QLatin1String("--sort") || arg.startsWith(QLatin1String("--sort="));
    }
    capture = CaptureCommand::IsRequested(arguments);
    if (help)
        return Mode::Help;
    if (version)
        return Mode::Version;
    if (capture && sort)
        return Mode::Conflict;
    if (capture)
        return Mode::Capture;
    if (sort)
        return Mode::Sort;
    return Mode::Window;
}

QString NoDisplayReason(const QString &platform, const QString &qpaPlatform, const QString &x11Display,
                                    const QString &waylandDisplay)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID) && !defined(Q_OS_IOS)
    const bool x11 = !x11Display.isEmpty();
    const bool wayland = !waylandDisplay.isEmpty();
    const QString chosen = !platform.isEmpty() ? platform : qpaPlatform;
    if (chosen.isEmpty()) {
        return x11 || wayland ? QString() : QStringLiteral("there is no display (neither DISPLAY nor "
                                                           "WAYLAND_DISPLAY is set)");
    }
    // QT_QPA_PLATFORM may list platforms to try in turn ("wayland;xcb"),
    // each with its own arguments after a colon.
    for (const QString &entry : chosen.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0).trimmed();
        if (name.startsWith(QLatin1String("xcb"))) {
            if (x11)
                return QString();
        } else if (name.startsWith(QLatin1String("wayland"))) {
            if (wayland)
                return QString();
        } else {
            return QString();
        }
    }
    return QStringLiteral("the platform '%1' needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set")
        .arg(chosen);
#else
    Q_UNUSED(platform);
    Q_UNUSED(qpaPlatform);
    Q_UNUSED(x11Display);
    Q_UNUSED(waylandDisplay);
    return QString();
#endif
}

int Run(int argc, char *argv[], WindowStarter startWindow)
{
    // --verbose is taken out of the arguments here, whatever the mode: it
    // only makes the driver binding name the libraries it tried.
    int kept = 0;
    bool verbose = false;
    for (int i = 0; i < argc; ++i) {
        const bool option = i > 0 && argv[i] && std::strcmp(argv[i], "--verbose") == 0
                            && !std::any_of(argv + 1, argv + i, [](const char *arg) {
                                   return arg && std::strcmp(arg, "--") == 0;
                               });
        verbose = verbose || option;
        if (!option)
            argv[kept++] = argv[i];
    }
    if (kept < argc)
        argv[kept] = nullptr;
    argc = kept;
    D2xxBinding::SetVerbose(verbose);

#ifdef SIGXFSZ
    // A file size limit makes a write fail with its reason ("File too
    // large"), which every writer reports and recovers from, instead of
    // ending the program halfway with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    const QStringList arguments = RawArguments(argc, argv);
    switch (DecideMode(arguments)) {
    case Mode::Help:
        return WriteRequestedText(HelpText());
    case Mode::Version:
        return WriteRequestedText(QStringLiteral("tavixterminal %1\n").arg(QLatin1String(kProgramVersion)));
    case Mode::Conflict:
        return UsageError(QStringLiteral("give either --capture or --sort, not both"));
    case Mode::Capture:
        return RunCapture(argc, argv);
    case Mode::Sort:
        // The graph and the report draw, so they need the drawing platform.
        return RunSort(argc, argv, std::any_of(arguments.cbegin(), arguments.cend(), [](const QString &arg) {
                           return arg == QLatin1String("--plot") || arg.startsWith(QLatin1String("--plot="))
                                  || arg == QLatin1String("--report") || arg.startsWith(QLatin1String("--report="));
                       }));
    case Mode::Window:
        break;
    }
    return RunWindow(argc, argv, arguments, startWindow);
}

} // namespace CommandLine
