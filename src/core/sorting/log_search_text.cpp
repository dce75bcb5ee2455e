#include "core/sorting/log_search_text.h"

#include "core/io/native_pages.h"

#include <QtAlgorithms>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <system_error>
#include <exception>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int WordIndex::NextIn(const std::vector<int> &found, qsizetype &m_hint, int from)
{
    const qsizetype n = qsizetype(found.size());
    if (n == 0 || found.back() < from)
        return -1;
    const qsizetype h = std::min(m_hint, n - 1);
    if (found[h] >= from && (h == 0 || found[h - 1] < from))
        return found[h];
    // Most asks of a parse go on to the next occurrence.
    if (found[h] < from && h + 1 < n && found[h + 1] >= from) {
        m_hint = h + 1;
        return found[h + 1];
    }

    // Gallop from the last answer, forward or backward.
    qsizetype lo = 0;
    qsizetype hi = n;
    if (found[h] < from) {
        qsizetype step = 1;
        lo = h + 1;
        while (h + step < n && found[h + step] < from) {
            lo = h + step + 1;
            step *= 2;
        }
        hi = std::min(h + step + 1, n);
    } else {
        qsizetype step = 1;
        hi = h + 1;
        while (h - step >= 0 && found[h - step] >= from) {
            hi = h - step + 1;
            step *= 2;
        }
        lo = std::max<qsizetype>(h - step, 0);
    }
    const auto it = std::lower_bound(found.cbegin() + lo, found.cbegin() + hi, from);
    m_hint = qsizetype(it - found.cbegin());
    return *it;
}

QStringView LogSearchText::WordText(Word word)
{
    switch (word) {
    case FileMarker: return u"File ";
    case Brand: return u"Tavix";
    case LineBreak: return u"\r\n";
    case EmptyLine: return u"\r\n\r\n";
    case UnitSec: return u"sec";
    case UnitSek: return u"sek";
    case UnitTim: return u"tim";
    case UnitHours: return u"hours";
    case LogMarker: return u"Log ";
    case RuleLine: return u"-----------------------";
    case WordCount: break;
    }
    return {};
}

namespace {

// Characters that start one of the words: '\r', 'F', 'T', 's', 't', 'h', 'L', '-'.
constexpr bool StartsWord(char16_t c)
{
    return c == u'\r' || c == u'F' || c == u'T' || c == u's' || c == u't' || c == u'h' || c == u'L'
           || c == u'-';
}

struct StartTable
{
    bool starts[128] = {};
    constexpr StartTable()
    {
        for (char16_t c = 0; c < 128; ++c)
            starts[c] = StartsWord(c);
    }
};

constexpr StartTable kStarts;

#if defined(__SSE2__)
// Two bits for each of the eight code units at text (nine are read) where
// the first two characters of a word follow.
uint WordStartMask(const char16_t *text)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text));
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + 1));
    auto pair = [&](char16_t a, char16_t b) {
        return _mm_and_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(short(a))),
                             _mm_cmpeq_epi16(w, _mm_set1_epi16(short(b))));
    };
    const __m128i m = _mm_or_si128(
        _mm_or_si128(_mm_or_si128(pair(u'\r', u'\n'), pair(u'F', u'i')), _mm_or_si128(pair(u'T', u'a'), pair(u's', u'e'))),
        _mm_or_si128(_mm_or_si128(pair(u't', u'i'), pair(u'h', u'o')), _mm_or_si128(pair(u'L', u'o'), pair(u'-', u'-'))));
    return uint(_mm_movemask_epi8(m));
}
#endif

} // namespace

LogSearchText::LogSearchText(const QString &text)
    : m_text(text)
{
    const qsizetype n = m_text.size();
    std::vector<int> words[WordCount];
    // Room for a line break every 8 characters: the vector never moves while
    // it fills, and the room no line break takes is never touched, so it
    // costs address space, not memory.
    words[LineBreak].reserve(size_t(n / 8 + 16));

    // A large text is scanned in two halves at once, the second on a thread
    // of its own, each finding the words that start in it; the second
    // half's positions then follow the first's, in the same order as one
    // scan finds them.
    constexpr qsizetype kLarge = 1 << 20;
    bool scanned = false;
    if (n >= kLarge && std::thread::hardware_concurrency() > 1) {
        const qsizetype half = n / 2;
        std::vector<int> second[WordCount];
        second[LineBreak].reserve(size_t((n - half) / 8 + 16));
        // Running out of memory on either thread reaches the caller as
        // std::bad_alloc once both threads are done.
        std::exception_ptr failure;
        try {
            std::thread worker([&]() {
                try {
                    Scan(half, n, second);
                } catch (...) {
                    failure = std::current_exception();
                }
            });
            try {
                Scan(0, half, words);
            } catch (...) {
                worker.join();
                throw;
            }
            worker.join();
            scanned = true;
        } catch (const std::system_error &) {
            // No thread to be had: the whole on this one, below.
        }
        if (failure)
            std::rethrow_exception(failure);
        if (scanned) {
            for (int w = 0; w < WordCount; ++w)
                words[w].insert(words[w].end(), second[w].cbegin(), second[w].cend());
        }
    }
    if (!scanned)
        Scan(0, n, words);
    for (int w = 0; w < WordCount; ++w)
        m_words[w] = WordIndex(std::move(words[w]));
}

