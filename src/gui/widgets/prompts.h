// Everything the dialog asks or tells the user goes through this interface:
// message boxes, the open and save file dialogs and the clipboard. The
// program uses QtPrompts; tests answer from a script and record what was shown.
#ifndef TAVIX_GUI_WIDGETS_PROMPTS_H
#define TAVIX_GUI_WIDGETS_PROMPTS_H

#include <QDialog>
#include <QPointer>
#include <QSize>
#include <QString>

#include <memory>

class QImage;
class QMessageBox;
class QWidget;

class Prompts
{
public:
    virtual ~Prompts() = default;

    // A message box with the program's name as title and one OK button;
    // returns when the user has closed it.
    virtual void Message(const QString &text) = 0;
    // The same box, but the caller goes on at once: for news the user need
    // not answer (the instrument is back) told from inside the poll, which
    // must keep running while the box is open. Without a box of its own a
    // Prompts shows it as a Message.
    virtual void Notice(const QString &text) { Message(text); }
    // The open and save file dialogs. The filter is given in the program's
    // own form ("text file(*.txt)|*.txt|...||"). An empty result means
    // cancelled. The save dialog asks before overwriting an existing file.
    virtual QString OpenFileName(const QString &filter) = 0;
    virtual QString SaveFileName(const QString &filter) = 0;
    // The memory a file dialog may take while it is shown (its threads,
    // images and caches), which a command makes sure of before it asks.
    virtual qsizetype FileDialogMemory() const { return 0; }
    // Puts Unicode text on the clipboard.
    virtual void SetClipboardText(const QString &text) = 0;
    // Puts a picture on the clipboard (the system's clipboard unless a
    // Prompts keeps it elsewhere).
    virtual void SetClipboardImage(const QImage &image);

    // The answers to a question about unsaved data.
    enum class SaveAnswer { Save, Discard, Cancel };
    // A question with the program's name as title and three buttons: Save,
    // Discard and Cancel (also the answer when the box is closed otherwise,
    // as with Escape); returns the user's answer.
    virtual SaveAnswer AskSaveDiscardCancel(const QString &text) = 0;
};

// The program's name, the title of every message box.
QString ProgramTitle();

// The filter of the input, sorted and log files.
QString TextFileFilter();

// Converts a filter of the form "name|patterns|name|patterns||" into the
// file dialog's form "name (patterns);;name (patterns)". A name that already
// shows its patterns is kept as it is.
QString FileDialogFilter(const QString &filter);

// The message box of Message, not yet shown: the text as it is (its own
// line breaks, no wrapping, selectable) above one OK button. A text whose
// box fits into room (the size of the screen area it may take, frame and
// title included) is shown whole in a box of fixed size; a larger text is
// shown in a scrolling read-only view, and the box is held inside room.
std::unique_ptr<QDialog> BuildMessageBox(const QString &text, const QSize &room, QWidget *parent = nullptr);

// The question of AskSaveDiscardCancel, not yet shown: the text with Qt's
// question icon and the buttons Save (the default), Discard and Cancel (also
// Escape's answer).
std::unique_ptr<QMessageBox> BuildSaveQuestionBox(const QString &text, QWidget *parent = nullptr);

// The screen area a box may take: the available geometry of the parent's
// screen, or of the primary screen.
QSize MessageBoxRoom(QWidget *parent);

class QtPrompts : public Prompts
{
public:
    explicit QtPrompts(QWidget *parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget *parent) { m_parent = parent; }

    void Message(const QString &text) override;
    // Not modal; a newer notice replaces one still open.
    void Notice(const QString &text) override;
    QString OpenFileName(const QString &filter) override;
    QString SaveFileName(const QString &filter) override;
    // Qt's file dialog: 64 MiB, four times what it was seen to need.
    qsizetype FileDialogMemory() const override { return qsizetype(64) << 20; }
    void SetClipboardText(const QString &text) override;
    SaveAnswer AskSaveDiscardCancel(const QString &text) override;

private:
    QWidget *m_parent;
    QPointer<QDialog> m_notice;
};

#endif
