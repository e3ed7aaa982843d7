#pragma once
// The four calibration corners as fractions of the picture's width and height.
#include <QPointF>

#include <array>

namespace camera::sdk {

struct Corners {
    // Top-left, top-right, bottom-right, bottom-left.
    std::array<QPointF, 4> p{QPointF(0, 0), QPointF(1, 0), QPointF(1, 1), QPointF(0, 1)};

    static Corners fullFrame() { return {}; }
    bool operator==(const Corners&) const = default;
};

}  // namespace camera::sdk
