// Times the sort command on generated captures of 2, 8 and 32 MB (plain and
// QRT 03 Logp files alternating) for "QRT Log" and "QRT 03 Logp": the whole
// sort, and of it the sorted output alone (laying out the picked files and
// the abbreviation pass). Prints the speed and how the time grows from 8 to
// 32 MB: a sort linear in the text grows about 4 times. Then the rate of the
// graph's value conversion on short and 40-character fields.
#include "core/charts/graph_values.h"
#include "core/locale/keyword_tables.h"
#include "core/sorting/sort_command.h"
#include "core/sorting/sorted_output.h"
#include "logp_capture.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace {

constexpr qsizetype kMiB = 1024 * 1024;

QString PlainFile(int n)
{
    return QStringLiteral("File %1 \r\nTavix 3000 s/n 123456\r\nProbe QRT Log\r\n"
                          "Time Constant 1 sec\r\nLog Interval 10 sec\r\n\r\n"
                          "Date     Time     Vel   Temp\r\n-----------------------\r\n"
                          "08-01-02 12:30:00 0.25 22.3\r\n08-01-02 12:30:10 0.27 22.4\r\n"
                          "08-01-02 12:30:20 0.26 22.4\r\n\r\n")
        .arg(n);
}

QString Capture(qsizetype size)
{
    QString s;
    s.reserve(size + 1024);
    for (int n = 1; s.size() < size; ++n)
        s += (n % 2 ? PlainFile(n) : LogpFile(n));
    return s;
}

struct Timing
{
    double sortSeconds = 0;
    double outputSeconds = 0;
    qsizetype outputSize = 0;
};

// The best of three runs, so a busy machine distorts the figures less.
Timing TimeSort(const QString &capture, int logType)
{
    Timing best{1e9, 1e9, 0};
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        const SortResult result = SortInputText(capture, SortSelection{logType, 0, 0}, AbbreviationRows(), QString());
        const double sortSeconds = double(timer.nsecsElapsed()) / 1e9;

        QString output;
        timer.restart();
        BuildSortedOutput(result.sortedFiles, GraphListOfLogType(logType), logType, AbbreviationRows(), output);
        const double outputSeconds = double(timer.nsecsElapsed()) / 1e9;

        if (result.status != SortStatus::Sorted || output != result.sortedOutput) {
            std::printf("sort of log type %d failed\n", logType);
            return best;
        }
        best.sortSeconds = qMin(best.sortSeconds, sortSeconds);
        best.outputSeconds = qMin(best.outputSeconds, outputSeconds);
        best.outputSize = output.size();
    }
    return best;
}

void TimeValues(const QString &field, int count)
{
    QElapsedTimer timer;
    timer.start();
    double sum = 0;
    for (int i = 0; i < count; ++i)
        sum += GraphValueFromField(field);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("  %-42s %7.1f ns a field (sum %.6g)\n", qPrintable(QLatin1Char('"') + field + QLatin1Char('"')),
                seconds * 1e9 / count, sum);
}

} // namespace

int main()
{
    const qsizetype sizes[] = {2 * kMiB, 8 * kMiB, 32 * kMiB};
    for (int logType : {int(LogTypeQrtLog), int(LogTypeQrt03Logp)}) {
        std::printf("Log type %d (%s)\n", logType, logType == LogTypeQrtLog ? "QRT Log" : "QRT 03 Logp");
        double at8 = 0;
        for (qsizetype size : sizes) {
            const QString capture = Capture(size);
            const Timing t = TimeSort(capture, logType);
            std::printf("  %3lld MB capture: sort %7.3f s (%6.1f MB/s), of which output %6.3f s; output %lld characters\n",
                        static_cast<long long>(size / kMiB), t.sortSeconds,
                        double(capture.size()) / kMiB / t.sortSeconds, t.outputSeconds,
                        static_cast<long long>(t.outputSize));
            if (size == 8 * kMiB)
                at8 = t.sortSeconds;
            if (size == 32 * kMiB && at8 > 0)
                std::printf("  time 32 MB / 8 MB: %.2f (linear: about 4)\n", t.sortSeconds / at8);
        }
    }
    std::printf("Graph value conversion\n");
    TimeValues(QStringLiteral("0.25"), 2000000);
    TimeValues(QStringLiteral("12,5"), 2000000);
    TimeValues(QStringLiteral("12345678901234567890,1234567890123456789"), 500000);
    return 0;
}
