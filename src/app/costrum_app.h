// The application: reads the command line and runs one of its modes. The
// command-line modes (help, version, capture, sort and plot) run without a
// display and are decided before any window system is touched; only the
// window needs a display, which is checked before the widget application
// exists, so that a machine without one gets a message, not an abort.
#ifndef TAVIX_APP_COSTRUM_APP_H
#define TAVIX_APP_COSTRUM_APP_H

#include <QString>
#include <QStringList>

class COstrumApp
{
public:
    enum class Mode { Window, Help, Version, Capture, Sort, Conflict };

    // The exit status when the window has no display to open on.
    static constexpr int kExitNoDisplay = 7;

    static int Run(int argc, char *argv[]);

    // The mode the arguments (arguments[0] is the program) ask for: help
    // and version before everything, then capture or sort (both at once is
    // a Conflict), else the window. Arguments after "--" are not options.
    static Mode DecideMode(const QStringList &arguments);

    // Why the window cannot open here, or an empty text when it can: on
    // X11 and Wayland systems, the platform (the -platform argument, else
    // QT_QPA_PLATFORM) needs its display variable; with no platform chosen,
    // DISPLAY or WAYLAND_DISPLAY must be set. Platforms that need no display
    // server (offscreen, vnc, eglfs, linuxfb ...) are taken as they are.
    static QString NoDisplayReason(const QString &platform, const QString &qpaPlatform, const QString &x11Display,
                                   const QString &waylandDisplay);
};

#endif
