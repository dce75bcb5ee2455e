#include "app/costrum_app.h"

#include "app/costrum_dlg.h"
#include "app/prompts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>

int COstrumApp::Run(int argc, char *argv[])
{
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
