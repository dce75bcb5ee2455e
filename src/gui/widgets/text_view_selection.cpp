// The text view's selection and caret: the mouse, the keys, the context
// menu and the clipboard.
#include "gui/widgets/text_view.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>

namespace {

constexpr int kDragScrollMs = 50;

QString ShortcutText(QKeySequence::StandardKey key)
{
    if (QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus)
        || !QGuiApplication::styleHints()->showShortcutsInContextMenus())
        return QString();
    return QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
}

} // namespace

// ---- The caret and the selection ---------------------------------------------------

void TextView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    viewport()->update();
}

void TextView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blinkTimer.stop();
    m_caretOn = false;
    viewport()->update();
}

void TextView::RestartBlink()
{
    if (!hasFocus())
        return;
    m_caretOn = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash >= 2)
        m_blinkTimer.start(flash / 2, this);
    else
        m_blinkTimer.stop();
}

void TextView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blinkTimer.timerId()) {
        m_caretOn = !m_caretOn;
        viewport()->update();
    } else if (event->timerId() == m_dragTimer.timerId()) {
        DragTo(m_dragPoint);
    } else if (event->timerId() == m_frameTimer.timerId()) {
        ShowHeldFrame();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TextView::NotifyCaret()
{
    if (!QAccessible::isActive())
        return;
    const int caret = int(qMin<qsizetype>(m_selection.caret, INT_MAX));
    QAccessibleTextCursorEvent moved(this, caret);
    QAccessible::updateAccessibility(&moved);
    QAccessibleTextSelectionEvent selected(this, int(qMin<qsizetype>(m_selection.From(), INT_MAX)),
                                           int(qMin<qsizetype>(m_selection.To(), INT_MAX)));
    selected.setCursorPosition(caret);
    QAccessible::updateAccessibility(&selected);
}

void TextView::MoveCaret(qsizetype position, bool extend, bool keepX)
{
    m_selection.caret = position;
    if (!extend)
        m_selection.anchor = position;
    if (!keepX)
        m_wantedX = -1;
    EnsureVisible(position);
    RestartBlink();
    NotifyCaret();
    viewport()->update();
}

void TextView::SetSelection(qsizetype anchor, qsizetype caret)
{
    Sync();
    m_selection = {anchor, caret};
    m_selection.Clamp(m_index.Length());
    MoveCaret(m_selection.caret, true);
}

void TextView::SelectAll()
{
    Sync();
    m_selection = {0, m_index.Length()};
    m_wantedX = -1;
    NotifyCaret();
    viewport()->update();
}

QString TextView::SelectedText()
{
    Sync();
    m_selection.Clamp(m_index.Length());
    return Text().sliced(m_selection.From(), m_selection.To() - m_selection.From());
}

void TextView::Copy()
{
    const QString text = SelectedText();
    if (text.isEmpty())
        return;
    if (m_copyHandler)
        m_copyHandler(text);
    else
        QGuiApplication::clipboard()->setText(text);
}

QMenu *TextView::CreateContextMenu(QWidget *parent)
{
    Sync();
    auto *menu = new QMenu(parent);
    QAction *copy = menu->addAction(QCoreApplication::translate("QWidgetTextControl", "&Copy")
                                    + ShortcutText(QKeySequence::Copy));
    copy->setObjectName(QStringLiteral("copy"));
    copy->setEnabled(!m_selection.IsEmpty());
    connect(copy, &QAction::triggered, this, &TextView::Copy);
    menu->addSeparator();
    QAction *all = menu->addAction(QCoreApplication::translate("QWidgetTextControl", "Select All")
                                   + ShortcutText(QKeySequence::SelectAll));
    all->setObjectName(QStringLiteral("select-all"));
    all->setEnabled(m_index.Length() > 0);
    connect(all, &QAction::triggered, this, &TextView::SelectAll);
    if (m_menuExtension)
        m_menuExtension(menu);
    return menu;
}

void TextView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = CreateContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TextView::DragTo(const QPoint &point)
{
    MoveCaret(PositionAt(point), true);
    // Beyond an edge the view goes on scrolling that way while the button is held.
    if (viewport()->rect().contains(point))
        m_dragTimer.stop();
    else if (!m_dragTimer.isActive())
        m_dragTimer.start(kDragScrollMs, this);
}

void TextView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    MoveCaret(PositionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    m_dragging = true;
}

void TextView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    m_dragPoint = event->position().toPoint();
    DragTo(m_dragPoint);
}

void TextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    m_dragTimer.stop();
    // What the mouse selected is the platform's primary selection where it has one.
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!m_selection.IsEmpty() && clipboard->supportsSelection())
        clipboard->setText(SelectedText(), QClipboard::Selection);
}

void TextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const qsizetype under = PositionAt(event->position().toPoint(), true);
    const TextLineLayout::Line shown = LineAt(m_index.LineAt(under));
    const QPair<qsizetype, qsizetype> word = WordAround(shown.text, shown.start, shown.end, under);
    m_selection = {word.first, word.second};
    MoveCaret(word.second, true);
    m_dragging = true;
}

// ---- Keys ---------------------------------------------------------------------------

qsizetype TextView::VerticalMove(qsizetype lines)
{
    const qsizetype caret = m_selection.caret;
    const qsizetype line = m_index.LineAt(caret);
    const qsizetype target = std::clamp<qsizetype>(line + lines, 0, m_index.LineCount() - 1);
    if (target == line) {
        // Beyond the first or last line: to its start or its end.
        const TextLineLayout::Line shown = LineAt(line);
        return lines < 0 ? shown.start : ShownLineEnd(shown.text, shown.start, shown.end);
    }
    if (m_wantedX < 0)
        m_wantedX = m_layout.XOf(LineAt(line), caret);
    return m_layout.PositionAt(LineAt(target), m_wantedX);
}

void TextView::keyPressEvent(QKeyEvent *event)
{
    Sync();
    if (event == QKeySequence::Copy) {
        Copy();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        SelectAll();
        return;
    }
    const QStringView text = QStringView(Text()).first(m_index.Length());
    const qsizetype caret = m_selection.caret;
    const qsizetype line = m_index.LineAt(caret);
    const qsizetype page = LinesFittingFrom(FirstVisibleLine());
    struct Move
    {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
    };
    static const Move moves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument},
    };
    for (const Move &m : moves) {
        const bool extend = event->matches(m.select);
        if (!extend && !event->matches(m.move))
            continue;
        const TextLineLayout::Line shown = LineAt(line);
        qsizetype to = caret;
        bool keepX = false;
        switch (m.move) {
        case QKeySequence::MoveToNextChar: to = NextCaretPosition(text, caret); break;
        case QKeySequence::MoveToPreviousChar: to = PreviousCaretPosition(text, caret); break;
        case QKeySequence::MoveToNextWord: to = NextWordPosition(text, caret); break;
        case QKeySequence::MoveToPreviousWord: to = PreviousWordPosition(text, caret); break;
        case QKeySequence::MoveToNextLine: to = VerticalMove(1); keepX = true; break;
        case QKeySequence::MoveToPreviousLine: to = VerticalMove(-1); keepX = true; break;
        case QKeySequence::MoveToNextPage:
        case QKeySequence::MoveToPreviousPage: {
            // The view moves a page and the caret with it.
            const qsizetype lines = m.move == QKeySequence::MoveToNextPage ? page : -page;
            to = VerticalMove(lines);
            keepX = true;
            QScrollBar *bar = verticalScrollBar();
            bar->setValue(int(std::clamp<qsizetype>(bar->value() + lines, bar->minimum(), bar->maximum())));
            break;
        }
        case QKeySequence::MoveToStartOfLine: to = shown.start; break;
        case QKeySequence::MoveToEndOfLine: to = ShownLineEnd(text, shown.start, shown.end); break;
        case QKeySequence::MoveToStartOfDocument: to = 0; break;
        default: {
            const TextLineLayout::Line last = LineAt(m_index.LineCount() - 1);
            to = ShownLineEnd(text, last.start, last.end);
            break;
        }
        }
        MoveCaret(to, extend, keepX);
        return;
    }
    // Keys the view has no use for go on to the window around it.
    event->ignore();
}
