#include "gui/widgets/text_view.h"

#include "gui/widgets/text_view_accessible.h"
#include "gui/widgets/view_scroll_bar.h"

#include <QAccessible>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// Texts of up to this many lines have every line measured when they change,
// so the horizontal scroll bar is exact from the start; larger ones measure
// the line with the most characters and every line they paint.
constexpr qsizetype kMeasureAllLines = 2048;
// The horizontal scroll bar counts pixels up to this width of text.
constexpr qreal kScrollRange = 1e9;

void HoldScrollBar(QScrollBar *bar, bool hold)
{
    static_cast<ViewScrollBar *>(bar)->Hold(hold);
}

} // namespace

TextView::TextView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    InstallTextViewAccessibility();
    setVerticalScrollBar(new ViewScrollBar(Qt::Vertical));
    setHorizontalScrollBar(new ViewScrollBar(Qt::Horizontal));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (QScrollBar *bar : {verticalScrollBar(), horizontalScrollBar()}) {
        // Both bars are always there, so a new range needs no new layout of
        // the area; the scroll area would lay it out again after every
        // range change, and repaint the bars and the frame with it.
        disconnect(bar, SIGNAL(rangeChanged(int,int)), this, SLOT(_q_showOrHideScrollBars()));
        // The bar fills the box that holds it: nothing behind it is painted with it.
        bar->parentWidget()->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    setFocusPolicy(Qt::StrongFocus);
    // The frame's area is filled with the window's colour, as the window
    // behind it shows there: nothing behind the view is painted with it.
    setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(1);
    m_layout.SetFont(font());
    UpdateScrollBars();
}

TextView::~TextView() = default;

// ---- The text ----------------------------------------------------------------

void TextView::Attach(const QString *text)
{
    if (text != m_source) {
        m_source = text;
        m_own = QString();
        m_replaced = true;
    }
    Sync(true);
}

void TextView::ShowText(const QString &text)
{
    if (&text != m_source) {
        m_source = nullptr;
        m_own = text;
    }
    m_replaced = true;
    Sync(true);
}

void TextView::TextReplaced()
{
    m_replaced = true;
    m_appended = 0;
    Sync(true);
}

void TextView::TextAppended(qsizetype characters)
{
    m_appended += characters;
    Sync(true);
}

void TextView::Refresh()
{
    TextReplaced();
}

void TextView::ReserveForAppend(qsizetype characters)
{
    m_index.Reserve(characters);
}

void TextView::ReserveForAppend(QStringView appended)
{
    m_index.Reserve(appended.count(u'\n'));
}

void TextView::PrepareFor(const QString &text)
{
    Pending pending;
    pending.index.Rebuild(text);
    pending.length = text.size();
    m_pending = std::move(pending);
}

void TextView::Sync(bool retry)
{
    const QString &text = Text();
    const qsizetype shown = m_index.Length();
    // A change the view was not told of is taken as a replacement: the view
    // never reads past the text's end, nor takes a change for an append.
    if (!m_replaced && text.size() != shown + m_appended)
        m_replaced = true;
    if (!m_replaced && m_appended == 0)
        return;
    // A text that could not be indexed is tried again when the owner tells
    // of a change or the view is told to show it, not at every paint.
    if (!retry && text.size() == m_failedLength && text.constData() == m_failedData)
        return;
    const bool appended = !m_replaced;
    const qsizetype firstChanged = appended ? m_index.LineCount() - 1 : 0;
    try {
        if (appended)
            m_index.Extend(text);
        else if (m_pending && m_pending->length == text.size())
            m_index = std::move(m_pending->index);
        else
            m_index.Rebuild(text);
        m_pending.reset();
        m_replaced = false;
        m_appended = 0;
    } catch (const std::bad_alloc &) {
        // The text stays as it is; the view shows what it indexed before an
        // append, or nothing after another change, and says so once. The
        // index of nothing takes the room the old one had.
        m_pending.reset();
        if (!appended) {
            m_index.Clear();
            m_layout.Invalidate();
            m_selection = {};
            m_widest = 0;
            UpdateScrollBars();
            viewport()->update();
        }
        m_failedLength = text.size();
        m_failedData = text.constData();
        if (!m_memoryReported) {
            m_memoryReported = true;
            QMetaObject::invokeMethod(this, &TextView::OutOfMemory, Qt::QueuedConnection);
        }
        return;
    }
    m_memoryReported = false;
    m_failedLength = -1;
    const qsizetype lines = m_index.LineCount();
    if (!appended) {
        ++m_rebuilds;
        m_layout.Invalidate();
        m_selection = {};
        m_wantedX = -1;
        m_widest = 0;
        if (m_holding) {
            // A new text is shown whole at once.
            m_heldFull = true;
            ShowHeldFrame();
        }
        verticalScrollBar()->setValue(0);
        horizontalScrollBar()->setValue(0);
    }
    if (lines <= kMeasureAllLines) {
        MeasureLines(firstChanged, lines - 1);
    } else {
        const qsizetype longest = m_index.LongestLine();
        MeasureLines(longest, longest);
    }
    // The lines from the first one changed on are painted again (all of
    // them after a rebuild), wherever a scroll that follows puts them; an
    // append that streams in waits for the next frame.
    m_changedFrom = m_changedFrom < 0 ? firstChanged : qMin(m_changedFrom, firstChanged);
    const bool held = appended && HoldFrame();
    UpdateScrollBars();
    if (!held)
        UpdateFrom(firstChanged);
    if (QAccessible::isActive()) {
        if (appended) {
            QAccessibleTextInsertEvent event(this, int(qMin<qsizetype>(shown, INT_MAX)), text.sliced(shown));
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleTextUpdateEvent event(this, 0, QString(), QString());
            QAccessible::updateAccessibility(&event);
        }
    }
}

