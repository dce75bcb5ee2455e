#include "core/charts/log_graph.h"

#include "core/charts/chart_model.h"
#include "core/charts/graph_values.h"

namespace {
// The row field that labels a sample on the x axis: the time.
constexpr qint64 kTimeField = 1;
} // namespace

bool LogGraphHasField(const LogFileRecord &rec, int field)
{
    return field >= 0 && !rec.rows.isEmpty() && rec.rows.first().size() > field;
}

void FillLogGraph(ChartModel &chart, const LogFileRecord &rec, int field)
{
    for (const LogFieldList &row : rec.rows.fields())
        chart.AddPoint(row.at(kTimeField).toString(), GraphValueFromField(row.at(field)));
    chart.SetTitle(QStringLiteral("File %1").arg(rec.fileNumber));
    // Logp headers come in name and unit pairs: the unit names the value.
    const qint64 caption = rec.kind != LogKindPlain ? 2 * qint64(field) + 1 : qint64(field);
    chart.SetValueCaptionText(rec.columnHeaders.at(caption).toString());
    chart.RecalcLayout();
}
