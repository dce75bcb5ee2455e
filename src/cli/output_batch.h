// The outputs of one batch sort (sorted data, PNG, CSV, report), written
// whole or not at all together: each is written in full to its new file
// beside the target first, and only when every one of them has been written
// are they committed, one after the other. A failure before that cancels
// all of them, so no existing file is replaced by one output of a run whose
// other output failed. Standard output cannot be taken back: what goes
// there is written as it comes.
#ifndef TAVIX_CLI_OUTPUT_BATCH_H
#define TAVIX_CLI_OUTPUT_BATCH_H

#include "core/io/safe_file_writer.h"

#include <QString>

#include <memory>
#include <vector>

class QIODevice;

namespace BatchSort {

class OutputBatch
{
public:
    // A writer for path, or into out for "-", opened; what names the output
    // in messages ("the CSV file"). Null, with the message on err, when it
    // cannot be opened; the batch then cancels every writer it holds.
    SafeFileWriter *Start(const QString &what, const QString &path, QIODevice &out, QIODevice &err);
    // Takes a writer that holds all of an output's bytes, to commit with
    // the others.
    // where says where it goes ("to out.txt", "to standard output").
    void Keep(const QString &what, const QString &where, std::unique_ptr<SafeFileWriter> writer);
    // Reports the failure of the output that writer (one of Start's) was
    // writing, cancels all of them and returns false.
    bool Fail(SafeFileWriter *writer, QIODevice &err);
    // Commits every output in the order they were started; the first
    // failure is reported and the outputs not yet committed are cancelled.
    bool CommitAll(QIODevice &err);
    void CancelAll();

    // "cannot write the CSV file out.csv: ..." (or "... to standard output: ...").
    static QString FailureMessage(const QString &what, const QString &where, const SafeFileWriter &writer);

private:
    struct Output
    {
        QString what;
        QString where;
        std::unique_ptr<SafeFileWriter> writer;
    };
    std::vector<Output> m_outputs;
};

} // namespace BatchSort

#endif
