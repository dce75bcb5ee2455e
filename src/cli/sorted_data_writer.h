// The batch sort's output: the sorted data written to a file or to
// standard output.
#ifndef TAVIX_CLI_SORTED_DATA_WRITER_H
#define TAVIX_CLI_SORTED_DATA_WRITER_H

#include "core/sorting/sort_command.h"

#include <QString>

class InputFileSource;
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

// Sorts text and writes its sorted data as WriteSortedData does, the
// output made while the capture is parsed (see StreamSortedOutput), so the
// parsed files are never all held and the memory the sort takes stays near
// that of the text. A file at outputPath takes the output as it is made and
// is replaced only when the sort succeeds and every byte is on the disk;
// standard output is given nothing before the sort has succeeded, the
// output waiting meanwhile as the bytes it becomes. What the command line
// says and leaves behind is thus the same as sorting first and writing
// after: the sort's failure (ExitSortFailed, the message naming inputName),
// a failure to write (ExitUsage), or running out of memory (ExitSortFailed,
// naming inputPath). Returns -1, with text untouched and nothing said, when
// the file cannot be opened for writing, so that the caller sorts first and
// reports as it always does.
//
// With a source, the capture is read from it as the parse comes to it
// instead (text is not used), so the input is never held whole either; a
// part that cannot be read, or a file written to while it is sorted, is
// reported as a file that cannot be read (ExitUsage) and nothing is written.
int StreamSortedData(QString &text, InputFileSource *source, const SortSelection &selection,
                     const QString &outputPath, QIODevice &out, const QString &inputPath, const QString &inputName,
                     QIODevice &err);

} // namespace BatchSort

#endif
