// The graph window and the chart on a log file of 1,000,000 rows, offscreen,
// through the real dialog:
// - per frame of the graph window 1,600 pixels wide: 100 frames of wheel
//   zoom (in to the least span and out again) and 100 frames of pan, each
//   the summary of the visible span and its paint (median and worst); and
//   for comparison a frame that walks every visible row instead;
// - a variable switch and a browse back to a file already drawn, as the
//   dialog did them before (the chart alone, everything read again from
//   the rows: the cache emptied first) and as it does them now (the graph
//   window open too, what was computed kept): the dialog's ShowLogGraph and
//   a paint of the chart (and of the window).
//
//   QT_QPA_PLATFORM=offscreen graph_window_bench [--png FILE]
#include "core/charts/span_summary.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/graph_strips_view.h"
#include "gui/widgets/graph_window.h"
#include "gui/widgets/my_chart.h"
#include "scripted_prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRows = 1000000;

// A Logp file of kRows rows one second apart (about eleven and a half
// days), a slow wave with noise in field 2 and a faster one in field 3.
LogFileRecord BigFile(int number)
{
    LogFileRecord r;
    r.fileNumber = number;
    r.kind = LogKindLogp;
    r.columnHeaders = QStringList{"DATE", "", "TIME", "", "T", "degC", "AV", "m/s"};
    // The texts of the times of a day and of the dates, made once.
    QStringList times;
    for (int s = 0; s < 86400; ++s)
        times << QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    QStringList dates;
    for (int day = 0; day <= kRows / 86400; ++day) {
        const QDate date = QDate(2008, 1, 2).addDays(day);
        dates << QString::asprintf("%02d-%02d-%02d", date.year() % 100, date.month(), date.day());
    }
    QList<LogFieldList> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        char t[16];
        char v[16];
        std::snprintf(t, sizeof t, "%.2f", 20.0 + 5.0 * std::sin(i * 1e-4) + (qint64(i) * 7919 % 100) / 100.0);
        std::snprintf(v, sizeof v, "%.3f", 0.3 + 0.2 * std::sin(i * 3e-3));
        const QString value1 = QString::fromLatin1(t);
        const QString value2 = QString::fromLatin1(v);
        const QStringView texts[] = {dates[i / 86400], times[i % 86400], value1, value2};
        LogFieldList row;
        row.append(texts, 4);
        rows.append(std::move(row));
    }
    r.rows.appendTaken(rows);
    return r;
}

struct Figures
{
    double median = 0;
    double worst = 0;
};

Figures Summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

