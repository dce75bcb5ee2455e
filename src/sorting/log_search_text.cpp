#include "sorting/log_search_text.h"

#include <algorithm>

WordIndex::WordIndex(QStringView text, QStringView word)
    : m_text(text), m_word(word)
{
}

void WordIndex::ScanOne() const
{
    const qsizetype r = m_text.indexOf(m_word, m_scanned);
    if (r < 0) {
        m_complete = true;
        m_scanned = m_text.size() + 1;
        return;
    }
    m_found.append(int(r));
    m_scanned = r + 1;
}

int WordIndex::Next(int from) const
{
    if (from < 0 || from > m_text.size())
        return -1;
    while (!m_complete && (m_found.isEmpty() || m_found.last() < from))
        ScanOne();

    // Asks mostly move forward a little: try the last answer and the one after it.
    const qsizetype n = m_found.size();
    for (qsizetype h = m_hint; h < n && h <= m_hint + 1; ++h) {
        if (m_found[h] >= from && (h == 0 || m_found[h - 1] < from)) {
            m_hint = h;
            return m_found[h];
        }
    }
    const auto it = std::lower_bound(m_found.cbegin(), m_found.cend(), from);
    if (it == m_found.cend())
        return -1;
    m_hint = it - m_found.cbegin();
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
    m_words.reserve(WordCount);
    for (int w = 0; w < WordCount; ++w)
        m_words.append(WordIndex(m_text, WordText(Word(w))));
}

int LogSearchText::Find(Word word, int from) const
{
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
