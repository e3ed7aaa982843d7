#include "WorkArea.h"

namespace platform {

namespace {

// Smaller than this, no picture, panel or button fits: the desktop's report is not believed.
constexpr int kMinSide = 200;
constexpr QSize kFallback{1024, 768};

bool usable(const QRect& r) {
    return r.width() >= kMinSide && r.height() >= kMinSide;
}

}  // namespace

QRect usableWorkArea(const QRect& available, const QRect& screen) {
    const QRect inside = available.intersected(screen);
    if (usable(inside)) return inside;
    if (usable(screen)) return screen;
    return QRect(screen.topLeft(), kFallback);
}

}  // namespace platform
