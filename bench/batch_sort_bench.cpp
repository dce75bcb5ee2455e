// End-to-end speed and peak memory of the command line's batch sort
// (read, parse, sort, abbreviations, write) against awk's field split, on
// three shapes of capture:
//
//   realistic: the simulated instrument's print-out (reports, a note book,
//              plain logs and Logp files) captured over and over, saved as
//              the program saves a capture (FF FE, UTF-16), 64 MB;
//   large:     the same, 256 MB;
//   tiny:      133,000 one-entry QRT 03 Logp files as the instrument's raw
//              bytes, about 16 MB: the cost of each file at its worst.
//
//   batch_sort_bench [PROGRAM] [--shapes realistic,large,tiny] [--runs N] [--keep DIR]
//
// --keep writes the captures into DIR and leaves them there (for a profiler).
// Each shape runs "PROGRAM --sort CAPTURE --log-type 0 --output OUT" as a
// child process N times (3 by default) and prints the best wall time, the
// speed, the child's largest peak resident memory (getrusage through wait4)
// and its ratio to the capture file, also above the program's own peak on
// a capture of one file. mawk '{n+=NF}' runs on the same text as
// UTF-8 (awk cannot read UTF-16) the same number of times, and the ratio of
// the two best times is printed: both are measured in the same run, taking
// turns.
#include "core/device/instrument_charset.h"
#include "child_run.h"
#include "sim_printout.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// One capture shape: its file for the sort and the same text as UTF-8 for awk.
struct Shape
{
    QString name;
    QString what;
    QString capture;
    QString utf8;
};

// The instrument's bytes as text, UTF-16 little-endian.
QByteArray Utf16Le(const std::string &bytes)
{
    QByteArray out(qsizetype(bytes.size()) * 2, Qt::Uninitialized);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char16_t c = TranslateInstrumentChar(quint8(bytes[i]));
        out[qsizetype(2 * i)] = char(c & 0xFF);
        out[qsizetype(2 * i + 1)] = char(c >> 8);
    }
    return out;
}

QByteArray Utf8(const std::string &bytes)
{
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    for (size_t i = 0; i < bytes.size(); ++i)
        text[qsizetype(i)] = QChar(char16_t(TranslateInstrumentChar(quint8(bytes[i]))));
    return text.toUtf8();
}

// Writes block until the file holds at least size bytes; the UTF-8 file
// gets the same number of blocks.
bool WriteRepeated(const QString &path, const QByteArray &head, const QByteArray &block, qint64 size,
                   const QString &utf8Path, const QByteArray &utf8Block, qint64 *blocks)
{
    QFile file(path);
    QFile utf8(utf8Path);
    if (!file.open(QIODevice::WriteOnly) || !utf8.open(QIODevice::WriteOnly))
        return false;
    file.write(head);
    qint64 written = head.size();
    *blocks = 0;
    while (written < size) {
        if (file.write(block) != block.size() || utf8.write(utf8Block) != utf8Block.size())
            return false;
        written += block.size();
        ++*blocks;
    }
    return true;
}

// The print-out captured many times, saved as UTF-16 with a byte-order mark.
bool WriteRealistic(Shape &shape, qint64 size)
{
    const std::string printout = tavixsim::builtInPrintout("TX300001");
    // 1 MB blocks of whole print-outs, so that writing is quick.
    std::string bytes;
    while (bytes.size() < 512 * 1024)
        bytes += printout;
    qint64 blocks = 0;
    if (!WriteRepeated(shape.capture, QByteArray("\xFF\xFE", 2), Utf16Le(bytes), size, shape.utf8, Utf8(bytes),
                       &blocks))
        return false;
    shape.what = QStringLiteral("%1 print-outs of %2 bytes, UTF-16")
                     .arg(blocks * qint64(bytes.size() / printout.size()))
                     .arg(printout.size());
    return true;
}

// One QRT 03 Logp file with one entry, as the instrument's bytes.
std::string TinyFile(int n)
{
    char file[160];
    const int length =
        std::snprintf(file, sizeof file,
                      "File %d \r\nTavix 3000 s/n 123456\r\nProbe QRT 03\r\nLog Interval 10 sec\r\n\r\n"
                      "Log 1   08-01-02 12:%02d:%02d\r\nAvg Velocity 0.%02d m/s\r\n\r\n",
                      n, (n / 60) % 60, n % 60, n % 100);
    return std::string(file, size_t(length));
}

bool WriteTiny(Shape &shape, int files)
{
    std::string bytes;
    for (int n = 1; n <= files; ++n)
        bytes += TinyFile(n);
    QFile file(shape.capture);
    QFile utf8(shape.utf8);
    if (!file.open(QIODevice::WriteOnly) || !utf8.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = Utf8(bytes);
    if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) || utf8.write(text) != text.size())
        return false;
    shape.what = QStringLiteral("%1 one-entry QRT 03 Logp files, raw instrument bytes").arg(files);
    return true;
}

Run Best(const QStringList &arguments, int runs)
{
    Run best;
    best.seconds = 1e9;
    for (int i = 0; i < runs; ++i) {
        const Run run = RunChild(arguments);
        if (run.status != 0)
            return run;
        if (run.seconds < best.seconds)
            best.cpuSeconds = run.cpuSeconds;
        best.seconds = std::min(best.seconds, run.seconds);
        best.peakKiB = std::max(best.peakKiB, run.peakKiB);
        best.status = 0;
    }
    return best;
}

