// How the text view sets one line of its text: the characters of the line
// as the window shows them (a CR is not shown, U+0000 is shown as the symbol
// U+2400), tab stops every 8 average character widths of the font, no wrap.
// It answers where a position lies (x) and which position lies at an x, and
// draws the part of a line between two x, with a selection.
//
// A line is laid out in blocks of 4096 characters (a line shorter than that
// is one block, laid out whole as one text layout between tabs). For a longer
// line only the blocks in view are laid out; where a block starts is kept per
// line once known. A block of plain characters (printable Latin-1) in a
// fixed-pitch font that gives them all one width takes no layout to measure,
// so any place of a line of hundreds of millions of such characters is found
// at once.
//
// x counts from the start of the line, in pixels. Laid-out blocks are kept
// for reuse; Invalidate forgets them (the text changed other than by an
// append, or the font changed).
#ifndef TAVIX_GUI_WIDGETS_TEXT_LINE_LAYOUT_H
#define TAVIX_GUI_WIDGETS_TEXT_LINE_LAYOUT_H

#include <QCache>
#include <QFont>
#include <QRawFont>
#include <QStringView>

#include <array>
#include <memory>
#include <vector>

class QPainter;
class QPalette;
class QTextLayout;

class TextLineLayout
{
public:
    // A line: [start, end) of text, the whole text the view shows.
    struct Line
    {
        QStringView text;
        qsizetype start = 0;
        qsizetype end = 0;
    };

    // A line of more characters than this is laid out a block at a time.
    static constexpr qsizetype kBlockCharacters = 4096;

    TextLineLayout();
    ~TextLineLayout();

    // How high a line is (its ascent and descent, rounded up) and where its
    // baseline lies below its top.
    struct Metrics
    {
        int height = 1;
        qreal ascent = 0;
    };

    void SetFont(const QFont &font);
    const QFont &Font() const { return m_font; }
    // The metrics of a line in the font alone (a line of plain characters).
    int LineHeight() const { return m_fontMetrics.height; }
    // The metrics of a line: those of the fonts its characters are drawn
    // with (a character the font lacks comes from another font, which may
    // reach higher or lower), as the edit control sets a line. A line
    // longer than a block has the font's.
    Metrics LineMetrics(const Line &line);
    // The distance between tab stops: 8 average widths of the font's
    // letters, rounded to the text layout's 1/64 pixel.
    qreal TabDistance() const { return m_tabDistance; }
    // The width every plain character (printable Latin-1) is set at, when
    // they are drawn glyph by glyph without a layout; 0 when they are not.
    qreal PlainWidth() const { return m_plainWidth; }

    void Invalidate();

    // The x of a position of the line (start <= position <= end).
    qreal XOf(const Line &line, qsizetype position);
    // The position nearest to x: between two characters, never inside a
    // surrogate pair, before rather than after a CR that is not shown. With
    // onCharacter, the position before the character under x instead.
    qsizetype PositionAt(const Line &line, qreal x, bool onCharacter = false);
    // How far the line reaches to the right. Exact for a line of one block
    // and for a longer line whose blocks are all known; otherwise its plain
    // width at the font's character width (an estimate).
    qreal Width(const Line &line);
    // Draws the part of the line between x = left and x = right with its
    // top left corner (x = 0) at origin. Characters in [selectionFrom,
    // selectionTo) are drawn selected; a selected LF is a mark a quarter of
    // the line's height wide after the line, as a text layout draws it.
    void Draw(QPainter &painter, const Line &line, QPointF origin, qreal left, qreal right,
              qsizetype selectionFrom, qsizetype selectionTo, const QPalette &palette);

    // The characters of text as the window shows them: CR left out, U+0000
    // as U+2400, U+2028 and U+2029 as spaces (the view breaks lines at LF only).
    static QString DisplayForm(QStringView text);

private:
    struct Run;
    struct Block;
    struct Prefix;

    qsizetype BlockCount(const Line &line) const;
    qsizetype BlockStart(const Line &line, qsizetype block) const;
    // The x where block starts, from the blocks before it.
    qreal BlockX(const Line &line, qsizetype block);
    // The block that holds x (the last one for an x past the end).
    qsizetype BlockAtX(const Line &line, qreal x);
    Block &LaidOut(const Line &line, qsizetype block);
    // The x just after the block, measured without laying it out when it is plain.
    qreal BlockEndX(const Line &line, qsizetype block, qreal x0);
    // How many characters are shown of characters when all of them are
    // plain or CR (which is not shown), or -1.
    qsizetype PlainCount(QStringView characters) const;
    void FindPlainGlyphs();
    // Draws the plain characters of run whose cells lie between left and
    // right (x from the run's start), with the pen's colour.
    void DrawPlain(QPainter &painter, const Line &line, const Run &run, QPointF baseline, qreal left, qreal right);
    qreal NextTabStop(qreal x) const;

    QFont m_font;
    Metrics m_fontMetrics;
    qreal m_tabDistance = 8;
    qreal m_fontDescent = 0;
    // The one width of every plain character, or 0 when they are not set
    // glyph by glyph at one width; the font, glyph and overhang of each.
    qreal m_plainWidth = 0;
    QRawFont m_plainFont;
    std::array<quint32, 256> m_plainGlyph{};
    std::array<qreal, 256> m_plainOverhang{};
    QCache<QPair<qsizetype, qsizetype>, Block> m_blocks;
    QCache<qsizetype, Prefix> m_prefixes;
};

#endif
