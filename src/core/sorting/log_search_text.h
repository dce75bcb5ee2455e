// The text a log parse works on, with a remembering search for each fixed
// word the parse looks for.
#ifndef TAVIX_CORE_SORTING_LOG_SEARCH_TEXT_H
#define TAVIX_CORE_SORTING_LOG_SEARCH_TEXT_H

#include <QString>
#include <QStringView>

#include <exception>
#include <memory>
#include <vector>

// Where a streamed parse text comes from (an input file, read a part at a
// time): its code units, read again whenever a part is needed after it was
// given back, so every read of a part must give the same code units.
class LogTextSource
{
public:
    virtual ~LogTextSource() = default;
    // The number of code units.
    virtual qsizetype Size() const = 0;
    // Puts the code units [from, from + count) into out; throws
    // LogTextReadError when they cannot be read.
    virtual void Read(qsizetype from, qsizetype count, char16_t *out) = 0;
};

// A part of a streamed text could not be read; reason says why.
class LogTextReadError : public std::exception
{
public:
    explicit LogTextReadError(QString reason) : m_reason(std::move(reason)) {}
    const char *what() const noexcept override { return "the text could not be read"; }
    const QString &Reason() const { return m_reason; }

private:
    QString m_reason;
};

// The occurrences of one word in the text, ascending, and a lookup of the
// first one at or after a position. Lookups gallop from the previous answer,
// so the asks of a parse, which mostly move forward a little, cost a few
// steps each, and an ask backward is answered as exactly as one forward.
class WordIndex
{
public:
    WordIndex() = default;
    // A copy shares the occurrences (no copy of them is made) and starts its
    // lookups afresh; it never reads the other's place, which a lookup on
    // another thread may be changing.
    WordIndex(const WordIndex &other) : m_found(other.m_found) {}
    WordIndex &operator=(const WordIndex &other)
    {
        m_found = other.m_found;
        m_hint = 0;
        return *this;
    }

    explicit WordIndex(std::vector<int> found) : m_found(std::make_shared<const std::vector<int>>(std::move(found)))
    {
    }

    // First occurrence at or after from; -1 when there is none.
    int Next(int from) const { return m_found ? NextIn(*m_found, m_hint, from) : -1; }
    // The same in the ascending positions found, galloping from hint, the
    // index of the previous answer, which it then holds.
    static int NextIn(const std::vector<int> &found, qsizetype &hint, int from);
    bool IsEmpty() const { return !m_found || m_found->empty(); }
    qsizetype Size() const { return m_found ? qsizetype(m_found->size()) : 0; }
    // The last occurrence; only when there is one.
    int Last() const { return m_found->back(); }

private:
    std::shared_ptr<const std::vector<int>> m_found; // null: none
    mutable qsizetype m_hint = 0; // index in m_found of the last answer
};

// The parse text: the input with its terminator, and the word indexes.
//
// The indexes are built in one pass over the text when the object is made
// (in two halves at once on a large text),
// so finding a word never scans the text again, however many files ask for
// it from wherever they are: the parse stays linear in the text. The pass
// keeps every line break, which takes 4 bytes per line of the text.
class LogSearchText
{
public:
    enum Word {
        FileMarker,   // "File "
        Brand,        // "Tavix"
        LineBreak,    // "\r\n"
        EmptyLine,    // "\r\n\r\n": a line break directly followed by another
        UnitSec,      // "sec"
        UnitSek,      // "sek"
        UnitTim,      // "tim"
        UnitHours,    // "hours"
        LogMarker,    // "Log "
        RuleLine,     // 23 hyphens
        WordCount
    };

    explicit LogSearchText(const QString &text);
    // The text of source followed by terminator, streamed: it is read a
    // block of blockSize code units at a time when the parse first looks
    // there, and the blocks before a position the parse has left behind
    // are given back (ReleaseBefore), so that a text of any size takes the
    // memory of a few blocks. The words are found exactly as in the whole
    // text; a block given back is read again if it is looked at again.
    // blockSize is rounded up to a power of two of at least 64; from 2048
    // on, whole memory pages are given back. The source must outlive the object.
    static constexpr qsizetype kStreamBlock = qsizetype(1) << 17;
    // With readAhead false the blocks are read on the calling thread, when
    // the parse comes to them, instead of by a thread of their own.
    LogSearchText(LogTextSource &source, QStringView terminator, qsizetype blockSize = kStreamBlock,
                  bool readAhead = true);
    ~LogSearchText();
    // A copy of other (a whole text, not a streamed one), the same text and
    // indexes (shared, not copied), whose lookups remember their own places:
    // for a second parse of the same text on another thread.
    enum CopyTag { Copy };
    LogSearchText(const LogSearchText &other, CopyTag);
    LogSearchText(const LogSearchText &) = delete;
    LogSearchText &operator=(const LogSearchText &) = delete;

    // The whole text; of a streamed text only the parts looked at through
    // Mid are there, the rest reads as zero.
    QStringView View() const { return m_text; }
    const QString &Text() const { return m_text; }
    bool IsStreamed() const { return m_stream != nullptr; }
    // Gives back the blocks that end before position (of a streamed text;
    // nothing otherwise). Views of those parts taken before read as zero
    // afterwards, so the parse calls it only where it holds no view.
    void ReleaseBefore(int position) const;
    int Size() const { return int(m_text.size()); }

    // First occurrence of the word at or after from (-1: none, or from out of range).
    // Overlapping occurrences all count (a run of 30 hyphens holds 8 rule lines).
    int Find(Word word, int from) const;
    // First occurrence of the word in [from, to) (-1: none, or from out of
    // range): a streamed text reads no block past to's for it.
    int FindBefore(Word word, int from, int to) const;
    // First blank at or after from (-1: none, or from out of range).
    int FindBlank(int from) const;
    // Position of the last line break of the text, -1 if it has none.
    int LastLineBreak() const;
    // How many times the word occurs (overlapping occurrences each count).
    qsizetype Count(Word word) const;

    // The characters from a up to, not including, b: empty when b <= a;
    // a below 0 counts from 0 and b beyond the end counts to the end.
    QStringView Mid(int from, int to) const;

    static QStringView WordText(Word word);

private:
    // Adds the positions of every word that starts in [from, to) to words;
    // reads at most RuleLine's length - 1 code units past to.
    void Scan(qsizetype from, qsizetype to, std::vector<int> (&words)[WordCount]) const;

    struct Stream;
    // Frees a Stream where its type is complete, so that the whole-text
    // code needs only its name.
    struct StreamDeleter
    {
        void operator()(Stream *stream) const;
    };
    int StreamFind(int word, int from, int to) const;
    int StreamFindBlank(int from) const;
    void StreamFill(qsizetype from, qsizetype to) const;

    QString m_text;
    WordIndex m_words[WordCount];
    std::unique_ptr<Stream, StreamDeleter> m_stream;
};

#endif // TAVIX_CORE_SORTING_LOG_SEARCH_TEXT_H
