// Cost of one poll tick while the input text grows, against the simulated
// instrument with pacing off (every byte waits in the receive queue, so each
// tick reads a full 600-byte chunk). Prints the median time of one tick with
// 10 KB and with 30 MB already captured and their ratio, then the rate the
// poll sustains on its 10 ms timer beside the 60,000 bytes a second that
// 600 bytes a tick allow.
//
// Then the window's capture tick at the full rate: the dialog's own 10 ms
// poll with data always waiting, the CPU time of the window's thread per
// tick (the poll, the paints and everything else the event loop does) and
// how often the input window was painted a second. The window painted at
// every tick and the window as it paints take turns over several rounds of
// a second, so that a burst of load from other programs falls on both;
// the medians of the rounds and their ratio are printed.
//
// Usage: poll_bench [path of libtavixsim.so]
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/text_view.h"
#include "log_rows.h"
#include "silent_prompts.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLibrary>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

namespace {

constexpr int kTicksMeasured = 400;
constexpr int kRateSeconds = 3;
constexpr int kCaptureRounds = 5;
constexpr int kCaptureRoundMs = 1000;

class Simulator
{
public:
    explicit Simulator(const QString &path) : m_library(path)
    {
        m_library.load();
        m_control = reinterpret_cast<int (*)(const char *)>(m_library.resolve("TavixSim_Control"));
    }
    bool IsLoaded() const { return m_control != nullptr; }
    void Set(const QByteArray &setting) const
    {
        if (m_control(setting.constData()) != 0)
            std::fprintf(stderr, "simulator refused %s\n", setting.constData());
    }

private:
    QLibrary m_library;
    int (*m_control)(const char *) = nullptr;
};


// CPU time of this thread in ms: unlike the wall clock it does not count
// the time other processes take the processor away.
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct TickTimes {
    double wallMs = 0;
    double cpuMs = 0;
    int rebuilds = 0;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Shows `captured` bytes of text in the input window, then times single
// ticks that each append one 600-byte chunk: the medians of wall-clock and
// CPU time, and how often the window was laid out anew meanwhile.
TickTimes MedianTick(COstrumDlg &dlg, const Simulator &sim, qsizetype captured)
{
    dlg.m_strInput = QString::fromLatin1(LogRows(captured));
    dlg.UpdateData(false);
    dlg.ScrollInputToEnd();
    QApplication::processEvents();
    auto *window = qobject_cast<TextView *>(dlg.GetDlgItem(1031));
    const int rebuilds = window->RebuildCount();

    sim.Set("PRINT"); // far more than kTicksMeasured chunks wait in the queue
    std::vector<double> wall, cpu;
    wall.reserve(kTicksMeasured);
    cpu.reserve(kTicksMeasured);
    QElapsedTimer timer;
    for (int tick = 0; tick < kTicksMeasured; ++tick) {
        const qsizetype before = dlg.m_strInput.size();
        const double cpuStart = ThreadCpuMs();
        timer.start();
        dlg.PollDevice();
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(ThreadCpuMs() - cpuStart);
        if (dlg.m_strInput.size() - before != 600)
            std::fprintf(stderr, "tick %d appended %lld characters\n", tick,
                         static_cast<long long>(dlg.m_strInput.size() - before));
    }
    TickTimes times;
    times.rebuilds = window->RebuildCount() - rebuilds;
    times.wallMs = Median(wall);
    times.cpuMs = Median(cpu);
    // Empty the queue for the next measurement.
    dlg.OnSearch();
    dlg.OnOpen();
    return times;
}

// Runs the dialog's own 10 ms poll for a few seconds with data always
// waiting, after `captured` bytes were shown; returns the captured bytes a
// second and, in chunksPerSecond, how many 600-byte chunks that is.
double SustainedRate(COstrumDlg &dlg, const Simulator &sim, qsizetype captured, double *chunksPerSecond)
{
    dlg.m_strInput = QString::fromLatin1(LogRows(captured));
    dlg.UpdateData(false);
    dlg.ScrollInputToEnd();
    sim.Set("PRINT");
    const qsizetype before = dlg.m_strInput.size();
    QElapsedTimer elapsed;
    elapsed.start();
    dlg.SetTimer(COstrumDlg::TIMER_POLL, COstrumDlg::kPollPeriodMs);
    // A local loop: quitting the application would close the dialog.
    QEventLoop loop;
    QTimer::singleShot(kRateSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    dlg.KillTimer(COstrumDlg::TIMER_POLL);
    if (!dlg.isVisible())
        std::fprintf(stderr, "the dialog was closed during the measurement\n");
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    const double bytes = static_cast<double>(dlg.m_strInput.size() - before);
    *chunksPerSecond = bytes / 600.0 / seconds;
    // Empty the queue for the next measurement.
    dlg.OnSearch();
    dlg.OnOpen();
    return bytes / seconds;
}

// Counts the paints of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct WindowTick {
    double cpuMsPerTick = 0;
    double paintsPerSecond = 0;
    double ticksPerSecond = 0;
};

// Runs the dialog's own 10 ms poll for a few seconds with data always
// waiting, after `captured` bytes were shown: the thread's CPU time per
// tick that brought a chunk, and the input window's paints a second.
WindowTick CaptureTick(COstrumDlg &dlg, const Simulator &sim, qsizetype captured, int repaintMs)
{
    qobject_cast<TextView *>(dlg.GetDlgItem(1031))->SetRepaintInterval(repaintMs);
    dlg.m_strInput = QString::fromLatin1(LogRows(captured));
    dlg.UpdateData(false);
    dlg.ScrollInputToEnd();
    QApplication::processEvents();
    auto *window = qobject_cast<QAbstractScrollArea *>(dlg.GetDlgItem(1031));
    PaintCounter counter;
    window->viewport()->installEventFilter(&counter);
    sim.Set("PRINT");
    const qsizetype before = dlg.m_strInput.size();
    QElapsedTimer elapsed;
    elapsed.start();
    const double cpuStart = ThreadCpuMs();
    dlg.SetTimer(COstrumDlg::TIMER_POLL, COstrumDlg::kPollPeriodMs);
    QEventLoop loop;
    QTimer::singleShot(kCaptureRoundMs, &loop, &QEventLoop::quit);
    loop.exec();
    dlg.KillTimer(COstrumDlg::TIMER_POLL);
    const double cpu = ThreadCpuMs() - cpuStart;
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    window->viewport()->removeEventFilter(&counter);
    const double ticks = double(dlg.m_strInput.size() - before) / 600.0;
    WindowTick result;
    result.cpuMsPerTick = cpu / ticks;
    result.paintsPerSecond = counter.paints / seconds;
    result.ticksPerSecond = ticks / seconds;
    dlg.OnSearch();
    dlg.OnOpen();
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString simPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TAVIX_SIM_LIBRARY);

    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    Simulator sim(simPath);
    if (!sim.IsLoaded()) {
        std::fprintf(stderr, "cannot load the simulated instrument %s\n", qPrintable(simPath));
        return 1;
    }
    sim.Set("RESET");
    sim.Set("TAVIXSIM_BAUD=0");
    // A print-out of 1 MB: enough for every measurement's ticks.
    const QString printout = dir.filePath(QStringLiteral("printout.txt"));
    {
        QFile file(printout);
        if (!file.open(QIODevice::WriteOnly) || file.write(LogRows(1 << 20)) != (1 << 20)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(printout));
            return 1;
        }
    }
    sim.Set("TAVIXSIM_PRINTOUT=" + printout.toLocal8Bit());

