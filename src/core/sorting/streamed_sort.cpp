#include "core/sorting/streamed_sort.h"

#include "core/sorting/log_parser.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Picked files waiting to be laid out, about one piece of output, and the
// texts of their headers: the parse hands each file on with its header a
// view of the input, which holds only while the file is handed on, so the
// header is copied into the batch's own texts, a few allocations a batch
// instead of one a file.
struct Batch
{
    static constexpr qsizetype kTexts = qsizetype(1) << 14;

    std::vector<LogFileRecord> files;
    std::vector<QString> texts;

    bool empty() const { return files.empty(); }
    void Add(LogFileRecord &&record)
    {
        const QStringView header = record.headerText;
        if (texts.empty() || texts.back().capacity() - texts.back().size() < header.size()) {
            texts.emplace_back();
            texts.back().reserve(std::max(kTexts, header.size()));
        }
        // Within its room the text never moves, so the views stay good.
        QString &into = texts.back();
        const qsizetype at = into.size();
        into.append(header);
        record.headerText = QString::fromRawData(into.constData() + at, header.size());
        files.push_back(std::move(record));
    }
};

// The files go from the parse to the layout through a short queue: the
// parse waits when kAhead batches wait, so little more than those is held.
class BatchQueue
{
public:
    static constexpr size_t kAhead = 8;

    // False when the layout has stopped (failed), so nothing more is wanted.
    bool Push(Batch batch)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || m_batches.size() < kAhead; });
        if (m_stopped)
            return false;
        m_batches.push_back(std::move(batch));
        // Only a layout waiting for a batch needs waking.
        if (m_batches.size() == 1) {
            lock.unlock();
            m_changed.notify_all();
        }
        return true;
    }
    // The next batch; false once the parse has ended and all are taken.
    bool Pop(Batch &batch)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_ended || !m_batches.empty(); });
        if (m_batches.empty())
            return false;
        batch = std::move(m_batches.front());
        m_batches.pop_front();
        // Only a parse waiting for room needs waking.
        if (m_batches.size() == kAhead - 1) {
            lock.unlock();
            m_changed.notify_all();
        }
        return true;
    }
    void End()
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_changed.notify_all();
    }
    void Stop(std::exception_ptr failure)
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        if (failure)
            m_failure = failure;
        m_batches.clear();
        m_changed.notify_all();
    }
    std::exception_ptr Failure()
    {
        const std::lock_guard lock(m_mutex);
        return m_failure;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_batches;
    bool m_ended = false;
    bool m_stopped = false;
    std::exception_ptr m_failure;
};

// Lays out batches and hands them to the sink until it refuses one.
class Layout
{
public:
    Layout(const ReplacementTable &abbreviations, const SortedOutputSink &sink)
        : m_pieces(abbreviations), m_sink(sink)
    {
    }
    // False once the sink has refused a piece.
    bool Take(Batch &batch)
    {
        if (!m_sinking)
            return false;
        QString piece;
        qsizetype size = 0;
        for (const LogFileRecord &record : batch.files)
            size += SortedOutputPieces::LaidOutSize(record);
        piece.reserve(size);
        for (const LogFileRecord &record : batch.files)
            m_pieces.Append(record, piece);
        batch = Batch(); // the files are freed here, on the thread that laid them out
        m_sinking = m_sink(std::move(piece));
        return m_sinking;
    }
    bool Sinking() const { return m_sinking; }

private:
    SortedOutputPieces m_pieces;
    const SortedOutputSink &m_sink;
    bool m_sinking = true;
};

