// The streamed form of the parse text: its blocks read by a reader thread
// ahead of the parse and given back behind it, and the summaries of the
// blocks passed that answer the lookups far ahead.
#include "core/sorting/log_search_text.h"

#include "core/io/native_pages.h"

#include <QtAlgorithms>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

// A streamed text: its blocks, read when looked at and given back when left
// behind, and a summary of every block read so far (where each word and the
// first blank first occur in it), kept for the whole text, so that a word
// far ahead is found from the summaries without holding the blocks between.
//
// The blocks are read and their words found in order, a block or two ahead
// of the parse, on a thread of their own while the parse goes on (on the
// parse's thread when no thread can be had). The blocks from the frontier
// on are that reader's: the parse looks at a block only once the reader has
// handed it over (Advance), and reads again only blocks handed over before
// and given back since.
struct LogSearchText::Stream
{
    // The words, and the blank as one more kind of summary.
    static constexpr int kBlank = WordCount;
    static constexpr int kKinds = WordCount + 1;
    // How many blocks the reader may have ready before the parse takes them.
    static constexpr int kAhead = 3;

    // The positions of every word in a block, and where the last lookup of
    // each found its answer.
    struct Words
    {
        std::vector<int> found[WordCount];
        qsizetype hint[WordCount] = {};
    };

    struct Block
    {
        bool filled = false;
        bool used = false; // looked at by the parse since it was read
        std::unique_ptr<Words> words; // once the block's words are found
    };

    // A block the reader has read: its words and its first blank (-1: none),
    // or why it could not be read.
    struct Ready
    {
        std::unique_ptr<Words> words;
        int blank = -1;
        std::exception_ptr failure;
    };

    Stream(const LogSearchText &owner, LogTextSource &from, QStringView end, qsizetype size, int shift)
        : text(owner), source(from), sourceSize(size), terminator(end.toString()), blockShift(shift),
          blockSize(qsizetype(1) << shift), blocks(int((size + end.size() + blockSize - 1) >> shift))
    {
        state.resize(size_t(blocks));
        for (std::vector<int> &positions : first)
            positions.resize(size_t(blocks), -1);
        lastLineBreak.resize(size_t(blocks), -1);
    }

    ~Stream()
    {
        if (reader.joinable()) {
            {
                const std::lock_guard lock(mutex);
                stopped = true;
            }
            changed.notify_all();
            reader.join();
        }
    }

    // Starts the reader; without a thread the parse's thread reads.
    void StartReader()
    {
        try {
            reader = std::thread([this]() { ReadAhead(); });
        } catch (const std::system_error &) {
        }
    }

    qsizetype Total() const { return sourceSize + terminator.size(); }
    qsizetype Start(int block) const { return qsizetype(block) * blockSize; }
    qsizetype End(int block) const { return std::min(Start(block + 1), Total()); }
    int BlockOf(qsizetype position) const { return int(position >> blockShift); }

    // Reads the text of a block into the room.
    void Read(int block)
    {
        const qsizetype from = Start(block);
        const qsizetype to = End(block);
        char16_t *out = room.Data();
        const qsizetype sourceEnd = std::min(to, sourceSize);
        if (from < sourceEnd) {
            const std::lock_guard lock(sourceMutex);
            source.Read(from, sourceEnd - from, out + from);
        }
        for (qsizetype i = std::max(from, sourceSize); i < to; ++i)
            out[i] = terminator.at(i - sourceSize).unicode();
    }

    std::unique_ptr<Words> SpareWords()
    {
        {
            const std::lock_guard lock(mutex);
            if (!spare.empty()) {
                std::unique_ptr<Words> words = std::move(spare.back());
                spare.pop_back();
                return words;
            }
        }
        return std::make_unique<Words>();
    }

    // The words of a block whose text and the start of the next one's
    // (where its last words may end) are in the room.
    Ready Find(int block)
    {
        Ready ready;
        ready.words = SpareWords();
        text.Scan(Start(block), End(block), ready.words->found);
        const qsizetype blank = QStringView(room.Data() + Start(block), End(block) - Start(block)).indexOf(u' ');
        ready.blank = blank < 0 ? -1 : int(Start(block) + blank);
        return ready;
    }

    // The reader: each block in order, read (the next one with it) and its
    // words found, at most kAhead blocks before the parse takes them.
    void ReadAhead()
    {
        int read = 0; // the blocks before it are in the room
        for (int block = 0; block < blocks; ++block) {
            {
                std::unique_lock lock(mutex);
                readerWaiting = true;
                changed.wait(lock, [&] { return stopped || block < taken + kAhead; });
                readerWaiting = false;
                if (stopped)
                    return;
            }
            Ready ready;
            try {
                for (; read < std::min(block + 2, blocks); ++read)
                    Read(read);
                ready = Find(block);
            } catch (...) {
                ready.failure = std::current_exception();
            }
            const bool failed = bool(ready.failure);
            {
                const std::lock_guard lock(mutex);
                readyBlocks.push_back(std::move(ready));
            }
            changed.notify_all();
            if (failed)
                return;
        }
    }

