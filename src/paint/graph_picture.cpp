#include "paint/graph_picture.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

PictureFormat PictureFormatOf(const QString &path)
{
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return PictureFormat::Svg;
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return PictureFormat::Pdf;
    return PictureFormat::Png;
}

QByteArray RenderPicture(PictureFormat format, const QSize &size, const QFont &font, const QString &title,
                         const std::function<void(QPainter &, const QRect &)> &paint)
{
    QByteArray bytes;
    if (size.isEmpty())
        return bytes;
    const QRect target(QPoint(0, 0), size);
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return QByteArray();
    switch (format) {
    case PictureFormat::Png: {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setFont(font);
            paint(painter, target);
        }
        if (!image.save(&buffer, "PNG"))
            return QByteArray();
        break;
    }
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(target);
        svg.setResolution(96);
        svg.setTitle(title);
        QPainter painter;
        if (!painter.begin(&svg))
            return QByteArray();
        painter.setFont(font);
        paint(painter, target);
        painter.end();
        break;
    }
    case PictureFormat::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("TavixTerminal"));
        pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size.width() * 72.0 / 96.0, size.height() * 72.0 / 96.0),
                                                QPageSize::Point, QString(), QPageSize::ExactMatch),
                                      QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&pdf))
            return QByteArray();
        // The page in the picture's pixels, whatever the writer rounded to.
        painter.scale(double(pdf.width()) / size.width(), double(pdf.height()) / size.height());
        painter.setFont(font);
        paint(painter, target);
        painter.end();
        break;
    }
    }
    buffer.close();
    return bytes;
}
