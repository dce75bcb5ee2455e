// The selection of the text view and the caret moves that need no
// geometry. Positions are places between two characters of the text as it is
// held (0 to its length). A CR is not shown, so the places before and after
// it look alike; the caret stops before it (after the character shown before
// it), and a line's end is before the CRs that precede its LF. A surrogate
// pair is never split. An LF ends a line; moving over it moves to the next
// line's start.
#ifndef TAVIX_GUI_WIDGETS_TEXT_SELECTION_H
#define TAVIX_GUI_WIDGETS_TEXT_SELECTION_H

#include <QPair>
#include <QStringView>

struct TextSelection
{
    // Where the selection started (the mouse press, the caret before Shift
    // was held) and where it ends (the caret).
    qsizetype anchor = 0;
    qsizetype caret = 0;

    qsizetype From() const { return qMin(anchor, caret); }
    qsizetype To() const { return qMax(anchor, caret); }
    bool IsEmpty() const { return anchor == caret; }
    // Both ends within [0, length].
    void Clamp(qsizetype length);
};

// The place one character shown further on (the start of the next line
// from a line's end), or text.size() at the end.
qsizetype NextCaretPosition(QStringView text, qsizetype position);
// The place one character shown back (the end of the previous line from a
// line's start), or 0 at the start.
qsizetype PreviousCaretPosition(QStringView text, qsizetype position);
// The start of the next word (Ctrl+Right) and of this or the previous word
// (Ctrl+Left); a line end counts as a word boundary.
qsizetype NextWordPosition(QStringView text, qsizetype position);
qsizetype PreviousWordPosition(QStringView text, qsizetype position);
// The place before the CRs that end [lineStart, lineEnd).
qsizetype ShownLineEnd(QStringView text, qsizetype lineStart, qsizetype lineEnd);
// What a double click at the character after position selects, within its
// line [lineStart, lineEnd): the word (letters, digits, marks and '_'), the
// run of white space, or the one other character there. At the line's end,
// the character before. Looks at most 65,536 characters either way.
QPair<qsizetype, qsizetype> WordAround(QStringView text, qsizetype lineStart, qsizetype lineEnd,
                                       qsizetype position);

#endif