    // The next block from the reader (or read here without one).
    Ready Take()
    {
        if (!reader.joinable()) {
            for (; readHere < std::min(frontier + 2, blocks); ++readHere)
                Read(readHere);
            return Find(frontier);
        }
        Ready ready;
        bool wake = false;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return !readyBlocks.empty(); });
            ready = std::move(readyBlocks.front());
            readyBlocks.pop_front();
            taken = frontier + 1;
            // Only a reader that has all its blocks ready waits for room.
            wake = readerWaiting;
        }
        if (wake)
            changed.notify_all();
        if (ready.failure)
            std::rethrow_exception(ready.failure);
        return ready;
    }

    void GiveBack(int block)
    {
        Block &b = state[size_t(block)];
        if (b.filled)
            room.GiveBack(Start(block), End(block) - Start(block));
        b.filled = false;
        b.used = false;
        if (block == lastBlock)
            lastBlock = -1;
        // A few sets of positions are kept for the next blocks, so that
        // finding a block's words seldom allocates.
        if (b.words) {
            for (std::vector<int> &positions : b.words->found)
                positions.clear();
            const std::lock_guard lock(mutex);
            if (spare.size() < 2 * kAhead + 2)
                spare.push_back(std::move(b.words));
        }
        b.words.reset();
    }

    // Takes the frontier's block from the reader and summarises it; of the
    // blocks taken only for that, it keeps the ones in [keepFrom, keepTo]
    // and gives back the others. Up to, not including, target.
    void Advance(int target, int keepFrom, int keepTo)
    {
        while (frontier < std::min(target, blocks)) {
            const int block = frontier;
            Ready ready = Take();
            const std::vector<int> (&found)[WordCount] = ready.words->found;
            for (int w = 0; w < WordCount; ++w) {
                if (found[w].empty())
                    continue;
                first[w][size_t(block)] = found[w].front();
                holding[w].push_back(block);
                counts[w] += qsizetype(found[w].size());
            }
            if (!found[LineBreak].empty())
                lastLineBreak[size_t(block)] = found[LineBreak].back();
            if (ready.blank >= 0) {
                first[kBlank][size_t(block)] = ready.blank;
                holding[kBlank].push_back(block);
            }
            ++frontier;
            Block &b = state[size_t(block)];
            b.filled = true;
            b.used = false;
            b.words = std::move(ready.words);
            lowestFilled = std::min(lowestFilled, block);
            if (block < keepFrom || block > keepTo)
                GiveBack(block);
        }
    }

    // Makes sure the blocks [from, to] are in the room and marks them as
    // looked at: those not handed over yet are taken from the reader, those
    // given back are read again.
    void Fill(int from, int to)
    {
        if (to >= frontier)
            Advance(to + 1, from, to);
        for (int block = from; block <= to; ++block) {
            Block &b = state[size_t(block)];
            if (!b.filled) {
                Read(block);
                b.filled = true;
                lowestFilled = std::min(lowestFilled, block);
            }
            b.used = true;
        }
    }

    // The block's words, found, and the block marked as looked at.
    Words &Indexed(int block)
    {
        if (block >= frontier)
            Advance(block + 1, block, block + 1);
        Block &b = state[size_t(block)];
        if (!b.words) {
            // A block given back and looked at again: read again, with the
            // start of the next one.
            Fill(block, std::min(block + 1, blocks - 1));
            b.words = Find(block).words;
        }
        b.used = true;
        return *b.words;
    }

    // The first block in [from, to] holding the kind of summary; -1 when
    // none does. The blocks summarised on the way are given back, except
    // those in [keepFrom, keepTo].
    int NextHolding(int kind, int from, int to, int keepFrom, int keepTo)
    {
        const std::vector<int> &list = holding[kind];
        const auto it = std::lower_bound(list.cbegin(), list.cend(), from);
        if (it != list.cend())
            return *it <= to ? *it : -1;
        while (frontier <= std::min(to, blocks - 1)) {
            Advance(frontier + 1, keepFrom, keepTo);
            if (!list.empty() && list.back() >= from)
                return list.back() <= to ? list.back() : -1;
        }
        return -1;
    }

    const LogSearchText &text;
    LogTextSource &source;
    const qsizetype sourceSize;
    const QString terminator;
    const int blockShift;
    const qsizetype blockSize;
    const int blocks;
    PagedRoom room;

    // The parse's own.
    std::vector<Block> state;
    // The block the last lookup looked in, indexed and marked as looked at,
    // and its words; a block given back forgets it.
    int lastBlock = -1;
    Words *lastWords = nullptr;
    int frontier = 0; // the blocks before it are handed over and summarised
    int readHere = 0; // without a reader: the blocks before it are in the room
    int lowestFilled = std::numeric_limits<int>::max();
    std::vector<int> first[kKinds]; // per block: the first position, -1 for none
    std::vector<int> lastLineBreak; // per block
    std::vector<int> holding[kKinds]; // the summarised blocks that hold each, ascending
    qsizetype counts[WordCount] = {};

    // Shared with the reader.
    std::mutex sourceMutex;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Ready> readyBlocks;
    std::vector<std::unique_ptr<Words>> spare;
    int taken = 0; // the blocks the parse has taken
    bool readerWaiting = false;
    bool stopped = false;
    std::thread reader;
};

