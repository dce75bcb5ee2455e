// The text a log parse works on, with a remembering search for each fixed
// word the parse looks for.
#ifndef TAVIX_CORE_SORTING_LOG_SEARCH_TEXT_H
#define TAVIX_CORE_SORTING_LOG_SEARCH_TEXT_H

#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

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
    int Next(int from) const;
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
    // A copy of other, the same text and indexes (shared, not copied), whose
    // lookups remember their own places: for a second parse of the same text
    // on another thread.
    enum CopyTag { Copy };
    LogSearchText(const LogSearchText &other, CopyTag) : m_text(other.m_text)
    {
        for (int w = 0; w < WordCount; ++w)
            m_words[w] = other.m_words[w];
    }
    LogSearchText(const LogSearchText &) = delete;
    LogSearchText &operator=(const LogSearchText &) = delete;

    QStringView View() const { return m_text; }
    const QString &Text() const { return m_text; }
    int Size() const { return int(m_text.size()); }

    // First occurrence of the word at or after from (-1: none, or from out of range).
    // Overlapping occurrences all count (a run of 30 hyphens holds 8 rule lines).
    int Find(Word word, int from) const;
    // First blank at or after from (-1: none, or from out of range).
    int FindBlank(int from) const;
    // Position of the last line break of the text, -1 if it has none.
    int LastLineBreak() const;
    // How many times the word occurs (overlapping occurrences each count).
    qsizetype Count(Word word) const { return m_words[word].Size(); }

    // The characters from a up to, not including, b: empty when b <= a;
    // a below 0 counts from 0 and b beyond the end counts to the end.
    QStringView Mid(int from, int to) const;

    static QStringView WordText(Word word);

private:
    // Adds the positions of every word that starts in [from, to) to words.
    void Scan(qsizetype from, qsizetype to, std::vector<int> (&words)[WordCount]) const;

    QString m_text;
    WordIndex m_words[WordCount];
};

#endif // TAVIX_CORE_SORTING_LOG_SEARCH_TEXT_H
