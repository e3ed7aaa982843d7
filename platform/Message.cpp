#include "Message.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace platform {

const Message* asMessage(const QEvent* e, unsigned msg) {
    if (e == nullptr || static_cast<unsigned>(e->type()) != msg) return nullptr;
    return dynamic_cast<const Message*>(e);
}

void postMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam) {
    QCoreApplication::postEvent(receiver, new Message(msg, wParam, lParam));
}

void postMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam,
                 const QString& text) {
    auto* m = new Message(msg, wParam, lParam);
    m->text = text;
    QCoreApplication::postEvent(receiver, m);
}

qintptr sendMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam) {
    Message m(msg, wParam, lParam);
    if (receiver->thread() == QThread::currentThread()) {
        QCoreApplication::sendEvent(receiver, &m);
    } else {
        QMetaObject::invokeMethod(
            receiver, [receiver, &m] { QCoreApplication::sendEvent(receiver, &m); },
            Qt::BlockingQueuedConnection);
    }
    return m.result;
}

}  // namespace platform
