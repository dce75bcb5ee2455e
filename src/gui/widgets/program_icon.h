// The program icon (resource 136), drawn at the sizes the platform asks for.
#ifndef TAVIX_GUI_WIDGETS_PROGRAM_ICON_H
#define TAVIX_GUI_WIDGETS_PROGRAM_ICON_H

#include <QIcon>

QIcon ProgramIcon();

#endif
