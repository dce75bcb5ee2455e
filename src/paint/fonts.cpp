#include "paint/fonts.h"

QFont DialogFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont CourierFont(int cellHeight)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    // Courier New's em is 2048 of its 2320 design units of ascent plus descent.
    font.setPixelSize(qMax(1, (cellHeight * 2048 + 1160) / 2320));
    return font;
}
