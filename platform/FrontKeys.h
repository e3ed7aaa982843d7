#pragma once
// The board keys that go to the program in front (page down, page up, keypad minus, keypad plus),
// by the way this desktop offers: XTest where the program runs on X11 or XWayland, the
// remote-desktop portal for a native Wayland window, none elsewhere. Where keys cannot get
// through, the cause goes to the log and the teacher is told once, at the first key lost.
#include "platform/KeySender.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

class PortalKeySender;

class FrontKeys {
public:
    enum class Route { XTest, Portal, None };
    using Notice = std::function<void()>;

    // By the name of Qt's window-system plugin the program runs on.
    static Route routeFor(const QString& platformName);
    static quint32 keysymOf(KeySender::Key key);

    struct Setup {
        Route route = Route::None;
        // The bus of the portal; none takes the session bus, asked for only on the portal's route
        // (asking may start a bus where there is none).
        std::optional<QDBusConnection> bus;
        QString tokenPath;   // where the portal's restore token is kept
        QByteArray display;  // the X display for XTest; empty takes $DISPLAY
    };
    FrontKeys(Setup setup, Notice notice);
    ~FrontKeys();
    FrontKeys(const FrontKeys&) = delete;
    FrontKeys& operator=(const FrontKeys&) = delete;

    // Asks for what takes long before the first key needs it: the portal's session, so the
    // desktop's question comes at start and not in the middle of a lesson.
    void prepare();
    void send(KeySender::Key key);

    Route route() const { return m_route; }
    PortalKeySender* portal() const { return m_portal.get(); }

private:
    void unreachable(const QString& cause, int keysLost);

    Route m_route;
    Notice m_notice;
    std::unique_ptr<KeySender> m_xtest;
    std::unique_ptr<PortalKeySender> m_portal;
    QString m_loggedCause;
    bool m_told = false;
};

}  // namespace platform
