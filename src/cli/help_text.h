// The program's --help text: every mode, option and exit status.
#ifndef TAVIX_CLI_HELP_TEXT_H
#define TAVIX_CLI_HELP_TEXT_H

#include <QString>

QString HelpText();

#endif
