// The batch sort's output: the sorted data written to a file or to
// standard output.
#ifndef TAVIX_CLI_SORTED_DATA_WRITER_H
#define TAVIX_CLI_SORTED_DATA_WRITER_H

#include "core/sorting/sort_command.h"

#include <QString>

class QIODevice;

namespace BatchSort {

// Writes the sorted data of result: to the file at outputPath (FF FE, then
// UTF-16 little-endian) when a path is given, else to out as UTF-8. Both are
// streamed a piece at a time, so the whole output is never built. The file
// is written to a temporary file beside it that replaces it only once every
// byte is written; a failure leaves any old file untouched (there is no
// writing in place). Every write to out is checked, and a buffered file
// behind it is flushed at the end. A failure is reported with the system's
// reason and gives ExitUsage; running out of memory gives ExitSortFailed.
int WriteSortedData(SortResult result, int logType, const QString &outputPath, QIODevice &out, QIODevice &err);

} // namespace BatchSort

#endif
