#include "ViewerInput.h"

#include "shell/PictureViewer.h"
#include "shell/PinchZoom.h"

#include <QMouseEvent>
#include <QTouchEvent>
#include <QWheelEvent>

namespace shell {

namespace {

// Two fingers zoom; one finger drags as the mouse does.
bool touchInput(app::PictureViewer& viewer, PinchZoom& pinch, const QTouchEvent* t) {
    if (t->type() == QEvent::TouchEnd || t->type() == QEvent::TouchCancel) {
        pinch.reset();
        viewer.dragEnd();
        return true;
    }
    QList<QPointF> down;
    for (const QEventPoint& p : t->points())
        if (p.state() != QEventPoint::Released) down << p.globalPosition();
    if (down.size() >= 2) {
        viewer.dragEnd();
        if (const auto step = pinch.track(down)) viewer.zoomByWheelStep(step->delta, step->centre);
        return true;
    }
    pinch.reset();
    if (down.isEmpty()) return true;
    if (t->type() == QEvent::TouchBegin)
        viewer.dragStart(down.first().toPoint());
    else
        viewer.dragMove(down.first().toPoint());
    return true;
}

}  // namespace

bool viewerInput(app::PictureViewer& viewer, PinchZoom& pinch, const QEvent* e,
                 const QRect& window, const std::function<void()>& left) {
    switch (e->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            return touchInput(viewer, pinch, static_cast<const QTouchEvent*>(e));
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
