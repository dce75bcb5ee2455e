// The text windows at size, through the dialog as a user drives it
// (offscreen, against the simulated instrument). Each measurement runs in a
// process of its own, so that the memory one leaves behind does not count
// in the next:
//
//   open N     "Open input data" of a file of N million characters: the time
//              to read and widen it alone, the time from the command to the
//              window shown, their ratio, and the resident memory above the
//              idle dialog per character
//   capture N  a live capture of N million characters (the poll driven by
//              hand, 600 bytes a tick): resident memory above idle per character
//   logging H  H hours of display logging at 0.1 s (a request and a display
//              line a tick, the backup file written): resident memory
//   keys       a key press's effect (the byte sent) while the poll captures at
//              full rate into a window of 30 million characters: the delay
//              from the key to its effect, median, p99 and largest
//   line       a single line of 100 million characters (200 MB): a repaint
//              at its start, middle and end against a repaint of a short line
//
// Without arguments every measurement runs once. The program uses only the
// dialog and the scroll area of its windows.
//
//   QT_QPA_PLATFORM=offscreen text_view_bench [open N | capture N | logging H | keys | line]
#include "core/sorting/input_file.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/prompts.h"
#include "log_rows.h"
#include "silent_prompts.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLibrary>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Messages to standard error; the file dialogs answer from the lists.
class BenchPrompts : public SilentPrompts
{
public:
    QStringList openAnswers;
    QString savePath;
    QString OpenFileName(const QString &) override { return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst(); }
    QString SaveFileName(const QString &) override { return savePath; }
};

class Simulator
{
public:
    Simulator() : m_library(QStringLiteral(TAVIX_SIM_LIBRARY))
    {
        m_control = reinterpret_cast<int (*)(const char *)>(m_library.resolve("TavixSim_Control"));
    }
    bool IsLoaded() const { return m_control != nullptr; }
    void Set(const QByteArray &setting) const { m_control(setting.constData()); }

private:
    QLibrary m_library;
    int (*m_control)(const char *) = nullptr;
};

// The memory the process holds in RAM, after free memory went back to the system.
double ResidentBytes()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toDouble() * double(sysconf(_SC_PAGESIZE));
}

double Seconds(QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}


double Percentile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[size_t(q * double(values.size() - 1) + 0.5)];
}

QAbstractScrollArea *Window(COstrumDlg &dlg, int id)
{
    return qobject_cast<QAbstractScrollArea *>(dlg.GetDlgItem(id));
}

// A dialog on the simulated instrument, shown, its poll stopped (ticks are
// driven by hand unless a measurement starts it again).
struct Session
{
    QTemporaryDir dir;
    Simulator sim;
    BenchPrompts prompts;
    std::unique_ptr<COstrumDlg> dlg;

