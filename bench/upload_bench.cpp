// Firmware upload against the simulated instrument with pacing off: sends a
// program file (1 MB, or the size in bytes given as first argument) and
// prints the bytes per second the worker achieves and the time the 10 ms
// poll's ticks take on the user-interface thread meanwhile.
//
//   upload_bench [bytes]
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/prompts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class BenchPrompts : public Prompts
{
public:
    QString openPath;
    void Message(const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
    QString OpenFileName(const QString &) override { return openPath; }
    QString SaveFileName(const QString &) override { return QString(); }
    void SetClipboardText(const QString &) override {}
    SaveAnswer AskSaveDiscardCancel(const QString &) override { return SaveAnswer::Discard; }
};

// Times every tick of the dialog's 10 ms poll timer: the timer event is
// delivered here, under the clock, instead of by the event loop.
class TickTimer : public QObject
{
public:
    std::vector<double> ticksMs;
    bool recording = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *timer = qobject_cast<QTimer *>(watched);
        if (m_inside || event->type() != QEvent::Timer || !timer
            || timer->interval() != COstrumDlg::kPollPeriodMs)
            return false;
        m_inside = true;
        QElapsedTimer clock;
        clock.start();
        watched->event(event);
        if (recording)
            ticksMs.push_back(clock.nsecsElapsed() / 1e6);
        m_inside = false;
        return true;
    }

private:
    bool m_inside = false;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 size = argc > 1 ? std::max<qint64>(1, QString::fromLocal8Bit(argv[1]).toLongLong()) : 1 << 20;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());

    QLibrary sim(QStringLiteral(TAVIX_SIM_LIBRARY));
    auto control = reinterpret_cast<int (*)(const char *)>(sim.resolve("TavixSim_Control"));
    auto programBytes = reinterpret_cast<unsigned long long (*)()>(sim.resolve("TavixSim_ProgramBytes"));
    if (!control || !programBytes) {
        std::printf("the simulated instrument cannot be loaded: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    control("RESET");
    control("TAVIXSIM_BAUD=0");

    BenchPrompts prompts;
    prompts.openPath = dir.filePath(QStringLiteral("bench.pro"));
    {
        QFile file(prompts.openPath);
        QByteArray bytes(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 131 + 7) & 0xFF);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != size) {
            std::printf("the program file cannot be written\n");
            return 1;
        }
    }

    COstrumDlg dlg(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
    if (dlg.FtOpenEx("TX300001", FT_OPEN_BY_SERIAL_NUMBER) != FT_OK) {
        std::printf("the simulated instrument cannot be opened\n");
        return 1;
    }
    dlg.FtSetTimeouts(300, 300);
    g_bDeviceReady = 1;

    TickTimer ticks;
    app.installEventFilter(&ticks);
    QElapsedTimer clock;
    qint64 elapsedNs = 0;
    bool sent = false;
    QObject::connect(&dlg, &COstrumDlg::FirmwareUploadEnded, &app, [&](bool ok) {
        elapsedNs = clock.nsecsElapsed();
        sent = ok;
        ticks.recording = false;
        app.quit();
    });
    QTimer::singleShot(0, &app, [&] {
        ticks.recording = true;
        clock.start();
        dlg.OnSendProgram();
    });
    app.exec();

    const double seconds = elapsedNs / 1e9;
    std::printf("firmware upload of %lld bytes, pacing off: %s in %.3f s, %.0f bytes/s (%.2f MB/s); "
                "the instrument counted %llu bytes\n",
                static_cast<long long>(size), sent ? "sent" : "FAILED", seconds, size / seconds,
                size / seconds / (1024.0 * 1024.0), programBytes());
    std::vector<double> t = ticks.ticksMs;
    if (t.empty()) {
        std::printf("no poll tick during the upload\n");
        return 0;
    }
    std::sort(t.begin(), t.end());
    std::printf("poll ticks during the upload: %zu, median %.3f ms, max %.3f ms\n", t.size(), t[t.size() / 2],
                t.back());
    return 0;
}
