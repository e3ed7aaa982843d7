#pragma once
#include <QRect>

namespace platform {

// The part of the screen the main window covers: what the desktop leaves free of its panels, or
// the whole screen when the desktop reports nothing sensible (empty, outside the screen, a
// sliver); never empty.
QRect usableWorkArea(const QRect& available, const QRect& screen);

}  // namespace platform
