// The log graph of one sorted log file, as the window's chart draws it:
// the same filling of the chart window and the same painting, here into an
// image that the command line writes as PNG.
#ifndef TAVIX_APP_LOG_GRAPH_IMAGE_H
#define TAVIX_APP_LOG_GRAPH_IMAGE_H

#include "sorting/log_parser.h"

#include <QImage>
#include <QString>

class CMyChart;

// True when row 0 of rec has the field: the log graph view refuses a
// variable that row 0 lacks (later rows that lack it plot 0).
bool LogGraphHasField(const LogFileRecord &rec, int field);

// Feeds the (cleared) chart one sample per row of rec, the row's time as its
// label and field as its value, titles it "File <n>", captions it with the
// field's header (the unit for a Logp file, the column name for a plain
// log) and lays it out. rec must have the field in row 0.
void FillLogGraph(CMyChart &chart, const LogFileRecord &rec, int field);

// The chart window of the main dialog, at its size, in the dialog's font,
// showing FillLogGraph(rec, field), frame included: pixel (x + 1, y + 1) of
// the image is chart client pixel (x, y). Needs a QApplication (any
// platform, offscreen included); without one the image is null.
QImage RenderLogGraph(const LogFileRecord &rec, int field);

#endif
