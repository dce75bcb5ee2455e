// Where the lines of a text start: the text view's index, kept beside the
// text it describes (it holds no copy of it). A line ends at an LF or at the
// end of the text; the LF belongs to no line, so n LFs give n + 1 lines and
// an empty text one empty line.
//
// Each line start takes 4 bytes (its low 32 bits; the few lines where the
// high bits step up are listed apart), so with the room a growing index
// keeps, the index never takes more than 8 bytes a line. An append costs
// the appended characters; any other change rebuilds the index.
//
// Building or extending may throw std::bad_alloc; the index is then as it
// was before the call.
#ifndef TAVIX_GUI_WIDGETS_TEXT_LINE_INDEX_H
#define TAVIX_GUI_WIDGETS_TEXT_LINE_INDEX_H

#include <QStringView>

#include <vector>

class TextLineIndex
{
public:
    // The index of an empty text.
    TextLineIndex() { Clear(); }

    // Indexes text afresh.
    void Rebuild(QStringView text);
    // Indexes what text holds beyond Length(): text must begin with the
    // indexed text (it grew by an append).
    void Extend(QStringView text);
    // Makes room for the lines of characters more characters, so that an
    // Extend by at most that many allocates nothing.
    void Reserve(qsizetype characters);
    // An empty text.
    void Clear();

    // The indexed length: the text's length when it was last indexed.
    qsizetype Length() const { return m_length; }
    qsizetype LineCount() const { return qsizetype(m_low.size()); }
    // First character of line (0 <= line < LineCount()).
    qsizetype LineStart(qsizetype line) const;
    // Just past the last character of line: the position of its LF, or the
    // length for the last line.
    qsizetype LineEnd(qsizetype line) const;
    qsizetype LineLength(qsizetype line) const { return LineEnd(line) - LineStart(line); }
    // The line that holds position (0 <= position <= Length()); an LF
    // counts to the line it ends.
    qsizetype LineAt(qsizetype position) const;
    // The line with the most characters (the first of several); its length.
    qsizetype LongestLine() const;
    qsizetype LongestLineLength() const { return LineLength(LongestLine()); }

    // Bytes the index holds, room for growth included.
    qsizetype MemoryBytes() const;

private:
    // Appends the starts of the lines that the LFs in text[from, to) open.
    void Scan(QStringView text, qsizetype from, qsizetype to);
    void Push(qsizetype start);

    // Low 32 bits of every line start (line 0 starts at 0).
    std::vector<quint32> m_low;
    // The first line of each 4 Gi-character stretch after the first: the
    // high bits of a line's start are the number of these at or below it.
    std::vector<qsizetype> m_stretchStarts;
    qsizetype m_length = 0;
    // The longest line among all but the last (the last may still grow).
    qsizetype m_longestClosed = -1;
    qsizetype m_longestClosedLength = -1;
};

#endif
