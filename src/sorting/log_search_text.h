// The text a log parse works on, with a remembering search for each fixed
// word the parse looks for.
#ifndef TAVIX_SORTING_LOG_SEARCH_TEXT_H
#define TAVIX_SORTING_LOG_SEARCH_TEXT_H

#include <QString>
#include <QStringView>

#include <vector>

// First occurrence of one word at or after a position, remembered.
//
// The index scans the text forward once and keeps every occurrence it has
// passed, so asking again for any position it has already scanned (forward
// or backward) costs a search from the last answer, galloping, or nothing
// when the asks go forward in small steps. Over a whole parse each word's
// text is scanned at most once, however many files ask. Overlapping
// occurrences are all found.
class WordIndex
{
public:
    // Occurrences of word in text; the character at anchor (an index into
    // word, best one that is rare in the text) is looked for first.
    WordIndex(QStringView text, QStringView word, qsizetype anchor = 0);

    // Occurrences of a run of count copies of c (a rule line, say).
    static WordIndex Run(QStringView text, QChar c, qsizetype count);

    // First occurrence at or after from; -1 when there is none, when from is
    // below 0 or when it lies beyond the end of the text.
    int Next(int from) const;

private:
    WordIndex() = default;
    qsizetype FindFrom(qsizetype from) const;
    void ScanOne() const;

    QStringView m_text;
    QStringView m_word;
    qsizetype m_anchor = 0;
    qsizetype m_runLength = 0;        // > 0: a run of m_runChar, not a word
    QChar m_runChar;
    mutable std::vector<int> m_found; // every occurrence starting before m_scanned, ascending
    mutable qsizetype m_scanned = 0;  // scan position; all earlier occurrences are in m_found
    mutable bool m_complete = false;  // the whole text has been scanned
    mutable qsizetype m_hint = 0;     // index in m_found of the last answer
};

// First occurrence of word at or after from: the character at anchor is
// looked for with Qt's vectorised character search, then the whole word is
// compared.
qsizetype FindWordAnchored(QStringView text, QStringView word, qsizetype from, qsizetype anchor);

// First run of at least count copies of c that starts at or after from.
qsizetype FindRun(QStringView text, QChar c, qsizetype count, qsizetype from);

// The parse text: the input with its terminator, and the word indexes.
// The text is held by value (implicitly shared), so the indexes stay valid
// for the lifetime of the object.
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
    LogSearchText(const LogSearchText &) = delete;
    LogSearchText &operator=(const LogSearchText &) = delete;

    QStringView View() const { return m_text; }
    int Size() const { return int(m_text.size()); }

    // First occurrence of the word at or after from (-1: none, or from out of
    // range). A line break is first looked for directly in the next few
    // hundred characters, where it nearly always is, and only then in its
    // index.
    int Find(Word word, int from) const;
    // First blank at or after from (-1: none, or from out of range).
    int FindBlank(int from) const;
    // Position of the last line break of the text, -1 if it has none.
    int LastLineBreak() const;

    // The characters from a up to, not including, b: empty when b <= a;
    // a below 0 counts from 0 and b beyond the end counts to the end.
    QStringView Mid(int from, int to) const;

    static QStringView WordText(Word word);

private:
    QString m_text;
    std::vector<WordIndex> m_words;
    mutable int m_lastLineBreak = -2; // -2: not yet looked up
};

#endif // TAVIX_SORTING_LOG_SEARCH_TEXT_H
