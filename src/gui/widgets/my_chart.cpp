#include "gui/widgets/my_chart.h"

#include <QMouseEvent>
#include <QPainter>

CMyChart::CMyChart(QWidget *parent)
    : QWidget(parent)
{
}

CMyChart::~CMyChart() = default;

bool CMyChart::Create(const ChartRect &rect, QWidget *parent, int id)
{
    if (!parent)
        return false;
    Place(rect.Width(), rect.Height());
    setParent(parent);
    setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    setObjectName(QStringLiteral("Log graph"));
    setAccessibleName(QStringLiteral("Log graph"));
    setProperty("controlId", id);
    setFocusPolicy(Qt::ClickFocus);
    show();
    return true;
}

void CMyChart::OnEraseBkgnd(QPainter &painter) const
{
    EraseChartBackground(painter, *this);
}

void CMyChart::OnPaint(QPainter &painter) const
{
    PaintChart(painter, *this);
}

void CMyChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    BeginBorderedClientPaint(painter, width(), height());
    OnEraseBkgnd(painter);
    OnPaint(painter);
}

void CMyChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit OpenRequested();
    event->accept();
}
