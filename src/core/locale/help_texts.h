// The built-in help texts (text number 4000) and the fixed texts of the About
// box and its menu entries.
#ifndef TAVIX_CORE_LOCALE_HELP_TEXTS_H
#define TAVIX_CORE_LOCALE_HELP_TEXTS_H

#include <QString>

// Help texts shown by the Help button, hard-wrapped with CR LF: English lines
// of at most 93 characters, Chinese lines of at most 72. No trailing CR LF.
QString EnglishHelpText();
QString ChineseHelpText();

// About box (template 100): title, version line and the maker's notice.
QString AboutBoxTitle();
QString AboutVersionText();
QString AboutNoticeText();

// String resource 101: the text of the system-menu item and of the one item
// of the menu bar that open the About box.
QString AboutMenuText();

#endif
