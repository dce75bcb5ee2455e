#include "gui/main_window/costrum_app.h"

#include "core/util/version.h"
#include "gui/main_window/costrum_dlg.h"
#include "gui/widgets/prompts.h"

#include <QApplication>

int COstrumApp::Run(int &argc, char **argv, const QString &driverPath)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavixterminal"));
    QApplication::setApplicationVersion(QLatin1String(kProgramVersion));
    // The installed launcher (tavixterminal.desktop): the desktop takes the
    // window's icon and name from it.
    QGuiApplication::setDesktopFileName(QStringLiteral("tavixterminal"));
    QtPrompts prompts;
    COstrumDlg dialog(prompts, driverPath);
    prompts.SetParent(&dialog);
    dialog.exec();
    return 0;
}
