#pragma once
// The two-finger zoom on a touch screen or touch board: at the start of a gesture the fingers'
// distance is remembered; every later step hands the change of distance since the previous step
// to the viewer as a wheel step at the gesture's centre (the viewer limits each step).
#include <QList>
#include <QPoint>
#include <QPointF>

#include <optional>

namespace shell {

class PinchZoom {
public:
    struct Step {
        int delta;  // in wheel units: one pixel of distance is one unit
        QPoint centre;
    };

    // The touch points now (screen coordinates); the first two count. Fewer than two end the
    // gesture; a step comes only from the second event of a gesture on.
    std::optional<Step> track(const QList<QPointF>& points);
    bool active() const { return m_active; }
    void reset() { m_active = false; }

private:
    bool m_active = false;
    double m_distance = 0.0;
};

}  // namespace shell
