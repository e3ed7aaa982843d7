#pragma once
// The board's true proportions from its four corners, and where the live views go on the screen.
// Single precision throughout: in double some sizes come out a pixel larger, and the stored
// pictures and the window placements are expected at exactly these sizes.
#include "camera/DisplayRect.h"
#include "camera/sdk/Corners.h"

#include <QSize>

#include <optional>
#include <utility>

namespace camera {

class CameraGeometry {
public:
    // Corrected size of a picture whose camera gives frameW × frameH, with corners as fractions.
    // None when the corners do not make a convex quadrilateral or give no area.
    static std::optional<QSize> correctedSize(int frameW, int frameH, const sdk::Corners& corners);

    // One camera's corrected picture fitted into the work area (right R, bottom B).
    static DisplayRect previewRect(QSize corrected, int workRight, int workBottom);

    // Both cameras side by side: left and right tiles of equal width.
    static std::pair<DisplayRect, DisplayRect> dualPreviewRects(QSize first, QSize second,
                                                                int workRight, int workBottom);

    // The corrected-height stretch applies when the board is this much smaller than the frame.
    static constexpr float kMargin = 50.0f;
};

}  // namespace camera
