#include "gui/widgets/text_line_layout.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPalette>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// Laid-out blocks kept: a block costs 1, and 1 more for every 64
// characters of it set by a text layout (the plain ones need none).
constexpr int kBlockCacheCost = 2048;
constexpr int kPrefixCacheLines = 16;

bool IsPlainCharacter(char16_t u)
{
    return (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF && u != 0xAD);
}

// A one-line text layout of text, as the edit control sets a line.
std::unique_ptr<QTextLayout> SetLine(const QString &text, const QFont &font)
{
    auto layout = std::make_unique<QTextLayout>(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    line.setLineWidth(1e9);
    line.setPosition(QPointF(0, 0));
    layout->endLayout();
    return layout;
}

qsizetype DisplayIndex(QStringView text, qsizetype from, qsizetype position)
{
    return position - from - QStringView(text).sliced(from, position - from).count(u'\r');
}

// The position after the k-th character shown from `from` on (from itself
// for k = 0): a position before any CR that follows, never between the
// halves of a surrogate pair (the layout gives none there).
qsizetype PositionOfDisplayIndex(QStringView text, qsizetype from, qsizetype to, qsizetype k)
{
    if (k <= 0)
        return from;
    for (qsizetype i = from; i < to; ++i) {
        if (text[i] != u'\r' && --k == 0)
            return i + 1;
    }
    return to;
}

} // namespace

struct TextLineLayout::Run
{
    qsizetype from = 0;
    qsizetype to = 0;
    qreal x = 0;
    qreal advance = 0;
    qreal natural = 0;
    qreal ascent = 0;
    bool tab = false;
    // Plain characters, drawn glyph by glyph at the plain width; a layout
    // is made for one only to draw a selection in it.
    bool plain = false;
    std::unique_ptr<QTextLayout> layout;
};

struct TextLineLayout::Block
{
    qsizetype from = 0;
    qsizetype to = 0;
    qreal x0 = 0;
    qreal endX = 0;
    qreal naturalEnd = 0;
    // The highest ascent and descent of its text, 0 without text.
    qreal ascent = 0;
    qreal descent = 0;
    std::vector<Run> runs;
};

struct TextLineLayout::Prefix
{
    // Where each block starts, as far as known; block 0 at 0.
    std::vector<qreal> blockX{0.0};
};

TextLineLayout::TextLineLayout()
    : m_blocks(kBlockCacheCost), m_prefixes(kPrefixCacheLines)
{
    SetFont(QFont());
}

TextLineLayout::~TextLineLayout() = default;

QString TextLineLayout::DisplayForm(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    QChar *o = out.data();
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\r':
            continue;
        case 0:
            *o++ = QChar(0x2400);
            break;
        case 0x2028:
        case 0x2029:
            *o++ = QLatin1Char(' ');
            break;
        default:
            *o++ = c;
        }
    }
    out.truncate(o - out.constData());
    return out;
}

void TextLineLayout::SetFont(const QFont &font)
{
    m_font = font;
    const QFontMetricsF metrics(font);
    m_fontMetrics.height = qMax(1, int(std::ceil(metrics.ascent() + metrics.descent())));
    m_fontMetrics.ascent = metrics.ascent();
    m_fontDescent = metrics.descent();
    // The average width of the letters, as the platform's edit control
    // takes it for its dialog units: a fixed-pitch font's character width.
    const qreal average = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))
                          / 52.0;
    m_tabDistance = qMax(1.0, std::round(8 * average * 64) / 64);
    FindPlainGlyphs();
    Invalidate();
}

void TextLineLayout::FindPlainGlyphs()
{
    // The plain characters are drawn straight from the font's glyphs only
    // when a text layout sets them so: one glyph each, from one font, all of
    // one width, nothing between them (no kerning, no ligature).
    m_plainWidth = 0;
    QString sample;
    for (char16_t c = 0x20; c <= 0xFF; ++c) {
        if (IsPlainCharacter(c))
            sample.append(QChar(c));
    }
    const auto layout = SetLine(sample, m_font);
    const QList<QGlyphRun> runs = layout->glyphRuns();
    if (runs.size() != 1 || runs[0].glyphIndexes().size() != sample.size())
        return;
    const QList<QPointF> positions = runs[0].positions();
    const qreal width = layout->lineAt(0).horizontalAdvance() / qreal(sample.size());
    for (qsizetype k = 0; k < positions.size(); ++k) {
        if (positions[k].x() != qreal(k) * width || positions[k].y() != positions[0].y())
            return;
    }
    m_plainFont = runs[0].rawFont();
    for (qsizetype k = 0; k < sample.size(); ++k) {
        const char16_t c = sample[k].unicode();
        m_plainGlyph[c] = runs[0].glyphIndexes()[k];
        // How far the glyph reaches past its advance, as a layout ending
        // with it counts it in the line's natural width.
        m_plainOverhang[c] = SetLine(QString(QChar(c)), m_font)->lineAt(0).naturalTextWidth() - width;
    }
    m_plainWidth = width;
}