    SilentPrompts prompts;
    COstrumDlg dlg(prompts, simPath);
    dlg.show();
    QApplication::processEvents();
    dlg.KillTimer(COstrumDlg::TIMER_POLL); // ticks are driven by hand first
    dlg.OnSearch();
    dlg.OnOpen();
    if (!g_bDeviceReady) {
        std::fprintf(stderr, "the simulated instrument did not open: %s\n", qPrintable(dlg.m_strStatus));
        return 1;
    }

    const TickTimes small = MedianTick(dlg, sim, 10 * 1000);
    const TickTimes large = MedianTick(dlg, sim, 30 * 1000 * 1000);
    std::printf("poll tick, 600-byte chunk, median of %d ticks (wall clock / CPU time of the thread)\n",
                kTicksMeasured);
    std::printf("  with 10 KB captured:  %8.3f ms / %8.3f ms (window rebuilt %d times)\n", small.wallMs, small.cpuMs,
                small.rebuilds);
    std::printf("  with 30 MB captured:  %8.3f ms / %8.3f ms (window rebuilt %d times; target: CPU at most 0.3 ms)\n",
                large.wallMs, large.cpuMs, large.rebuilds);
    std::printf("  ratio 30 MB / 10 KB:  %8.2f    / %8.2f    (target at most 1.5)\n", large.wallMs / small.wallMs,
                large.cpuMs / small.cpuMs);

