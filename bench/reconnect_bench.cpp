// The instrument lost and found, through the dialog: the time from plugging
// the instrument back in to the dialog being ready again (the look that finds
// it listed, the open, Open's settle time and the readiness probe), through
// the serial adapter with tavixsim-pty (which plugs back at the link it
// keeps) and through the simulator library; and the cost of the poll's 10 ms
// tick while the dialog looks for the instrument, beside the cost of one look.
// Each round plugs back after the dialog has searched for 1 to 2 s, at moments
// spread over the search's one-second cycle. Last, the instrument is plugged
// back but does not answer the readiness probe, so that every look opens,
// probes and closes it: the longest time a 10 ms timer of the window's thread
// then waits between two of its ticks, over 3 s, against the same while the
// instrument is not listed at all.
//
// Usage: reconnect_bench [rounds, default 10]
#include "gui/main_window/costrum_dlg.h"
#include "silent_prompts.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kTickBatches = 200;
constexpr int kTicksPerBatch = 1000;
constexpr int kLooks = 20;

class QuietPrompts : public SilentPrompts
{
public:
    void Notice(const QString &) override { ++notices; }
    int notices = 0;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// Runs the event loop (the dialog's timers) until done, at most ms.
bool WaitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

struct Figures
{
    std::vector<double> readyMs; // replug to ready, one a round
    double tickUs = -1;          // the poll's tick while searching, no look due
    double lookUs = -1;          // one look that does not find the instrument
    double silentGapMs = -1;     // longest event-loop gap, listed but silent
    double missingGapMs = -1;    // longest event-loop gap, not listed
    int notices = 0;
};

// The longest time between two ticks of a 10 ms timer while the event loop
// runs for ms milliseconds.
double LongestTimerGapMs(int ms)
{
    QElapsedTimer since;
    qint64 longestNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestNs = std::max(longestNs, since.nsecsElapsed());
        since.start();
    });
    since.start();
    ticker.start(10);
    WaitFor([] { return false; }, ms);
    return longestNs / 1e6;
}

