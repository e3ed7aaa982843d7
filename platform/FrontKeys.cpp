#include "FrontKeys.h"

#include "Log.h"
#include "PortalKeySender.h"

namespace platform {

FrontKeys::Route FrontKeys::routeFor(const QString& platformName) {
    if (platformName == QLatin1String("xcb")) return Route::XTest;
    // Qt names its Wayland plugins "wayland", "wayland-egl", "wayland-brcm".
    if (platformName.startsWith(QLatin1String("wayland"))) return Route::Portal;
    return Route::None;
}

quint32 FrontKeys::keysymOf(KeySender::Key key) {
    switch (key) {
        case KeySender::Key::PageDown: return 0xff56;     // Next
        case KeySender::Key::PageUp: return 0xff55;       // Prior
        case KeySender::Key::KeypadMinus: return 0xffad;  // KP_Subtract
        case KeySender::Key::KeypadPlus: return 0xffab;   // KP_Add
    }
    return 0;
}

FrontKeys::FrontKeys(Setup setup, Notice notice)
    : m_route(setup.route), m_notice(std::move(notice)) {
    if (m_route == Route::XTest)
        // It words its one notice itself and gives it once.
        m_xtest = std::make_unique<KeySender>(setup.display, [](const QString& text) {
            log::failure(log::shell(), text, QString());
        });
    if (m_route == Route::Portal)
        m_portal = std::make_unique<PortalKeySender>(
            setup.bus ? *setup.bus : QDBusConnection::sessionBus(), RestoreTokenStore(setup.tokenPath),
            [this](const QString& cause, int lost) { unreachable(cause, lost); });
}

FrontKeys::~FrontKeys() = default;

void FrontKeys::prepare() {
    if (m_portal) m_portal->start();
}

void FrontKeys::send(KeySender::Key key) {
    switch (m_route) {
        case Route::XTest:
            if (!m_xtest->send(key)) unreachable({}, 1);
            return;
        case Route::Portal: m_portal->send(keysymOf(key)); return;
        case Route::None:
            unreachable(QStringLiteral("this window system offers no way to send keys to other programs"), 1);
            return;
    }
}

void FrontKeys::unreachable(const QString& cause, int keysLost) {
    if (!cause.isEmpty() && cause != m_loggedCause) {
        m_loggedCause = cause;
        log::failure(log::shell(), QStringLiteral("keys cannot reach the program in front"), cause);
    }
    if (keysLost == 0 || m_told) return;
    m_told = true;
    if (m_notice) m_notice();
}

}  // namespace platform