    double chunksSmall = 0, chunksLarge = 0;
    const double rateSmall = SustainedRate(dlg, sim, 10 * 1000, &chunksSmall);
    const double rateLarge = SustainedRate(dlg, sim, 30 * 1000 * 1000, &chunksLarge);
    std::printf("poll on its 10 ms timer, %d s, data always waiting\n", kRateSeconds);
    std::printf("  from 10 KB captured:  %8.0f bytes/s (%.1f chunks a second)\n", rateSmall, chunksSmall);
    std::printf("  from 30 MB captured:  %8.0f bytes/s (%.1f chunks a second)\n", rateLarge, chunksLarge);
    std::printf("  allowed by 600 bytes a tick: 60000 bytes/s\n");

    std::printf("the window's capture tick at the full rate, %d rounds of %d ms taking turns (CPU time of the "
                "window's thread per tick that brought 600 bytes, median and range of the rounds; input window "
                "paints a second)\n", kCaptureRounds, kCaptureRoundMs);
    for (const qsizetype captured : {qsizetype(10 * 1000), qsizetype(30 * 1000 * 1000)}) {
        // Painted at every tick, as the window did before it held frames
        // back, and as the window does, in turns.
        std::vector<WindowTick> every, framed;
        for (int round = 0; round < kCaptureRounds; ++round) {
            every.push_back(CaptureTick(dlg, sim, captured, 0));
            framed.push_back(CaptureTick(dlg, sim, captured, COstrumDlg::kInputRepaintMs));
        }
        const auto median = [](const std::vector<WindowTick> &rounds, double WindowTick::*field) {
            std::vector<double> values;
            for (const WindowTick &round : rounds)
                values.push_back(round.*field);
            return Median(values);
        };
        const auto range = [](const std::vector<WindowTick> &rounds) {
            const auto [low, high] = std::minmax_element(rounds.begin(), rounds.end(), [](const auto &a, const auto &b) {
                return a.cpuMsPerTick < b.cpuMsPerTick;
            });
            return std::pair(low->cpuMsPerTick, high->cpuMsPerTick);
        };
        const char *size = captured > 1000 * 1000 ? "30 MB" : "10 KB";
        const double everyCpu = median(every, &WindowTick::cpuMsPerTick);
        const double framedCpu = median(framed, &WindowTick::cpuMsPerTick);
        std::printf("  from %s captured, painted at every tick: %6.3f ms a tick (%.3f-%.3f), %5.1f paints/s "
                    "(%.1f ticks/s)\n",
                    size, everyCpu, range(every).first, range(every).second,
                    median(every, &WindowTick::paintsPerSecond), median(every, &WindowTick::ticksPerSecond));
        std::printf("  from %s captured, at most every %d ms:   %6.3f ms a tick (%.3f-%.3f), %5.1f paints/s "
                    "(%.1f ticks/s); CPU ratio %.2f\n",
                    size, COstrumDlg::kInputRepaintMs, framedCpu, range(framed).first, range(framed).second,
                    median(framed, &WindowTick::paintsPerSecond), median(framed, &WindowTick::ticksPerSecond),
                    framedCpu / everyCpu);
    }
    return 0;
}
