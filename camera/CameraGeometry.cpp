#include "CameraGeometry.h"

#include <algorithm>
#include <cmath>

namespace camera {

namespace {

struct Pt {
    float x, y;
};

float dist(Pt a, Pt b) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    return static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
}

// Which side of the line through a and b the point p lies on (sign only).
float side(Pt a, Pt b, Pt p) {
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

// Each diagonal must separate the other two corners. Cross products give the same answer as
// the slope form and also hold when a diagonal is vertical.
bool convex(const Pt (&p)[4]) {
    if (p[0].x == p[1].x) return true;
    if (side(p[3], p[1], p[2]) * side(p[3], p[1], p[0]) >= 0) return false;
    if (side(p[0], p[2], p[3]) * side(p[0], p[2], p[1]) >= 0) return false;
    return true;
}

}  // namespace

std::optional<QSize> CameraGeometry::correctedSize(int frameW, int frameH,
                                                   const sdk::Corners& corners) {
    const float W = static_cast<float>(frameW), H = static_cast<float>(frameH);
    Pt p[4];
    for (int i = 0; i < 4; ++i)
        p[i] = {static_cast<float>(corners.p[i].x()) * W, static_cast<float>(corners.p[i].y()) * H};
    if (!convex(p)) return std::nullopt;

    const float d12 = dist(p[0], p[1]), d13 = dist(p[0], p[2]), d23 = dist(p[1], p[2]);
    const float d14 = dist(p[0], p[3]), d24 = dist(p[1], p[3]);
    // Coincident corners would divide by zero below.
    if (d12 == 0 || d13 == 0 || d14 == 0) return std::nullopt;

    const float cA = (d12 * d12 + d13 * d13 - d23 * d23) / (2 * d12 * d13);
    const float cB = (d14 * d14 + d12 * d12 - d24 * d24) / (2 * d12 * d14);
    const float pA = std::fabs(cA * d13), qB = std::fabs(cB * d14);

    float width;
    if (cA * cB > 0) {
        width = std::max({pA, qB, d12});
    } else {
        width = d12;
        if (pA > d12) width = pA;
        if (qB > width) width = width + (qB - d12);
    }
    const float hA = static_cast<float>(std::sqrt(static_cast<double>((1 - cA * cA) * d13 * d13)));
    const float hB = static_cast<float>(std::sqrt(static_cast<double>((1 - cB * cB) * d14 * d14)));
    float height = std::max(hA, hB);

    // Not finite (rounding past ±1 under the root) counts as no area, like zero does.
    if (!(height > 0) || !(width > 0) || !std::isfinite(height) || !std::isfinite(width))
        return std::nullopt;
    if (H - height > kMargin || W - width > kMargin) height = height / 0.4f;
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

DisplayRect CameraGeometry::previewRect(QSize corrected, int R, int B) {
    const float r = static_cast<float>(corrected.height()) / static_cast<float>(corrected.width());
    int h = static_cast<int>(static_cast<float>(R) * r);
    int w;
    if (h > B) {
        w = static_cast<int>(static_cast<float>(B) / r);
        h = static_cast<int>(static_cast<float>(w) * r);
    } else {
        w = static_cast<int>(static_cast<float>(h) / r);
    }
    w -= w % 4;
    return {(R - w) / 2, (B - h) / 2, w, h};
}

std::pair<DisplayRect, DisplayRect> CameraGeometry::dualPreviewRects(QSize a, QSize b, int R,
                                                                     int B) {
    const int T = 2 * std::min(a.width(), b.width());
    const int Hs = std::min(a.height(), b.height());
    const float r = static_cast<float>(Hs) / static_cast<float>(T);
    int h = static_cast<int>(static_cast<float>(R) * r);
    int total = R;
    if (h > B) {
        h = B;
        total = static_cast<int>(static_cast<float>(B) / r);
    }
    int tile = total / 2;
    tile -= tile % 4;
    const int x0 = (R - 2 * tile) / 2, y = (B - h) / 2;
    return {{x0, y, tile, h}, {x0 + tile, y, tile, h}};
}

}  // namespace camera
