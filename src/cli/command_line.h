// The program's command line: it decides which mode the arguments ask for
// and runs the command-line modes (help, version, capture, sort and plot),
// which need no display. The window is started through a function the
// program hands in, so that this floor never includes the window's code;
// before it is called, the window's own arguments are checked and so is
// the display, so that a machine without one gets a message, not an abort.
#ifndef TAVIX_CLI_COMMAND_LINE_H
#define TAVIX_CLI_COMMAND_LINE_H

#include <QString>
#include <QStringList>

namespace CommandLine {

enum class Mode { Window, Help, Version, Capture, Sort, Conflict };

// The exit status when the window has no display to open on.
constexpr int kExitNoDisplay = 7;
// The exit status when the text of --help or --version cannot be written.
constexpr int kExitWriteError = 1;

// The mode the arguments (arguments[0] is the program) ask for: help
// (--help, -h, -?) and version (--version, -V, -v) before everything, then capture or sort (both at once is a
// Conflict), else the window. Arguments after "--" are not options.
Mode DecideMode(const QStringList &arguments);

// Why the window cannot open here, or an empty text when it can: on X11
// and Wayland systems, the platform (the -platform argument, else
// QT_QPA_PLATFORM) needs its display variable; with no platform chosen,
// DISPLAY or WAYLAND_DISPLAY must be set. Platforms that need no display
// server (offscreen, vnc, eglfs, linuxfb ...) are taken as they are.
QString NoDisplayReason(const QString &platform, const QString &qpaPlatform, const QString &x11Display,
                        const QString &waylandDisplay);

// Opens the window with the D2XX library of --driver (empty: the default
// search) and returns the status the program ends with.
using WindowStarter = int (*)(int &argc, char **argv, const QString &driverPath);

// The program: runs the mode the arguments ask for; the window through
// startWindow. --verbose (before any "--") is taken out of argv first, in
// every mode, and makes the driver binding name every library it tried.
// Returns the exit status.
int Run(int argc, char *argv[], WindowStarter startWindow);

} // namespace CommandLine

#endif
