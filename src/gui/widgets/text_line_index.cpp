#include "gui/widgets/text_line_index.h"

#include <algorithm>

namespace {
constexpr int kStretchBits = 32;
}

void TextLineIndex::Clear()
{
    m_low.assign(1, 0);
    m_stretchStarts.clear();
    m_length = 0;
    m_longestClosed = -1;
    m_longestClosedLength = -1;
}

void TextLineIndex::Push(qsizetype start)
{
    const qsizetype previous = LineStart(LineCount() - 1);
    // The line that this start closes: it ends at the LF before start.
    if (start - 1 - previous > m_longestClosedLength) {
        m_longestClosedLength = start - 1 - previous;
        m_longestClosed = LineCount() - 1;
    }
    while ((start >> kStretchBits) > qsizetype(m_stretchStarts.size()))
        m_stretchStarts.push_back(LineCount());
    m_low.push_back(quint32(start));
}

void TextLineIndex::Scan(QStringView text, qsizetype from, qsizetype to)
{
    const QStringView part = text.first(to);
    for (qsizetype lf = part.indexOf(u'\n', from); lf >= 0; lf = part.indexOf(u'\n', lf + 1))
        Push(lf + 1);
    m_length = to;
}

void TextLineIndex::Rebuild(QStringView text)
{
    // Built apart and swapped in, so a failure leaves this index whole. The
    // guess of one line in 32 characters is what captures hold; the vector
    // grows past it as needed.
    TextLineIndex fresh;
    fresh.m_low.reserve(size_t(text.size() / 32 + 16));
    fresh.Clear();
    fresh.Scan(text, 0, text.size());
    // A text of far longer lines gives the room back (a copy of few starts).
    if (fresh.m_low.size() < fresh.m_low.capacity() / 2)
        fresh.m_low.shrink_to_fit();
    *this = std::move(fresh);
}

void TextLineIndex::Extend(QStringView text)
{
    const size_t lines = m_low.size();
    const size_t stretches = m_stretchStarts.size();
    const qsizetype longest = m_longestClosed;
    const qsizetype longestLength = m_longestClosedLength;
    // The line that was last may end now: its LF is among the new characters.
    try {
        Scan(text, m_length, text.size());
    } catch (...) {
        m_low.resize(lines);
        m_stretchStarts.resize(stretches);
        m_longestClosed = longest;
        m_longestClosedLength = longestLength;
        throw;
    }
}

void TextLineIndex::Reserve(qsizetype characters)
{
    // Every new character could open a line; the room grows by half at
    // least, so that reserving before each append stays linear.
    const size_t need = m_low.size() + size_t(characters);
    if (m_low.capacity() < need)
        m_low.reserve(std::max(need, m_low.size() + m_low.size() / 2));
    if (m_stretchStarts.capacity() < m_stretchStarts.size() + 1)
        m_stretchStarts.reserve(m_stretchStarts.size() + 4);
}

qsizetype TextLineIndex::LineStart(qsizetype line) const
{
    qsizetype high = 0;
    if (!m_stretchStarts.empty())
        high = std::upper_bound(m_stretchStarts.begin(), m_stretchStarts.end(), line) - m_stretchStarts.begin();
    return (high << kStretchBits) | qsizetype(m_low[size_t(line)]);
}

qsizetype TextLineIndex::LineEnd(qsizetype line) const
{
    return line + 1 < LineCount() ? LineStart(line + 1) - 1 : m_length;
}

qsizetype TextLineIndex::LineAt(qsizetype position) const
{
    if (m_stretchStarts.empty())
        return std::upper_bound(m_low.begin(), m_low.end(), quint32(position)) - m_low.begin() - 1;
    // Texts beyond 4 Gi characters: a search over whole starts.
    qsizetype low = 0, high = LineCount() - 1;
    while (low < high) {
        const qsizetype middle = low + (high - low + 1) / 2;
        if (LineStart(middle) <= position)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

qsizetype TextLineIndex::LongestLine() const
{
    const qsizetype last = LineCount() - 1;
    return LineLength(last) > m_longestClosedLength ? last : m_longestClosed;
}

qsizetype TextLineIndex::MemoryBytes() const
{
    return qsizetype(m_low.capacity() * sizeof(quint32) + m_stretchStarts.capacity() * sizeof(qsizetype));
}
