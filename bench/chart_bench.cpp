// Times the chart with 1,000,000 samples of a slow sine and of noise: the
// layout (RecalcLayout, which summarises the points per pixel column) and a
// repaint into an image. With --png FILE it instead saves a picture of the
// chart drawing a short sample curve, as the log graph shows one.
#include "gui/widgets/my_chart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr ChartRect kDialogRect{388, 350, 848, 642};

QString TimeLabel(int i)
{
    const int seconds = 12 * 3600 + 30 * 60 + 10 * i;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600 % 24, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int SavePicture(const QString &path)
{
    QWidget dialog;
    dialog.resize(900, 700);
    CMyChart *chart = new CMyChart;
    chart->Create(kDialogRect, &dialog, 500);
    for (int i = 0; i < 24; ++i)
        chart->AddPoint(TimeLabel(i), float(0.25 + 0.08 * std::sin(i * 0.45) + 0.004 * i));
    chart->SetTitle(QStringLiteral("File 3"));
    chart->SetValueCaptionText(QStringLiteral("m/s"));
    chart->RecalcLayout();
    if (!chart->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("saved %s\n", qPrintable(path));
    return 0;
}

// Lays out and repaints a chart of 1,000,000 samples of one shape: the
// layout (once per file and variable) and the median of 11 repaints.
void TimeLargeChart(const char *shape, float (*value)(int))
{
    constexpr int kSamples = 1000000;
    QWidget dialog;
    dialog.resize(900, 700);
    CMyChart *chart = new CMyChart;
    chart->Create(kDialogRect, &dialog, 500);
    for (int i = 0; i < kSamples; ++i)
        chart->AddPoint(TimeLabel(i), value(i));
    chart->SetTitle(QStringLiteral("File 1"));
    chart->SetValueCaptionText(QStringLiteral("degC"));

    QElapsedTimer timer;
    timer.start();
    chart->RecalcLayout();
    const double layoutMs = timer.nsecsElapsed() / 1e6;

    QImage image(chart->size(), QImage::Format_RGB32);
    std::vector<double> paints;
    for (int i = 0; i < 11; ++i) {
        timer.restart();
        QPainter painter(&image);
        chart->render(&painter);
        painter.end();
        paints.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(paints.begin(), paints.end());
    std::printf("chart of %d samples, %s: %lld points drawn as %lld curve points and %lld dot bars\n", kSamples, shape,
                static_cast<long long>(chart->Points().size()), static_cast<long long>(chart->Curve().size()),
                static_cast<long long>(chart->DotRuns().size()));
    std::printf("  RecalcLayout:     %8.1f ms\n", layoutMs);
    std::printf("  repaint (median): %8.2f ms (target at most 20 ms)\n", paints[paints.size() / 2]);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const qsizetype png = args.indexOf(QStringLiteral("--png"));
    if (png >= 0 && png + 1 < args.size())
        return SavePicture(args[png + 1]);
    TimeLargeChart("a slow sine", [](int i) { return float(20.0 + 5.0 * std::sin(i * 0.001)); });
    TimeLargeChart("noise", [](int i) { return float(20.0 + 5.0 * std::sin(i * 12.9898) * 43758.5453 - std::floor(std::sin(i * 12.9898) * 43758.5453) * 5.0); });
    return 0;
}
