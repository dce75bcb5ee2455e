// The application object of the window: it creates the widget application,
// constructs the main dialog and runs it modally. The command line
// (cli/command_line.h) decides before that whether the window is asked for
// and whether it can open.
#ifndef TAVIX_GUI_MAIN_WINDOW_COSTRUM_APP_H
#define TAVIX_GUI_MAIN_WINDOW_COSTRUM_APP_H

#include <QString>

class COstrumApp
{
public:
    // Runs the window with the D2XX library at driverPath (empty: the
    // default search) until the dialog ends; returns the exit status.
    static int Run(int &argc, char **argv, const QString &driverPath);
};

#endif
