#include "ViewerInput.h"

#include "shell/PictureViewer.h"

#include <QMouseEvent>
#include <QWheelEvent>

namespace shell {

bool viewerInput(app::PictureViewer& viewer, const QEvent* e, const QRect& window,
                 const std::function<void()>& left) {
    switch (e->type()) {
        case QEvent::MouseButtonPress: {
            const auto* m = static_cast<const QMouseEvent*>(e);
            if (m->button() == Qt::LeftButton) viewer.dragStart(m->globalPosition().toPoint());
            return false;
        }
        case QEvent::MouseMove: {
            const auto* m = static_cast<const QMouseEvent*>(e);
            const QPoint at = m->globalPosition().toPoint();
            if (!window.contains(at)) {
                left();
                viewer.dragEnd();
            } else if (m->buttons() & Qt::LeftButton) {
                viewer.dragMove(at);
            }
            return false;
        }
        case QEvent::MouseButtonRelease: viewer.dragEnd(); return false;
        case QEvent::Wheel: {
            const auto* w = static_cast<const QWheelEvent*>(e);
            viewer.zoomByWheelStep(w->angleDelta().y(), w->globalPosition().toPoint());
            return true;
        }
        default: return false;
    }
}

}  // namespace shell
