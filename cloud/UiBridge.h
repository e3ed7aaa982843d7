#pragma once
// How a worker reaches the user-interface thread: calls queued to the thread of a context object,
// waited for or not. Once closed (the owner is going away) nothing more runs and every waiting
// worker is released.
#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace cloud {

class UiBridge {
public:
    explicit UiBridge(QObject* context);
    ~UiBridge();
    UiBridge(const UiBridge&) = delete;
    UiBridge& operator=(const UiBridge&) = delete;

    // Runs fn on the context's thread and waits until it has run. False when fn did not run.
    bool call(std::function<void()> fn);
    // Queues fn and returns at once.
    void post(std::function<void()> fn);
    void close();
    bool closed() const;

    struct State {
        mutable std::mutex mutex;
        std::condition_variable cv;
        std::atomic<bool> closed{false};
    };

private:
    std::shared_ptr<State> m_state;
    QPointer<QObject> m_context;
};

}  // namespace cloud
