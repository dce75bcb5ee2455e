// TavixTerminal 2.0: a terminal for the Tavix 3000 air-measurement instrument.
// The command line decides the mode; the window is one of them.
#include "cli/command_line.h"
#include "gui/main_window/costrum_app.h"

int main(int argc, char *argv[])
{
    return CommandLine::Run(argc, argv, &COstrumApp::Run);
}
