#include "core/util/window_placement.h"

namespace {

qint64 Area(const QRect &rect)
{
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

// The start of a span of length size moved the least to lie within
// [first, first + room); first when it does not fit.
int Clamp(int start, int size, int first, int room)
{
    if (size >= room)
        return first;
    return qBound(first, start, first + room - size);
}

} // namespace

std::optional<QPoint> PlaceRememberedWindow(const QRect &saved, const QList<QRect> &screens)
{
    if (saved.isEmpty())
        return std::nullopt;
    const QRect *best = nullptr;
    qint64 bestArea = 0;
    for (const QRect &screen : screens) {
        const qint64 shared = Area(saved.intersected(screen));
        if (shared > bestArea) {
            bestArea = shared;
            best = &screen;
        }
    }
    if (!best)
        return std::nullopt;
    return QPoint(Clamp(saved.x(), saved.width(), best->x(), best->width()),
                  Clamp(saved.y(), saved.height(), best->y(), best->height()));
}