void TextLineLayout::Invalidate()
{
    m_blocks.clear();
    m_prefixes.clear();
}

qreal TextLineLayout::NextTabStop(qreal x) const
{
    return (std::floor(x / m_tabDistance) + 1) * m_tabDistance;
}

qsizetype TextLineLayout::PlainCount(QStringView characters) const
{
    if (m_plainWidth <= 0)
        return -1;
    bool plain = true;
    qsizetype crs = 0;
    for (QChar c : characters) {
        const char16_t u = c.unicode();
        crs += u == u'\r';
        plain &= IsPlainCharacter(u) || u == u'\r';
    }
    return plain ? characters.size() - crs : -1;
}

qsizetype TextLineLayout::BlockCount(const Line &line) const
{
    return qMax<qsizetype>(1, (line.end - line.start + kBlockCharacters - 1) / kBlockCharacters);
}

qsizetype TextLineLayout::BlockStart(const Line &line, qsizetype block) const
{
    qsizetype position = line.start + block * kBlockCharacters;
    // A surrogate pair stays in one block.
    if (block > 0 && position < line.end && line.text[position - 1].isHighSurrogate())
        ++position;
    return qMin(position, line.end);
}

qreal TextLineLayout::BlockX(const Line &line, qsizetype block)
{
    if (block == 0)
        return 0;
    Prefix *prefix = m_prefixes.object(line.start);
    if (!prefix) {
        prefix = new Prefix;
        m_prefixes.insert(line.start, prefix);
    }
    // The blocks before the last one are whole, so what is known stays
    // right while the line grows.
    while (qsizetype(prefix->blockX.size()) <= block) {
        const qsizetype known = qsizetype(prefix->blockX.size()) - 1;
        const qreal x = BlockEndX(line, known, prefix->blockX.back());
        prefix->blockX.push_back(x);
    }
    return prefix->blockX[size_t(block)];
}

qreal TextLineLayout::BlockEndX(const Line &line, qsizetype block, qreal x0)
{
    const qsizetype from = BlockStart(line, block);
    const qsizetype to = block + 1 < BlockCount(line) ? BlockStart(line, block + 1) : line.end;
    if (const qsizetype shown = PlainCount(line.text.sliced(from, to - from)); shown >= 0)
        return x0 + qreal(shown) * m_plainWidth;
    return LaidOut(line, block).endX;
}

qsizetype TextLineLayout::BlockAtX(const Line &line, qreal x)
{
    const qsizetype count = BlockCount(line);
    if (count == 1)
        return 0;
    // The starts are found as far as x, then searched.
    qsizetype known = 1;
    while (known < count && BlockX(line, known) <= x)
        known = qMin(count, known * 2);
    const Prefix *prefix = m_prefixes.object(line.start);
    const auto end = prefix->blockX.begin() + qMin<qsizetype>(known, qsizetype(prefix->blockX.size()));
    // Left of the line's start (in the margin), the first block.
    return qMax<qsizetype>(0, std::upper_bound(prefix->blockX.begin(), end, x) - prefix->blockX.begin() - 1);
}