// The sort with its output streamed, the parse of the input done by parse
// on the parser it is given.
template <typename Parse>
SortStatus StreamSorted(Parse &&parse, const SortSelection &selection, const ReplacementTable &abbreviations,
                        const SortedOutputSink &sink, bool *sinkFailed, qsizetype limit, qsizetype pieceSize)
{
    *sinkFailed = false;
    const int logType = selection.logType;
    const int kind = GraphListOfLogType(logType) == 0 ? LogKindPlain : LogKindLogp;
    const bool picksFiles = logType == LogTypeQrt03Logp || logType == LogTypeQrtLog || logType == LogTypeQrt31Logp;
    // "DR%" with "QRT 31 Logp" writes nothing; the files are only counted.
    const bool refused = logType == LogTypeQrt31Logp && selection.logpVariable == kDraughtRatingVariable;

    Layout layout(abbreviations, sink);
    BatchQueue queue;
    std::thread worker;
    qsizetype picked = 0;
    qsizetype outputSize = 0;
    bool tooLarge = false;
    Batch batch;
    qsizetype batchSize = 0;
    // Hands the batch on; false when no more output is wanted.
    auto handOn = [&]() {
        Batch full = std::exchange(batch, Batch());
        batch.files.reserve(full.files.size());
        batchSize = 0;
        if (worker.joinable())
            return queue.Push(std::move(full));
        return layout.Take(full);
    };
    bool writing = true;

    LogParser parser;
    parser.SetCharacterLimit(limit);
    // Whether the log type picks a file, from its kind and header: the rows
    // of the others are only counted.
    const auto picks = [&](int fileKind, QStringView header) {
        if (!picksFiles || fileKind != kind)
            return false;
        return logType == LogTypeQrtLog || MatchesLogType(header, logType);
    };
    parser.SetFileSink([&](LogFileRecord &&record) {
        ++picked;
        if (refused)
            return true;
        const qsizetype size = SortedOutputPieces::LaidOutSize(record);
        outputSize += size;
        if (outputSize > limit) {
            tooLarge = true;
            return false;
        }
        if (!writing)
            return true;
        batch.Add(std::move(record));
        batchSize += size;
        if (batchSize >= pieceSize)
            writing = handOn();
        return true;
    }, picks);

    try {
        worker = std::thread([&]() {
            try {
                Batch taken;
                while (queue.Pop(taken)) {
                    if (!layout.Take(taken))
                        queue.Stop(nullptr);
                }
            } catch (...) {
                queue.Stop(std::current_exception());
            }
        });
    } catch (const std::system_error &) {
        // No thread to be had: the files are laid out between the parse's steps.
    }

    auto finish = [&]() {
        queue.End();
        if (worker.joinable())
            worker.join();
    };
    bool parsed = false;
    try {
        parsed = parse(parser);
        if (parsed && !tooLarge && writing && !batch.empty())
            handOn();
    } catch (...) {
        queue.Stop(nullptr);
        finish();
        throw;
    }
    finish();
    if (const std::exception_ptr failure = queue.Failure())
        std::rethrow_exception(failure);
    *sinkFailed = !layout.Sinking();

    if (!parsed)
        return parser.LimitExceeded() ? SortStatus::OutputTooLarge : SortStatus::NoFileMarker;
    if (tooLarge)
        return SortStatus::OutputTooLarge;
    if (!picksFiles)
        return SortStatus::Sorted;
    if (picked == 0)
        return SortStatus::NoFileOfType;
    if (refused)
        return SortStatus::VariableRefused;
    return SortStatus::Sorted;
}

} // namespace

SortStatus StreamSortedOutput(QString input, const SortSelection &selection, const ReplacementTable &abbreviations,
                              const SortedOutputSink &sink, bool *sinkFailed, qsizetype limit, qsizetype pieceSize)
{
    if (limit < 0)
        limit = SortedOutputLimit(input.size());
    return StreamSorted(
        [&input](LogParser &parser) {
            QList<LogFileRecord> none;
            return parser.ParseOwnedText(std::move(input), none);
        },
        selection, abbreviations, sink, sinkFailed, limit, pieceSize);
}

SortStatus StreamSortedOutput(LogTextSource &source, const SortSelection &selection,
                              const ReplacementTable &abbreviations, const SortedOutputSink &sink, bool *sinkFailed,
                              qsizetype limit, qsizetype pieceSize, qsizetype blockSize)
{
    if (limit < 0)
        limit = SortedOutputLimit(source.Size());
    return StreamSorted([&](LogParser &parser) { return parser.ParseStreamedText(source, blockSize); }, selection,
                        abbreviations, sink, sinkFailed, limit, pieceSize);
}
