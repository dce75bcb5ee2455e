#include "paint/report_writer.h"

#include "core/charts/log_graph.h"
#include "core/export/log_statistics.h"
#include "paint/log_graph_image.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPair>
#include <QPdfWriter>
#include <QPicture>

#include <cmath>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

bool ReportLanguageFromName(const QString &name, ReportLanguage *language)
{
    if (name == QLatin1String("en"))
        *language = ReportLanguage::English;
    else if (name == QLatin1String("zh"))
        *language = ReportLanguage::Chinese;
    else
        return false;
    return true;
}

namespace {

// The report's own texts, in English and Chinese.
struct ReportTexts
{
    QString title, capture, logType, serial, reportDate, files, summary, file, probe, start, interval, rows,
        duration, variable, unit, values, missing, minimum, maximum, mean, stdDev, page, leftOut, none;
    // Between a label and its value: "%1: %2", or with the full-width colon.
    QString labelled;
};

ReportTexts TextsOf(ReportLanguage language)
{
    if (language == ReportLanguage::Chinese)
        return {QStringLiteral("测量报告"), QStringLiteral("采集文件"), QStringLiteral("记录类型"),
                QStringLiteral("仪器序列号"), QStringLiteral("报告日期"), QStringLiteral("文件数"),
                QStringLiteral("文件一览"), QStringLiteral("文件"), QStringLiteral("探头"),
                QStringLiteral("开始"), QStringLiteral("间隔"), QStringLiteral("行数"), QStringLiteral("时长"),
                QStringLiteral("变量"), QStringLiteral("单位"), QStringLiteral("数值个数"), QStringLiteral("缺失"),
                QStringLiteral("最小值"), QStringLiteral("最大值"), QStringLiteral("平均值"),
                QStringLiteral("标准差"), QStringLiteral("第 %1 页，共 %2 页"),
                QStringLiteral("只为前 %1 个文件（共 %2 个）给出单独的页面；其余 %3 个文件只列在一览表中。"),
                QStringLiteral("无"), QStringLiteral("%1：%2")};
    return {QStringLiteral("Measurement report"), QStringLiteral("Capture"), QStringLiteral("Log type"),
            QStringLiteral("Instrument serial number"), QStringLiteral("Report date"), QStringLiteral("Files"),
            QStringLiteral("Summary"), QStringLiteral("File"), QStringLiteral("Probe"), QStringLiteral("Start"),
            QStringLiteral("Interval"), QStringLiteral("Rows"), QStringLiteral("Duration"),
            QStringLiteral("Variable"), QStringLiteral("Unit"), QStringLiteral("Values"),
            QStringLiteral("Missing"), QStringLiteral("Minimum"), QStringLiteral("Maximum"),
            QStringLiteral("Mean"), QStringLiteral("Std. deviation"), QStringLiteral("Page %1 of %2"),
            QStringLiteral("Pages of their own are given to the first %1 of %2 files; the other %3 are "
                           "listed in the summary only."),
            QStringLiteral("none"), QStringLiteral("%1: %2")};
}

// The page at 96 pixels per inch: A4 is 794 x 1123.
constexpr int kResolution = 96;
constexpr qreal kMargin = 56;
constexpr qreal kGraphHeight = 158;
constexpr qreal kCaptionHeight = 16;
constexpr qreal kGap = 14;

QFont ReportFont(qreal pixels, bool bold = false)
{
    // Arial's metrics (Liberation Sans on Linux); Chinese from WenQuanYi.
    QFont font(QStringLiteral("Arial"));
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(int(pixels));
    font.setBold(bold);
    return font;
}

QString Number(double value, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("-");
    return QString::number(value, 'f', qBound(0, decimals, 8));
}

QString StartText(const FileStatistics &stats)
{
    if (stats.first.valid)
        return stats.first.Iso().replace(QLatin1Char('T'), QLatin1Char(' '));
    return (stats.firstDate + QLatin1Char(' ') + stats.firstTime).trimmed();
}

struct Column
{
    QString title;
    qreal share;        // of the table's width
    Qt::Alignment align;
};

// Lays the report out page by page. The first run only counts the pages
// (no painter); the second paints them, numbered "page of pages".
class ReportLayout
{
public:
    ReportLayout(const ReportTexts &texts, QSizeF page, QPainter *painter, QPdfWriter *writer, int pages)
        : m_texts(texts), m_page(page), m_painter(painter), m_writer(writer), m_pages(pages)
    {
    }

