// Prompts for the benchmarks that run the dialog: messages go to standard
// error, every file dialog is cancelled.
#ifndef TAVIX_BENCH_SILENT_PROMPTS_H
#define TAVIX_BENCH_SILENT_PROMPTS_H

#include "gui/widgets/prompts.h"

#include <cstdio>

class SilentPrompts : public Prompts
{
public:
    void Message(const QString &text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    QString OpenFileName(const QString &) override { return QString(); }
    QString SaveFileName(const QString &) override { return QString(); }
    void SetClipboardText(const QString &) override {}
    SaveAnswer AskSaveDiscardCancel(const QString &) override { return SaveAnswer::Discard; }
};

#endif
