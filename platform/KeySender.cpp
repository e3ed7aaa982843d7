#include "KeySender.h"

#include <cstdio>

#ifdef OSTRELY_HAVE_XTEST
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#endif

namespace platform {

namespace {

#ifdef OSTRELY_HAVE_XTEST
KeySym keysymOf(KeySender::Key key) {
    switch (key) {
        case KeySender::Key::PageDown: return XK_Next;
        case KeySender::Key::PageUp: return XK_Prior;
        case KeySender::Key::KeypadMinus: return XK_KP_Subtract;
        case KeySender::Key::KeypadPlus: return XK_KP_Add;
    }
    return NoSymbol;
}
#endif

// A Wayland session without XWayland sets no DISPLAY; with XWayland the keys reach the X
// programs in front, which is the most there is to reach.
bool onX11(const QByteArray& display) {
    return !display.isEmpty();
}

}  // namespace

KeySender::KeySender(QByteArray display, Warn warn)
    : m_displayName(display.isEmpty() ? qgetenv("DISPLAY") : std::move(display)),
      m_warn(std::move(warn)) {
    if (!m_warn)
        m_warn = [](const QString& text) {
            std::fprintf(stderr, "Ostrely: %s\n", text.toLocal8Bit().constData());
        };
}

KeySender::~KeySender() {
    disconnect();
}

void KeySender::warnOnce(const QString& why) {
    if (m_warned) return;
    m_warned = true;
    m_warn(QStringLiteral("keys cannot be sent to the program in front: %1").arg(why));
}

void KeySender::disconnect() {
#ifdef OSTRELY_HAVE_XTEST
    if (m_display) XCloseDisplay(static_cast<Display*>(m_display));
#endif
    m_display = nullptr;
}

bool KeySender::tryConnect() {
    if (m_display) return true;
    if (m_tried) return false;
    m_tried = true;
#ifdef OSTRELY_HAVE_XTEST
    if (!onX11(m_displayName)) {
        warnOnce(QStringLiteral("no X11 display"));
        return false;
    }
    Display* dpy = XOpenDisplay(m_displayName.constData());
    if (!dpy) {
        warnOnce(QStringLiteral("the X display %1 cannot be opened")
                     .arg(QString::fromLocal8Bit(m_displayName)));
        return false;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(dpy, &event, &error, &major, &minor)) {
        XCloseDisplay(dpy);
        warnOnce(QStringLiteral("the X server has no XTest extension"));
        return false;
    }
    m_display = dpy;
    return true;
#else
    warnOnce(QStringLiteral("built without XTest"));
    return false;
#endif
}

bool KeySender::send(Key key) {
    if (!tryConnect()) return false;
#ifdef OSTRELY_HAVE_XTEST
    auto* dpy = static_cast<Display*>(m_display);
    const KeyCode code = XKeysymToKeycode(dpy, keysymOf(key));
    if (code == 0) {
        warnOnce(QStringLiteral("the keyboard map has no key for keysym 0x%1")
                     .arg(static_cast<unsigned long>(keysymOf(key)), 0, 16));
        return false;
    }
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    XFlush(dpy);
    return true;
#else
    (void)key;
    return false;
#endif
}

}  // namespace platform
