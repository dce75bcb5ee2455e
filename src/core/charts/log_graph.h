// The log graph of one sorted log file: one sample per row, the row's time
// as its label and one field as its value, as the window's chart and the
// command line's --plot show it.
#ifndef TAVIX_CORE_CHARTS_LOG_GRAPH_H
#define TAVIX_CORE_CHARTS_LOG_GRAPH_H

#include "core/sorting/log_parser.h"

class ChartModel;

// True when row 0 of rec has the field: the log graph view refuses a
// variable that row 0 lacks (later rows that lack it plot 0).
bool LogGraphHasField(const LogFileRecord &rec, int field);

// Feeds the (cleared) chart one sample per row of rec, the row's time as its
// label and field as its value, titles it "File <n>", captions it with the
// field's header (the unit for a Logp file, the column name for a plain
// log) and lays it out. rec must have the field in row 0.
void FillLogGraph(ChartModel &chart, const LogFileRecord &rec, int field);

#endif