bool TextView::HoldFrame()
{
    if (m_repaintInterval <= 0 || !m_lastPaint.isValid() || !isVisible())
        return false;
    const qint64 since = m_lastPaint.elapsed();
    if (since >= m_repaintInterval) {
        // The frame is due: the append that comes then shows it.
        ShowHeldFrame();
        return false;
    }
    if (m_holding)
        return true;
    m_holding = true;
    m_heldFirst = FirstVisibleLine();
    m_heldFull = false;
    HoldScrollBar(verticalScrollBar(), true);
    HoldScrollBar(horizontalScrollBar(), true);
    // Text that streams in shows the frame with its next append; the timer
    // shows it when no more comes.
    m_frameTimer.start(int(m_repaintInterval - since) + m_repaintInterval / 2, Qt::CoarseTimer, this);
    return true;
}

void TextView::ShowHeldFrame()
{
    if (!m_holding)
        return;
    m_holding = false;
    m_frameTimer.stop();
    HoldScrollBar(verticalScrollBar(), false);
    HoldScrollBar(horizontalScrollBar(), false);
    if (m_heldFull) {
        UpdateAll();
        return;
    }
    if (m_heldFirst != FirstVisibleLine())
        MoveLinesFrom(m_heldFirst);
    if (m_changedFrom >= 0)
        UpdateFrom(m_changedFrom);
}

// ---- Geometry ----------------------------------------------------------------

TextLineLayout::Line TextView::LineAt(qsizetype line) const
{
    return {QStringView(Text()).first(m_index.Length()), m_index.LineStart(line), m_index.LineEnd(line)};
}

int TextView::HeightOf(qsizetype line)
{
    return m_layout.LineMetrics(LineAt(line)).height;
}

int TextView::LinesFittingAtEnd()
{
    // Whole lines that fit, counted up from the last one, as the edit
    // control counts them for its scroll bar.
    const int room = viewport()->height() - kMargin - 1;
    int height = 0;
    int lines = 0;
    for (qsizetype line = m_index.LineCount() - 1; line >= 0; --line, ++lines) {
        height += HeightOf(line);
        if (height > room)
            break;
    }
    return lines;
}

int TextView::LinesFittingFrom(qsizetype first)
{
    const int room = viewport()->height() - TopMargin();
    int height = 0;
    int lines = 0;
    for (qsizetype line = first; line < m_index.LineCount(); ++line, ++lines) {
        height += HeightOf(line);
        if (height > room)
            break;
    }
    return qMax(1, lines);
}

qsizetype TextView::LineAtY(int y)
{
    qsizetype line = FirstVisibleLine();
    int top = TopMargin();
    if (y < top) // above the view: lines of the font's height
        return qMax<qsizetype>(0, line - (top - y + m_layout.LineHeight() - 1) / m_layout.LineHeight());
    for (; line + 1 < m_index.LineCount(); ++line) {
        top += HeightOf(line);
        if (y < top)
            break;
    }
    return line;
}

int TextView::LineTop(qsizetype line)
{
    // Lines out of view count at the font's height.
    const qsizetype first = FirstVisibleLine();
    const int lineHeight = m_layout.LineHeight();
    const qsizetype inView = viewport()->height() / lineHeight + 2;
    int top = TopMargin();
    if (line < first || line - first > inView)
        return int(std::clamp<qint64>(top + qint64(line - first) * lineHeight, -INT_MAX / 2, INT_MAX / 2));
    for (qsizetype k = first; k < line; ++k)
        top += HeightOf(k);
    return top;
}

