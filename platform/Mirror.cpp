#include "Mirror.h"

namespace platform {

QRect mirrored(const QRect& r, int containerWidth) {
    return mirrored(r, QRect(0, 0, containerWidth, 1));
}

QRect mirrored(const QRect& r, const QRect& area) {
    // The gap to the area's left edge becomes the gap to its right edge.
    const int x = area.x() + area.width() - (r.x() - area.x()) - r.width();
    return QRect(x, r.y(), r.width(), r.height());
}

QRect placed(const QRect& r, int containerWidth, bool rightToLeft) {
    return rightToLeft ? mirrored(r, containerWidth) : r;
}

QRect placed(const QRect& r, const QRect& area, bool rightToLeft) {
    return rightToLeft ? mirrored(r, area) : r;
}

}  // namespace platform
