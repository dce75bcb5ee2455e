// The sort with its output streamed: for a caller that writes the sorted
// output of the picked files and needs nothing else of the sort (the
// command line's output file).
#ifndef TAVIX_CORE_SORTING_STREAMED_SORT_H
#define TAVIX_CORE_SORTING_STREAMED_SORT_H

#include "core/locale/keyword_tables.h"
#include "core/sorting/log_search_text.h"
#include "core/sorting/sort_command.h"
#include "core/sorting/sorted_output.h"

#include <QString>

// Parses input (taken over) on the calling thread while a second thread lays
// out each picked file as soon as it is read and hands the output to sink in
// pieces of about pieceSize characters, in order, on that thread; each file
// is freed once it is laid out, and the files the log type does not pick at
// once, so the parsed files are never held all together. The pieces joined
// are the text WriteSortedOutput writes for SortFiles's picked files.
//
// Returns the status SortFiles gives for the same input, selection and
// limit (SortedOutputLimit of the input's size when negative). Whenever it
// is not Sorted the sink may already have taken pieces, which the caller
// must drop. A sink returning false takes no more pieces (*sinkFailed is
// then true), while the parse goes on to its end so that the status is
// still the sort's own. abbreviations must have no key holding a line feed
// (ReplacementTableSpansLines false). Running out of memory on either
// thread is std::bad_alloc on the calling thread.
SortStatus StreamSortedOutput(QString input, const SortSelection &selection, const ReplacementTable &abbreviations,
                              const SortedOutputSink &sink, bool *sinkFailed, qsizetype limit = -1,
                              qsizetype pieceSize = 1 << 15);

// The same on the text of source, read a block of blockSize code units at a
// time as the parse comes to it and given back behind it (see
// LogSearchText), so that the input is never held whole either: the sort
// of an input file of any size takes the memory of a few blocks and of the
// output pieces on their way. The limit counts from source's size. A
// block that cannot be read is LogTextReadError on the calling thread.
SortStatus StreamSortedOutput(LogTextSource &source, const SortSelection &selection,
                              const ReplacementTable &abbreviations, const SortedOutputSink &sink, bool *sinkFailed,
                              qsizetype limit = -1, qsizetype pieceSize = 1 << 15,
                              qsizetype blockSize = LogSearchText::kStreamBlock);

#endif // TAVIX_CORE_SORTING_STREAMED_SORT_H
