// End-to-end speed and peak memory of the command line's batch sort
// (read, parse, sort, abbreviations, write) on generated captures of many
// small QRT 03 Logp files, 8 and 64 MB of raw instrument bytes:
//
//   batch_sort_bench [PROGRAM] [--sizes 8,64]
//
// Each size runs "PROGRAM --sort CAPTURE --log-type 0 --output OUT" as a
// child process three times and prints the best wall time, the speed, the
// child's peak resident memory (getrusage through wait4) and its ratio to
// the capture, then the time ratio of the largest to the smallest size (a
// linear sort gives the size ratio, 8 for 64 / 8 MB). The same files are
// also counted with awk '{n+=NF}' for comparison when awk is there.
#include "logp_capture.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

bool WriteCapture(const QString &path, qint64 size)
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

struct Run
{
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// Runs argv as a child with standard output and error to /dev/null.
Run RunChild(const QStringList &arguments)
{
    QList<QByteArray> bytes;
    for (const QString &a : arguments)
        bytes.append(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);

    Run run;
    QElapsedTimer timer;
    timer.start();
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        // The sorted data is not measured output; a child whose standard
        // output cannot be sent away fails rather than print it.
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    run.peakKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

Run Best(const QStringList &arguments)
{
    Run best;
    best.seconds = 1e9;
    for (int i = 0; i < 3; ++i) {
        const Run run = RunChild(arguments);
        if (run.status != 0)
            return run;
        if (run.seconds < best.seconds)
            best.seconds = run.seconds;
        best.peakKiB = std::max(best.peakKiB, run.peakKiB);
        best.status = 0;
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QString program = QStringLiteral(TAVIX_TERMINAL_PROGRAM);
    QList<qint64> sizes{8, 64};
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QStringLiteral("--sizes") && i + 1 < argc) {
            sizes.clear();
            for (const QString &s : QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(',')))
                sizes.append(s.toLongLong());
        } else {
            program = arg;
        }
    }

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const bool haveAwk = std::system("command -v awk > /dev/null 2>&1") == 0;
    std::printf("Batch sort of QRT 03 Logp captures (raw bytes), --log-type 0 --output; best of 3\n");
    double first = 0;
    for (const qint64 mb : sizes) {
        const QString capture = dir.filePath(QStringLiteral("capture%1.txt").arg(mb));
        const QString output = dir.filePath(QStringLiteral("sorted%1.txt").arg(mb));
        if (!WriteCapture(capture, mb * kMiB))
            return 1;
        const double inputMiB = double(QFile(capture).size()) / kMiB;
        const Run run = Best({program, QStringLiteral("--sort"), capture, QStringLiteral("--log-type"),
                              QStringLiteral("0"), QStringLiteral("--output"), output});
        if (run.status != 0) {
            std::printf("  %lld MB: the sort failed (status %d)\n", static_cast<long long>(mb), run.status);
            return 1;
        }
        std::printf("  %3lld MB: %7.3f s  %7.1f MB/s  peak RSS %6.1f MB = %4.2f x input  output %.1f MB\n",
                    static_cast<long long>(mb), run.seconds, inputMiB / run.seconds, run.peakKiB / 1024.0,
                    run.peakKiB / 1024.0 / inputMiB, double(QFile(output).size()) / kMiB);
        if (haveAwk) {
            const Run awk = Best({QStringLiteral("awk"), QStringLiteral("{n+=NF} END {print n}"), capture});
            std::printf("         awk '{n+=NF}' on the same file: %7.3f s  %7.1f MB/s\n", awk.seconds,
                        inputMiB / awk.seconds);
        }
        if (first == 0)
            first = run.seconds;
        else
            std::printf("  time(%lld MB) / time(%lld MB) = %.2f (size ratio %.0f)\n", static_cast<long long>(mb),
                        static_cast<long long>(sizes.first()), run.seconds / first, double(mb) / sizes.first());
        QFile::remove(output);
    }
    return 0;
}
