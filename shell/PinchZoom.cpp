#include "PinchZoom.h"

#include <QLineF>

#include <cmath>

namespace shell {

std::optional<PinchZoom::Step> PinchZoom::track(const QList<QPointF>& points) {
    if (points.size() < 2) {
        m_active = false;
        return std::nullopt;
    }
    const double distance = QLineF(points[0], points[1]).length();
    const QPoint centre = ((points[0] + points[1]) / 2).toPoint();
    if (!m_active) {
        m_active = true;
        m_distance = distance;
        return std::nullopt;
    }
    const int delta = static_cast<int>(std::lround(distance - m_distance));
    m_distance = distance;
    if (delta == 0) return std::nullopt;
    return Step{delta, centre};
}

}  // namespace shell
