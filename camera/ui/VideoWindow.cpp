#include "VideoWindow.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace camera {

namespace {

// Labels sit outside the board, away from the corner they name.
const QPointF kLabelOffsets[4] = {QPointF(12, 14), QPointF(-12, 14), QPointF(-12, -14),
                                  QPointF(12, -14)};

}  // namespace

CVideoWindow::CVideoWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

CVideoWindow::~CVideoWindow() {
    detachFromCameras();
}

QColor CVideoWindow::fromColorRef(uint32_t v) {
    return QColor(int(v & 0xff), int((v >> 8) & 0xff), int((v >> 16) & 0xff));
}

void CVideoWindow::present(const QImage& frame, const sdk::CornerOverlay& overlay) {
    {
        std::lock_guard lock(m_mutex);
        m_frame = frame;
        // While a corner is dragged the window's own corners are the newer ones.
        const sdk::Corners dragged = m_overlay.corners;
        m_overlay = overlay;
        if (m_dragging >= 0) m_overlay.corners = dragged;
    }
    // One repaint in the queue at a time: frames arriving faster than paints replace each other.
    if (!m_repaintQueued.exchange(true)) {
        m_repaints.post([this] {
            m_repaintQueued = false;
            update();
        });
    }
}

void CVideoWindow::setCornerMover(std::function<void(int, QPointF)> mover) {
    std::lock_guard lock(m_mutex);
    m_mover = std::move(mover);
}

void CVideoWindow::placeWindow(const DisplayRect& rect) {
    setGeometry(rect.toQRect());
}

void CVideoWindow::showWindow(bool show) {
    setVisible(show);
}

QImage CVideoWindow::lastFrame() const {
    std::lock_guard lock(m_mutex);
    return m_frame;
}

QPointF CVideoWindow::handlePosition(int corner) const {
    std::lock_guard lock(m_mutex);
    const QPointF f = m_overlay.corners.p[corner];
    return QPointF(f.x() * width(), f.y() * height());
}

QPointF CVideoWindow::toFraction(QPointF pos) const {
    return QPointF(std::clamp(pos.x() / std::max(1, width()), 0.0, 1.0),
                   std::clamp(pos.y() / std::max(1, height()), 0.0, 1.0));
}

void CVideoWindow::paintEvent(QPaintEvent*) {
    QImage frame;
    sdk::CornerOverlay overlay;
    {
        std::lock_guard lock(m_mutex);
        frame = m_frame;
        overlay = m_overlay;
    }
    QPainter p(this);
    // Every frame is drawn over the whole window: only a window without an opaque one is filled.
    if (frame.isNull() || frame.hasAlphaChannel()) p.fillRect(rect(), Qt::black);
    if (frame.isNull()) return;
    if (overlay.editing) {
        paintEditing(p, frame, overlay);
        return;
    }
    if (frame.size() == size()) {
        p.drawImage(0, 0, frame);
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), frame);
    }
}

void CVideoWindow::paintEditing(QPainter& p, const QImage& frame, const sdk::CornerOverlay& o) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), frame);
    p.setRenderHint(QPainter::Antialiasing);
    QPointF pts[4];
    for (int i = 0; i < 4; ++i)
        pts[i] = QPointF(o.corners.p[i].x() * width(), o.corners.p[i].y() * height());
    const QColor lines = fromColorRef(o.lines), active = fromColorRef(o.active);
    p.setPen(QPen(lines, 2));
    p.drawPolygon(pts, 4);
    QFont font = p.font();
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(i == m_dragging ? active : lines);
        p.drawEllipse(pts[i], kHandleRadius, kHandleRadius);
        if (i < o.labels.size()) {
            const QPointF at = pts[i] + kLabelOffsets[i];
            const Qt::Alignment align = (i == 0 || i == 3 ? Qt::AlignLeft : Qt::AlignRight) |
                                        (i < 2 ? Qt::AlignTop : Qt::AlignBottom);
            QRectF box(at.x() - (align & Qt::AlignRight ? 300 : 0),
                       at.y() - (align & Qt::AlignBottom ? 30 : 0), 300, 30);
            p.setPen(active);
            p.drawText(box, int(align), o.labels[i]);
        }
    }
}

void CVideoWindow::mousePressEvent(QMouseEvent* event) {
    std::lock_guard lock(m_mutex);
    if (!m_overlay.editing || event->button() != Qt::LeftButton) return;
    const QPointF pos = event->position();
    double best = 3.0 * kHandleRadius;
    for (int i = 0; i < 4; ++i) {
        const QPointF f = m_overlay.corners.p[i];
        const double d = QLineF(pos, QPointF(f.x() * width(), f.y() * height())).length();
        if (d <= best) {
            best = d;
            m_dragging = i;
        }
    }
    update();
}

void CVideoWindow::mouseMoveEvent(QMouseEvent* event) {
    std::function<void(int, QPointF)> mover;
    int corner;
    QPointF f;
    {
        std::lock_guard lock(m_mutex);
        if (m_dragging < 0) return;
        corner = m_dragging;
        f = toFraction(event->position());
        m_overlay.corners.p[corner] = f;
        mover = m_mover;
    }
    if (mover) mover(corner, f);
    update();
}

void CVideoWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging >= 0) mouseMoveEvent(event);
    std::lock_guard lock(m_mutex);
    m_dragging = -1;
    update();
}

}  // namespace camera
