// The program icon (resource 136) drawn at any size: a dark blue rounded
// tile with a white "T" and a light air-flow wave below it. The window sets
// it as its icon; the build writes it as the PNG files of the desktop's
// icon theme.
#ifndef TAVIX_PAINT_PROGRAM_ICON_IMAGE_H
#define TAVIX_PAINT_PROGRAM_ICON_IMAGE_H

#include <QImage>

// The icon as a size x size image with an alpha channel.
QImage ProgramIconImage(int size);

// The sizes the icon is drawn at for the window and installed at for the
// desktop (the hicolor theme's square sizes from 16 to 256 pixels).
inline constexpr int kProgramIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

#endif
