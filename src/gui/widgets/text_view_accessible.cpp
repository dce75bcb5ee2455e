#include "gui/widgets/text_view_accessible.h"

#include "gui/widgets/text_view.h"

#include <QAccessibleWidget>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

// Words and sentences are looked for at most this far either way.
constexpr qsizetype kBoundaryReach = 65536;
// A longer text is not given whole as the accessible value (the line of the
// caret is); a reader gets it through the text interface instead.
constexpr qsizetype kWholeValueLimit = 1 << 20;

int ToInt(qsizetype value)
{
    return int(std::clamp<qsizetype>(value, 0, INT_MAX));
}

class TextViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit TextViewAccessible(TextView *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Value)
            return QAccessibleWidget::text(kind);
        const qsizetype length = View()->ShownLength();
        if (length <= kWholeValueLimit)
            return text(0, ToInt(length));
        const QPair<qsizetype, qsizetype> line = Unit(QAccessible::LineBoundary, CaretOffset());
        return text(ToInt(line.first), ToInt(line.second));
    }

    // ---- selection and caret
    void selection(int index, int *startOffset, int *endOffset) const override
    {
        const TextSelection selection = View()->Selection();
        const bool one = index == 0 && !selection.IsEmpty();
        *startOffset = one ? ToInt(selection.From()) : 0;
        *endOffset = one ? ToInt(selection.To()) : 0;
    }
    int selectionCount() const override { return View()->Selection().IsEmpty() ? 0 : 1; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int index) override
    {
        if (index == 0)
            View()->SetSelection(View()->Selection().caret, View()->Selection().caret);
    }
    void setSelection(int index, int startOffset, int endOffset) override
    {
        if (index == 0)
            View()->SetSelection(startOffset, endOffset);
    }
    int cursorPosition() const override { return CaretOffset(); }
    void setCursorPosition(int position) override { View()->SetSelection(position, position); }

    // ---- text
    QString text(int startOffset, int endOffset) const override
    {
        View()->Refresh();
        const qsizetype length = View()->ShownLength();
        const qsizetype from = std::clamp<qsizetype>(startOffset, 0, length);
        const qsizetype to = std::clamp<qsizetype>(endOffset, from, length);
        QString part = View()->Text().sliced(from, to - from);
        part.replace(QChar(0), QChar(0x2400));
        return part;
    }
    int characterCount() const override
    {
        View()->Refresh();
        return ToInt(View()->ShownLength());
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                         int *endOffset) const override
    {
        return Answer(Unit(type, offset), startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                             int *endOffset) const override
    {
        const QPair<qsizetype, qsizetype> at = Unit(type, offset);
        if (at.first <= 0)
            return Answer({0, 0}, startOffset, endOffset);
        return Answer(Unit(type, at.first - 1), startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                            int *endOffset) const override
    {
        const QPair<qsizetype, qsizetype> at = Unit(type, offset);
        const qsizetype length = View()->ShownLength();
        if (at.second >= length)
            return Answer({length, length}, startOffset, endOffset);
        return Answer(Unit(type, at.second), startOffset, endOffset);
    }

    // ---- geometry
    QRect characterRect(int offset) const override
    {
        const QRect box = View()->CharacterRect(offset);
        return QRect(View()->viewport()->mapToGlobal(box.topLeft()), box.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = View()->viewport()->mapFromGlobal(point);
        if (!View()->viewport()->rect().contains(local))
            return -1;
        return ToInt(View()->PositionAt(local));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        View()->EnsureVisible(endIndex);
        View()->EnsureVisible(startIndex);
    }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        // One look for the whole text.
        Q_UNUSED(offset);
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

private:
    TextView *View() const { return static_cast<TextView *>(widget()); }
    int CaretOffset() const { return ToInt(View()->Selection().caret); }

    QString Answer(QPair<qsizetype, qsizetype> range, int *startOffset, int *endOffset) const
    {
        *startOffset = ToInt(range.first);
        *endOffset = ToInt(range.second);
        return text(*startOffset, *endOffset);
    }

    // The unit of text that holds offset: a character (a surrogate pair is
    // one), a word or a sentence (within its line), a line or paragraph
    // (its LF included), or the whole text.
    QPair<qsizetype, qsizetype> Unit(QAccessible::TextBoundaryType type, qsizetype offset) const
    {
        View()->Refresh();
        const TextLineIndex &index = View()->Index();
        const QString &text = View()->Text();
        const qsizetype length = index.Length();
        offset = std::clamp<qsizetype>(offset, 0, length);
        switch (type) {
        case QAccessible::CharBoundary: {
            if (offset >= length)
                return {length, length};
            const bool pair = text[offset].isHighSurrogate() && offset + 1 < length && text[offset + 1].isLowSurrogate();
            return {offset, offset + (pair ? 2 : 1)};
        }
        case QAccessible::LineBoundary:
        case QAccessible::ParagraphBoundary: {
            const qsizetype line = index.LineAt(offset);
            const qsizetype end = index.LineEnd(line);
            return {index.LineStart(line), end < length ? end + 1 : end};
        }
        case QAccessible::WordBoundary:
        case QAccessible::SentenceBoundary: {
            const qsizetype line = index.LineAt(offset);
            const qsizetype from = qMax(index.LineStart(line), offset - kBoundaryReach);
            const qsizetype to = qMin(index.LineEnd(line), offset + kBoundaryReach);
            if (from == to)
                return {from, to};
            QTextBoundaryFinder finder(type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                          : QTextBoundaryFinder::Sentence,
                                       text.constData() + from, int(to - from));
            finder.setPosition(int(qMin(offset, to - 1) - from));
            const qsizetype start = finder.isAtBoundary() ? finder.position() : finder.toPreviousBoundary();
            finder.setPosition(int(qMax<qsizetype>(start, 0)));
            const qsizetype end = finder.toNextBoundary();
            return {from + qMax<qsizetype>(start, 0), end < 0 ? to : from + end};
        }
        case QAccessible::NoBoundary:
            return {0, length};
        }
        return {offset, offset};
    }
};

QAccessibleInterface *TextViewFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TextView") && object && object->isWidgetType())
        return new TextViewAccessible(static_cast<TextView *>(object));
    return nullptr;
}

} // namespace

void InstallTextViewAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(TextViewFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
