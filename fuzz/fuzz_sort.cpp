// The log parser with the sort and the sorted output, on the bytes of a
// capture file: raw instrument bytes, or a saved UTF-16 file (FF FE first).
// The first byte chooses the log type and the variable buttons. The command
// line's streamed sort must give the same status and output, from the whole
// text and read a block at a time.
#include "core/charts/graph_values.h"
#include "core/locale/keyword_tables.h"
#include "core/sorting/input_file.h"
#include "core/sorting/sort_command.h"
#include "core/sorting/streamed_sort.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const SortSelection selection{data[0] % 6, (data[0] / 6) % 7, (data[0] / 42) % 4};
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString input = InputTextFromBytes(bytes);
    const QString previous = QStringLiteral("previous output");
    const SortResult result = SortInputText(input, selection, AbbreviationRows(), previous);

    const qsizetype files = result.sortedFiles.size();
    for (qint32 index : result.plainLogFiles)
        if (index < 0 || index >= files || result.sortedFiles[index].kind != 0)
            std::abort();
    for (qint32 index : result.logpFiles)
        if (index < 0 || index >= files || result.sortedFiles[index].kind == 0)
            std::abort();
    if (result.status == SortStatus::NoFileMarker && files != 0)
        std::abort();

    // Small pieces, so that the layout thread takes many.
    QString streamed;
    bool sinkFailed = false;
    const SortStatus streamedStatus = StreamSortedOutput(input, selection, AbbreviationRows(),
                                                         [&](QString piece) {
                                                             streamed += piece;
                                                             return true;
                                                         },
                                                         &sinkFailed, -1, 64);
    if (streamedStatus != result.status || sinkFailed)
        std::abort();
    if (result.status == SortStatus::Sorted && selection.logType <= 2 && streamed != result.sortedOutput)
        std::abort();

    // The same read a block of 64 code units at a time, as an input file is.
    struct Source : LogTextSource
    {
        const QString &text;
        explicit Source(const QString &t) : text(t) {}
        qsizetype Size() const override { return text.size(); }
        void Read(qsizetype from, qsizetype count, char16_t *out) override
        {
            if (from < 0 || count <= 0 || from + count > text.size())
                std::abort();
            std::copy_n(reinterpret_cast<const char16_t *>(text.constData()) + from, count, out);
        }
    } source(input);
    QString blocks;
    const SortStatus blockStatus = StreamSortedOutput(source, selection, AbbreviationRows(),
                                                      [&](QString piece) {
                                                          blocks += piece;
                                                          return true;
                                                      },
                                                      &sinkFailed, -1, 64, 64);
    if (blockStatus != streamedStatus || (blockStatus == SortStatus::Sorted && blocks != streamed))
        std::abort();
    if (result.status != SortStatus::Sorted)
        return 0;

    // What the graph does with the first file: every value of the field.
    if (result.firstIndex >= 0 && result.firstIndex < files) {
        for (const QStringList &row : result.sortedFiles[result.firstIndex].rows)
            (void)GraphValueFromField(RowField(row, result.graphField));
    } else if (selection.logType <= 2) {
        // The three visible log types always point at a file they picked.
        std::abort();
    }
    return 0;
}
