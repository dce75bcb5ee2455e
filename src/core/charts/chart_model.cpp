#include "core/charts/chart_model.h"

ChartModel::ChartModel()
{
    SetAxes();
}

void ChartModel::SetAxes()
{
    // Bands and axes of the chart rectangle, without samples: an empty chart
    // paints its two axes from the start.
    const ChartLayout layout = ChartLayout::Compute(m_rcChart, {});
    m_rcXLabelBand = layout.xLabelBand;
    m_rcYLabelBand = layout.yLabelBand;
    m_rcPlot = layout.plot;
    m_ptOrigin = layout.origin;
    m_ptXAxisEnd = layout.xAxisEnd;
    m_ptYAxisEnd = layout.yAxisEnd;
}

void ChartModel::Place(int width, int height)
{
    m_rcChart = {0, 0, width, height};
    SetAxes();
}

void ChartModel::AddPoint(const QString &label, float value)
{
    m_samples.append({label, value});
}

void ChartModel::ClearData()
{
    m_samples.clear();
    m_points.clear();
    m_curve.clear();
    m_curveBreaks.clear();
    m_gapRows.clear();
    m_dotRuns.clear();
    m_xLabels.clear();
    m_yLabels.clear();
}

void ChartModel::RecalcLayout()
{
    SetAxes();
    const ChartLayout layout = ChartLayout::Compute(m_rcChart, m_samples);
    if (!layout.hasSamples)
        return;
    m_yLabels.append(layout.yLabels);
    m_valueCaption.rc = layout.valueCaptionRect;
    m_timeCaption = layout.timeCaption;
    m_xLabels.append(layout.xLabels);
    m_points.append(layout.points);
    m_gapRows = layout.gapRows;
    if (m_gapRows.isEmpty()) {
        m_curve = ColumnCurve(m_points);
        m_dotRuns = ColumnDots(m_points);
        return;
    }
    // The pieces between the gaps, each summarised on its own; the dots of
    // the finite points only.
    m_curve.clear();
    m_curveBreaks.clear();
    QList<ChartPoint> finite;
    qsizetype from = 0;
    for (qsizetype gap : std::as_const(m_gapRows)) {
        if (gap > from) {
            const QList<ChartPoint> piece = m_points.mid(from, gap - from);
            if (!m_curve.isEmpty())
                m_curveBreaks.append(m_curve.size());
            m_curve.append(ColumnCurve(piece));
            finite.append(piece);
        }
        from = gap + 1;
    }
    if (from < m_points.size()) {
        const QList<ChartPoint> piece = m_points.mid(from);
        if (!m_curve.isEmpty())
            m_curveBreaks.append(m_curve.size());
        m_curve.append(ColumnCurve(piece));
        finite.append(piece);
    }
    m_dotRuns = ColumnDots(finite);
}
