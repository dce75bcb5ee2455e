// Child windows with a thin border: the frame is drawn at the widget's edge
// and the window's own drawing happens in its client area inside it, whose
// coordinates start at (0, 0).
#ifndef TAVIX_CHARTS_BORDERED_WINDOW_H
#define TAVIX_CHARTS_BORDERED_WINDOW_H

class QPainter;
class QWidget;

constexpr int kWindowBorderWidth = 1;

// Draws the black one-pixel frame of widget, then moves the painter's origin
// to the client area and clips it there.
void BeginBorderedClientPaint(QPainter &painter, const QWidget &widget);

#endif