    bool Start(bool openDevice)
    {
        QDir::setCurrent(dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        if (!sim.IsLoaded())
            return false;
        sim.Set("RESET");
        sim.Set("TAVIXSIM_BAUD=0");
        dlg = std::make_unique<COstrumDlg>(prompts, QStringLiteral(TAVIX_SIM_LIBRARY));
        dlg->show();
        if (!QTest::qWaitForWindowExposed(dlg.get()))
            return false;
        dlg->KillTimer(COstrumDlg::TIMER_POLL);
        if (openDevice) {
            if (dlg->FtOpenEx("TX300001", FT_OPEN_BY_SERIAL_NUMBER) != FT_OK)
                return false;
            dlg->FtSetTimeouts(300, 300);
            g_bDeviceReady = 1;
        }
        QApplication::processEvents();
        return true;
    }

    void Printout(qsizetype bytes)
    {
        const QString path = dir.filePath(QStringLiteral("printout.txt"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(LogRows(bytes));
        file.close();
        sim.Set("TAVIXSIM_PRINTOUT=" + path.toLocal8Bit());
    }
};

int OpenInput(double millions)
{
    Session s;
    if (!s.Start(false))
        return 1;
    const qsizetype characters = qsizetype(millions * 1e6);
    const QString path = s.dir.filePath(QStringLiteral("input.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("\xFF\xFE", 2);
        const QByteArray rows = LogRows(4 << 20);
        for (qsizetype done = 1; done < characters;) {
            const qsizetype part = qMin<qsizetype>(rows.size(), characters - done);
            const QString text = QString::fromLatin1(rows.constData(), part);
            file.write(reinterpret_cast<const char *>(text.utf16()), part * 2);
            done += part;
        }
    }
    // Read and widen alone, from the page cache as the command reads it.
    QString warm, error;
    ReadInputText(path, InputFileForm::Utf16Le, &warm, &error);
    warm = QString();
    QElapsedTimer timer;
    timer.start();
    ReadInputText(path, InputFileForm::Utf16Le, &warm, &error);
    const double readAlone = Seconds(timer);
    warm = QString();

    const double idle = ResidentBytes();
    s.prompts.openAnswers = {path};
    timer.restart();
    s.dlg->OnOpenInput();
    QApplication::processEvents();
    Window(*s.dlg, 1031)->viewport()->repaint();
    const double shown = Seconds(timer);
    const double above = ResidentBytes() - idle;
    std::printf("open %6.1f M characters: read and widen %.4f s, shown after %.4f s, ratio %.2f; "
                "%.2f bytes a character above the idle dialog (%.0f MB)\n",
                double(s.dlg->m_strInput.size()) / 1e6, readAlone, shown, shown / readAlone,
                above / double(s.dlg->m_strInput.size()), above / 1e6);
    return 0;
}

int Capture(double millions)
{
    Session s;
    if (!s.Start(true))
        return 1;
    // A print-out of 1 MB, printed again whenever it has all arrived: the
    // simulated instrument in the same process holds no more than that.
    s.Printout(1 << 20);
    const qsizetype characters = qsizetype(millions * 1e6);
    const double idle = ResidentBytes();
    QElapsedTimer timer;
    timer.start();
    s.sim.Set("PRINT");
    qint64 ticks = 0;
    while (s.dlg->m_strInput.size() < characters) {
        const qsizetype before = s.dlg->m_strInput.size();
        s.dlg->PollDevice();
        ++ticks;
        if (s.dlg->m_strInput.size() == before)
            s.sim.Set("PRINT");
        if (ticks % 1000 == 0)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    const double seconds = Seconds(timer);
    const double above = ResidentBytes() - idle;
    std::printf("live capture of %.1f M characters in %lld ticks (%.1f s, %.3f ms a tick): %.2f bytes a character "
                "above the idle dialog (%.0f MB)\n",
                double(s.dlg->m_strInput.size()) / 1e6, static_cast<long long>(ticks), seconds, seconds * 1e3 / double(ticks),
                above / double(s.dlg->m_strInput.size()), above / 1e6);
    return 0;
}

int Logging(double hours)
{
    Session s;
    if (!s.Start(true))
        return 1;
    s.prompts.savePath = s.dir.filePath(QStringLiteral("backup.txt"));
    qobject_cast<QLineEdit *>(s.dlg->GetDlgItem(1053))->setText(QStringLiteral("0.1"));
    const double idleTotal = ResidentBytes();
    s.dlg->OnStartLogging();
    if (!s.dlg->m_bLogging)
        return 1;
    s.dlg->KillTimer(COstrumDlg::TIMER_LOG); // the ticks are driven by hand
    const qint64 ticks = qint64(hours * 36000);
    QElapsedTimer timer;
    timer.start();
    for (qint64 tick = 0; tick < ticks; ++tick) {
        // The interval's display request, then the poll that reads its reply.
        s.dlg->OnTimer(COstrumDlg::TIMER_LOG);
        s.dlg->OnTimer(COstrumDlg::TIMER_POLL);
        if (tick % 1000 == 0)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    const double total = ResidentBytes();
    std::printf("display logging at 0.1 s for %.1f h (%lld ticks in %.1f s): %.1f M characters, resident "
                "%.0f MB (%.0f MB above the idle dialog, %.2f bytes a character)\n",
                hours, static_cast<long long>(ticks), Seconds(timer), double(s.dlg->m_strInput.size()) / 1e6,
                total / 1e6, (total - idleTotal) / 1e6, (total - idleTotal) / double(s.dlg->m_strInput.size()));
    return 0;
}

// Notes when each key press posted by the key thread has had its effect:
// the dialog forwards the key before the window's own filters see it.
class KeyStamps : public QObject
{
public:
    std::vector<Clock::time_point> posted, handled;
    std::mutex lock;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto index = static_cast<QKeyEvent *>(event)->nativeScanCode();
            std::lock_guard<std::mutex> guard(lock);
            if (index < handled.size())
                handled[index] = Clock::now();
        }
        return false;
    }
};

int Keys()
{
    Session s;
    if (!s.Start(true))
        return 1;
    s.Printout(16 << 20);
    s.dlg->m_strInput = QString::fromLatin1(LogRows(30 * 1000 * 1000));
    s.dlg->UpdateData(false);
    s.dlg->ScrollInputToEnd();
    QAbstractScrollArea *input = Window(*s.dlg, 1031);
    s.dlg->activateWindow();
    if (!QTest::qWaitForWindowActive(s.dlg.get()))
        std::fprintf(stderr, "the dialog did not become active\n");
    input->setFocus();
    QApplication::processEvents();

    constexpr int kKeys = 300;
    KeyStamps stamps;
    stamps.posted.resize(kKeys);
    stamps.handled.resize(kKeys);
    input->installEventFilter(&stamps);
    const qsizetype before = s.dlg->m_strInput.size();
    s.sim.Set("PRINT");
    s.dlg->SetTimer(COstrumDlg::TIMER_POLL, COstrumDlg::kPollPeriodMs);
    // The keyboard the events come from, made on this thread.
    const QInputDevice *keyboard = QInputDevice::primaryKeyboard();
    std::thread keys([&] {
        std::mt19937 random(7);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        for (int i = 0; i < kKeys; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 60));
            {
                std::lock_guard<std::mutex> guard(stamps.lock);
                stamps.posted[size_t(i)] = Clock::now();
            }
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(input, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, quint32(i), 0, 0,
                                                                 QStringLiteral(" "), false, 1, keyboard));
        }
    });
    QEventLoop loop;
    QTimer check;
    QElapsedTimer timer;
    timer.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        std::lock_guard<std::mutex> guard(stamps.lock);
        if (stamps.handled.back() != Clock::time_point() || timer.elapsed() > 120000)
            loop.quit();
    });
    check.start(100);
    loop.exec();
    keys.join();
    s.dlg->KillTimer(COstrumDlg::TIMER_POLL);
    const double seconds = Seconds(timer);

    std::vector<double> delays;
    for (int i = 0; i < kKeys; ++i)
        if (stamps.handled[size_t(i)] != Clock::time_point())
            delays.push_back(std::chrono::duration<double, std::milli>(stamps.handled[size_t(i)] - stamps.posted[size_t(i)]).count());
    const double rate = double(s.dlg->m_strInput.size() - before) / seconds;
    std::printf("key presses while capturing at %.0f bytes/s into 30 M characters: %zu of %d keys took effect; "
                "delay median %.2f ms, p99 %.2f ms, largest %.2f ms\n",
                rate, delays.size(), kKeys, Percentile(delays, 0.5), Percentile(delays, 0.99),
                delays.empty() ? 0.0 : *std::max_element(delays.begin(), delays.end()));
    return 0;
}

