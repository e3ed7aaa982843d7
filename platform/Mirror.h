#pragma once
// Fixed positions are written for left-to-right; a right-to-left window shows them mirrored, so
// what stood at the left edge stands at the right edge and a row reads the other way round.
#include <QPoint>
#include <QRect>

namespace platform {

// r mirrored about the middle of a container that starts at 0 and is the given width wide.
QRect mirrored(const QRect& r, int containerWidth);
// r mirrored about the vertical middle of area (both in the same coordinates).
QRect mirrored(const QRect& r, const QRect& area);

// r as placed for the direction: unchanged left-to-right, mirrored right-to-left.
QRect placed(const QRect& r, int containerWidth, bool rightToLeft);
QRect placed(const QRect& r, const QRect& area, bool rightToLeft);

}  // namespace platform
