#include "cli/output_batch.h"

#include "cli/diagnostics.h"

#include <QIODevice>

namespace BatchSort {

using Cli::Say;

QString OutputBatch::FailureMessage(const QString &what, const QString &where, const SafeFileWriter &writer)
{
    return QStringLiteral("cannot write %1 %2: %3").arg(what, where, writer.Problem());
}

SafeFileWriter *OutputBatch::Start(const QString &what, const QString &path, QIODevice &out, QIODevice &err)
{
    std::unique_ptr<SafeFileWriter> writer = path == QLatin1String("-")
                                                 ? std::make_unique<SafeFileWriter>(out, QStringLiteral("standard output"))
                                                 : std::make_unique<SafeFileWriter>(path);
    const QString where = path == QLatin1String("-") ? QStringLiteral("to standard output") : path;
    if (!writer->Open()) {
        Say(err, FailureMessage(what, where, *writer));
        CancelAll();
        return nullptr;
    }
    m_outputs.push_back({what, where, std::move(writer)});
    return m_outputs.back().writer.get();
}

void OutputBatch::Keep(const QString &what, const QString &where, std::unique_ptr<SafeFileWriter> writer)
{
    m_outputs.push_back({what, where, std::move(writer)});
}

bool OutputBatch::Fail(SafeFileWriter *writer, QIODevice &err)
{
    for (const Output &output : m_outputs) {
        if (output.writer.get() == writer)
            Say(err, FailureMessage(output.what, output.where, *writer));
    }
    CancelAll();
    return false;
}

bool OutputBatch::CommitAll(QIODevice &err)
{
    for (Output &output : m_outputs) {
        if (!output.writer->Commit()) {
            Say(err, FailureMessage(output.what, output.where, *output.writer));
            CancelAll();
            return false;
        }
    }
    m_outputs.clear();
    return true;
}

void OutputBatch::CancelAll()
{
    for (Output &output : m_outputs)
        output.writer->Cancel();
    m_outputs.clear();
}

} // namespace BatchSort
