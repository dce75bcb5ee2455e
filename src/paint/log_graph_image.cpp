#include "paint/log_graph_image.h"

#include "core/charts/chart_model.h"
#include "core/charts/log_graph.h"
#include "paint/chart_painter.h"
#include "paint/fonts.h"

#include <QGuiApplication>
#include <QPainter>

void PaintLogGraph(QPainter &painter, const QRect &target, const LogFileRecord &rec, int field)
{
    ChartModel chart;
    chart.Place(target.width(), target.height());
    FillLogGraph(chart, rec, field);

    painter.save();
    painter.translate(target.topLeft());
    painter.fillRect(QRect(0, 0, target.width(), target.height()), Qt::white);
    BeginBorderedClientPaint(painter, target.width(), target.height());
    EraseChartBackground(painter, chart);
    PaintChart(painter, chart);
    painter.restore();
}

QImage RenderLogGraph(const LogFileRecord &rec, int field)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QImage();
    const int width = kLogGraphWindowRect.Width();
    const int height = kLogGraphWindowRect.Height();
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(DialogFont());
    PaintLogGraph(painter, QRect(0, 0, width, height), rec, field);
    return image;
}
