#include "core/sorting/log_search_text.h"

#include <QtAlgorithms>

#include <algorithm>
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

LogSearchText::LogSearchText(const LogSearchText &other, CopyTag) : m_text(other.m_text)
{
    Q_ASSERT(!other.IsStreamed());
    for (int w = 0; w < WordCount; ++w)
        m_words[w] = other.m_words[w];
}
