#include "Message.h"

#include "RaceCheck.h"

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// The sender's side of one cross-thread send: it waits here for the result.
class PendingCall {
public:
    void finish(qintptr result) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_result = result;
            m_done = true;
        }
        m_cv.notify_all();
    }
    qintptr wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [this] { return m_done; });
        return m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    qintptr m_result = 0;
    bool m_done = false;
};

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
    // Waiting on a lock of our own rather than inside Qt keeps the hand-back visible to race
    // checkers.
    auto call = std::make_shared<PendingCall>();
    auto* m = new SentMessage(msg, wParam, lParam, call);
    handOver(m);
    QCoreApplication::postEvent(receiver, m);
    return call->wait();
}

}  // namespace platform
