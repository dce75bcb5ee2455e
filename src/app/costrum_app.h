// The application: reads the command line, then runs the main dialog
// modally; the process ends when the dialog closes.
#ifndef TAVIX_APP_COSTRUM_APP_H
#define TAVIX_APP_COSTRUM_APP_H

#include <QString>

class COstrumApp
{
public:
    static int Run(int argc, char *argv[]);
};

#endif