    int Pages() const { return m_number; }

    void NewPage()
    {
        if (m_number > 0) {
            Footer();
            if (m_writer)
                m_writer->newPage();
        }
        ++m_number;
        m_y = kMargin;
    }

    void Finish()
    {
        if (m_number > 0)
            Footer();
    }

    // Room for height more pixels on this page, or a new page.
    void Need(qreal height)
    {
        if (m_y + height > Bottom())
            NewPage();
    }

    void Text(const QString &text, const QFont &font, qreal after = 4)
    {
        const QFontMetricsF metrics(font);
        Need(metrics.height());
        if (m_painter) {
            m_painter->setFont(font);
            m_painter->setPen(Qt::black);
            m_painter->drawText(QRectF(kMargin, m_y, Width(), metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                                metrics.elidedText(text, Qt::ElideRight, Width()));
        }
        m_y += metrics.height() + after;
    }

    void Space(qreal height) { m_y += height; }

    // A table whose header row is repeated on every page it reaches.
    void Table(const QList<Column> &columns, qsizetype rowCount, const std::function<QStringList(qsizetype)> &row)
    {
        const QFont font = ReportFont(11);
        const QFont bold = ReportFont(11, true);
        const qreal height = QFontMetricsF(font).height() + 6;
        QStringList titles;
        for (const Column &column : columns)
            titles << column.title;
        Need(2 * height);
        TableRow(columns, titles, bold, height, true);
        for (qsizetype r = 0; r < rowCount; ++r) {
            if (m_y + height > Bottom()) {
                NewPage();
                TableRow(columns, titles, bold, height, true);
            }
            TableRow(columns, m_painter ? row(r) : QStringList(), font, height, false);
        }
        m_y += kGap;
    }

    // The graphs of a file, two to a row, each under its variable's title.
    void Graphs(const LogFileRecord &rec, const QList<QPair<int, QString>> &graphs)
    {
        const qreal width = (Width() - kGap) / 2;
        const QFont caption = ReportFont(11, true);
        const std::vector<QPicture> pictures =
            m_painter ? DrawGraphs(rec, graphs, QSize(int(width), int(kGraphHeight))) : std::vector<QPicture>();
        for (qsizetype i = 0; i < graphs.size(); i += 2) {
            Need(kCaptionHeight + kGraphHeight);
            for (qsizetype k = i; k < qMin(i + 2, graphs.size()); ++k) {
                if (!m_painter)
                    continue;
                const qreal x = kMargin + (k - i) * (width + kGap);
                m_painter->setFont(caption);
                m_painter->setPen(Qt::black);
                m_painter->drawText(QRectF(x, m_y, width, kCaptionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                                    QFontMetricsF(caption).elidedText(graphs.at(k).second, Qt::ElideRight, width));
                m_painter->drawPicture(QPointF(int(x), int(m_y + kCaptionHeight)), pictures.at(size_t(k)));
            }
            m_y += kCaptionHeight + kGraphHeight + kGap;
        }
    }

    // The graphs drawn as pictures, to be played into the page: a file of a
    // million rows costs most of its report in laying out its graphs, so a
    // second thread draws every other one.
    static std::vector<QPicture> DrawGraphs(const LogFileRecord &rec, const QList<QPair<int, QString>> &graphs,
                                            QSize size)
    {
        std::vector<QPicture> pictures(size_t(graphs.size()));
        const auto draw = [&](qsizetype k) {
            QPainter painter(&pictures[size_t(k)]);
            painter.setFont(ReportFont(10));
            PaintLogGraph(painter, QRect(QPoint(0, 0), size), rec, graphs.at(k).first);
        };
        std::thread second;
        try {
            if (graphs.size() > 1)
                second = std::thread([&]() {
                    for (qsizetype k = 1; k < graphs.size(); k += 2)
                        draw(k);
                });
        } catch (const std::system_error &) {
            // No thread to be had: this one draws them all.
        }
        for (qsizetype k = 0; k < graphs.size(); k += second.joinable() ? 2 : 1)
            draw(k);
        if (second.joinable())
            second.join();
        return pictures;
    }

private:
    qreal Width() const { return m_page.width() - 2 * kMargin; }
    qreal Bottom() const { return m_page.height() - kMargin; }

    void TableRow(const QList<Column> &columns, const QStringList &cells, const QFont &font, qreal height, bool head)
    {
        if (m_painter) {
            m_painter->setFont(font);
            const QFontMetricsF metrics(font);
            const qreal maxWidth = metrics.maxWidth();
            if (head)
                m_painter->fillRect(QRectF(kMargin, m_y, Width(), height), QColor(0xE8, 0xEC, 0xF2));
            qreal x = kMargin;
            for (qsizetype c = 0; c < columns.size(); ++c) {
                const qreal w = columns.at(c).share * Width();
                const QString cell = cells.value(c);
                m_painter->setPen(Qt::black);
                // A text that fits even in the widest characters is drawn
                // without measuring it: the summary of many files has
                // hundreds of thousands of cells.
                const bool fits = cell.size() * maxWidth <= w - 8;
                m_painter->drawText(QRectF(x + 4, m_y, w - 8, height), columns.at(c).align | Qt::AlignVCenter,
                                    fits ? cell : metrics.elidedText(cell, Qt::ElideRight, w - 8));
                x += w;
            }
            m_painter->setPen(QPen(QColor(0xB0, 0xB8, 0xC4), 0));
            m_painter->drawLine(QPointF(kMargin, m_y + height), QPointF(kMargin + Width(), m_y + height));
        }
        m_y += height;
    }

    void Footer()
    {
        if (!m_painter)
            return;
        const QFont font = ReportFont(10);
        m_painter->setFont(font);
        m_painter->setPen(Qt::darkGray);
        m_painter->drawText(QRectF(kMargin, m_page.height() - kMargin + 12, Width(), 20), Qt::AlignCenter,
                            m_texts.page.arg(m_number).arg(m_pages));
    }

    const ReportTexts &m_texts;
    QSizeF m_page;
    QPainter *m_painter;
    QPdfWriter *m_writer;
    int m_pages;
    int m_number = 0;
    qreal m_y = kMargin;
};

void LayOut(ReportLayout &layout, const ReportTexts &texts, const QList<LogFileRecord> &records,
            const QList<qint32> &picked, const QList<FileStatistics> &stats, const ReportOptions &options)
{
    const QDate date = options.date.isValid() ? options.date : QDate::currentDate();
    QStringList serials;
    for (const FileStatistics &file : stats) {
        if (!file.serialNumber.isEmpty() && !serials.contains(file.serialNumber))
            serials << file.serialNumber;
    }
    const qsizetype withPages = qMin<qsizetype>(picked.size(), qMax(0, options.fileLimit));

    layout.NewPage();
    layout.Text(texts.title, ReportFont(24, true), 14);
    const QFont body = ReportFont(13);
    const auto line = [&](const QString &label, const QString &value) {
        layout.Text(texts.labelled.arg(label, value), body);
    };
    line(texts.capture, options.captureName);
    line(texts.logType, options.logTypeName);
    line(texts.serial, serials.isEmpty() ? texts.none : serials.join(QStringLiteral(", ")));
    line(texts.reportDate, date.toString(Qt::ISODate));
    line(texts.files, QString::number(picked.size()));
    if (withPages < picked.size())
        layout.Text(texts.leftOut.arg(withPages).arg(picked.size()).arg(picked.size() - withPages), body);
    layout.Space(12);
    layout.Text(texts.summary, ReportFont(15, true), 6);
    const Qt::Alignment left = Qt::AlignLeft;
    const Qt::Alignment right = Qt::AlignRight;
    layout.Table({{texts.file, 0.09, right},
                  {texts.probe, 0.2, left},
                  {texts.start, 0.26, left},
                  {texts.interval, 0.15, left},
                  {texts.rows, 0.12, right},
                  {texts.duration, 0.18, right}},
                 stats.size(), [&](qsizetype i) {
                     const FileStatistics &file = stats.at(i);
                     return QStringList{QString::number(file.fileNumber), file.probe, StartText(file),
                                        file.interval, QString::number(file.rows),
                                        DurationText(file.durationSeconds)};
                 });

    for (qsizetype i = 0; i < withPages; ++i) {
        const FileStatistics &file = stats.at(i);
        const LogFileRecord &rec = records.at(picked.at(i));
        layout.NewPage();
        layout.Text(QStringLiteral("%1 %2").arg(texts.file).arg(file.fileNumber), ReportFont(18, true), 6);
        const QString gap = QStringLiteral("    ");
        layout.Text(texts.labelled.arg(texts.probe, file.probe) + gap + texts.labelled.arg(texts.start, StartText(file))
                        + gap + texts.labelled.arg(texts.interval, file.interval),
                    body);
        layout.Text(texts.labelled.arg(texts.rows, QString::number(file.rows)) + gap
                        + texts.labelled.arg(texts.duration, DurationText(file.durationSeconds)),
                    body, 10);
        layout.Table({{texts.variable, 0.22, left},
                      {texts.unit, 0.1, left},
                      {texts.values, 0.1, right},
                      {texts.missing, 0.09, right},
                      {texts.minimum, 0.12, right},
                      {texts.maximum, 0.12, right},
                      {texts.mean, 0.12, right},
                      {texts.stdDev, 0.13, right}},
                     file.variables.size(), [&](qsizetype v) {
                         const VariableStatistics &s = file.variables.at(v);
                         return QStringList{s.variable.name,         s.variable.unit,
                                            QString::number(s.count), QString::number(s.missing),
                                            Number(s.min, s.decimals), Number(s.max, s.decimals),
                                            Number(s.mean, s.decimals + 2), Number(s.stdDev, s.decimals + 2)};
                     });
        QList<QPair<int, QString>> graphs;
        for (const VariableStatistics &s : file.variables) {
            if (LogGraphHasField(rec, s.variable.field))
                graphs.append({s.variable.field, s.variable.title});
        }
        layout.Graphs(rec, graphs);
    }
    layout.Finish();
}

} // namespace

ReportResult MakeReport(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                        const ReportOptions &options)
{
    ReportResult result;
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        result.problem = QStringLiteral("the report needs the program's drawing, which did not start");
        return result;
    }
    const ReportTexts texts = TextsOf(options.language);
    QList<FileStatistics> stats;
    stats.reserve(picked.size());
    for (qint32 i : picked)
        stats.append(ComputeFileStatistics(records.at(i)));

    QBuffer buffer(&result.pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(texts.title + QStringLiteral(" - ") + options.captureName);
    writer.setCreator(QStringLiteral("TavixTerminal"));
    const QSizeF page = writer.pageLayout().paintRectPixels(kResolution).size();

    ReportLayout counting(texts, page, nullptr, nullptr, 0);
    LayOut(counting, texts, records, picked, stats, options);

    QPainter painter;
    if (!painter.begin(&writer)) {
        result.pdf.clear();
        result.problem = QStringLiteral("the PDF could not be started");
        return result;
    }
    ReportLayout painting(texts, page, &painter, &writer, counting.Pages());
    LayOut(painting, texts, records, picked, stats, options);
    painter.end();
    buffer.close();
    result.pages = painting.Pages();
    if (result.pdf.isEmpty())
        result.problem = QStringLiteral("the PDF could not be made");
    return result;
}
