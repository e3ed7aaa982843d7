#include "shell/CornerButton.h"

namespace overlay {

QRect placeCornerButton(int marginX, int marginY, const QRect& workArea) {
    int side = 110;
    if (marginX <= 110 && marginY <= 110) {
        side = marginY > 50 ? marginY : marginX;
        if (side < 20) side = 0;
    }
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    return {right - side - 1, bottom - side - 1, side, side};
}

QRect backToVideoRect(const camera::DisplayRect& view, const QRect& workArea) {
    const int right = workArea.x() + workArea.width();
    return {(view.width + right) / 2 - 60, 10, 50, 50};
}

}  // namespace overlay
