// A read-only text window over a text the program keeps (the dialog's input
// data and sorted output): it shows the string where it lies, with no copy of
// its own, and an index of line starts beside it (text_line_index.h). Only the
// lines in view are laid out and painted, and of a long line only the part in
// view (text_line_layout.h), so the window costs the same at any size of text.
//
// The window shows the text as the platform's multi-line edit control did:
// no wrap, both scroll bars always there, a CR not shown, U+0000 shown as the
// symbol U+2400, tab stops every 8 average character widths, a margin of 4
// pixels, the vertical scroll bar counting lines. The text is selected with
// the mouse and the keyboard and copied exactly as it is held (CR LF and
// U+0000 included); keys it has no use for go on to the window around it.
//
// The owner tells the view how its text changed: TextAppended(n) when n
// characters were appended, which costs the view what was appended, and
// TextReplaced for any other change, which indexes the text afresh. The view
// never tells an append from another change by looking at the text; a
// change it was not told of (the length differs from what it indexed) is
// taken as a replacement, so it never reads past the text's end. A change
// the index cannot take for want of memory leaves the view showing what it
// could (the part indexed before an append, or nothing) and is reported
// once by OutOfMemory; ReserveForAppend and PrepareFor take the memory
// beforehand, so a command can refuse the change instead.
//
// While text streams in, the window can be painted at most once in a given
// interval (SetRepaintInterval): the index, the scroll bars' ranges and
// values follow every append at once, the pixels catch up at the next frame.
#ifndef TAVIX_GUI_WIDGETS_TEXT_VIEW_H
#define TAVIX_GUI_WIDGETS_TEXT_VIEW_H

#include "gui/widgets/text_line_index.h"
#include "gui/widgets/text_line_layout.h"
#include "gui/widgets/text_selection.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <optional>

class QMenu;

class TextView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TextView(QWidget *parent = nullptr);
    ~TextView() override;

    // Shows the string at text and reads it in place from now on: the owner
    // keeps it alive while the view lives (or until the view is given
    // another text), changes it on this thread only and tells the view of
    // every change. Attaching the string already attached brings the view
    // up to the changes it was told of.
    void Attach(const QString *text);
    // Shows text: when it is the attached string, as changed in any way
    // (TextReplaced); otherwise keeps a copy of it (implicitly shared, so
    // the view's copy costs nothing while text is not changed).
    void ShowText(const QString &text);
    // The attached text was changed in any way: it is indexed afresh, from
    // the top (with the index PrepareFor built, when one waits for a text of
    // its length). A text that could not be indexed before is tried again.
    void TextReplaced();
    // characters characters were appended to the attached text: the index
    // is extended by them.
    void TextAppended(qsizetype characters);
    // Re-reads the shown text as replaced (TextReplaced).
    void Refresh();
    // Takes the memory the index needs for an append of at most characters
    // characters, or of the text appended, before it is appended. Throws
    // std::bad_alloc when there is none; nothing changes then.
    void ReserveForAppend(qsizetype characters);
    void ReserveForAppend(QStringView appended);
    // Indexes text before it replaces the shown one; the next TextReplaced
    // takes the index over when the text then has the same length (the
    // owner replaces the text with text and tells the view so). Throws
    // std::bad_alloc when there is not enough memory.
    void PrepareFor(const QString &text);
    // While text is appended, paints the window at most once every
    // milliseconds (0, the default: at every change). What the window holds
    // is up to date at once; only its pixels wait for the next frame.
    void SetRepaintInterval(int milliseconds) { m_repaintInterval = milliseconds; }
    // Scrolls to the last line.
    void ScrollToEnd();
    // Where copied text goes; without a handler, to the application's clipboard.
    void SetCopyHandler(std::function<void(const QString &)> handler) { m_copyHandler = std::move(handler); }

    // The characters of text as the window shows them (see TextLineLayout::DisplayForm).
    static QString DisplayForm(QStringView text) { return TextLineLayout::DisplayForm(text); }

    // The text shown, as it is held.
    const QString &Text() const { return m_source ? *m_source : m_own; }
    // The text as the window shows it, line by line from the index, with
    // LF between the lines (for checking what the window shows).
    QString ShownText();
    qsizetype LineCount();
    // One line as shown.
    QString LineText(qsizetype line);
    qsizetype FirstVisibleLine() const;
    const TextLineIndex &Index() const { return m_index; }
    // How many characters of the text the index holds; how many times it
    // was built afresh (appends do not count).
    qsizetype ShownLength() const { return m_index.Length(); }
    int RebuildCount() const { return m_rebuilds; }

    TextSelection Selection() const { return m_selection; }
    // Selects [anchor, caret) (in either order); the caret ends at caret
    // and is scrolled into view.
    void SetSelection(qsizetype anchor, qsizetype caret);
    QString SelectedText();
    void SelectAll();
    // Puts the selection on the clipboard as it is held; nothing when
    // nothing is selected.
    void Copy();
    // The menu of the right mouse button: Copy (with a selection) and Select All,
    // then what the extension (if any) adds to it.
    QMenu *CreateContextMenu(QWidget *parent);
    void SetContextMenuExtension(std::function<void(QMenu *)> extend) { m_menuExtension = std::move(extend); }

    // The space kept around the text, as the edit control keeps it.
    static constexpr int kMargin = 4;

    // Geometry, in viewport coordinates: the box of the character at
    // position (a caret-wide box at a line's end), and the position nearest
    // to a point (with onCharacter, the one before the character under it).
    QRect CharacterRect(qsizetype position);
    qsizetype PositionAt(const QPoint &point, bool onCharacter = false);
    // Scrolls the fewest lines and pixels that bring position into view.
    void EnsureVisible(qsizetype position);

