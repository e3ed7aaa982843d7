#include "WindowPlacement.h"

#include "platform/WorkArea.h"

namespace platform {

bool WindowPlacement::fullScreenFor(const QString& platformName, bool waylandDisplay,
                                    bool panelsAnnounced) {
    if (platformName.startsWith(QLatin1String("wayland"))) return true;
    return waylandDisplay && !panelsAnnounced;
}

QRect WindowPlacement::area(const QRect& available, const QRect& screen) const {
    if (!m_fullScreen) return usableWorkArea(available, screen);
    if (m_granted.isValid()) return m_granted;
    return usableWorkArea(screen, screen);
}

bool WindowPlacement::grant(const QRect& geometry) {
    if (!m_fullScreen || geometry == m_granted) return false;
    // A geometry the layout cannot use (a window not yet configured) is not the compositor's
    // answer.
    if (usableWorkArea(geometry, geometry) != geometry) return false;
    m_granted = geometry;
    return true;
}

}  // namespace platform
