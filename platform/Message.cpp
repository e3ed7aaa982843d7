#include "Message.h"

#include "PendingCall.h"
#include "RaceCheck.h"

#include <QCoreApplication>
#include <QThread>

#include <memory>

namespace platform {

namespace {

// A message posted on behalf of a waiting sender. The event loop deletes it once handled, or
// when it is dropped (the receiver went away): either way the sender is released.
class SentMessage : public Message {
public:
    SentMessage(unsigned msg, quintptr wParam, qintptr lParam, std::shared_ptr<PendingCall> call)
        : Message(msg, wParam, lParam), m_call(std::move(call)) {}
    ~SentMessage() override { m_call->finish(result); }

private:
    std::shared_ptr<PendingCall> m_call;
};

}  // namespace

const Message* asMessage(const QEvent* e) {
    takeOver(e);
    return dynamic_cast<const Message*>(e);
}

const Message* asMessage(const QEvent* e, unsigned msg) {
    takeOver(e);
    if (e == nullptr || static_cast<unsigned>(e->type()) != msg) return nullptr;
    return dynamic_cast<const Message*>(e);
}

void postMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam) {
    postMessage(receiver, msg, wParam, lParam, QString());
}

void postMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam,
                 const QString& text) {
    auto* m = new Message(msg, wParam, lParam);
    m->text = text;
    handOver(m);
    QCoreApplication::postEvent(receiver, m);
}

qintptr sendMessage(QObject* receiver, unsigned msg, quintptr wParam, qintptr lParam) {
    if (receiver->thread() == QThread::currentThread()) {
        Message m(msg, wParam, lParam);
        QCoreApplication::sendEvent(receiver, &m);
        return m.result;
    }
    auto call = std::make_shared<PendingCall>();
    auto* m = new SentMessage(msg, wParam, lParam, call);
    handOver(m);
    QCoreApplication::postEvent(receiver, m);
    return call->wait();
}

}  // namespace platform