double MedianRepaint(QAbstractScrollArea *window)
{
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        window->viewport()->repaint();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return Percentile(times, 0.5);
}

int LongLine()
{
    Session s;
    if (!s.Start(false))
        return 1;
    QAbstractScrollArea *input = Window(*s.dlg, 1031);
    s.dlg->m_strInput = QStringLiteral("a short line of 33 characters ...");
    s.dlg->UpdateData(false);
    const double shortLine = MedianRepaint(input);

    QString line(100 * 1000 * 1000, QLatin1Char('x'));
    for (qsizetype i = 0; i < line.size(); i += 10)
        line[i] = QLatin1Char('0' + char(i / 10 % 10));
    QElapsedTimer timer;
    timer.start();
    s.dlg->m_strInput = std::move(line);
    s.dlg->UpdateData(false);
    QApplication::processEvents();
    input->viewport()->repaint();
    const double shown = Seconds(timer);
    QScrollBar *bar = input->horizontalScrollBar();
    const double start = MedianRepaint(input);
    bar->setValue(bar->maximum() / 2);
    const double middle = MedianRepaint(input);
    timer.restart();
    bar->setValue(bar->maximum());
    input->viewport()->repaint();
    const double firstAtEnd = double(timer.nsecsElapsed()) / 1e6;
    const double end = MedianRepaint(input);
    std::printf("one line of %.0f M characters: shown in %.3f s; a repaint at its start %.3f ms, middle %.3f ms, end "
                "%.3f ms (the first at the end %.3f ms), a short line %.3f ms; ratio end / short %.2f\n",
                double(s.dlg->m_strInput.size()) / 1e6, shown, start, middle, end, firstAtEnd, shortLine, end / shortLine);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    const QString mode = args.value(0);
    const double value = args.value(1).toDouble();
    if (mode == QLatin1String("open"))
        return OpenInput(value);
    if (mode == QLatin1String("capture"))
        return Capture(value);
    if (mode == QLatin1String("logging"))
        return Logging(value);
    if (mode == QLatin1String("keys"))
        return Keys();
    if (mode == QLatin1String("line"))
        return LongLine();

    std::printf("text windows at size (targets: open 32 M within 3 times read and widen, 120 M under 2 s; at most "
                "3 bytes a character above idle; a key's effect p99 at most 30 ms; 24 h of logging under 100 MB)\n");
    std::fflush(stdout);
    const QList<QStringList> runs{{"open", "1"},       {"open", "8"},   {"open", "32"}, {"open", "120"},
                                  {"capture", "32"}, {"logging", "24"}, {"keys"},       {"line"}};
    for (const QStringList &run : runs) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), run);
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            std::printf("%s: failed\n", qPrintable(run.join(QLatin1Char(' '))));
        std::fflush(stdout);
    }
    return 0;
}
