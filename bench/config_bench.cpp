// Load time of Config.dat files that grow by extra 80-character lines,
// 1, 2, 4 and 8 MB of them inside the last text and after the last group
// end, and a 3 GB (sparse) one past the size limit, which the start-up
// refuses without reading it. Prints each time (the median of nine loads)
// and the ratio time(8 MB) / time(1 MB) (a reader linear in the file gives
// about 8).
#include "core/io/text_file.h"
#include "core/locale/built_in_texts.h"
#include "core/locale/text_table.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// The sample file of the built-in texts: headers, languages, 53 groups.
QString SampleText()
{
    const QString groupEnd = QStringLiteral("*******************\r\n");
    QString text = QStringLiteral("TavixTerminal texts\r\n") + groupEnd + QStringLiteral("English\r\n***\r\n中文\r\n")
                   + groupEnd;
    const TextTable builtIn = BuiltInTextTable();
    for (const int number : LocaleTexts::ConfigOrder()) {
        const QStringList texts = builtIn.value(number);
        for (qsizetype i = 0; i < texts.size(); ++i) {
            if (texts.at(i).isEmpty())
                continue;
            text += texts.at(i) + QStringLiteral("\r\n***\r\n");
        }
        text += groupEnd;
    }
    return text;
}

QString ExtraLines(qint64 bytes)
{
    const QString line = QString(78, QLatin1Char('x')) + QStringLiteral("\r\n");
    QString lines;
    lines.reserve(bytes / 2 + line.size());
    while (lines.size() * 2 < bytes)
        lines += line;
    return lines;
}

// The median of nine loads of the file, in seconds.
double TimeLoad(const QString &path, bool *used)
{
    std::vector<double> times;
    for (int i = 0; i < 9; ++i) {
        LocaleTexts texts;
        QElapsedTimer timer;
        timer.start();
        *used = texts.LoadConfigFile(path);
        times.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool Write(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(Utf16LeWithBom(text)) > 0;
}

} // namespace

int main()
{
    // Large blocks always come fresh from the system, whatever was freed
    // before, so a small file does not run on memory a larger one left warm
    // (glibc would otherwise raise its threshold after the first free).
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("Config.dat"));
    const QString sample = SampleText();
    const QString groupEnd = QStringLiteral("*******************\r\n");

    for (const bool inside : {true, false}) {
        std::printf("Config.dat with extra 80-character lines %s\n",
                    inside ? "in its last text" : "after its last group end");
        double at1 = 0;
        for (const qint64 mb : {1, 2, 4, 8}) {
            const QString extra = ExtraLines(mb * kMiB);
            // Inside: the lines join the help text group (the file's last).
            QString text = sample;
            if (inside)
                text.insert(text.size() - groupEnd.size(), extra);
            else
                text += extra;
            if (!Write(path, text))
                return 1;
            bool used = false;
            const double seconds = TimeLoad(path, &used);
            std::printf("  %lld MB: %8.4f s%s\n", static_cast<long long>(mb), seconds, used ? "" : " (not used)");
            if (mb == 1)
                at1 = seconds;
            else if (mb == 8)
                std::printf("  time(8 MB) / time(1 MB) = %.2f\n", seconds / at1);
        }
    }
    // Only the size is looked at: the sparse file takes no room on the disk.
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(qint64(3) << 30))
            return 1;
    }
    bool used = true;
    const double seconds = TimeLoad(path, &used);
    std::printf("Config.dat of 3 GB (sparse), past the size limit: %.6f s%s\n", seconds,
                used ? " (used!)" : " (refused: the built-in texts are used)");
    return 0;
}
