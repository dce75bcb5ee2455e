// Where a window goes at start-up when its place of the last run is
// remembered: screens may have been removed, moved or made smaller since,
// and a window must never open where the user cannot reach it.
#ifndef TAVIX_CORE_UTIL_WINDOW_PLACEMENT_H
#define TAVIX_CORE_UTIL_WINDOW_PLACEMENT_H

#include <QList>
#include <QPoint>
#include <QRect>

#include <optional>

// The top-left corner for a window frame remembered as saved, given the
// available area of each screen now attached. The screen that shares the
// most area with saved takes the window; the window is moved the least
// that puts it wholly inside that screen (its top-left corner inside when
// it is larger than the screen). Nothing (the system places the window)
// when saved is empty or shares no area with any screen.
// saved (10,10 300x200) on a 1920x1080 screen -> (10,10); (1800,10 300x200)
// -> (1620,10); (2500,100 ...) with that screen alone -> nothing.
std::optional<QPoint> PlaceRememberedWindow(const QRect &saved, const QList<QRect> &screens);

#endif
