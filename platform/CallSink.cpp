#include "CallSink.h"

#include "Log.h"
#include "MessageIds.h"
#include "PendingCall.h"
#include "RaceCheck.h"

#include <QCoreApplication>
#include <QThread>

#include <exception>
#include <memory>

namespace platform {

namespace {

// A call in the event queue. Deleted once handled or when dropped unhandled: either way a
// waiting caller is released, with whether the call ran.
class CallMessage : public Message {
public:
    CallMessage(std::function<void()> fn, std::shared_ptr<PendingCall> pending)
        : Message(msg::kRunCall, 0, 0), m_fn(std::move(fn)), m_pending(std::move(pending)) {}
    ~CallMessage() override {
        if (m_pending) m_pending->finish(result);
    }
    void run() { result = runGuarded(m_fn) ? 1 : 0; }

    // An exception thrown by a handed call stops here rather than unwinding the event loop.
    static bool runGuarded(const std::function<void()>& fn) {
        try {
            fn();
            return true;
        } catch (const std::exception& e) {
            log::failure(log::shell(), "A call handed to the user-interface thread failed",
                         QString::fromLocal8Bit(e.what()));
        } catch (...) {
            log::failure(log::shell(), "A call handed to the user-interface thread failed",
                         QStringLiteral("unknown exception"));
        }
        return false;
    }

private:
    std::function<void()> m_fn;
    std::shared_ptr<PendingCall> m_pending;
};

}  // namespace

CallSink::CallSink(QObject* parent) : QObject(parent) {}

CallSink::~CallSink() {
    close();
}

bool CallSink::closed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

void CallSink::close() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    // Every call posted before the flag was set is in the queue now: dropping it releases its
    // caller.
    QCoreApplication::removePostedEvents(this, static_cast<int>(msg::kRunCall));
}

bool CallSink::call(std::function<void()> fn) {
    if (thread() == QThread::currentThread()) return !closed() && CallMessage::runGuarded(fn);
    auto pending = std::make_shared<PendingCall>();
    {
        // Posting under the lock: close() either sees this call in the queue or we see it closed.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) return false;
        auto* m = new CallMessage(std::move(fn), pending);
        handOver(m);
        QCoreApplication::postEvent(this, m);
    }
    return pending->wait() != 0;
}

void CallSink::post(std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) return;
    auto* m = new CallMessage(std::move(fn), nullptr);
    handOver(m);
    QCoreApplication::postEvent(this, m);
}

bool CallSink::event(QEvent* e) {
    const Message* m = asMessage(e, msg::kRunCall);
    if (m == nullptr) return QObject::event(e);
    if (!closed()) static_cast<CallMessage*>(const_cast<Message*>(m))->run();
    return true;
}

}  // namespace platform
