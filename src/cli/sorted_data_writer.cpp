#include "cli/sorted_data_writer.h"

#include "cli/batch_sort.h"
#include "cli/diagnostics.h"
#include "core/io/text_file.h"
#include "core/sorting/sorted_output.h"

#include <QFileDevice>
#include <QIODevice>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSysInfo>

#include <new>
#include <system_error>
#include <thread>

namespace BatchSort {

using Cli::Say;

int WriteSortedData(SortResult result, int logType, const QString &outputPath, QIODevice &out, QIODevice &err)
{
    const bool toFile = !outputPath.isEmpty();
    QSaveFile file(outputPath);
    QIODevice &device = toFile ? static_cast<QIODevice &>(file) : out;
    if (toFile) {
        file.setDirectWriteFallback(false);
        if (!file.open(QIODevice::WriteOnly)) {
            Say(err, QStringLiteral("cannot write %1: %2").arg(outputPath, file.errorString()));
            return ExitUsage;
        }
    }
    bool ok = true;
    auto put = [&](const char *data, qint64 size) {
        if (ok && device.write(data, size) != size)
            ok = false;
        return ok;
    };
    try {
        if (toFile)
            put("\xFF\xFE", 2);
        WriteSortedOutput(result.sortedFiles, PickedFileIndexes(result, logType), AbbreviationRows(), [&](QString piece) {
            QByteArray bytes;
            if (!toFile) {
                bytes = piece.toUtf8();
            } else if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
                // The code units in memory are the file's bytes already.
                return put(reinterpret_cast<const char *>(piece.constData()), piece.size() * 2);
            } else {
                AppendUtf16Le(bytes, piece);
            }
            return put(bytes.constData(), bytes.size());
        });
    } catch (const std::bad_alloc &) {
        if (toFile)
            file.cancelWriting();
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

    if (toFile) {
        if (ok && file.commit())
            return ExitSorted;
        const QString reason = file.errorString();
        file.cancelWriting();
        Say(err, QStringLiteral("cannot write %1: %2; the file is left as it was")
                           .arg(outputPath, reason));
        return ExitUsage;
    }
    if (auto *fileDevice = qobject_cast<QFileDevice *>(&out); ok && fileDevice)
        ok = fileDevice->flush();
    if (!ok) {
        Say(err, QStringLiteral("cannot write the sorted data to standard output: %1")
                           .arg(out.errorString()));
        return ExitUsage;
    }
    return ExitSorted;
}

} // namespace BatchSort
