// A read-only multi-line text window that shows a text member of the dialog
// (the input data, the sorted output). The member holds the exact text
// ("\r\n", U+0000 and all); the window shows a display form of it and is
// never read back. When the member grew by an append since the last update,
// only the new part is added, so an update costs what was appended, not the
// whole text.
#ifndef TAVIX_GUI_WIDGETS_TEXT_WINDOW_H
#define TAVIX_GUI_WIDGETS_TEXT_WINDOW_H

#include <QPlainTextEdit>

class TextWindow : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextWindow(QWidget *parent = nullptr);

    // Makes the window show text: appends the part beyond what is shown when
    // text begins with it, rebuilds the window otherwise.
    void ShowText(const QString &text);
    // Scrolls to the bottom (the vertical scroll bar to its end).
    void ScrollToEnd();

    // How many characters of the member the window shows, and how many
    // times it had to be rebuilt (appends do not count).
    qsizetype ShownLength() const { return m_shownLength; }
    int RebuildCount() const { return m_rebuilds; }

    // The display form of a text: line ends become line breaks (a CR is not
    // shown, an LF breaks the line, so "\r\n" split over two appends still
    // gives one break) and U+0000 is shown as the symbol U+2400.
    static QString DisplayForm(QStringView text);

private:
    bool ExtendsShownText(const QString &text) const;
    void Remember(const QString &text);

    qsizetype m_shownLength = 0;
    QString m_shownHead;
    QString m_shownTail;
    int m_rebuilds = 0;
};

#endif
