// The log graph of one sorted log file, drawn as the window's chart draws it,
// without any widget: onto any painter at any size (the PDF report's pages,
// the graph window's pictures), or as an image (the command line's --plot).
#ifndef TAVIX_PAINT_LOG_GRAPH_IMAGE_H
#define TAVIX_PAINT_LOG_GRAPH_IMAGE_H

#include "core/sorting/log_parser.h"

#include <QImage>
#include <QRect>

class QPainter;

// Draws FillLogGraph(rec, field) into target (in the painter's current
// coordinates), laid out for target's size in pixels, frame included, in
// the painter's current font: a chart of the main window's size gives the
// window's chart. The painter's state is restored afterwards. rec must have
// the field in row 0.
void PaintLogGraph(QPainter &painter, const QRect &target, const LogFileRecord &rec, int field);

// The chart window of the main dialog, at its size, in the dialog's font,
// showing FillLogGraph(rec, field), frame included: pixel (x + 1, y + 1) of
// the image is chart client pixel (x, y). rec must have the field in row 0.
// Needs a QGuiApplication (any platform, offscreen included) for its font;
// without one the image is null.
QImage RenderLogGraph(const LogFileRecord &rec, int field);

#endif