TextLineLayout::Block &TextLineLayout::LaidOut(const Line &line, qsizetype block)
{
    const qsizetype from = BlockStart(line, block);
    const qsizetype to = block + 1 < BlockCount(line) ? BlockStart(line, block + 1) : line.end;
    const QPair<qsizetype, qsizetype> key(from, to);
    if (Block *known = m_blocks.object(key))
        return *known;

    auto laid = std::make_unique<Block>();
    laid->from = from;
    laid->to = to;
    laid->x0 = BlockX(line, block);
    qreal x = laid->x0;
    laid->naturalEnd = x;
    for (qsizetype i = from; i < to;) {
        Run run;
        run.from = i;
        run.x = x;
        if (line.text[i] == u'\t') {
            run.to = i + 1;
            run.tab = true;
            run.advance = NextTabStop(x) - x;
            run.natural = run.advance;
        } else {
            qsizetype j = line.text.sliced(0, to).indexOf(u'\t', i);
            run.to = j < 0 ? to : j;
            const QStringView characters = line.text.sliced(i, run.to - i);
            if (const qsizetype shown = PlainCount(characters); shown >= 0) {
                run.plain = true;
                run.advance = qreal(shown) * m_plainWidth;
                qsizetype last = characters.size() - 1;
                while (last >= 0 && characters[last] == u'\r')
                    --last;
                run.natural = last < 0 ? 0 : run.advance + m_plainOverhang[characters[last].unicode()];
                run.ascent = m_fontMetrics.ascent;
                laid->ascent = qMax(laid->ascent, m_fontMetrics.ascent);
                laid->descent = qMax(laid->descent, m_fontDescent);
            } else if (const QString shown = DisplayForm(characters); !shown.isEmpty()) {
                run.layout = SetLine(shown, m_font);
                const QTextLine textLine = run.layout->lineAt(0);
                run.advance = textLine.horizontalAdvance();
                run.natural = textLine.naturalTextWidth();
                run.ascent = textLine.ascent();
                laid->ascent = qMax(laid->ascent, textLine.ascent());
                laid->descent = qMax(laid->descent, textLine.descent());
            }
        }
        x += run.advance;
        laid->naturalEnd = run.x + run.natural;
        i = run.to;
        laid->runs.push_back(std::move(run));
    }
    laid->endX = x;
    Block *result = laid.get();
    int cost = 1;
    for (const Run &run : laid->runs)
        cost += run.layout ? int((run.to - run.from) / 64 + 1) : 0;
    m_blocks.insert(key, laid.release(), cost);
    return *result;
}

TextLineLayout::Metrics TextLineLayout::LineMetrics(const Line &line)
{
    if (BlockCount(line) > 1)
        return m_fontMetrics;
    // Plain characters and tabs are set in the font alone: such a line has
    // the font's metrics, found without laying it out (the scroll bars ask
    // for the lines at the end after every append).
    if (m_plainWidth > 0) {
        bool plain = true;
        for (QChar c : line.text.sliced(line.start, line.end - line.start)) {
            const char16_t u = c.unicode();
            plain &= IsPlainCharacter(u) || u == u'\r' || u == u'\t';
        }
        if (plain)
            return m_fontMetrics;
    }
    const Block &laid = LaidOut(line, 0);
    if (laid.ascent <= 0)
        return m_fontMetrics;
    return {qMax(1, int(std::ceil(laid.ascent + laid.descent))), laid.ascent};
}

qreal TextLineLayout::XOf(const Line &line, qsizetype position)
{
    const qsizetype count = BlockCount(line);
    qsizetype block = qMin((position - line.start) / kBlockCharacters, count - 1);
    while (block + 1 < count && BlockStart(line, block + 1) <= position)
        ++block;
    while (block > 0 && BlockStart(line, block) > position)
        --block;
    const Block &laid = LaidOut(line, block);
    for (const Run &run : laid.runs) {
        if (position >= run.to)
            continue;
        if (run.plain)
            return run.x + qreal(DisplayIndex(line.text, run.from, position)) * m_plainWidth;
        if (run.tab || !run.layout)
            return run.x;
        const int shown = int(DisplayIndex(line.text, run.from, position));
        return run.x + run.layout->lineAt(0).cursorToX(shown);
    }
    return laid.endX;
}

qsizetype TextLineLayout::PositionAt(const Line &line, qreal x, bool onCharacter)
{
    if (x <= 0)
        return line.start;
    const Block &laid = LaidOut(line, BlockAtX(line, x));
    for (const Run &run : laid.runs) {
        if (x >= run.x + run.advance)
            continue;
        if (run.tab)
            return x < run.x + run.advance / 2 || onCharacter ? run.from : run.to;
        if (run.plain) {
            const qreal cells = (x - run.x) / m_plainWidth;
            return PositionOfDisplayIndex(line.text, run.from, run.to,
                                          qsizetype(onCharacter ? std::floor(cells) : std::round(cells)));
        }
        if (!run.layout)
            return run.from;
        const int shown = run.layout->lineAt(0).xToCursor(
            x - run.x, onCharacter ? QTextLine::CursorOnCharacter : QTextLine::CursorBetweenCharacters);
        return PositionOfDisplayIndex(line.text, run.from, run.to, shown);
    }
    if (laid.to < line.end)
        return laid.to;
    // Past the end: after the last character shown.
    qsizetype end = line.end;
    while (end > line.start && line.text[end - 1] == u'\r')
        --end;
    return end;
}

