#include "cli/sorted_data_writer.h"

#include "cli/batch_sort.h"
#include "cli/diagnostics.h"
#include "cli/output_batch.h"
#include "core/io/safe_file_writer.h"
#include "core/io/text_file.h"
#include "core/sorting/input_file.h"
#include "core/sorting/sorted_output.h"
#include "core/sorting/streamed_sort.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QScopeGuard>

#include <new>
#include <memory>
#include <system_error>
#include <thread>

namespace BatchSort {

using Cli::Say;

int WriteSortedData(SortResult result, int logType, const QString &outputPath, QIODevice &out, QIODevice &err,
                    OutputBatch *batch)
{
    // Without --output the text goes to standard output as UTF-8; with
    // --output the sorted data file (FF FE, UTF-16 little-endian) goes to
    // the file, or to standard output for "-".
    const bool fileForm = !outputPath.isEmpty();
    const bool toStandardOutput = !fileForm || outputPath == QLatin1String("-");
    const QString name = toStandardOutput ? QStringLiteral("standard output") : outputPath;
    std::unique_ptr<SafeFileWriter> writer = toStandardOutput ? std::make_unique<SafeFileWriter>(out, name)
                                                              : std::make_unique<SafeFileWriter>(outputPath);
    const auto cannotWrite = [&]() {
        if (batch)
            batch->CancelAll();
        Say(err, QStringLiteral("cannot write the sorted data to %1: %2").arg(name, writer->Problem()));
        return ExitUsage;
    };
    if (!writer->Open() || (fileForm && !writer->Write("\xFF\xFE")))
        return cannotWrite();
    bool written = true;
    try {
        WriteSortedOutput(result.sortedFiles, PickedFileIndexes(result, logType), AbbreviationRows(),
                          [&](QString piece) {
                              return written = fileForm ? writer->WriteUtf16Le(piece) : writer->Write(piece.toUtf8());
                          });
    } catch (const std::bad_alloc &) {
        writer->Cancel();
        if (batch)
            batch->CancelAll();
        Say(err, QStringLiteral("not enough memory to write the sorted data"));
        return ExitSortFailed;
    }

    // Every byte is written: the parsed files, many small blocks, are freed
    // on a second thread while the data is committed (synced to the disk and
    // renamed into place), which mostly waits for the disk.
    std::thread freeing;
    try {
        freeing = std::thread([parsed = std::move(result)]() mutable { parsed = SortResult(); });
    } catch (const std::system_error &) {
        // No thread to be had: they were freed here, with the thread's task.
    } catch (const std::bad_alloc &) {
        // No memory for a thread: the same; the commit needs none.
    }
    const auto joinFreeing = qScopeGuard([&freeing]() {
        if (freeing.joinable())
            freeing.join();
    });
    if (batch) {
        // A failed write is reported before any other output is committed.
        if (!written)
            return cannotWrite();
        batch->Keep(QStringLiteral("the sorted data"), QStringLiteral("to ") + name, std::move(writer));
        return batch->CommitAll(err) ? ExitSorted : ExitUsage;
    }
    if (!writer->Commit())
        return cannotWrite();
    return ExitSorted;
}

int StreamSortedData(QString &text, InputFileSource *source, const SortSelection &selection,
                     const QString &outputPath, QIODevice &out, const QString &inputPath, const QString &inputName,
                     QIODevice &err)
{
    const bool fileForm = !outputPath.isEmpty();
    const bool toStandardOutput = !fileForm || outputPath == QLatin1String("-");
    std::optional<SafeFileWriter> writer;
    if (!toStandardOutput) {
        writer.emplace(outputPath);
        if (!writer->Open())
            return -1;
    }
    const QString name = toStandardOutput ? QStringLiteral("standard output") : outputPath;
    const auto cannotWrite = [&]() {
        Say(err, QStringLiteral("cannot write the sorted data to %1: %2").arg(name, writer->Problem()));
        return ExitUsage;
    };
    // A file takes the pieces as they come, as it is replaced only when all
    // is well; standard output is given nothing before the sort has
    // succeeded, so its pieces wait, as the bytes they become.
    QList<QByteArray> waiting;
    bool written = !writer || writer->Write("\xFF\xFE");
    SortStatus status = SortStatus::Sorted;
    try {
        bool sinkFailed = false;
        const SortedOutputSink sink = [&](QString piece) {
            if (writer)
                return writer->WriteUtf16Le(piece);
            if (fileForm)
                waiting.append(Utf16LeBytes(piece));
            else
                waiting.append(piece.toUtf8());
            return true;
        };
        status = source ? StreamSortedOutput(*source, selection, AbbreviationRows(), sink, &sinkFailed)
                        : StreamSortedOutput(std::move(text), selection, AbbreviationRows(), sink, &sinkFailed);
        written = written && !sinkFailed;
        // The parts of a file written to meanwhile may not belong together.
        if (source && !source->Unchanged())
            throw LogTextReadError(QStringLiteral("Cannot read file %1: it changed while it was read").arg(inputPath));
    } catch (const std::bad_alloc &) {
        if (writer)
            writer->Cancel();
        Say(err, QStringLiteral("not enough memory to sort %1").arg(inputPath));
        return ExitSortFailed;
    } catch (const LogTextReadError &failure) {
        if (writer)
            writer->Cancel();
        Say(err, failure.Reason());
        return ExitUsage;
    }
    if (status != SortStatus::Sorted) {
        if (writer)
            writer->Cancel();
        Say(err, SortFailureMessage(status, inputName, selection.logType));
        return ExitSortFailed;
    }
    if (!writer) {
        writer.emplace(out, name);
        written = writer->Open() && (!fileForm || writer->Write("\xFF\xFE"));
        for (QByteArray &bytes : waiting) {
            written = written && writer->Write(bytes);
            bytes = QByteArray();
        }
    }
    if (!written || !writer->Commit())
        return cannotWrite();
    return ExitSorted;
}

} // namespace BatchSort
