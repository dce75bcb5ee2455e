// What the CSV export and the PDF report add to the command line's batch
// sort, on the 64 MB QRT 03 Logp capture of the sort benchmarks (many small
// files) and on one plain log of 1,000,000 rows:
//
//   export_bench [PROGRAM]
//
// Each capture is sorted as a child process ("--output" alone, then with
// "--csv", then with "--report"), best of 3, and the extra time of each
// export is printed as a ratio to the sort alone, measured in the same run:
// wall time, and the processor time of all the child's threads (which a
// machine busy with other work disturbs less).
#include "child_run.h"
#include "logp_capture.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

bool WriteLogpCapture(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block;
    qint64 written = 0;
    for (int n = 1; written < size; ++n) {
        block += LogpFile(n).toLatin1();
        if (block.size() > 1 << 20 || written + block.size() >= size) {
            file.write(block);
            written += block.size();
            block.clear();
        }
    }
    return true;
}

// One "QRT Log" file of rows rows, one second apart, over several days.
bool WritePlainCapture(const QString &path, int rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block("File 1 \r\nTavix 3000 S/N: TX300001\r\nProbe QRT Log\r\nTime Constant 1 sec\r\n"
                     "Log Interval 1 sec\r\n\r\nDate      Time      V(m/s)  T(C)  DR(%)  B(hPa)\r\n"
                     "-----------------------------------------------\r\n");
    for (int i = 0; i < rows; ++i) {
        const int day = 2 + i / 86400;
        const int second = i % 86400;
        char line[80];
        const int length = std::snprintf(line, sizeof line, "08-01-%02d  %02d:%02d:%02d  0.%02d    21.%d   %d     1013\r\n",
                                         day, second / 3600, second / 60 % 60, second % 60, 20 + i % 17, i % 10,
                                         10 + i % 7);
        block.append(line, length);
        if (block.size() > 1 << 20) {
            file.write(block);
            block.clear();
        }
    }
    block += "\r\n";
    return file.write(block) == block.size();
}

struct Times
{
    double wall = -1; // -1: the run failed
    double cpu = -1;
};

// A run of arguments as a child: its times, or -1 when it failed.
Times TimesOf(const QStringList &arguments)
{
    const Run run = RunChild(arguments);
    if (run.status != 0)
        return Times{};
    return Times{run.seconds, run.cpuSeconds};
}

Times Best(const QStringList &arguments)
{
    Times best{1e9, 1e9};
    for (int i = 0; i < 3; ++i) {
        const Times run = TimesOf(arguments);
        if (run.wall < 0)
            return run;
        best.wall = std::min(best.wall, run.wall);
        best.cpu = std::min(best.cpu, run.cpu);
    }
    return best;
}

bool Measure(const QString &program, const QString &name, const QString &capture, const QString &logType,
             const QTemporaryDir &dir)
{
    const QStringList sort{program, QStringLiteral("--sort"), capture, QStringLiteral("--log-type"), logType,
                           QStringLiteral("--output"), dir.filePath(QStringLiteral("sorted.txt"))};
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    const Times alone = Best(sort);
    const Times withCsv = Best(sort + QStringList{QStringLiteral("--csv"), csv});
    const Times withReport = Best(sort + QStringList{QStringLiteral("--report"), pdf});
    if (alone.wall < 0 || withCsv.wall < 0 || withReport.wall < 0) {
        std::printf("  %s: a run failed\n", qPrintable(name));
        return false;
    }
    std::printf("  %s (%.1f MB)\n", qPrintable(name), double(QFile(capture).size()) / kMiB);
    std::printf("    sort alone     wall %7.3f s  cpu %7.3f s\n", alone.wall, alone.cpu);
    const auto line = [&alone](const char *what, const Times &with, const QString &file) {
        std::printf("    sort + %-6s  wall %7.3f s  cpu %7.3f s  adds wall %6.3f s = %.2f x, cpu %6.3f s = %.2f x "
                    "the sort (%.1f MB)\n",
                    what, with.wall, with.cpu, with.wall - alone.wall, (with.wall - alone.wall) / alone.wall,
                    with.cpu - alone.cpu, (with.cpu - alone.cpu) / alone.cpu, double(QFile(file).size()) / kMiB);
    };
    line("CSV", withCsv, csv);
    line("report", withReport, pdf);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const QString program = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TAVIX_TERMINAL_PROGRAM);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString logp = dir.filePath(QStringLiteral("logp64.txt"));
    const QString plain = dir.filePath(QStringLiteral("plain1m.txt"));
    if (!WriteLogpCapture(logp, 64 * kMiB) || !WritePlainCapture(plain, 1000000))
        return 1;
    std::printf("CSV export and PDF report beside the batch sort; best of 3, wall time\n");
    const bool ok = Measure(program, QStringLiteral("64 MB of QRT 03 Logp files, --log-type 0"), logp,
                            QStringLiteral("0"), dir)
                    && Measure(program, QStringLiteral("one QRT Log file of 1,000,000 rows, --log-type 1"), plain,
                               QStringLiteral("1"), dir);
    return ok ? 0 : 1;
}
