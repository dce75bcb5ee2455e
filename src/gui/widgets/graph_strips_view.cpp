#include "gui/widgets/graph_strips_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace {

// The least span: a few seconds (or rows), so that a zoom always shows a
// row or two.
constexpr double kLeastSpan = 4.0;
// A wheel notch (120 units) zooms in by this factor, and out by its inverse.
constexpr double kWheelZoom = 0.8;
// A drag shorter than this many pixels is a click.
constexpr int kClickSlop = 4;

} // namespace

GraphStripsView::GraphStripsView(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(240, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphStripsView::SetFile(const QString &title, std::shared_ptr<const LogTimeline> timeline)
{
    m_frame.title = title;
    m_frame.timeline = std::move(timeline);
    m_frame.cursorRow = -1;
    m_frame.selecting = false;
    m_drag = Drag::None;
    if (!m_frame.timeline || m_frame.timeline->times.isEmpty())
        m_span.SetLimits(0.0, 1.0, kLeastSpan);
    else
        m_span.SetLimits(m_frame.timeline->times.first(), m_frame.timeline->times.last(), kLeastSpan);
    Changed();
    emit CursorMoved(-1);
}

void GraphStripsView::SetStrips(const QList<std::shared_ptr<const LogSeries>> &strips)
{
    m_frame.strips = strips;
    update();
}

void GraphStripsView::Changed()
{
    m_frame.from = m_span.From();
    m_frame.to = m_span.To();
    update();
    emit SpanChanged();
}

QRect GraphStripsView::PlotArea() const
{
    const GraphStripsLayout layout = LayoutGraphStrips(rect(), std::max<int>(1, int(m_frame.strips.size())),
                                                       fontMetrics());
    return layout.plots.first();
}

double GraphStripsView::TimeAt(double x) const
{
    return XToTime(PlotArea(), m_span.From(), m_span.To(), x);
}

void GraphStripsView::SetCursorRow(qsizetype row)
{
    const qsizetype rows = m_frame.timeline ? m_frame.timeline->times.size() : 0;
    if (row >= rows)
        row = rows - 1;
    if (row < 0 && rows > 0)
        row = 0;
    if (row == m_frame.cursorRow)
        return;
    m_frame.cursorRow = row;
    update();
    emit CursorMoved(row);
}

void GraphStripsView::ShowAll()
{
    m_span.ShowAll();
    Changed();
}

void GraphStripsView::ZoomAbout(double t, double factor)
{
    m_span.ZoomAbout(t, factor);
    Changed();
}

void GraphStripsView::KeepCursorVisible()
{
    if (m_frame.cursorRow < 0)
        return;
    const double t = m_frame.timeline->times[m_frame.cursorRow];
    if (t < m_span.From())
        m_span.PanBy(t - m_span.From() - m_span.Span() * 0.1);
    else if (t > m_span.To())
        m_span.PanBy(t - m_span.To() + m_span.Span() * 0.1);
    Changed();
}

void GraphStripsView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintGraphStrips(painter, rect(), m_frame);
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void GraphStripsView::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0 || !m_frame.timeline) {
        event->ignore();
        return;
    }
    ZoomAbout(TimeAt(event->position().x()), std::pow(kWheelZoom, delta / 120.0));
    event->accept();
}

void GraphStripsView::mousePressEvent(QMouseEvent *event)
{
    m_pressPos = event->position().toPoint();
    m_pressFrom = m_span.From();
    m_pressTo = m_span.To();
    if (event->button() == Qt::LeftButton)
        m_drag = (event->modifiers() & Qt::ShiftModifier) ? Drag::Select : Drag::Pan;
    else if (event->button() == Qt::RightButton)
        m_drag = Drag::RightPending;
    if (m_drag == Drag::Select) {
        m_frame.selecting = true;
        m_frame.selectFrom = m_frame.selectTo = TimeAt(m_pressPos.x());
        update();
    }
    event->accept();
}

void GraphStripsView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (!m_frame.timeline)
        return;
    if (m_drag == Drag::RightPending && (pos - m_pressPos).manhattanLength() >= kClickSlop) {
        m_drag = Drag::Select;
        m_frame.selecting = true;
        m_frame.selectFrom = TimeAt(m_pressPos.x());
    }
    switch (m_drag) {
    case Drag::Pan: {
        const QRect plot = PlotArea();
        const double perPixel = (m_pressTo - m_pressFrom) / std::max(plot.width(), 1);
        m_span.ZoomTo(m_pressFrom, m_pressTo);
        m_span.PanBy(-(pos.x() - m_pressPos.x()) * perPixel);
        Changed();
        break;
    }
    case Drag::Select:
        m_frame.selectTo = TimeAt(pos.x());
        update();
        break;
    case Drag::None:
    case Drag::RightPending:
        break;
    }
    SetCursorRow(m_frame.timeline->NearestRow(TimeAt(pos.x())));
}

void GraphStripsView::mouseReleaseEvent(QMouseEvent *event)
{
    const Drag drag = m_drag;
    m_drag = Drag::None;
    if (drag == Drag::Select) {
        m_frame.selecting = false;
        if (std::abs(event->position().toPoint().x() - m_pressPos.x()) >= kClickSlop)
            m_span.ZoomTo(m_frame.selectFrom, TimeAt(event->position().x()));
        Changed();
    } else if (drag == Drag::RightPending) {
        emit ContextMenuWanted(event->globalPosition().toPoint());
    }
    event->accept();
}

void GraphStripsView::contextMenuEvent(QContextMenuEvent *event)
{
    // The mouse's right button is handled on its release (it may be a drag).
    if (event->reason() != QContextMenuEvent::Mouse)
        emit ContextMenuWanted(event->globalPos());
    event->accept();
}

void GraphStripsView::keyPressEvent(QKeyEvent *event)
{
    if (!m_frame.timeline || m_frame.timeline->times.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const double middle = m_frame.cursorRow >= 0 ? m_frame.timeline->times[m_frame.cursorRow]
                                                 : (m_span.From() + m_span.To()) / 2;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomAbout(middle, 0.5);
        break;
    case Qt::Key_Minus:
        ZoomAbout(middle, 2.0);
        break;
    case Qt::Key_Home:
        ShowAll();
        break;
    case Qt::Key_PageUp:
        m_span.PanBy(-m_span.Span() * 0.5);
        Changed();
        break;
    case Qt::Key_PageDown:
        m_span.PanBy(m_span.Span() * 0.5);
        Changed();
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        if (shift) {
            m_span.PanBy(step * m_span.Span() * 0.1);
            Changed();
        } else if (m_frame.cursorRow < 0) {
            SetCursorRow(m_frame.timeline->NearestRow(middle));
        } else {
            SetCursorRow(std::max<qsizetype>(0, m_frame.cursorRow + step));
            KeepCursorVisible();
        }
        break;
    }
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