int TextView::TopMargin() const
{
    return FirstVisibleLine() == 0 ? kMargin : 0;
}

qreal TextView::XOffset() const
{
    return horizontalScrollBar()->value() * m_hUnit;
}

qsizetype TextView::FirstVisibleLine() const
{
    return verticalScrollBar()->value();
}

void TextView::MeasureLines(qsizetype first, qsizetype last)
{
    for (qsizetype line = qMax<qsizetype>(0, first); line <= last; ++line)
        m_widest = qMax(m_widest, m_layout.Width(LineAt(line)));
}

void TextView::NoteWidth(qreal width)
{
    if (width <= m_widest)
        return;
    m_widest = width;
    // Not inside a paint: the scroll bars are set once it has ended.
    QMetaObject::invokeMethod(this, &TextView::UpdateScrollBars, Qt::QueuedConnection);
}

void TextView::UpdateScrollBars()
{
    const qsizetype lines = m_index.LineCount();
    const int visible = LinesFittingAtEnd();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, int(std::clamp<qsizetype>(lines - visible, 0, INT_MAX)));
    vertical->setPageStep(visible);

    const qreal documentWidth = m_widest + 2 * kMargin;
    const int width = viewport()->width();
    m_hUnit = documentWidth > kScrollRange ? std::ceil(documentWidth / kScrollRange) : 1;
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, qMax(0, int(documentWidth / m_hUnit) - int(width / m_hUnit)));
    horizontal->setPageStep(qMax(1, int(width / m_hUnit)));
}

QRect TextView::CharacterRect(qsizetype position)
{
    Sync();
    position = std::clamp<qsizetype>(position, 0, m_index.Length());
    const qsizetype line = m_index.LineAt(position);
    const TextLineLayout::Line shown = LineAt(line);
    const qreal x = m_layout.XOf(shown, position);
    const qsizetype next = NextCaretPosition(shown.text, position);
    const qreal width = next <= shown.end && next > position ? m_layout.XOf(shown, next) - x : 1;
    const qreal left = kMargin - XOffset() + x;
    return QRectF(left, LineTop(line), qMax<qreal>(width, 1), HeightOf(line)).toAlignedRect();
}

qsizetype TextView::PositionAt(const QPoint &point, bool onCharacter)
{
    Sync();
    return m_layout.PositionAt(LineAt(LineAtY(point.y())), point.x() - kMargin + XOffset(), onCharacter);
}

void TextView::EnsureVisible(qsizetype position)
{
    Sync();
    position = std::clamp<qsizetype>(position, 0, m_index.Length());
    const qsizetype line = m_index.LineAt(position);
    const qsizetype first = FirstVisibleLine();
    QScrollBar *vertical = verticalScrollBar();
    if (line < first) {
        vertical->setValue(int(line));
    } else if (line >= first + LinesFittingFrom(first)) {
        // The line becomes the last one in view.
        const int room = viewport()->height();
        int height = HeightOf(line);
        qsizetype top = line;
        while (top > 0 && height + HeightOf(top - 1) <= room)
            height += HeightOf(--top);
        vertical->setValue(int(qMin<qsizetype>(top, INT_MAX)));
    }

    const qreal x = m_layout.XOf(LineAt(line), position) + kMargin;
    if (x + 1 > m_widest + 2 * kMargin) {
        m_widest = x + 1 - 2 * kMargin;
        UpdateScrollBars();
    }
    QScrollBar *horizontal = horizontalScrollBar();
    const qreal width = viewport()->width();
    if (x < XOffset())
        horizontal->setValue(int(std::floor(qMax<qreal>(0, x - kMargin) / m_hUnit)));
    else if (x + 1 > XOffset() + width)
        horizontal->setValue(int(std::ceil((x + 1 + kMargin - width) / m_hUnit)));
}

