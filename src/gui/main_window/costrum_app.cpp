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
    QtPrompts prompts;
    COstrumDlg dialog(prompts, driverPath);
    prompts.SetParent(&dialog);
    dialog.exec();
    return 0;
}