Figures Measure(const QString &driver, const std::function<bool()> &unplug, const std::function<bool()> &replug,
                const std::function<bool(bool)> &silence, int rounds)
{
    Figures figures;
    QuietPrompts prompts;
    COstrumDlg dlg(prompts, driver);
    dlg.OnSearch();
    dlg.OnOpen();
    if (g_bDeviceReady != 1) {
        std::fprintf(stderr, "%s: the instrument did not open\n", qPrintable(driver));
        return figures;
    }
    for (int round = 0; round < rounds; ++round) {
        if (!unplug() || !WaitFor([&] { return !dlg.IsDeviceOpen(); }, 10000) || !dlg.m_recovery.IsSearching()) {
            std::fprintf(stderr, "%s: the unplug was not noticed\n", qPrintable(driver));
            return figures;
        }
        if (round == 0) {
            // Right after the loss no look is due for a second: every tick
            // here is the idle one. The median batch leaves out a stray look.
            std::vector<double> batches;
            QElapsedTimer timer;
            for (int b = 0; b < kTickBatches; ++b) {
                timer.start();
                for (int i = 0; i < kTicksPerBatch; ++i)
                    dlg.PollDevice();
                batches.push_back(timer.nsecsElapsed() / 1e3 / kTicksPerBatch);
            }
            figures.tickUs = Median(batches);
            std::vector<double> looks;
            for (int i = 0; i < kLooks; ++i) {
                timer.start();
                dlg.TryReconnect();
                looks.push_back(timer.nsecsElapsed() / 1e3);
            }
            figures.lookUs = Median(looks);
        }
        // The cable goes back in at some moment of the search's one-second
        // cycle: rounds are spread over it.
        const int searchingMs = 1000 + (round * 370) % 1000;
        WaitFor([&] { return dlg.m_recovery.since().msecsTo(QDateTime::currentDateTime()) >= searchingMs; },
                searchingMs + 1000);
        if (!replug())
            return figures;
        QElapsedTimer timer;
        timer.start();
        if (!WaitFor([] { return g_bDeviceReady == 1; }, 10000)) {
            std::fprintf(stderr, "%s: not ready again within 10 s\n", qPrintable(driver));
            return figures;
        }
        figures.readyMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    figures.notices = prompts.notices;
    if (silence(true) && unplug() && WaitFor([&] { return dlg.m_recovery.IsSearching(); }, 10000)) {
        figures.missingGapMs = LongestTimerGapMs(3000);
        if (replug())
            figures.silentGapMs = LongestTimerGapMs(3000);
    }
    silence(false);
    dlg.OnOK();
    return figures;
}

void Print(const char *name, const Figures &figures)
{
    if (figures.readyMs.empty()) {
        std::printf("%s: no figures\n", name);
        return;
    }
    const auto [low, high] = std::minmax_element(figures.readyMs.begin(), figures.readyMs.end());
    std::printf("%s: replug to ready, median of %zu: %.0f ms (%.0f to %.0f ms); %d messages\n", name,
                figures.readyMs.size(), Median(figures.readyMs), *low, *high, figures.notices);
    std::printf("%s: poll tick while searching: %.3f us (%.6f ms, %s 0.1 ms); one look without the instrument: "
                "%.1f us, once a second\n",
                name, figures.tickUs, figures.tickUs / 1000, figures.tickUs < 100 ? "below" : "NOT below",
                figures.lookUs);
    std::printf("%s: longest gap of a 10 ms timer over 3 s: %.1f ms with the instrument listed but silent "
                "(probed once a second), %.1f ms with it not listed\n",
                name, figures.silentGapMs, figures.missingGapMs);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());

    // The simulator library, unplugged and plugged through its control.
    QLibrary sim(QStringLiteral(TAVIX_SIM_LIBRARY));
    const auto control = reinterpret_cast<int (*)(const char *)>(sim.resolve("TavixSim_Control"));
    if (!control) {
        std::fprintf(stderr, "the simulator library has no control\n");
        return 1;
    }
    const Figures library = Measure(
        QStringLiteral(TAVIX_SIM_LIBRARY), [&] { return control("UNPLUG") == 0; },
        [&] { return control("PLUG") == 0; },
        [&](bool silent) { return control(silent ? "TAVIXSIM_PROBE_REPLY=none" : "TAVIXSIM_PROBE_REPLY=0x80") == 0; },
        rounds);

    // tavixsim-pty at a link, through the adapter.
    const QString link = dir.filePath(QStringLiteral("ttyTAVIX"));
    QProcess pty;
    pty.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pty.start(QStringLiteral(TAVIXSIM_PTY), {QStringLiteral("--link"), link});
    const auto reply = [&pty]() -> QByteArray {
        while (!pty.canReadLine()) {
            if (!pty.waitForReadyRead(10000))
                return QByteArray();
        }
        return pty.readLine().trimmed();
    };
    if (reply() != link.toLocal8Bit()) {
        std::fprintf(stderr, "tavixsim-pty did not start\n");
        return 1;
    }
    qputenv("TAVIX_SERIAL_PORTS", link.toLocal8Bit() + "=TX300001=Tavix 3000");
    const auto command = [&](const char *line) {
        pty.write(QByteArray(line) + '\n');
        return reply() == "control=0";
    };
    const Figures adapter = Measure(
        QStringLiteral(TAVIX_SERIAL_LIBRARY), [&] { return command("unplug"); }, [&] { return command("replug"); },
        [&](bool silent) { return command(silent ? "TAVIXSIM_PROBE_REPLY=none" : "TAVIXSIM_PROBE_REPLY=0x80"); },
        rounds);
    pty.terminate();
    pty.waitForFinished(5000);

    Print("adapter + tavixsim-pty", adapter);
    Print("simulator library", library);
    return 0;
}
