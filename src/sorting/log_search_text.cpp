#include "sorting/log_search_text.h"

#include <algorithm>

qsizetype FindWordAnchored(QStringView text, QStringView word, qsizetype from, qsizetype anchor)
{
    const qsizetype n = word.size();
    const QChar a = word[anchor];
    qsizetype pos = from + anchor;
    while (pos < text.size()) {
        const qsizetype i = text.indexOf(a, pos);
        if (i < 0)
            return -1;
        const qsizetype s = i - anchor;
        if (s + n <= text.size() && text.sliced(s, n) == word)
            return s;
        pos = i + 1;
    }
    return -1;
}

qsizetype FindRun(QStringView text, QChar c, qsizetype count, qsizetype from)
{
    qsizetype pos = from;
    while (pos < text.size()) {
        const qsizetype i = text.indexOf(c, pos);
        if (i < 0)
            return -1;
        qsizetype j = i + 1;
        while (j < text.size() && j - i < count && text[j] == c)
            ++j;
        if (j - i >= count)
            return i;
        pos = j; // no run long enough starts inside this short one
    }
    return -1;
}

WordIndex::WordIndex(QStringView text, QStringView word, qsizetype anchor)
    : m_text(text), m_word(word), m_anchor(anchor)
{
}

WordIndex WordIndex::Run(QStringView text, QChar c, qsizetype count)
{
    WordIndex index;
    index.m_text = text;
    index.m_runLength = count;
    index.m_runChar = c;
    return index;
}

qsizetype WordIndex::FindFrom(qsizetype from) const
{
    if (m_runLength > 0)
        return FindRun(m_text, m_runChar, m_runLength, from);
    return FindWordAnchored(m_text, m_word, from, m_anchor);
}

void WordIndex::ScanOne() const
{
    const qsizetype r = m_scanned <= m_text.size() ? FindFrom(m_scanned) : -1;
    if (r < 0) {
        m_complete = true;
        m_scanned = m_text.size() + 1;
        return;
    }
    m_found.push_back(int(r));
    m_scanned = r + 1;
}

int WordIndex::Next(int from) const
{
    if (from < 0 || from > m_text.size())
        return -1;
    while (!m_complete && (m_found.empty() || m_found.back() < from))
        ScanOne();

    const qsizetype n = qsizetype(m_found.size());
    if (n == 0 || m_found.back() < from)
        return -1;
    const qsizetype h = std::min(m_hint, n - 1);
    if (m_found[h] >= from && (h == 0 || m_found[h - 1] < from))
        return m_found[h];

    // Gallop from the last answer, forward or backward, so that asks close
    // to each other cost little however many occurrences are known.
    qsizetype lo = 0;
    qsizetype hi = n;
    if (m_found[h] < from) {
        qsizetype step = 1;
        lo = h + 1;
        while (h + step < n && m_found[h + step] < from) {
            lo = h + step + 1;
            step *= 2;
        }
        hi = std::min(h + step + 1, n);
    } else {
        qsizetype step = 1;
        hi = h + 1;
        while (h - step >= 0 && m_found[h - step] >= from) {
            hi = h - step + 1;
            step *= 2;
        }
        lo = std::max<qsizetype>(h - step, 0);
    }
    const auto it = std::lower_bound(m_found.cbegin() + lo, m_found.cbegin() + hi, from);
    m_hint = qsizetype(it - m_found.cbegin());
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

LogSearchText::LogSearchText(const QString &text)
    : m_text(text)
{
    const QStringView view(m_text);
    // The anchor of each word is a character of it that is rare in captures.
    m_words.reserve(WordCount);
    m_words.emplace_back(view, WordText(FileMarker), 0);
    m_words.emplace_back(view, WordText(Brand), 4);
    m_words.emplace_back(view, WordText(LineBreak), 0);
    m_words.emplace_back(view, WordText(EmptyLine), 0);
    m_words.emplace_back(view, WordText(UnitSec), 2);
    m_words.emplace_back(view, WordText(UnitSek), 2);
    m_words.emplace_back(view, WordText(UnitTim), 2);
    m_words.emplace_back(view, WordText(UnitHours), 0);
    m_words.emplace_back(view, WordText(LogMarker), 0);
    const QStringView rule = WordText(RuleLine);
    m_words.push_back(WordIndex::Run(view, rule[0], rule.size()));
}

int LogSearchText::Find(Word word, int from) const
{
    if (word == LineBreak && from >= 0 && from <= m_text.size()) {
        // Lines are short: look in the next characters first. The index then
        // only covers what lies beyond, so a long line is still scanned once
        // however often it is asked about.
        constexpr qsizetype kNear = 256;
        const QChar *d = m_text.constData();
        const qsizetype last = m_text.size() - 1; // a line break starts before it
        const qsizetype limit = std::min<qsizetype>(last, from + kNear);
        for (qsizetype i = from; i < limit; ++i) {
            if (d[i] == u'\r' && d[i + 1] == u'\n')
                return int(i);
        }
        if (limit >= last)
            return -1;
        from = int(limit);
    }
    return m_words[word].Next(from);
}

int LogSearchText::FindBlank(int from) const
{
    if (from < 0 || from > m_text.size())
        return -1;
    return int(QStringView(m_text).indexOf(QLatin1Char(' '), from));
}

int LogSearchText::LastLineBreak() const
{
    if (m_lastLineBreak == -2)
        m_lastLineBreak = int(QStringView(m_text).lastIndexOf(u"\r\n"));
    return m_lastLineBreak;
}

QStringView LogSearchText::Mid(int from, int to) const
{
    const qsizetype a = std::max<qsizetype>(from, 0);
    const qsizetype b = std::min<qsizetype>(to, m_text.size());
    if (b <= a)
        return {};
    return QStringView(m_text).sliced(a, b - a);
}
