#pragma once
// Geometry of the toolbar panel: button size, open and closed layouts, the position rule.
// All rectangles are relative to the overlay, whose origin is the work area's.
#include "camera/DisplayRect.h"

#include <QPoint>
#include <QRect>
#include <QSize>

namespace panel {

// Edge length of every button: the smaller of the work area's right and bottom over 15, at most
// 110, cut down to a multiple of 10.
int computeStep(const QRect& workArea);

// Where the panel starts: 80 % of the work area's right and bottom.
QPoint startPosition(const QRect& workArea);

// The open panel's rectangle, moved up (and left in drawing mode) to stay on the work area.
QRect openRect(const QRect& panel, const QRect& workArea, int step, bool drawingMode);

// Command column (list, capture, share, pen) and pen column (red, black, blue, eraser, clear),
// relative to the panel.
QRect commandButtonRect(int index, int step);
QRect penButtonRect(int index, int step);

// Keeps a panel of the given size inside its parent: lower bounds first, then upper.
QPoint keepInside(const QPoint& wanted, const QSize& parent, const QSize& panel);

// The picture list at the right of the view, centred vertically.
QPoint pictureListPosition(const camera::DisplayRect& view, const QSize& list);

}  // namespace panel