QString Mawk()
{
#ifdef TAVIX_MAWK_PROGRAM
    if (QFile::exists(QStringLiteral(TAVIX_MAWK_PROGRAM)))
        return QStringLiteral(TAVIX_MAWK_PROGRAM);
#endif
    return std::system("command -v mawk > /dev/null 2>&1") == 0 ? QStringLiteral("mawk") : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    QString program = QStringLiteral(TAVIX_TERMINAL_PROGRAM);
    QStringList shapes{QStringLiteral("realistic"), QStringLiteral("large"), QStringLiteral("tiny")};
    int runs = 3;
    QString keep;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QStringLiteral("--shapes") && i + 1 < argc)
            shapes = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','));
        else if (arg == QStringLiteral("--keep") && i + 1 < argc)
            keep = QString::fromLocal8Bit(argv[++i]);
        else if (arg == QStringLiteral("--runs") && i + 1 < argc)
            runs = std::max(1, QString::fromLocal8Bit(argv[++i]).toInt());
        else
            program = arg;
    }

    QTemporaryDir temporary;
    if (!temporary.isValid())
        return 1;
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    const QString mawk = Mawk();
    std::printf("Batch sort (--sort CAPTURE --log-type 0 --output OUT) against mawk '{n+=NF}' on the same text "
                "as UTF-8; best of %d, peak RSS the largest\n",
                runs);
    if (mawk.isEmpty())
        std::printf("  (mawk is not installed: the sort alone)\n");
    // The program's own memory (its libraries, mostly shared and read-only,
    // and its start-up), from a sort of a capture of one file.
    const QString one = dir.filePath(QStringLiteral("one.txt"));
    {
        QFile file(one);
        const std::string bytes = TinyFile(1);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            return 1;
    }
    const Run idle = Best({program, QStringLiteral("--sort"), one, QStringLiteral("--log-type"), QStringLiteral("0"),
                           QStringLiteral("--output"), one + QStringLiteral(".sorted")},
                          runs);
    QFile::remove(one);
    QFile::remove(one + QStringLiteral(".sorted"));
    const double idleMiB = idle.peakKiB / 1024.0;
    std::printf("  the program on a capture of one file: %.3f s, peak RSS %.1f MB (its libraries and start-up)\n",
                idle.seconds, idleMiB);
    for (const QString &name : shapes) {
        Shape shape;
        shape.name = name;
        shape.capture = dir.filePath(name + QStringLiteral(".txt"));
        shape.utf8 = dir.filePath(name + QStringLiteral(".utf8"));
        bool made = false;
        if (name == QStringLiteral("realistic"))
            made = WriteRealistic(shape, 64 * kMiB);
        else if (name == QStringLiteral("large"))
            made = WriteRealistic(shape, 256 * kMiB);
        else if (name == QStringLiteral("tiny"))
            made = WriteTiny(shape, 133000);
        if (!made) {
            std::printf("  %s: the capture could not be made\n", qPrintable(name));
            return 1;
        }
        const QString output = dir.filePath(name + QStringLiteral(".sorted"));
        const double fileMiB = double(QFile(shape.capture).size()) / kMiB;
        std::printf("  %s: %.1f MB (%s), %.1f MB as UTF-8\n", qPrintable(name), fileMiB, qPrintable(shape.what),
                    double(QFile(shape.utf8).size()) / kMiB);
        // The sort and mawk take turns, so that a change in the machine's
        // load falls on both alike.
        const QStringList sort{program, QStringLiteral("--sort"), shape.capture, QStringLiteral("--log-type"),
                               QStringLiteral("0"), QStringLiteral("--output"), output};
        const QStringList awkCount{mawk, QStringLiteral("{n+=NF} END {print n}"), shape.utf8};
        Run run;
        Run awk;
        run.seconds = awk.seconds = 1e9;
        for (int i = 0; i < runs; ++i) {
            const Run one = Best(sort, 1);
            if (one.status != 0) {
                std::printf("    the sort failed (status %d)\n", one.status);
                return 1;
            }
            if (one.seconds < run.seconds)
                run = Run{one.seconds, one.cpuSeconds, std::max(run.peakKiB, one.peakKiB), 0};
            run.peakKiB = std::max(run.peakKiB, one.peakKiB);
            if (!mawk.isEmpty()) {
                const Run other = Best(awkCount, 1);
                if (other.status == 0 && other.seconds < awk.seconds)
                    awk = other;
            }
        }
        const double peakMiB = run.peakKiB / 1024.0;
        std::printf("    --sort %7.3f s  %7.1f MB/s  (CPU %.3f s)  output %.1f MB\n", run.seconds,
                    fileMiB / run.seconds, run.cpuSeconds, double(QFile(output).size()) / kMiB);
        std::printf("           peak RSS %6.1f MB = %4.2f x the file; above the program's own %.1f MB: %4.2f x\n",
                    peakMiB, peakMiB / fileMiB, idleMiB, (peakMiB - idleMiB) / fileMiB);
        if (awk.status == 0)
            std::printf("    mawk   %7.3f s  %7.1f MB/s  (CPU %.3f s)  peak RSS %.1f MB;  --sort / mawk = %.2f"
                        " (CPU %.2f)\n",
                        awk.seconds, fileMiB / awk.seconds, awk.cpuSeconds, awk.peakKiB / 1024.0,
                        run.seconds / awk.seconds, run.cpuSeconds / awk.cpuSeconds);
        QFile::remove(output);
        if (keep.isEmpty()) {
            QFile::remove(shape.capture);
            QFile::remove(shape.utf8);
        }
    }
    return 0;
}
