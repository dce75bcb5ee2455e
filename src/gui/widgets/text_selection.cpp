#include "gui/widgets/text_selection.h"

#include <algorithm>

namespace {

constexpr qsizetype kWordReach = 65536;

enum class CharClass { Word, Space, Other, LineEnd };

CharClass ClassOf(QChar c)
{
    if (c == u'\n')
        return CharClass::LineEnd;
    if (c.isLetterOrNumber() || c.isMark() || c == u'_' || c.isSurrogate())
        return CharClass::Word;
    if (c.isSpace())
        return CharClass::Space;
    return CharClass::Other;
}

// Steps back over the CRs before position, not past lineStart (nor past
// an LF, which is no CR).
qsizetype BeforeCrs(QStringView text, qsizetype lineStart, qsizetype position)
{
    while (position > lineStart && text[position - 1] == u'\r')
        --position;
    return position;
}

} // namespace

void TextSelection::Clamp(qsizetype length)
{
    anchor = std::clamp<qsizetype>(anchor, 0, length);
    caret = std::clamp<qsizetype>(caret, 0, length);
}

qsizetype NextCaretPosition(QStringView text, qsizetype position)
{
    const qsizetype n = text.size();
    while (position < n && text[position] == u'\r')
        ++position;
    if (position >= n)
        return n;
    if (text[position] == u'\n')
        return position + 1;
    if (text[position].isHighSurrogate() && position + 1 < n && text[position + 1].isLowSurrogate())
        return position + 2;
    return BeforeCrs(text, 0, position + 1);
}

qsizetype PreviousCaretPosition(QStringView text, qsizetype position)
{
    position = BeforeCrs(text, 0, position);
    if (position <= 0)
        return 0;
    if (text[position - 1] == u'\n')
        return BeforeCrs(text, 0, position - 1);
    --position;
    if (position > 0 && text[position].isLowSurrogate() && text[position - 1].isHighSurrogate())
        --position;
    return BeforeCrs(text, 0, position);
}

qsizetype NextWordPosition(QStringView text, qsizetype position)
{
    const qsizetype n = text.size();
    qsizetype i = position;
    while (i < n && text[i] == u'\r')
        ++i;
    if (i >= n)
        return n;
    if (text[i] == u'\n')
        return i + 1;
    // Over the rest of this word (or run of other characters), then the
    // white space after it; an LF stops both.
    const CharClass start = ClassOf(text[i]);
    if (start != CharClass::Space) {
        while (i < n && (text[i] == u'\r' || ClassOf(text[i]) == start))
            ++i;
    }
    while (i < n && (text[i] == u'\r' || ClassOf(text[i]) == CharClass::Space))
        ++i;
    return BeforeCrs(text, 0, i);
}

qsizetype PreviousWordPosition(QStringView text, qsizetype position)
{
    qsizetype i = BeforeCrs(text, 0, position);
    if (i <= 0)
        return 0;
    if (text[i - 1] == u'\n')
        return BeforeCrs(text, 0, i - 1);
    while (i > 0 && (text[i - 1] == u'\r' || ClassOf(text[i - 1]) == CharClass::Space))
        --i;
    if (i == 0 || text[i - 1] == u'\n')
        return i;
    const CharClass word = ClassOf(text[i - 1]);
    while (i > 0 && (text[i - 1] == u'\r' || ClassOf(text[i - 1]) == word))
        --i;
    return i;
}

qsizetype ShownLineEnd(QStringView text, qsizetype lineStart, qsizetype lineEnd)
{
    return BeforeCrs(text, lineStart, lineEnd);
}

QPair<qsizetype, qsizetype> WordAround(QStringView text, qsizetype lineStart, qsizetype lineEnd, qsizetype position)
{
    qsizetype at = position;
    while (at < lineEnd && text[at] == u'\r')
        ++at;
    if (at >= lineEnd) {
        at = ShownLineEnd(text, lineStart, lineEnd);
        if (at == lineStart)
            return {lineStart, lineStart};
        at = PreviousCaretPosition(text, at);
    }
    const CharClass kind = ClassOf(text[at]);
    if (kind == CharClass::Other) {
        const qsizetype end = NextCaretPosition(text, at);
        return {at, qMin(end, lineEnd)};
    }
    const qsizetype low = qMax(lineStart, at - kWordReach);
    const qsizetype high = qMin(lineEnd, at + kWordReach);
    qsizetype from = at;
    while (from > low && (text[from - 1] == u'\r' || ClassOf(text[from - 1]) == kind))
        --from;
    while (from < at && text[from] == u'\r')
        ++from;
    qsizetype to = at;
    while (to < high && (text[to] == u'\r' || ClassOf(text[to]) == kind))
        ++to;
    return {from, BeforeCrs(text, from, to)};
}
