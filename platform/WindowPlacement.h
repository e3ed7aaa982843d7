#pragma once
// Where the main window stands and which area its layout is for. On an X desktop it covers the
// work area that the panels announce. In a Wayland session, natively or through XWayland, no
// compositor tells a native program where its panels are, and a tiling one tiles an ordinary
// window: there the window asks to be full-screen and is laid out for the geometry it is given.
#include <QRect>
#include <QString>

namespace platform {

class WindowPlacement {
public:
    explicit WindowPlacement(bool fullScreen = false) : m_fullScreen(fullScreen) {}

    // Full-screen in a Wayland session: Qt's plugin is Wayland's, or an X display comes with a
    // Wayland one (XWayland) and announces no panels. A desktop whose window manager announces
    // them (GNOME and KDE do to XWayland) keeps them, as on X.
    static bool fullScreenFor(const QString& platformName, bool waylandDisplay,
                              bool panelsAnnounced);

    bool fullScreen() const { return m_fullScreen; }
    // The area the window covers and is laid out for: the usable work area on X; full-screen,
    // the geometry granted last, or the screen until one is.
    QRect area(const QRect& available, const QRect& screen) const;
    // The compositor gave the shown full-screen window this geometry. True when the layout must
    // follow it: a geometry other than the one granted before, and large enough to be believed.
    bool grant(const QRect& geometry);

private:
    bool m_fullScreen;
    QRect m_granted;
};

}  // namespace platform