void TextView::ScrollToEnd()
{
    Sync();
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

// ---- What the window shows -------------------------------------------------------

qsizetype TextView::LineCount()
{
    Sync();
    return m_index.LineCount();
}

QString TextView::LineText(qsizetype line)
{
    Sync();
    if (line < 0 || line >= m_index.LineCount())
        return QString();
    const TextLineLayout::Line shown = LineAt(line);
    return TextLineLayout::DisplayForm(shown.text.sliced(shown.start, shown.end - shown.start));
}

QString TextView::ShownText()
{
    QString text;
    for (qsizetype line = 0, count = LineCount(); line < count; ++line)
        text += (line ? QStringLiteral("\n") : QString()) + LineText(line);
    return text;
}

void TextView::paintEvent(QPaintEvent *event)
{
    Sync();
    // A paint for another reason while a frame is held shows the whole
    // frame right after it: what lies outside this paint's area may have
    // moved (an update asked for inside a paint would be lost).
    if (m_holding) {
        m_heldFull = true;
        QMetaObject::invokeMethod(this, &TextView::ShowHeldFrame, Qt::QueuedConnection);
    }
    m_lastPaint.start();
    m_changedFrom = -1;
    // Scrolls move the pixels again from now on (also after a paint of a
    // part, which a window on top may have left: moving then is never wrong).
    m_allDirty = false;
    QPainter painter(viewport());
    const QRect area = event->rect();
    const QPalette &colours = palette();
    const qreal x0 = kMargin - XOffset();
    const qsizetype count = m_index.LineCount();
    const qsizetype from = m_selection.From();
    const qsizetype to = m_selection.To();
    const bool caret = m_caretOn && hasFocus();
    const qsizetype caretLine = caret ? m_index.LineAt(m_selection.caret) : -1;
    int y = TopMargin();
    for (qsizetype line = FirstVisibleLine(); line < count && y <= area.bottom(); ++line) {
        const TextLineLayout::Line shown = LineAt(line);
        const int height = m_layout.LineMetrics(shown).height;
        if (y + height > area.top()) {
            m_layout.Draw(painter, shown, QPointF(x0, y), area.left() - x0, area.right() + 1 - x0, from, to,
                          colours);
            if (shown.end - shown.start <= TextLineLayout::kBlockCharacters)
                NoteWidth(m_layout.Width(shown));
            if (line == caretLine) {
                const qreal x = x0 + m_layout.XOf(shown, m_selection.caret);
                painter.fillRect(QRectF(x, y, 1, height), colours.text());
            }
        }
        y += height;
    }
}

// ---- Scrolling, resizing, focus ------------------------------------------------------

void TextView::UpdateFrom(qsizetype line)
{
    const qsizetype first = FirstVisibleLine();
    if (line <= first) {
        UpdateAll();
        return;
    }
    if (line - first > viewport()->height() / m_layout.LineHeight() + 1)
        return; // below the view
    const int top = LineTop(line);
    if (top < viewport()->height())
        viewport()->update(0, top, viewport()->width(), viewport()->height() - top);
}

void TextView::UpdateAll()
{
    viewport()->update();
    m_allDirty = viewport()->isVisible();
}

void TextView::scrollContentsBy(int dx, int dy)
{
    // While a frame is held, the scroll is shown with it.
    if (m_holding) {
        m_heldFull = m_heldFull || dx != 0;
        return;
    }
    // A scroll by a few lines or pixels moves what is shown and paints only
    // what comes into view (and the lines changed since the last paint).
    // When all of the view is to be painted anyway (a frame that jumped far
    // ahead, then the scroll to the end), nothing is moved.
    if (m_allDirty)
        return;
    if (dx != 0 && dy == 0 && qAbs(dx * m_hUnit) < viewport()->width())
        viewport()->scroll(int(dx * m_hUnit), 0);
    else if (dx == 0 && dy != 0)
        MoveLinesFrom(FirstVisibleLine() + dy);
    else
        UpdateAll();
    if (m_changedFrom >= 0)
        UpdateFrom(m_changedFrom);
}

void TextView::MoveLinesFrom(qsizetype old)
{
    const qsizetype first = FirstVisibleLine();
    const qsizetype fewLines = viewport()->height() / m_layout.LineHeight() + 1;
    if (m_allDirty || qAbs(old - first) >= fewLines) {
        UpdateAll();
        return;
    }
    // Where the new first line lay before the scroll.
    int was = old == 0 ? kMargin : 0;
    for (qsizetype line = qMin(old, first); line < qMax(old, first); ++line)
        was += old > first ? -HeightOf(line) : HeightOf(line);
    viewport()->scroll(0, TopMargin() - was);
}

void TextView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TextView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_layout.SetFont(font());
        m_widest = 0;
        const qsizetype lines = m_index.LineCount();
        const qsizetype longest = m_index.LongestLine();
        MeasureLines(lines <= kMeasureAllLines ? 0 : longest, lines <= kMeasureAllLines ? lines - 1 : longest);
        UpdateScrollBars();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}
