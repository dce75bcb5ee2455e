#include "gui/widgets/graph_object/graph_object.h"

#include "gui/widgets/graph_object/bar_graph_2d.h"
#include "gui/widgets/graph_object/graph_2d.h"
#include "gui/widgets/graph_object/line_graph_2d.h"
#include "gui/widgets/graph_object/pie_graph_2d.h"
#include "gui/widgets/prompts.h"
#include "paint/chart_painter.h"

#include <QPainter>

namespace {

QRect ToQRect(const ChartRect &rc)
{
    return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

quint32 ToRgb(const QColor &c)
{
    return quint32(c.rgb()) & 0xFFFFFFu;
}

// Text drawn from its top-left corner, as at a text position of the window.
void DrawTextAt(QPainter &painter, const ChartPoint &at, const QString &text)
{
    painter.drawText(QPoint(at.x, at.y + painter.fontMetrics().ascent()), text);
}

} // namespace

CGraphObject::CGraphObject(QWidget *parent)
    : QWidget(parent)
{
    m_animationTimer.setTimerType(Qt::PreciseTimer);
    m_animationTimer.setInterval(kAnimationPeriodMs);
    m_animationTimer.setObjectName(QString::number(kAnimationTimerId));
    connect(&m_animationTimer, &QTimer::timeout, this, &CGraphObject::OnTimer);
    // Without a sink of the owner's, the message is told as every message
    // of the program is: through Prompts, in the program's message box.
    m_messageSink = [this](const QString &text) { QtPrompts(this).Message(text); };
}

CGraphObject::~CGraphObject() = default;

bool CGraphObject::Create(const ChartRect &rect, QWidget *parent, int id)
{
    if (!parent)
        return false;
    const ChartRect rc = GraphWindowRect(rect);
    m_nLeft = rc.left;
    m_nTop = rc.top;
    m_nWidth = rc.Width();
    m_nHeight = rc.Height();
    m_crBackground = QColor(255, 255, 255);
    m_bTextsPending = true;
    m_titleFontRequest = GraphTitleFont(m_nWidth, m_nHeight);
    m_subtitleFontRequest = GraphSubtitleFont(m_nWidth, m_nHeight);
    m_fontTitle = MakeGraphFont(m_titleFontRequest);
    m_fontSubtitle = MakeGraphFont(m_subtitleFontRequest);

    setParent(parent);
    setGeometry(m_nLeft, m_nTop, m_nWidth, m_nHeight);
    setProperty("controlId", id);
    show();
    return true;
}

void CGraphObject::CreateGraph(int kind)
{
    m_nGraphKind = kind;
    m_pLineGraph.reset();
    m_pBarGraph.reset();
    m_pPieGraph.reset();
    const GraphPlacement placement = GraphPlacementFor(GraphKind(kind), m_nWidth, m_nHeight);
    switch (kind) {
    case GraphKindBar: m_pBarGraph = std::make_unique<C2DBarGraph>(placement); break;
    case GraphKindPie: m_pPieGraph = std::make_unique<C2DPieGraph>(placement); break;
    case GraphKindLine: m_pLineGraph = std::make_unique<C2DLineGraph>(placement); break;
    default: break;
    }

    const QSize size(std::max(m_nWidth, 0), std::max(m_nHeight, 0));
    m_backBuffer = QImage(size, QImage::Format_RGB32);
    m_backBuffer.fill(m_crBackground);
    m_gradientBuffer = QImage(size, QImage::Format_RGB32);
    const quint32 top = ToRgb(m_crGradientTop);
    const quint32 bottom = ToRgb(m_crGradientBottom);
    for (int y = 0; y < size.height(); ++y) {
        const QRgb row = 0xFF000000u | GraphGradientRow(y, size.height(), top, bottom);
        auto *line = reinterpret_cast<QRgb *>(m_gradientBuffer.scanLine(y));
        std::fill(line, line + size.width(), row);
    }
}

int CGraphObject::GetSeriesCount() const
{
    if (m_nGraphKind != GraphKindLine)
        return m_nGraphKind - 2;
    return m_pLineGraph ? m_pLineGraph->Data().SeriesCount() : 0;
}

int CGraphObject::GetSegmentCount() const
{
    if (m_nGraphKind != GraphKindLine)
        return m_nGraphKind - 2;
    return m_pLineGraph ? m_pLineGraph->Data().SegmentCount() : 0;
}

void CGraphObject::DeleteSeries(int n)
{
    if (!m_pLineGraph || !m_pLineGraph->Data().DeleteSeries(n))
        ShowMessage(QStringLiteral("Series index is out of bounds..."));
}

void CGraphObject::DeleteSegment(int n)
{
    if (!m_pLineGraph || !m_pLineGraph->Data().DeleteSegment(n))
        ShowMessage(QStringLiteral("Index is out of bounds..."));
}

void CGraphObject::ShowMessage(const QString &text)
{
    if (m_messageSink)
        m_messageSink(text);
}

void CGraphObject::SetAnimation(int mode, int type)
{
    switch (m_nGraphKind) {
    case GraphKindBar:
        if (m_pBarGraph)
            m_pBarGraph->SetAnimation(mode, type);
        break;
    case GraphKindPie:
        if (m_pPieGraph)
            m_pPieGraph->SetAnimation(mode, type);
        break;
    case GraphKindLine:
        if (m_pLineGraph)
            m_pLineGraph->SetAnimation(mode, type);
        break;
    default:
        break;
    }
    m_nAnimation = mode;
    if (mode == 1)
        m_animationTimer.start();
    else
        m_animationTimer.stop();
}

int CGraphObject::CurrentProgress() const
{
    switch (m_nGraphKind) {
    case GraphKindBar: return m_pBarGraph ? m_pBarGraph->Animation().Progress() : 100;
    case GraphKindPie: return m_pPieGraph ? m_pPieGraph->Animation().Progress() : 100;
    case GraphKindLine: return m_pLineGraph ? m_pLineGraph->Animation().Progress() : 100;
    default: return 100;
    }
}

void CGraphObject::StepCurrentGraph()
{
    switch (m_nGraphKind) {
    case GraphKindBar: if (m_pBarGraph) m_pBarGraph->StepAnimation(); break;
    case GraphKindPie: if (m_pPieGraph) m_pPieGraph->StepAnimation(); break;
    case GraphKindLine: if (m_pLineGraph) m_pLineGraph->StepAnimation(); break;
    default: break;
    }
}

void CGraphObject::OnTimer()
{
    const int progress = CurrentProgress();
    if (progress > m_nLastProgress) {
        m_nLastProgress = progress;
    } else {
        m_nLastProgress = -1;
        m_animationTimer.stop();
    }
    StepCurrentGraph();
    if (CurrentProgress() >= 100 && !m_backBuffer.isNull()) {
        QPainter painter(&m_backBuffer);
        painter.fillRect(ToQRect(GraphTimerClearArea(m_nWidth, m_nHeight)), m_crBackground);
    }
    m_bTextsPending = false;
    Invalidate(false);
}

void CGraphObject::Invalidate(bool erase)
{
    m_bErasePending = m_bErasePending || erase;
    update();
}

void CGraphObject::OnEraseBkgnd(QPainter &windowPainter)
{
    m_bTextsPending = true;
    windowPainter.fillRect(QRect(0, 0, width(), height()), m_crBackground);
    if (!m_backBuffer.isNull())
        m_backBuffer.fill(m_crBackground);
}

void CGraphObject::DrawTexts(QPainter &painter)
{
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setFont(m_fontTitle);
    if (m_bTitleShadow) {
        painter.setPen(QColor(128, 128, 128));
        DrawTextAt(painter, GraphTitleShadowPosition(m_nWidth, m_nHeight), m_strTitle);
    }
    painter.setPen(m_crTitle);
    DrawTextAt(painter, GraphTitlePosition(m_nWidth, m_nHeight), m_strTitle);

    painter.setFont(m_fontSubtitle);
    if (m_bSubtitleShadow) {
        painter.setPen(QColor(128, 128, 128));
        DrawTextAt(painter, GraphSubtitleShadowPosition(m_nWidth, m_nHeight), m_strSubtitle);
    }
    painter.setPen(m_crSubtitle);
    DrawTextAt(painter, GraphSubtitlePosition(m_nWidth, m_nHeight), m_strSubtitle);

    if (m_nLegend == 1) {
        if (m_pBarGraph)
            m_pBarGraph->DrawLegend(painter);
        if (m_pPieGraph)
            m_pPieGraph->DrawLegend(painter);
        if (m_pLineGraph)
            m_pLineGraph->DrawLegend(painter);
    }
    painter.restore();
}

void CGraphObject::OnPaint(QPainter &windowPainter)
{
    if (m_backBuffer.isNull())
        return;
    {
        QPainter painter(&m_backBuffer);
        const QRect area = ToQRect(GraphPaintArea(GraphKind(m_nGraphKind), m_nWidth, m_nHeight));
        if (m_nBackgroundStyle == BackgroundPlain)
            painter.fillRect(area, m_crBackground);
        else
            painter.drawImage(0, 0, m_gradientBuffer);

        if (m_pBarGraph)
            m_pBarGraph->Draw(painter);
        if (m_pPieGraph)
            m_pPieGraph->Draw(painter);
        if (m_pLineGraph)
            m_pLineGraph->Draw(painter);

        if (m_nBackgroundStyle == BackgroundGradient || m_bTextsPending) {
            DrawTexts(painter);
            m_bTextsPending = false;
        }
    }
    const int clientWidth = width() - 2 * kBorderWidth;
    const int clientHeight = height() - 2 * kBorderWidth;
    windowPainter.drawImage(QPoint(0, 0), m_backBuffer, QRect(0, 0, clientWidth, clientHeight));
}

void CGraphObject::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    BeginBorderedClientPaint(painter, width(), height());
    if (m_bErasePending) {
        m_bErasePending = false;
        OnEraseBkgnd(painter);
    }
    OnPaint(painter);
}
