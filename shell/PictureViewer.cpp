#include "PictureViewer.h"

#include <algorithm>

namespace app {

PictureViewer::PictureViewer(PictureTarget& target) : m_target(target) {}

void PictureViewer::setWorkArea(const QSize& area) {
    m_workArea = area;
}

void PictureViewer::setTargetRect(const QRect& rect) {
    m_targetRect = rect;
}

void PictureViewer::setFrame(int x, int y, int width, int height) {
    m_origin = QPointF(x, y);
    m_lastDrawn = m_origin;
    m_base = QSize(width, height);
}

void PictureViewer::load(const QString& path) {
    m_path = path;
    m_zoom = 1.0;
    m_dragging = false;
    const QImage image = m_file.read(path);
    const int W = m_workArea.width();
    const int H = m_workArea.height();
    if (image.isNull() || W <= 0 || H <= 0) {
        // Nothing to place: an empty picture takes no drags or zooms, the surface stays black.
        m_base = QSize();
        m_origin = m_lastDrawn = QPointF();
        m_target.present(QImage(), QRect());
        return;
    }
    const float a = float(image.height()) / float(image.width());
    int h = int(W * a);
    int w = 0;
    if (H < h) {
        w = int(H / a);
        h = int(w * a);
    } else {
        w = int(h / a);
    }
    m_base = QSize(w / 4 * 4, h);
    m_origin = QPointF((W - m_base.width()) / 2, (H - h) / 2);
    m_lastDrawn = m_origin;
    m_target.present(image, drawRectAt(m_origin));
}

double PictureViewer::placeAxis(double low, double high, double drawn, double wanted) {
    if (high >= drawn) return (high - drawn) / 2;
    if (high + low >= wanted + drawn) return high + low - drawn;
    return std::min(low, wanted);
}

QPointF PictureViewer::place(QPointF wanted) const {
    const QSizeF d = drawnSize();
    return QPointF(placeAxis(0, m_workArea.width(), d.width(), wanted.x()),
                   placeAxis(0, m_workArea.height(), d.height(), wanted.y()));
}

QSizeF PictureViewer::drawnSize() const {
    return QSizeF(m_base.width() * m_zoom, m_base.height() * m_zoom);
}

QRect PictureViewer::drawRectAt(QPointF position) const {
    const QSizeF d = drawnSize();
    return QRect(int(position.x()), int(position.y()), int(d.width()), int(d.height()));
}

bool PictureViewer::insidePicture(QPoint point) const {
    const QSizeF d = drawnSize();
    return point.x() >= m_origin.x() && point.x() <= m_origin.x() + d.width() &&
           point.y() >= m_origin.y() && point.y() <= m_origin.y() + d.height();
}

void PictureViewer::draw(QPointF position) {
    if (m_base.isEmpty()) {
        m_target.present(QImage(), QRect());
        return;
    }
    m_target.present(m_file.read(m_path), drawRectAt(position));
}

void PictureViewer::redraw() {
    draw(m_origin);
}

void PictureViewer::dragStart(QPoint point) {
    if (!m_targetRect.contains(point)) return;
    m_dragStart = point;
    // A press and release without a move leaves the picture where it is.
    m_lastDrawn = m_origin;
    m_dragging = true;
}

void PictureViewer::dragMove(QPoint point) {
    if (!m_dragging || m_base.isEmpty() || !insidePicture(point)) return;
    const QPointF placed = place(QPointF(point) + m_origin - QPointF(m_dragStart));
    draw(placed);
    m_lastDrawn = placed;
}

void PictureViewer::dragEnd() {
    // Also called for every release and when the pointer leaves the window; only a drag moves
    // the picture.
    if (!m_dragging) return;
    m_origin = m_lastDrawn;
    m_dragging = false;
}

void PictureViewer::zoomByWheelStep(int delta, QPoint point) {
    delta = std::clamp(delta, -kMaxWheelDelta, kMaxWheelDelta);
    zoomAbout(delta / kWheelDeltaPerZoom, point);
}

void PictureViewer::zoomByFactor(double step, QPoint point) {
    zoomAbout(step, point);
}

void PictureViewer::zoomAbout(double step, QPoint point) {
    if (m_base.isEmpty() || !m_targetRect.contains(point)) return;
    // Set, not summed, so a request past a limit stops exactly on it.
    const double zoom = std::clamp(m_zoom + step, kMinZoom, kMaxZoom);
    step = zoom - m_zoom;
    const double bw = m_base.width();
    const double bh = m_base.height();
    const QPointF shift(
        (point.x() - m_targetRect.left() - m_origin.x()) / (bw * m_zoom) * (bw * step),
        (point.y() - m_targetRect.top() - m_origin.y()) / (bh * m_zoom) * (bh * step));
    m_zoom = zoom;
    // The origin follows what is drawn, so the next drag hits the picture where it is seen.
    m_origin = place(m_origin - shift);
    m_lastDrawn = m_origin;
    draw(m_origin);
}

}  // namespace app
