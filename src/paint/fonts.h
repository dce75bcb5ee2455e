// The fonts of the window, which the command line's graph draws with too.
#ifndef TAVIX_PAINT_FONTS_H
#define TAVIX_PAINT_FONTS_H

#include <QFont>

// The font of the dialog templates (MS Sans Serif 8 pt): Arial at 11
// pixels, whose metrics match the template's base units.
QFont DialogFont();

// The fixed-pitch font of the text windows: Courier New, bold, whose
// character cell (the internal leading included) is cellHeight pixels high.
QFont CourierFont(int cellHeight);

#endif
