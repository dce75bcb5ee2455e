// Times the log parser on generated captures of 1, 8 and 64 MB (one captured
// byte is one character of text) and prints the speed and how the time grows
// from 8 to 64 MB: a parse linear in the text grows about 8 times, one that
// rescans the rest of the text per file about 64 times.
#include "core/sorting/log_parser.h"

#include <QElapsedTimer>
#include <QString>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr qsizetype kMiB = 1024 * 1024;

QString PlainFile(int n)
{
    return QStringLiteral("File %1 \r\nTavix 3000 s/n 123456\r\nProbe QRT Log\r\n"
                          "Time Constant 1 sec\r\nLog Interval 10 sec\r\n\r\n"
                          "Date     Time     Vel   Temp\r\n-----------------------\r\n"
                          "08-01-02 12:30:00 0.25 22.3\r\n08-01-02 12:30:10 0.27 22.4\r\n"
                          "08-01-02 12:30:20 0.26 22.4\r\n\r\n").arg(n);
}

QString LogpFile(int n)
{
    return QStringLiteral("File %1 \r\nTavix 3000 s/n 123456\r\nProbe QRT 03\r\n"
                          "Time Constant 1 sec\r\nLog Interval 10 sec\r\n\r\n"
                          "Log 1   08-01-02 12:30:00\r\nBarometer 1013 B-hPa\r\nAvg Velocity 0.25 m/s\r\n\r\n"
                          "Log 2   08-01-02 12:30:10\r\nBarometer 1012 B-hPa\r\nAvg Velocity 0,27 m/s\r\n\r\n")
        .arg(n);
}

// No unit word and no rule line anywhere: every file's searches for them
// would run to the end of the text if they were not remembered.
QString LogpFileWithoutUnits(int n)
{
    return QStringLiteral("File %1 \r\nTavix 3000 s/n 123456\r\nProbe QRT 03\r\n\r\n"
                          "Log 1   08-01-02 12:30:00\r\nBarometer 1013 B-hPa\r\nAvg Velocity 0.25 m/s\r\n\r\n")
        .arg(n);
}

// No "Log " and no unit word anywhere.
QString PlainFileWithoutLogMarker(int n)
{
    return QStringLiteral("File %1 \r\nTavix 3000 s/n 123456\r\nProbe QRT\r\n\r\n"
                          "Date     Time     Vel   Temp\r\n-----------------------\r\n"
                          "08-01-02 12:30:00 0.25 22.3\r\n\r\n").arg(n);
}

template <typename Make>
QString Capture(qsizetype size, Make make)
{
    QString s;
    s.reserve(size + 512);
    for (int n = 1; s.size() < size; ++n)
        s += make(n);
    return s;
}

// CPU time of this thread, in user and in system mode: other programs running
// beside the benchmark stretch the wall-clock time but hardly this. The
// system time is mostly the kernel handing out fresh pages for the records.
struct CpuTimes
{
    double user = 0;
    double system = 0;
};

CpuTimes ThreadTimes()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return {double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6,
            double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6};
}

struct Timing
{
    double seconds = 1e30;  // best wall-clock time
    double user = 1e30;     // best thread user time
    double system = 0;      // thread system time of that run
    qsizetype files = 0;
};

Timing Time(const QString &text)
{
    Timing best;
    const int repeats = text.size() > 16 * kMiB ? 3 : 7;
    for (int r = 0; r < repeats; ++r) {
        LogParser parser;
        QList<LogFileRecord> table;
        QElapsedTimer timer;
        timer.start();
        const CpuTimes t0 = ThreadTimes();
        parser.ParseInputText(text, table);
        const CpuTimes t1 = ThreadTimes();
        best.seconds = std::min(best.seconds, timer.nsecsElapsed() / 1e9);
        if (t1.user - t0.user < best.user) {
            best.user = t1.user - t0.user;
            best.system = t1.system - t0.system;
        }
        best.files = table.size();
    }
    return best;
}

template <typename Make>
void Run(const char *name, Make make)
{
    std::printf("%s\n", name);
    double t8 = 0, t64 = 0, w8 = 0, w64 = 0;
    for (int mb : {1, 8, 64}) {
        const QString text = Capture(mb * kMiB, make);
        const Timing t = Time(text);
        const double mbs = double(text.size()) / kMiB;
        std::printf("  %3d MB: wall %7.1f ms = %6.1f MB/s; user %7.1f ms = %6.1f MB/s; system %6.1f ms;"
                    " %lld files\n",
                    mb, t.seconds * 1e3, mbs / t.seconds, t.user * 1e3, mbs / t.user, t.system * 1e3,
                    static_cast<long long>(t.files));
        if (mb == 8) {
            t8 = t.user;
            w8 = t.seconds;
        }
        if (mb == 64) {
            t64 = t.user;
            w64 = t.seconds;
        }
    }
    std::printf("  time(64 MB) / time(8 MB): user %.2f, wall %.2f (linear: 8, quadratic: 64)\n",
                t64 / t8, w64 / w8);
}

} // namespace

int main()
{
    Run("mixed plain and Logp files",
        [](int n) { return n % 2 ? PlainFile(n) : LogpFile(n); });
    Run("Logp files without unit words or rule lines", LogpFileWithoutUnits);
    Run("plain files without entry markers or unit words", PlainFileWithoutLogMarker);
    return 0;
}
