// The built-in help texts (text number 4000) and the fixed texts of the About
// box and its menu entries.
#ifndef TAVIX_CORE_LOCALE_HELP_TEXTS_H
#define TAVIX_CORE_LOCALE_HELP_TEXTS_H

#include <QString>

// The platform a help text is written for. On Windows the USB driver is
// FTDI's, installed with its set-up program, and the decimal sign of the
// data follows the Control Panel; on Linux the kernel's own driver serves
// the port, access comes from the udev rule or the dialout group, and the
// program reads the decimal sign itself.
enum class HelpPlatform { Windows, Linux };

// The platform the program was built for (Linux for every system but Windows).
HelpPlatform RunningHelpPlatform();

// Help texts shown by the Help button, hard-wrapped with CR LF: English lines
// of at most 93 characters, Chinese lines of at most 72. No trailing CR LF.
QString EnglishHelpText(HelpPlatform platform = RunningHelpPlatform());
QString ChineseHelpText(HelpPlatform platform = RunningHelpPlatform());

// About box (template 100): title, version line and the maker's notice.
QString AboutBoxTitle();
QString AboutVersionText();
QString AboutNoticeText();

// String resource 101: the text of the system-menu item and of the one item
// of the menu bar that open the About box.
QString AboutMenuText();

#endif
