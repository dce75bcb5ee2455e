// The poll through the serial adapter and the kernel's tty layer: the
// simulated instrument runs in tavixsim-pty with pacing off, so data always
// waits and each 10 ms tick may read its full 600 bytes. Prints the rate the
// dialog's own poll sustains beside the 60,000 bytes a second ceiling, and
// the cost of one tick when nothing waits (the status query alone, through
// the adapter and, for comparison, through the simulator library).
//
// Usage: serial_poll_bench [seconds of the rate measurement, default 5]
#include "core/device/d2xx_binding.h"
#include "gui/main_window/costrum_dlg.h"
#include "silent_prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kIdleTicks = 20000;
constexpr double kCeiling = 60000.0; // 600 bytes every 10 ms

// Text lines of about 50 bytes, as a long log print-out.
QByteArray Rows(qsizetype bytes)
{
    QByteArray out;
    for (int row = 0; out.size() < bytes; ++row)
        out += QByteArray("08-01-02  12:") + QByteArray::number(10 + row % 50) + ":00   0.25   22.3 \xBA" "C  14  1013\r\n";
    out.truncate(bytes);
    return out;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median cost in microseconds of a tick that finds nothing waiting: one
// status query on an open handle.
double IdleTickMicros(const QString &library, const char *serial)
{
    D2xxBinding binding;
    if (!binding.Load(library).ok)
        return -1;
    FT_HANDLE handle = nullptr;
    if (binding.OpenEx(const_cast<char *>(serial), FT_OPEN_BY_SERIAL_NUMBER, &handle) != FT_OK)
        return -1;
    binding.SetTimeouts(handle, 300, 300);
    std::vector<double> times;
    times.reserve(kIdleTicks);
    QElapsedTimer timer;
    DWORD rx = 0, tx = 0, events = 0;
    for (int i = 0; i < kIdleTicks; ++i) {
        timer.start();
        const FT_STATUS status = binding.GetStatus(handle, &rx, &tx, &events);
        times.push_back(timer.nsecsElapsed() / 1e3);
        if (status != FT_OK || rx != 0) {
            std::fprintf(stderr, "status %u with %u bytes waiting\n", status, rx);
            return -1;
        }
    }
    binding.Close(handle);
    return Median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());

    // Enough print-out for the whole measurement at twice the ceiling.
    const QString printout = dir.filePath(QStringLiteral("printout.txt"));
    {
        QFile file(printout);
        const QByteArray rows = Rows(qsizetype(kCeiling * 2 * (seconds + 2)));
        if (!file.open(QIODevice::WriteOnly) || file.write(rows) != rows.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(printout));
            return 1;
        }
    }
    QProcess pty;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAVIXSIM_BAUD"), QStringLiteral("0"));
    environment.insert(QStringLiteral("TAVIXSIM_PRINTOUT"), printout);
    pty.setProcessEnvironment(environment);
    pty.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pty.start(QStringLiteral(TAVIXSIM_PTY), QStringList());
    if (!pty.waitForReadyRead(10000)) {
        std::fprintf(stderr, "tavixsim-pty did not start\n");
        return 1;
    }
    qputenv("TAVIX_SERIAL_PORTS", pty.readLine().trimmed() + "=TX300001=Tavix 3000");

    const double adapterIdle = IdleTickMicros(QStringLiteral(TAVIX_SERIAL_LIBRARY), "TX300001");
    const double simIdle = IdleTickMicros(QStringLiteral(TAVIX_SIM_LIBRARY), "TX300001");

    SilentPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SERIAL_LIBRARY));
    dlg.show();
    dlg.OnSearch();
    dlg.OnOpen();
    if (!dlg.IsDeviceOpen()) {
        std::fprintf(stderr, "the adapter did not open the pty\n");
        return 1;
    }
    dlg.SendKeyByte(0x0D); // the print-out starts
    // Let the first bytes arrive, then measure the dialog's own 10 ms poll.
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    const qsizetype before = dlg.m_strInput.size();
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    const double taken = elapsed.nsecsElapsed() / 1e9;
    const double rate = (dlg.m_strInput.size() - before) / taken;
    dlg.OnOK();
    pty.write("unplug\n");
    pty.waitForFinished(5000);

    std::printf("poll through adapter + pty: %.0f bytes/s over %.1f s = %.1f %% of the %.0f bytes/s ceiling "
                "(600 bytes per 10 ms tick)\n",
                rate, taken, 100.0 * rate / kCeiling, kCeiling);
    std::printf("idle tick (status query, nothing waiting), median of %d: adapter %.2f us, simulator library %.2f us\n",
                kIdleTicks, adapterIdle, simIdle);
    return 0;
}