LogSearchText::LogSearchText(LogTextSource &source, QStringView terminator, qsizetype blockSize, bool readAhead)
{
    const qsizetype size = source.Size();
    // Blocks of a power of two, so that a position's block is a shift away.
    int shift = 6;
    while ((qsizetype(1) << shift) < blockSize && shift < 30)
        ++shift;
    m_stream.reset(new Stream(*this, source, terminator, size, shift));
    m_stream->room.Take(m_stream->Total());
    m_text = QString::fromRawData(reinterpret_cast<const QChar *>(m_stream->room.Data()), m_stream->Total());
    if (readAhead)
        m_stream->StartReader();
}

LogSearchText::~LogSearchText() = default;

void LogSearchText::StreamDeleter::operator()(Stream *stream) const
{
    delete stream;
}

int LogSearchText::StreamFind(int word, int from, int to) const
{
    Stream &s = *m_stream;
    if (from >= to)
        return -1;
    const int block = s.BlockOf(from);
    // Most lookups fall in the block the last one looked in.
    if (block != s.lastBlock) {
        s.lastWords = &s.Indexed(block);
        s.lastBlock = block;
    }
    Stream::Words &words = *s.lastWords;
    const int found = WordIndex::NextIn(words.found[word], words.hint[word], from);
    if (found != -1)
        return found;
    const int next = s.NextHolding(word, block + 1, s.BlockOf(to - 1), block, block + 1);
    return next < 0 ? -1 : s.first[word][size_t(next)];
}

int LogSearchText::StreamFindBlank(int from) const
{
    Stream &s = *m_stream;
    if (from >= s.Total())
        return -1;
    const int block = s.BlockOf(from);
    if (block != s.lastBlock)
        StreamFill(from, s.End(block));
    // The blank is mostly a few characters on: those are looked at one by
    // one before the search that pays off over longer stretches.
    const char16_t *d = s.room.Data();
    const qsizetype end = s.End(block);
    for (qsizetype i = from; i < std::min(end, qsizetype(from) + 16); ++i) {
        if (d[i] == u' ')
            return int(i);
    }
    const qsizetype rest = std::min(end, qsizetype(from) + 16);
    const qsizetype blank = QStringView(d + rest, end - rest).indexOf(u' ');
    if (blank >= 0)
        return int(rest + blank);
    const int next = s.NextHolding(Stream::kBlank, block + 1, s.blocks - 1, block, block + 1);
    return next < 0 ? -1 : s.first[Stream::kBlank][size_t(next)];
}

void LogSearchText::StreamFill(qsizetype from, qsizetype to) const
{
    Stream &s = *m_stream;
    const int first = s.BlockOf(from);
    const int last = s.BlockOf(to - 1);
    // Most views lie in the block the last lookup looked in, which is there.
    if (first != s.lastBlock || last != s.lastBlock)
        s.Fill(first, last);
}

void LogSearchText::ReleaseBefore(int position) const
{
    if (!m_stream)
        return;
    Stream &s = *m_stream;
    const int below = std::min(s.BlockOf(std::max(position, 0)), s.frontier);
    for (int block = s.lowestFilled; block < below; ++block)
        s.GiveBack(block);
    s.lowestFilled = std::max(s.lowestFilled, below);
}

int LogSearchText::LastLineBreak() const
{
    if (m_stream) {
        Stream &s = *m_stream;
        s.Advance(s.blocks, -1, -1);
        const std::vector<int> &list = s.holding[LineBreak];
        return list.empty() ? -1 : s.lastLineBreak[size_t(list.back())];
    }
    return m_words[LineBreak].IsEmpty() ? -1 : m_words[LineBreak].Last();
}

qsizetype LogSearchText::Count(Word word) const
{
    if (m_stream) {
        m_stream->Advance(m_stream->blocks, -1, -1);
        return m_stream->counts[word];
    }
    return m_words[word].Size();
}
