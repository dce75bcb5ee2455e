#include "paint/program_icon_image.h"

#include <QPainter>
#include <QPainterPath>

QImage ProgramIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 48, 140));
    painter.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);

    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(s * 0.2, s * 0.16, s * 0.6, s * 0.14));
    painter.drawRect(QRectF(s * 0.43, s * 0.16, s * 0.14, s * 0.5));

    QPainterPath wave;
    wave.moveTo(s * 0.14, s * 0.8);
    wave.cubicTo(s * 0.32, s * 0.66, s * 0.5, s * 0.94, s * 0.68, s * 0.8);
    wave.cubicTo(s * 0.76, s * 0.74, s * 0.82, s * 0.74, s * 0.88, s * 0.78);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(120, 200, 255), qMax(1.0, s * 0.07), Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(wave);
    return image;
}
