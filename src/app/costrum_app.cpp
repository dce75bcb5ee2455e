#include "app/costrum_app.h"

#include "app/batch_sort.h"
#include "app/costrum_dlg.h"
#include "app/prompts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSettings>

#include <cstdio>

int COstrumApp::Run(int argc, char *argv[])
{
    // The batch sort and the help run without a window, so they need no
    // display: they are decided before the widget application exists.
    if (BatchSort::IsRequested(argc, argv)) {
        QCoreApplication app(argc, argv);
        QFile out;
        QFile err;
        if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
            || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
            return BatchSort::ExitUsage;
        return BatchSort::Run(QCoreApplication::arguments(), out, err);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavixterminal"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TavixTerminal 2.0: terminal for the Tavix 3000."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption driver(QStringLiteral("driver"),
                                    QStringLiteral("Load the D2XX driver library from PATH."),
                                    QStringLiteral("PATH"));
    parser.addOption(driver);
    parser.process(app);

    QtPrompts prompts;
    COstrumDlg dialog(prompts, parser.value(driver));
    prompts.SetParent(&dialog);
    dialog.exec();
    return 0;
}
