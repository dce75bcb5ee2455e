#include "paint/log_graph_image.h"

#include "core/charts/chart_model.h"
#include "core/charts/log_graph.h"
#include "paint/chart_painter.h"
#include "paint/fonts.h"

#include <QGuiApplication>
#include <QPainter>

QImage RenderLogGraph(const LogFileRecord &rec, int field)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QImage();
    const int width = kLogGraphWindowRect.Width();
    const int height = kLogGraphWindowRect.Height();
    ChartModel chart;
    chart.Place(width, height);
    FillLogGraph(chart, rec, field);

    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(DialogFont());
    BeginBorderedClientPaint(painter, width, height);
    EraseChartBackground(painter, chart);
    PaintChart(painter, chart);
    return image;
}
