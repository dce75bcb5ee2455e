// The dialog's Sort on a large capture, offscreen: the time from the press
// of Sort to the sorted output window showing the text (the command itself,
// then the events and the first paint of the output window), for captures
// of 8 and 32 MB of QRT 03 Logp files, log type 0.
//
//   QT_QPA_PLATFORM=offscreen dialog_sort_bench
#include "core/sorting/sort_command.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/text_view.h"
#include "logp_capture.h"
#include "scripted_prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr qsizetype kMiB = 1024 * 1024;

QString Capture(qsizetype characters)
{
    QString s;
    s.reserve(characters + 1024);
    for (int n = 1; s.size() < characters; ++n)
        s += LogpFile(n);
    return s;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir profile;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile.path());

    std::printf("Dialog Sort, QRT 03 Logp captures, log type 0 (offscreen)\n");
    for (const qsizetype mb : {8, 32}) {
        ScriptedPrompts prompts;
        // No driver library: the dialog starts without an instrument.
        COstrumDlg dlg(prompts, QStringLiteral("/nonexistent/libftd2xx.so"));
        dlg.show();
        if (!QTest::qWaitForWindowExposed(&dlg))
            return 1;
        // As after a capture or "Open input data": the input window shows it.
        dlg.m_strInput = Capture(mb * kMiB);
        QElapsedTimer inputTimer;
        inputTimer.start();
        dlg.UpdateData(false);
        QCoreApplication::processEvents();
        const double inputShown = double(inputTimer.nsecsElapsed()) / 1e9;
        auto *sort = qobject_cast<QAbstractButton *>(dlg.GetDlgItem(1035));
        auto *output = qobject_cast<TextView *>(dlg.GetDlgItem(1054));
        if (!sort || !output)
            return 1;
        prompts.messages.clear();

        QElapsedTimer timer;
        timer.start();
        sort->click();
        const double command = double(timer.nsecsElapsed()) / 1e9;
        QCoreApplication::processEvents();
        output->viewport()->repaint();
        const double shown = double(timer.nsecsElapsed()) / 1e9;
        if (!prompts.messages.isEmpty() || output->ShownLength() != dlg.m_strSortedOutput.size()
            || dlg.m_strSortedOutput.isEmpty()) {
            std::printf("  %lld MB: the sort did not show its output\n", static_cast<long long>(mb));
            return 1;
        }
        // Of the command, the sort alone (parse, lists, output text).
        timer.restart();
        const SortResult alone = SortInputText(dlg.m_strInput, SortSelection{0, 0, 0}, dlg.AbbreviationTable, QString());
        const double sortAlone = double(timer.nsecsElapsed()) / 1e9;
        if (alone.sortedOutput != dlg.m_strSortedOutput)
            return 1;
        std::printf("  %3lld MB capture (%lld characters, shown in the input window in %.3f s): Sort command "
                    "%.3f s, output shown after %.3f s (%lld characters of output); the sort alone %.3f s, "
                    "the rest is the output window taking the text\n",
                    static_cast<long long>(mb), static_cast<long long>(dlg.m_strInput.size()), inputShown, command,
                    shown, static_cast<long long>(dlg.m_strSortedOutput.size()), sortAlone);
    }
    return 0;
}
