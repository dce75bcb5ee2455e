#include "app/log_graph_image.h"

#include "app/costrum_dlg.h"
#include "app/dialog_builder.h"
#include "charts/graph_values.h"
#include "charts/my_chart.h"
#include "resources/dialog_template.h"

#include <QApplication>
#include <QPixmap>
#include <QWidget>

namespace {
// The row field that labels a sample on the x axis: the time.
constexpr qint64 kTimeField = 1;
} // namespace

bool LogGraphHasField(const LogFileRecord &rec, int field)
{
    return field >= 0 && !rec.rows.isEmpty() && rec.rows.first().size() > field;
}

void FillLogGraph(CMyChart &chart, const LogFileRecord &rec, int field)
{
    for (const LogFieldList &row : rec.rows.fields())
        chart.AddPoint(row.at(kTimeField).toString(), GraphValueFromField(row.at(field)));
    chart.SetTitle(QStringLiteral("File %1").arg(rec.fileNumber));
    // Logp headers come in name and unit pairs: the unit names the value.
    const qint64 caption = rec.kind != LogKindPlain ? 2 * qint64(field) + 1 : qint64(field);
    chart.SetValueCaptionText(rec.columnHeaders.at(caption).toString());
    chart.RecalcLayout();
}

QImage RenderLogGraph(const LogFileRecord &rec, int field)
{
    // A stand-in for the dialog's client area: the chart inherits its font
    // from it, as it does in the window.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QImage();
    const ChartRect &rect = COstrumDlg::kChartWindowRect;
    QWidget client;
    client.setFont(DialogFont());
    client.resize(rect.right, rect.bottom);
    CMyChart *chart = new CMyChart;
    if (!chart->Create(rect, &client, IDC_CHART)) {
        delete chart;
        return QImage();
    }
    FillLogGraph(*chart, rec, field);
    return chart->grab().toImage();
}
