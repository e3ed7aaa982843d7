#pragma once
// Where the overlay's own buttons go: the calibration button in the corner the picture leaves
// free, the back-to-video button near the top right of a centred picture.
#include "camera/DisplayRect.h"

#include <QRect>

namespace overlay {

// The calibration button's rectangle from the view rect's left and top margins; empty when the
// margins leave too little room.
QRect placeCornerButton(int marginX, int marginY, const QRect& workArea);

// 60 pixels left of the right edge of a centred picture, 10 from the top, 50 x 50.
QRect backToVideoRect(const camera::DisplayRect& view, const QRect& workArea);

}  // namespace overlay
