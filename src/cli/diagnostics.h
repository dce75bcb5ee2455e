// How the command-line modes talk to the user: every message on standard
// error starts with the program's name, as GNU tools do, and a usage error
// ends with the hint to --help.
#ifndef TAVIX_CLI_DIAGNOSTICS_H
#define TAVIX_CLI_DIAGNOSTICS_H

#include <QString>

class QCommandLineParser;
class QIODevice;

namespace Cli {

// The status of bad arguments, shared by every mode.
constexpr int kExitUsage = 2;

// text and a line feed, as UTF-8.
void WriteLine(QIODevice &device, const QString &text);

// "tavixterminal: message" on a line of its own.
void Say(QIODevice &err, const QString &message);

// Say(message), then "Try 'tavixterminal --help' for more information.";
// returns kExitUsage.
int UsageError(QIODevice &err, const QString &message);

// Why parser refused the arguments of a mode ("--capture", "--sort", or
// empty for the window): an option that belongs to another mode is named
// with the mode it belongs to ("--idle belongs to --capture, not to
// --sort"); anything else in the parser's own words.
QString ParseErrorText(const QCommandLineParser &parser, const QString &mode);

} // namespace Cli

#endif
