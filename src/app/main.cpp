// TavixTerminal 2.0: a terminal for the Tavix 3000 air-measurement instrument.
#include "app/costrum_app.h"

int main(int argc, char *argv[])
{
    return COstrumApp::Run(argc, argv);
}
