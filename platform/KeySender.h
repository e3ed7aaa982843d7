#pragma once
// Key presses for the program in front (a presentation, say): each key is a synthesised key-down
// and key-up, as if typed. On X11 through the XTest extension, over a connection of its own;
// where that cannot be had (Wayland without XWayland, no display) it says so once on standard
// error and sends nothing. Used from one thread (the user-interface thread).
#include <QByteArray>
#include <QString>

#include <functional>

namespace platform {

class KeySender {
public:
    enum class Key { PageDown, PageUp, KeypadMinus, KeypadPlus };
    using Warn = std::function<void(const QString&)>;

    // display: the X display to open; empty takes $DISPLAY. warn: where the one notice goes
    // (standard error by default).
    explicit KeySender(QByteArray display = {}, Warn warn = {});
    ~KeySender();
    KeySender(const KeySender&) = delete;
    KeySender& operator=(const KeySender&) = delete;

    // False when nothing was sent.
    bool send(Key key);

    // Whether a connection with XTest is open (after the first send, or tryConnect).
    bool isAvailable() const { return m_display != nullptr; }
    bool tryConnect();

private:
    void warnOnce(const QString& why);
    void disconnect();

    QByteArray m_displayName;
    Warn m_warn;
    void* m_display = nullptr;  // the Xlib connection
    bool m_tried = false;
    bool m_warned = false;
};

}  // namespace platform
