#include "Message.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <future>
#include <memory>

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
        return m.result;
    }
    // The caller waits on a promise of ours rather than inside Qt, so the hand-back of the
    // result is visible to race checkers too. The promise is kept when the call is destroyed,
    // so a call that never runs (the receiver went away) does not leave the caller waiting.
    struct Done {
        std::promise<void> promise;
        ~Done() { promise.set_value(); }
    };
    auto done = std::make_shared<Done>();
    std::future<void> handled = done->promise.get_future();
    QMetaObject::invokeMethod(
        receiver,
        [receiver, &m, done = std::move(done)] { QCoreApplication::sendEvent(receiver, &m); },
        Qt::QueuedConnection);
    handled.wait();
    return m.result;
}

}  // namespace platform
