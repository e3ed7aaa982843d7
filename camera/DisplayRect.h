#pragma once
// A rectangle as the controller and the main dialog pass it: origin and size, not two corners.
#include <QRect>

namespace camera {

struct DisplayRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    QRect toQRect() const { return QRect(x, y, width, height); }
    bool operator==(const DisplayRect&) const = default;
};

}  // namespace camera
