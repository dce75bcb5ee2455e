// Prompts for tests: file dialogs answer from a queue given by the test
// (an empty or exhausted queue answers "cancelled"), so do the questions
// about unsaved data, and every message, question and clipboard text is
// recorded.
#ifndef TAVIX_TESTS_SCRIPTED_PROMPTS_H
#define TAVIX_TESTS_SCRIPTED_PROMPTS_H

#include "gui/widgets/prompts.h"

#include <QImage>
#include <QList>
#include <QStringList>

class ScriptedPrompts : public Prompts
{
public:
    void Message(const QString &text) override { messages.append(text); }
    // Recorded among the messages; notices counts those that did not wait.
    void Notice(const QString &text) override
    {
        messages.append(text);
        ++notices;
    }
    QString OpenFileName(const QString &filter) override
    {
        filters.append(filter);
        ++openDialogs;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString SaveFileName(const QString &filter) override
    {
        filters.append(filter);
        ++saveDialogs;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    void SetClipboardText(const QString &text) override { clipboard.append(text); }
    void SetClipboardImage(const QImage &image) override { clipboardImages.append(image); }
    // Answers from saveQuestionAnswers; an empty queue answers Cancel, which
    // changes nothing.
    SaveAnswer AskSaveDiscardCancel(const QString &text) override
    {
        questions.append(text);
        return saveQuestionAnswers.isEmpty() ? SaveAnswer::Cancel : saveQuestionAnswers.takeFirst();
    }

    QStringList messages;
    QStringList openAnswers;
    QStringList saveAnswers;
    QStringList clipboard;
    QList<QImage> clipboardImages;
    QStringList filters;
    QStringList questions;
    QList<SaveAnswer> saveQuestionAnswers;
    int openDialogs = 0;
    int saveDialogs = 0;
    int notices = 0;
};

#endif
