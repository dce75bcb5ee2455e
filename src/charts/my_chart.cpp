#include "charts/my_chart.h"

#include "charts/bordered_window.h"

#include <QPainter>
#include <QPen>
#include <QPolygon>

namespace {

// A chart rectangle (right and bottom outside) as a QRect (right and bottom inside).
QRect ToQRect(const ChartRect &rc)
{
    return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

QPoint ToQPoint(const ChartPoint &p)
{
    return QPoint(p.x, p.y);
}

// Text drawn left and top aligned in its box, on one line per line break,
// without word wrapping, clipped to the box.
void DrawLabel(QPainter &painter, const ChartLabel &label)
{
    painter.drawText(ToQRect(label.rc), Qt::AlignLeft | Qt::AlignTop, label.text);
}

} // namespace

CMyChart::CMyChart(QWidget *parent)
    : QWidget(parent)
{
    SetAxes();
}

void CMyChart::SetAxes()
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

CMyChart::~CMyChart() = default;

bool CMyChart::Create(const ChartRect &rect, QWidget *parent, int id)
{
    if (!parent)
        return false;
    m_rcChart = {0, 0, rect.right - rect.left, rect.bottom - rect.top};
    SetAxes();
    setParent(parent);
    setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    setObjectName(QStringLiteral("Log graph"));
    setAccessibleName(QStringLiteral("Log graph"));
    setProperty("controlId", id);
    show();
    return true;
}

void CMyChart::AddPoint(const QString &label, float value)
{
    m_samples.append({label, value});
}

void CMyChart::ClearData()
{
    m_samples.clear();
    m_points.clear();
    m_xLabels.clear();
    m_yLabels.clear();
}

void CMyChart::RecalcLayout()
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
}

void CMyChart::OnEraseBkgnd(QPainter &painter) const
{
    // From (left, top) with width right and height bottom: the whole chart
    // when left and top are 0, as they are after Create.
    painter.fillRect(QRect(m_rcChart.left, m_rcChart.top, m_rcChart.right, m_rcChart.bottom),
                     m_crBackground);
}

void CMyChart::OnPaint(QPainter &painter) const
{
    painter.save();
    // Text is drawn opaque: its cells are filled with the text background.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(QColor(250, 250, 250));
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QPen axisPen(QColor(0, 0, 0), 1);
    const QPen curvePen(QColor(255, 0, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // A zero-length line with a square cap leaves a 4 x 4 dot.
    const QPen markerPen(QColor(0, 0, 255), 4, Qt::SolidLine, Qt::SquareCap);

    painter.setPen(axisPen);
    painter.drawLine(ToQPoint(m_ptOrigin), ToQPoint(m_ptXAxisEnd));
    painter.drawLine(ToQPoint(m_ptOrigin), ToQPoint(m_ptYAxisEnd));

    if (!m_points.isEmpty()) {
        QPolygon polyline;
        polyline.reserve(m_points.size());
        for (const ChartPoint &p : m_points)
            polyline.append(ToQPoint(p));
        painter.setPen(curvePen);
        painter.drawPolyline(polyline);

        painter.setPen(QColor(0, 0, 0));
        for (const ChartLabel &label : m_xLabels)
            DrawLabel(painter, label);
        for (const ChartLabel &label : m_yLabels)
            DrawLabel(painter, label);

        painter.setPen(QColor(0, 128, 0));
        DrawLabel(painter, m_valueCaption);
        DrawLabel(painter, m_timeCaption);

        painter.setPen(markerPen);
        for (const ChartPoint &p : m_points)
            painter.drawLine(ToQPoint(p), ToQPoint(p));

        painter.setPen(QColor(255, 0, 0));
        const QFontMetrics metrics = painter.fontMetrics();
        painter.drawText(QPoint(40, metrics.ascent()), m_strTitle);
    }
    painter.restore();
}

void CMyChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    BeginBorderedClientPaint(painter, *this);
    OnEraseBkgnd(painter);
    OnPaint(painter);
}