double Ms(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// One frame of the window's graph into image.
double Frame(QImage &image, const GraphFrame &frame)
{
    QElapsedTimer timer;
    timer.start();
    QPainter painter(&image);
    PaintGraphStrips(painter, image.rect(), frame);
    painter.end();
    return Ms(timer);
}

// What a frame costs that finds the visible span's extremes by walking its rows.
double WalkingFrame(const LogTimeline &line, const QList<float> &values, double from, double to, int width)
{
    QElapsedTimer timer;
    timer.start();
    std::vector<float> lo(size_t(width), 1e30f);
    std::vector<float> hi(size_t(width), -1e30f);
    for (qsizetype row = line.RowAtOrAfter(from), end = line.RowAfter(to); row < end; ++row) {
        const int c = SpanColumnOf(line.times[row], from, to, width);
        lo[size_t(c)] = std::min(lo[size_t(c)], values[row]);
        hi[size_t(c)] = std::max(hi[size_t(c)], values[row]);
    }
    volatile float sink = lo[0] + hi[size_t(width) - 1];
    (void)sink;
    return Ms(timer);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QTemporaryDir profile;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile.path());

    ScriptedPrompts prompts;
    COstrumDlg dlg(prompts, QStringLiteral("/nonexistent/libftd2xx.so"));
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        return 1;
    std::printf("Graph window and chart, %d rows a file (offscreen; other builds may share the cores)\n", kRows);
    dlg.m_sortedFiles = {BigFile(1), BigFile(2)};
    dlg.m_logpFiles = {0, 1};
    dlg.m_nGraphList = 1;
    dlg.m_nGraphPos = 0;
    dlg.m_nGraphField = 2;
    dlg.m_strGraphLogType = QStringLiteral("QRT 03 Logp");

    // Variable switch and browse back as the dialog did them before: the
    // chart alone, every row read again (the cache emptied first).
    QImage chartImage(dlg.m_pChart->size(), QImage::Format_RGB32);
    GraphWindow *window = nullptr;
    QImage windowImage;
    auto show = [&](int index, int field, bool forget) {
        if (forget)
            dlg.m_graphCache.Clear();
        dlg.m_nGraphField = field;
        QElapsedTimer t;
        t.start();
        dlg.ShowLogGraph(index);
        dlg.m_pChart->render(&chartImage);
        if (window)
            window->View()->render(&windowImage);
        return Ms(t);
    };
    std::vector<double> switchBefore;
    std::vector<double> backBefore;
    for (int i = 0; i < 3; ++i) {
        show(0, 2, true);
        switchBefore.push_back(show(0, 3, true));
        show(1, 2, true);
        backBefore.push_back(show(0, 2, true));
    }

    dlg.m_graphCache.Clear();
    dlg.m_nGraphField = 2;
    QElapsedTimer timer;
    timer.start();
    dlg.ShowLogGraph(0);
    const double firstChart = Ms(timer);
    timer.restart();
    dlg.OpenGraphWindow();
    window = dlg.m_pGraphWindow;
    const double firstWindow = Ms(timer);
    std::printf("  first graph of a file: chart %.0f ms, graph window opened on it %.0f ms\n", firstChart, firstWindow);

    // Frames at 1,600 x 600 pixels.
    GraphFrame frame = window->View()->Frame();
    QImage image(1600, 600, QImage::Format_RGB32);
    const int width = LayoutGraphStrips(image.rect(), 1, QFontMetrics(window->View()->font())).plots.first().width();
    TimeSpanView span;
    span.SetLimits(frame.timeline->times.first(), frame.timeline->times.last(), 4.0);
    std::vector<double> zoom;
    std::vector<double> pan;
    std::vector<double> walking;
    const QList<float> &values = frame.strips.first()->values.Values();
    for (int i = 0; i < 100; ++i) {
        // In by 0.8 a notch for 50 frames (about 1/70,000 of the file), out again.
        span.ZoomAbout(span.From() + span.Span() * 0.37, i < 50 ? 0.8 : 1.25);
        frame.from = span.From();
        frame.to = span.To();
        zoom.push_back(Frame(image, frame));
        walking.push_back(WalkingFrame(*frame.timeline, values, frame.from, frame.to, width));
    }
    span.ShowAll();
    span.ZoomAbout(span.From() + span.Span() / 2, 0.3);
    for (int i = 0; i < 100; ++i) {
        span.PanBy((i < 50 ? 1 : -1) * span.Span() * 0.02);
        frame.from = span.From();
        frame.to = span.To();
        pan.push_back(Frame(image, frame));
    }
    const Figures z = Summarise(zoom);
    const Figures p = Summarise(pan);
    const Figures w = Summarise(walking);
    std::printf("  frame, 1,600 px wide, one strip (target 16 ms):\n");
    std::printf("    zoom, 100 frames:  median %6.2f ms, worst %6.2f ms\n", z.median, z.worst);
    std::printf("    pan, 100 frames:   median %6.2f ms, worst %6.2f ms\n", p.median, p.worst);
    std::printf("    walking every visible row instead (the extremes alone, no paint): %6.2f ms at the widest span\n",
                w.worst);

    // Now: the graph window open as well, what was computed kept. Both
    // variables of both files drawn once first.
    windowImage = QImage(window->View()->size(), QImage::Format_RGB32);
    show(0, 2, true);
    show(0, 3, false);
    show(1, 2, false);
    show(1, 3, false);
    std::vector<double> switchNow;
    std::vector<double> backNow;
    for (int i = 0; i < 3; ++i) {
        show(0, 3, false);
        switchNow.push_back(show(0, 2, false));
        show(1, 2, false);
        backNow.push_back(show(0, 2, false));
    }
    const Figures sb = Summarise(switchBefore);
    const Figures sn = Summarise(switchNow);
    const Figures bb = Summarise(backBefore);
    const Figures bn = Summarise(backNow);
    std::printf("  variable switch (target 50 ms):             before %6.0f ms (chart), now %6.1f ms (chart and window), %.0fx\n",
                sb.median, sn.median, sb.median / sn.median);
    std::printf("  browse back to a file drawn before (50 ms): before %6.0f ms (chart), now %6.1f ms (chart and window), %.0fx\n",
                bb.median, bn.median, bb.median / bn.median);
    // --png FILE: the window's picture of both variables at a tenth of the
    // file, with the cursor, to look at.
    const QStringList args = QApplication::arguments();
    const qsizetype png = args.indexOf(QStringLiteral("--png"));
    if (png >= 0 && png + 1 < args.size()) {
        window->resize(1600, 700);
        window->VariableBoxes().last()->setChecked(true);
        window->View()->ShowAll();
        window->View()->ZoomAbout(window->View()->Span().From(), 0.1);
        window->View()->SetCursorRow(50000);
        QFile file(args[png + 1]);
        if (!file.open(QIODevice::WriteOnly) || file.write(window->Picture(args[png + 1], QSize(1600, 600))) <= 0)
            return 1;
    }
    return 0;
}
