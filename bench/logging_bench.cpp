// Display-value logging against the simulated instrument: logs at 0.1 s for
// a number of seconds (first argument, default 30) and prints how many
// display requests really went out against the number the interval asks
// for, and the spread of the gaps between them. The requests are counted in
// the instrument's call trace; a watcher thread stamps each request line as
// it appears there.
//
//   logging_bench [seconds]
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/prompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class BenchPrompts : public Prompts
{
public:
    QString savePath;
    void Message(const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
    QString OpenFileName(const QString &) override { return QString(); }
    QString SaveFileName(const QString &) override { return savePath; }
    void SetClipboardText(const QString &) override {}
    SaveAnswer AskSaveDiscardCancel(const QString &) override { return SaveAnswer::Discard; }
};

bool IsRequest(const std::string &line)
{
    return line.rfind("FT_Write ", 0) == 0 && line.find(" n=1 status=0 sent=1 data=20") != std::string::npos;
}

// Follows the trace file and stamps every display request when it appears.
class TraceWatcher
{
public:
    explicit TraceWatcher(const QString &path) : m_path(path.toStdString()) {}
    void Start()
    {
        m_thread = std::thread([this] { Run(); });
    }
    void Stop()
    {
        m_stop = true;
        m_thread.join();
    }
    const std::vector<Clock::time_point> &Stamps() const { return m_stamps; }

private:
    void Run()
    {
        std::FILE *file = nullptr;
        std::string pending;
        char buffer[4096];
        while (!m_stop) {
            if (!file)
                file = std::fopen(m_path.c_str(), "rb");
            if (file) {
                std::clearerr(file);
                size_t n;
                while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
                    const auto now = Clock::now();
                    pending.append(buffer, n);
                    size_t end;
                    while ((end = pending.find('\n')) != std::string::npos) {
                        if (IsRequest(pending.substr(0, end)))
                            m_stamps.push_back(now);
                        pending.erase(0, end + 1);
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (file)
            std::fclose(file);
    }

    std::string m_path;
    std::thread m_thread;
    std::atomic_bool m_stop{false};
    std::vector<Clock::time_point> m_stamps;
};

int CountRequests(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    int count = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (IsRequest(line.toStdString()))
            ++count;
    }
    return count;
}

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, QString::fromLocal8Bit(argv[1]).toDouble()) : 30.0;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    const QString tracePath = dir.filePath(QStringLiteral("trace.txt"));

    QLibrary sim(QStringLiteral(TAVIX_SIM_LIBRARY));
    auto control = reinterpret_cast<int (*)(const char *)>(sim.resolve("TavixSim_Control"));
    if (!control) {
        std::printf("the simulated instrument cannot be loaded: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    control("RESET");
    control(("TAVIXSIM_TRACE=" + tracePath.toStdString()).c_str());

    BenchPrompts prompts;
    prompts.savePath = dir.filePath(QStringLiteral("backup.txt"));
    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    if (dlg.FtOpenEx("TX300001", FT_OPEN_BY_SERIAL_NUMBER) != FT_OK) {
        std::printf("the simulated instrument cannot be opened\n");
        return 1;
    }
    dlg.FtSetTimeouts(300, 300);
    g_bDeviceReady = 1;
    qobject_cast<QLineEdit *>(dlg.GetDlgItem(1053))->setText(QStringLiteral("0.1"));

    TraceWatcher watcher(tracePath);
    watcher.Start();
    const auto started = Clock::now();
    dlg.OnStartLogging();
    if (!dlg.m_bLogging) {
        watcher.Stop();
        std::printf("logging did not start\n");
        return 1;
    }
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &app, [&] {
        dlg.OnStartLogging();
        app.quit();
    });
    app.exec();
    const auto stopped = Clock::now();
    // Let the watcher read the last lines.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    watcher.Stop();

    const int expected = static_cast<int>(seconds / 0.1 + 0.5);
    const int sent = CountRequests(tracePath);
    std::printf("display-value logging at 0.1 s for %.1f s (measured %.3f s)\n", seconds,
                Milliseconds(stopped - started) / 1000.0);
    std::printf("requests sent (trace): %d of %d expected, ratio %.4f\n", sent, expected,
                expected > 0 ? double(sent) / expected : 0.0);
    std::printf("display lines logged: %lld, backup file: %lld bytes\n",
                static_cast<long long>(dlg.m_strInput.count(QStringLiteral("m/s"))),
                static_cast<long long>(QFileInfo(prompts.savePath).size()));

    const auto &stamps = watcher.Stamps();
    std::vector<double> gaps;
    for (size_t i = 1; i < stamps.size(); ++i)
        gaps.push_back(Milliseconds(stamps[i] - stamps[i - 1]));
    if (gaps.empty()) {
        std::printf("too few requests for gaps\n");
        return 0;
    }
    std::sort(gaps.begin(), gaps.end());
    const auto at = [&](double q) { return gaps[static_cast<size_t>(q * (gaps.size() - 1) + 0.5)]; };
    std::printf("gaps between requests (%zu, stamped by the trace watcher): min %.2f ms, median %.2f ms, "
                "p99 %.2f ms, max %.2f ms\n",
                gaps.size(), gaps.front(), at(0.5), at(0.99), gaps.back());
    return 0;
}
