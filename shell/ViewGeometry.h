#pragma once
// Where a camera picture goes on the work area: the main dialog's default placements. Integer
// arithmetic cuts toward zero, as the placements have always been computed.
#include "camera/DisplayRect.h"

#include <QSize>

namespace view {

// One camera: the largest rectangle of the video's shape, width a multiple of 4, centred.
camera::DisplayRect ComputeFitRect(QSize workArea, QSize video);
// Two cameras side by side (each of the video's shape): the rectangle that holds both.
camera::DisplayRect ComputeSideBySideRect(QSize workArea, QSize video);
// The left and the right half of a side-by-side rectangle.
camera::DisplayRect leftHalf(const camera::DisplayRect& both);
camera::DisplayRect rightHalf(const camera::DisplayRect& both);

}  // namespace view
