// The log graph of one sorted log file as an image, drawn as the window's
// chart draws it, without any widget: the command line's --plot writes it
// as PNG.
#ifndef TAVIX_PAINT_LOG_GRAPH_IMAGE_H
#define TAVIX_PAINT_LOG_GRAPH_IMAGE_H

#include "core/sorting/log_parser.h"

#include <QImage>

// The chart window of the main dialog, at its size, in the dialog's font,
// showing FillLogGraph(rec, field), frame included: pixel (x + 1, y + 1) of
// the image is chart client pixel (x, y). rec must have the field in row 0.
// Needs a QGuiApplication (any platform, offscreen included) for its font;
// without one the image is null.
QImage RenderLogGraph(const LogFileRecord &rec, int field);

#endif
