#pragma once
// The pointer and the fingers drive the picture viewer: drag, wheel zoom around the pointer,
// and the two-finger pinch.
#include <QRect>

#include <functional>

class QEvent;
class QTouchEvent;
namespace app {
class PictureViewer;
}

namespace shell {

class PinchZoom;

// Passes a mouse or wheel event of the main window to the viewer; true when the event is used
// up. window: the main window's rectangle on the screen; a pointer outside it ends a drag and
// calls left().
bool viewerInput(app::PictureViewer& viewer, PinchZoom& pinch, const QEvent* e,
                 const QRect& window, const std::function<void()>& left);

}  // namespace shell