void TextLineLayout::DrawPlain(QPainter &painter, const Line &line, const Run &run, QPointF baseline, qreal left,
                               qreal right)
{
    // Only the glyphs between left and right (from the run's start), one
    // more either side for what reaches past its cell.
    const qsizetype first = qMax<qsizetype>(0, qsizetype(std::floor(left / m_plainWidth)) - 1);
    const qsizetype last = qsizetype(std::ceil(right / m_plainWidth)) + 1;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    qsizetype k = 0; // characters shown so far (a CR is not)
    for (qsizetype i = run.from; i < run.to && k < last; ++i) {
        const char16_t c = line.text[i].unicode();
        if (c == u'\r')
            continue;
        if (k >= first) {
            glyphs.append(m_plainGlyph[c]);
            positions.append(QPointF(qreal(k) * m_plainWidth, 0));
        }
        ++k;
    }
    QGlyphRun glyphRun;
    glyphRun.setRawFont(m_plainFont);
    glyphRun.setGlyphIndexes(glyphs);
    glyphRun.setPositions(positions);
    painter.drawGlyphRun(baseline, glyphRun);
}

qreal TextLineLayout::Width(const Line &line)
{
    const qsizetype count = BlockCount(line);
    if (count == 1) {
        // A line of plain characters is measured as it would be laid out:
        // its cells and what its last glyph reaches past its cell.
        const QStringView characters = line.text.sliced(line.start, line.end - line.start);
        if (const qsizetype shown = PlainCount(characters); shown >= 0) {
            qsizetype last = characters.size() - 1;
            while (last >= 0 && characters[last] == u'\r')
                --last;
            return last < 0 ? 0 : qreal(shown) * m_plainWidth + m_plainOverhang[characters[last].unicode()];
        }
        return LaidOut(line, 0).naturalEnd;
    }
    const Prefix *prefix = m_prefixes.object(line.start);
    if (prefix && qsizetype(prefix->blockX.size()) == count)
        return LaidOut(line, count - 1).naturalEnd;
    const qreal width = m_plainWidth > 0 ? m_plainWidth : m_tabDistance / 8;
    return qreal(line.end - line.start) * width;
}

void TextLineLayout::Draw(QPainter &painter, const Line &line, QPointF origin, qreal left, qreal right,
                          qsizetype selectionFrom, qsizetype selectionTo, const QPalette &palette)
{
    painter.setPen(palette.color(QPalette::Text));
    const Metrics metrics = LineMetrics(line);
    const qsizetype count = BlockCount(line);
    for (qsizetype block = BlockAtX(line, left); block < count && BlockX(line, block) <= right; ++block) {
        Block &laid = LaidOut(line, block);
        for (Run &run : laid.runs) {
            if (run.x > right)
                break;
            if (run.x + qMax(run.advance, run.natural) < left)
                continue;
            const qsizetype from = qBound(run.from, selectionFrom, run.to);
            const qsizetype to = qBound(run.from, selectionTo, run.to);
            if (run.tab) {
                if (from < to)
                    painter.fillRect(QRectF(origin.x() + run.x, origin.y(), run.advance, metrics.height),
                                     palette.highlight());
                continue;
            }
            if (run.plain && from == to) {
                DrawPlain(painter, line, run, QPointF(origin.x() + run.x, origin.y() + metrics.ascent),
                          left - run.x, right - run.x);
                continue;
            }
            if (run.plain && !run.layout)
                run.layout = SetLine(DisplayForm(line.text.sliced(run.from, run.to - run.from)), m_font);
            if (!run.layout)
                continue;
            QList<QTextLayout::FormatRange> selections;
            if (from < to) {
                // Made only for a selected run: most lines painted have none.
                QTextCharFormat selected;
                selected.setBackground(palette.highlight());
                selected.setForeground(palette.highlightedText());
                const int start = int(DisplayIndex(line.text, run.from, from));
                selections.append({start, int(DisplayIndex(line.text, from, to)), selected});
            }
            // On the line's baseline, whatever the run's own ascent.
            run.layout->draw(&painter, QPointF(origin.x() + run.x, origin.y() + metrics.ascent - run.ascent),
                             selections);
        }
        if (block == count - 1 && line.end < line.text.size() && selectionFrom <= line.end
            && line.end < selectionTo)
            // As a text layout marks a selected line end: a quarter of the
            // line's height wide, after its text.
            painter.fillRect(QRectF(origin.x() + laid.naturalEnd, origin.y(), metrics.height / 4.0, metrics.height),
                             palette.highlight());
    }
}
