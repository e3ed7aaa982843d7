#include "UiBridge.h"

#include <QMetaObject>
#include <QThread>

namespace cloud {

namespace {

// One queued call. Its owner is the queued functor: destroyed after it ran, or dropped unrun
// when the context goes away; either way the waiting worker is released.
struct PendingCall {
    std::shared_ptr<UiBridge::State> state;
    std::function<void()> fn;
    std::atomic<bool> ran{false};
    std::atomic<bool> finished{false};
};

struct CallGuard {
    std::shared_ptr<PendingCall> call;
    explicit CallGuard(std::shared_ptr<PendingCall> c) : call(std::move(c)) {}
    CallGuard(CallGuard&& o) noexcept = default;
    CallGuard(const CallGuard& o) = default;
    ~CallGuard() {
        if (!call || call.use_count() > 2) return;  // a copy still lives
        {
            std::lock_guard<std::mutex> lock(call->state->mutex);
            call->finished = true;
        }
        call->state->cv.notify_all();
    }
    void operator()() const {
        {
            std::lock_guard<std::mutex> lock(call->state->mutex);
            if (call->state->closed) return;
        }
        call->fn();
        std::lock_guard<std::mutex> lock(call->state->mutex);
        call->ran = true;
    }
};

}  // namespace

UiBridge::UiBridge(QObject* context) : m_state(std::make_shared<State>()), m_context(context) {}

UiBridge::~UiBridge() {
    close();
}

bool UiBridge::closed() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->closed;
}

void UiBridge::close() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->closed = true;
    }
    m_state->cv.notify_all();
}

bool UiBridge::call(std::function<void()> fn) {
    QObject* context = m_context.data();
    if (context == nullptr || closed()) return false;
    if (context->thread() == QThread::currentThread()) {
        fn();
        return true;
    }
    auto pending = std::make_shared<PendingCall>();
    pending->state = m_state;
    pending->fn = std::move(fn);
    if (!QMetaObject::invokeMethod(context, CallGuard(pending), Qt::QueuedConnection)) return false;
    std::unique_lock<std::mutex> lock(m_state->mutex);
    m_state->cv.wait(lock, [&] { return pending->finished || pending->ran || m_state->closed; });
    return pending->ran;
}

void UiBridge::post(std::function<void()> fn) {
    QObject* context = m_context.data();
    if (context == nullptr || closed()) return;
    auto state = m_state;
    QMetaObject::invokeMethod(
        context,
        [state, fn = std::move(fn)] {
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                if (state->closed) return;
            }
            fn();
        },
        Qt::QueuedConnection);
}

}  // namespace cloud