signals:
    // A change of the text could not be indexed for want of memory; the
    // view shows what it could. Sent once per failure, after the change.
    void OutOfMemory();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    // Brings the index in line with the text; a failure to allocate is
    // reported by OutOfMemory. A text that failed is tried again only with retry.
    void Sync(bool retry = false);
    // Holds the pixels of an append back until the next frame when the
    // window was painted less than the repaint interval ago; true then.
    bool HoldFrame();
    // Paints what was held back: the lines moved by a scroll since, the
    // lines changed, the scroll bars.
    void ShowHeldFrame();
    // Moves what is shown from where the first line old lay to where the
    // first line is now, painting only what comes into view.
    void MoveLinesFrom(qsizetype old);
    void UpdateScrollBars();
    // Repaints the view from line down.
    void UpdateFrom(qsizetype line);
    // Repaints all of the view; until that paint, a scroll moves nothing.
    void UpdateAll();
    void MeasureLines(qsizetype first, qsizetype last);
    void NoteWidth(qreal width);
    TextLineLayout::Line LineAt(qsizetype line) const;
    int HeightOf(qsizetype line);
    int LinesFittingAtEnd();
    // The lines from first down that are wholly in view (at least 1).
    int LinesFittingFrom(qsizetype first);
    // The line at a y of the viewport (above it, lines of the font's height).
    qsizetype LineAtY(int y);
    // The y of a line's top in the viewport.
    int LineTop(qsizetype line);
    qreal XOffset() const;
    int TopMargin() const;
    // Moves the caret (and the anchor unless extend), scrolls it into view.
    void MoveCaret(qsizetype position, bool extend, bool keepX = false);
    qsizetype VerticalMove(qsizetype lines);
    void DragTo(const QPoint &point);
    void RestartBlink();
    void NotifyCaret();

    const QString *m_source = nullptr;
    QString m_own;
    TextLineIndex m_index;
    // What the owner told of since the view last read the text: a
    // replacement, or the characters appended.
    bool m_replaced = false;
    qsizetype m_appended = 0;
    // An index built ahead for a text of this length.
    struct Pending
    {
        TextLineIndex index;
        qsizetype length = 0;
    };
    std::optional<Pending> m_pending;
    TextLineLayout m_layout;
    TextSelection m_selection;
    // The x the caret keeps on Up and Down, or negative.
    qreal m_wantedX = -1;
    qreal m_widest = 0;
    // Pixels per step of the horizontal scroll bar (more than 1 only for
    // lines wider than its range).
    qreal m_hUnit = 1;
    int m_rebuilds = 0;
    // The first line changed since the last paint, or negative.
    qsizetype m_changedFrom = -1;
    // All of the view waits to be painted.
    bool m_allDirty = false;
    bool m_caretOn = false;
    bool m_dragging = false;
    bool m_memoryReported = false;
    // The text that could not be indexed: its length and data.
    qsizetype m_failedLength = -1;
    const QChar *m_failedData = nullptr;
    QPoint m_dragPoint;
    QBasicTimer m_blinkTimer;
    // The frames of a text streaming in: the interval, the last paint, the
    // frame held back, the first line shown when it was held and whether a
    // sideways scroll waits.
    int m_repaintInterval = 0;
    QElapsedTimer m_lastPaint;
    QBasicTimer m_frameTimer;
    bool m_holding = false;
    qsizetype m_heldFirst = 0;
    bool m_heldFull = false;
    QBasicTimer m_dragTimer;
    std::function<void(const QString &)> m_copyHandler;
    std::function<void(QMenu *)> m_menuExtension;
};

#endif
