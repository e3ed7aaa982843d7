#pragma once
// Window messages between threads: a QEvent whose type is the message number itself.
#include <QEvent>
#include <QString>
#include <QtGlobal>

namespace platform {

class Message : public QEvent {
public:
    Message(unsigned msg, quintptr wParam, qintptr lParam)
        : QEvent(static_cast<QEvent::Type>(msg)), msg(msg), wParam(wParam), lParam(lParam) {}
    unsigned msg;
    quintptr wParam;
    qintptr lParam;
    qintptr result = 0;  // what the receiver answers to a sent message
    QString text;        // payload of messages that carry a name (the device-change message)
};

// The message carried by an event, or null when the event is not a message of that number.
const Message* asMessage(const QEvent* e, unsigned msg);
// Any message, whatever its number; null for other events. Receivers read messages only through
// these two, which also make the sender's writes visible to the thread sanitizer.
const Message* asMessage(const QEvent* e);

// Queues the message for the receiver's thread and returns at once.
void postMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam);
// The same, with a text payload.
void postMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam,
                 const QString& text);

// Delivers the message and returns the receiver's result. On the receiver's own thread the
// handler runs directly; from another thread the caller blocks until the receiver's event loop
// has handled it.
qintptr sendMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam);

}  // namespace platform