void LogSearchText::Scan(qsizetype from, qsizetype to, std::vector<int> (&words)[WordCount]) const
{
    const char16_t *d = reinterpret_cast<const char16_t *>(m_text.constData());
    const qsizetype n = m_text.size();
    // Whether word (ASCII) follows at i; the first character is already known to match.
    auto at = [d, n](qsizetype i, const char *word, qsizetype length) {
        if (i + length > n)
            return false;
        for (qsizetype k = 1; k < length; ++k) {
            if (d[i + k] != char16_t(word[k]))
                return false;
        }
        return true;
    };
    const qsizetype ruleLength = WordText(RuleLine).size();

    // The words that start at i, if any; where to read on (after a run of
    // hyphens, its end).
    auto visit = [&](qsizetype i) -> qsizetype {
        switch (d[i]) {
        case u'\r':
            if (i + 1 < n && d[i + 1] == u'\n') {
                words[LineBreak].push_back(int(i));
                if (i + 3 < n && d[i + 2] == u'\r' && d[i + 3] == u'\n')
                    words[EmptyLine].push_back(int(i));
            }
            break;
        case u'F':
            if (at(i, "File ", 5))
                words[FileMarker].push_back(int(i));
            break;
        case u'T':
            if (at(i, "Tavix", 5))
                words[Brand].push_back(int(i));
            break;
        case u's':
            if (at(i, "sec", 3))
                words[UnitSec].push_back(int(i));
            else if (at(i, "sek", 3))
                words[UnitSek].push_back(int(i));
            break;
        case u't':
            if (at(i, "tim", 3))
                words[UnitTim].push_back(int(i));
            break;
        case u'h':
            if (at(i, "hours", 5))
                words[UnitHours].push_back(int(i));
            break;
        case u'L':
            if (at(i, "Log ", 4))
                words[LogMarker].push_back(int(i));
            break;
        case u'-': {
            // A run of hyphens holds a rule line at every position from
            // which 23 hyphens follow.
            // Past to, only the hyphens that complete a rule line starting
            // before it count, so the run is read no further than that.
            const qsizetype cap = std::min(n, to + ruleLength - 1);
            qsizetype j = i + 1;
            while (j < cap && d[j] == u'-')
                ++j;
            // A run that goes on past to is the next part's from there.
            for (qsizetype k = i; k + ruleLength <= j && k < to; ++k)
                words[RuleLine].push_back(int(k));
            return j;
        }
        default:
            break;
        }
        return i + 1;
    };

    // One pass over the words starting in [from, to), which may end beyond
    // to. Eight code units at a time are compared with the first two
    // characters of every word ("\r\n", "Fi", "Ta", "se", "ti", "ho", "Lo",
    // "--"), so only the places where a word may start are looked at; the
    // last few code units of the text one at a time, through a table.
    qsizetype resume = from; // the first position not read yet (past a run of hyphens)
    qsizetype block = from;
#if defined(__SSE2__)
    for (; block + 8 <= to && block + 9 <= n; block += 8) {
        uint mask = WordStartMask(d + block);
        while (mask != 0) {
            const qsizetype i = block + qCountTrailingZeroBits(mask) / 2;
            mask &= mask - 1; // the two bits of one code unit
            mask &= mask - 1;
            if (i < resume)
                continue;
            if (d[i] == u'\r') {
                // A line break (the mask says "\r\n"), the most common word.
                words[LineBreak].push_back(int(i));
                if (i + 3 < n && d[i + 2] == u'\r' && d[i + 3] == u'\n')
                    words[EmptyLine].push_back(int(i));
                resume = i + 1;
            } else {
                resume = visit(i);
            }
        }
    }
#endif
    for (qsizetype i = std::max(block, resume); i < to;) {
        const char16_t c = d[i];
        i = c < 128 && kStarts.starts[c] ? visit(i) : i + 1;
    }
}

int LogSearchText::Find(Word word, int from) const
{
    if (from < 0 || from > m_text.size())
        return -1;
    if (m_stream)
        return StreamFind(word, from, Size());
    return m_words[word].Next(from);
}

int LogSearchText::FindBefore(Word word, int from, int to) const
{
    if (from < 0 || from > m_text.size())
        return -1;
    const int found = m_stream ? StreamFind(word, from, std::min(to, Size())) : m_words[word].Next(from);
    return found < to ? found : -1;
}

int LogSearchText::FindBlank(int from) const
{
    if (from < 0 || from > m_text.size())
        return -1;
    if (m_stream)
        return StreamFindBlank(from);
    return int(QStringView(m_text).indexOf(QLatin1Char(' '), from));
}

QStringView LogSearchText::Mid(int from, int to) const
{
    const qsizetype a = std::max<qsizetype>(from, 0);
    const qsizetype b = std::min<qsizetype>(to, m_text.size());
    if (b <= a)
        return {};
    if (m_stream)
        StreamFill(a, b);
    return QStringView(m_text).sliced(a, b - a);
}

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
    m_stream = std::make_unique<Stream>(*this, source, terminator, size, shift);
    m_stream->room.Take(m_stream->Total());
    m_text = QString::fromRawData(reinterpret_cast<const QChar *>(m_stream->room.Data()), m_stream->Total());
    if (readAhead)
        m_stream->StartReader();
}

LogSearchText::LogSearchText(const LogSearchText &other, CopyTag) : m_text(other.m_text)
{
    Q_ASSERT(!other.IsStreamed());
    for (int w = 0; w < WordCount; ++w)
        m_words[w] = other.m_words[w];
}

LogSearchText::~LogSearchText() = default;

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
