#include "charts/bordered_window.h"

#include <QPainter>
#include <QWidget>

void BeginBorderedClientPaint(QPainter &painter, const QWidget &widget)
{
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, widget.width() - 1, widget.height() - 1);
    painter.translate(kWindowBorderWidth, kWindowBorderWidth);
    painter.setClipRect(0, 0, widget.width() - 2 * kWindowBorderWidth, widget.height() - 2 * kWindowBorderWidth);
}
