#pragma once
// The pointer drives the picture viewer: drag, and wheel zoom around the pointer.
#include <QRect>

#include <functional>

class QEvent;
namespace app {
class PictureViewer;
}

namespace shell {

// Passes a mouse or wheel event of the main window to the viewer; true when the event is used
// up. window: the main window's rectangle on the screen; a pointer outside it ends a drag and
// calls left().
bool viewerInput(app::PictureViewer& viewer, const QEvent* e, const QRect& window,
                 const std::function<void()>& left);

}  // namespace shell
