#include "gui/widgets/text_window.h"

#include <QScrollBar>
#include <QTextCursor>

namespace {
// How much of the start and of the end of the shown text is kept to
// recognise an append. Every change the program makes to a shown text other
// than an append (clear, replace, removal of a leading note) alters one of
// these ends or shortens the text.
constexpr qsizetype kKeep = 256;
} // namespace

TextWindow::TextWindow(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

QString TextWindow::DisplayForm(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('\r'))
            continue;
        if (c.unicode() == 0)
            out.append(QChar(0x2400));
        else
            out.append(c);
    }
    return out;
}

bool TextWindow::ExtendsShownText(const QString &text) const
{
    if (text.size() < m_shownLength)
        return false;
    if (QStringView(text).left(m_shownHead.size()) != m_shownHead)
        return false;
    return QStringView(text).mid(m_shownLength - m_shownTail.size(), m_shownTail.size()) == m_shownTail;
}

void TextWindow::Remember(const QString &text)
{
    m_shownLength = text.size();
    // Deep copies: sharing the member's data would make its next append copy it whole.
    m_shownHead = QString(text.constData(), qMin(kKeep, text.size()));
    const qsizetype tail = qMin(kKeep, text.size());
    m_shownTail = QString(text.constData() + text.size() - tail, tail);
}

void TextWindow::ShowText(const QString &text)
{
    if (ExtendsShownText(text)) {
        if (text.size() == m_shownLength)
            return;
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(DisplayForm(QStringView(text).mid(m_shownLength)));
    } else {
        setPlainText(DisplayForm(text));
        ++m_rebuilds;
    }
    Remember(text);
}

void TextWindow::ScrollToEnd()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}
