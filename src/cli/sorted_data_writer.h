// The batch sort's output: the sorted data written to a file or to
// standard output.
#ifndef TAVIX_CLI_SORTED_DATA_WRITER_H
#define TAVIX_CLI_SORTED_DATA_WRITER_H

#include "core/sorting/sort_command.h"

#include <QString>

class QIODevice;

namespace BatchSort {

class OutputBatch;

// Writes the sorted data of result: to the file at outputPath (FF FE, then
// UTF-16 little-endian) when a path is given, to out in the same form for
// "-", else to out as UTF-8. All are streamed a piece at a time, so the
// whole output is never built, through SafeFileWriter: a file is replaced
// only once every byte is on the disk, and a failure leaves any old file
// untouched; every write to out is checked. A failure is reported with the
// system's reason and gives ExitUsage; running out of memory gives
// ExitSortFailed. With a batch, the sorted data is committed together with
// the batch's other outputs (all of them or none).
int WriteSortedData(SortResult result, int logType, const QString &outputPath, QIODevice &out, QIODevice &err,
                    OutputBatch *batch = nullptr);

} // namespace BatchSort

#endif
