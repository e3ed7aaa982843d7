#include "Keystone.h"

#include <QPainter>
#include <QPolygonF>

namespace camera::sdk {

std::optional<QTransform> Keystone::transform(const Corners& corners, QSize frameSize, QSize out) {
    if (frameSize.isEmpty() || out.isEmpty()) return std::nullopt;
    QPolygonF from;
    for (const QPointF& p : corners.p)
        from << QPointF(p.x() * frameSize.width(), p.y() * frameSize.height());
    const QPolygonF to{QPointF(0, 0), QPointF(out.width(), 0), QPointF(out.width(), out.height()),
                       QPointF(0, out.height())};
    QTransform t;
    if (!QTransform::quadToQuad(from, to, t)) return std::nullopt;
    return t;
}

QImage Keystone::correct(const QImage& frame, const Corners& corners, QSize out) {
    if (out.isEmpty()) return {};
    QImage target(out, QImage::Format_RGB32);
    correctInto(frame, corners, target);
    return target;
}

void Keystone::correctInto(const QImage& frame, const Corners& corners, QImage& target) {
    target.fill(Qt::black);
    if (frame.isNull()) return;
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto t = transform(corners, frame.size(), target.size());
    if (t) {
        painter.setTransform(*t);
        painter.drawImage(0, 0, frame);
    } else {
        painter.drawImage(target.rect(), frame);
    }
}

}  // namespace camera::sdk
