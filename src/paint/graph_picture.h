// Pictures of a graph as files: PNG, SVG (Qt's SVG module) or PDF, chosen
// by the file name's ending; the graph window's "Save picture..." and the
// command line's --plot write them.
#ifndef TAVIX_PAINT_GRAPH_PICTURE_H
#define TAVIX_PAINT_GRAPH_PICTURE_H

#include <QByteArray>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

enum class PictureFormat { Png, Svg, Pdf };

// The format a file name's ending asks for (case does not matter): ".svg",
// ".pdf", and PNG for any other ending or none.
PictureFormat PictureFormatOf(const QString &path);

// Draws paint(painter, QRect(0, 0, size)) in font into a picture of the
// format, size pixels large (a PDF page of that size at 96 pixels an inch),
// and returns the file's bytes; empty when it could not be made.
QByteArray RenderPicture(PictureFormat format, const QSize &size, const QFont &font, const QString &title,
                         const std::function<void(QPainter &, const QRect &)> &paint);

#endif
