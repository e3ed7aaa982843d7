#pragma once
// The one way a worker hands a call to the thread an object lives on (the user-interface
// thread): the call travels as a window message and runs in that thread's event loop. A waiting
// worker is released when the call has run, or at once when the sink is closed or destroyed:
// an owner closes it before it waits for its workers, so neither waits for the other.
#include <QObject>

#include <atomic>
#include <functional>
#include <mutex>

namespace platform {

class CallSink : public QObject {
public:
    explicit CallSink(QObject* parent = nullptr);
    ~CallSink() override;

    // Runs fn on the sink's thread and waits until it has run; on that thread itself, runs it
    // directly. False when fn did not run: the sink was closed first, or fn threw.
    bool call(std::function<void()> fn);
    // Queues fn for the sink's thread and returns at once; dropped when the sink closes first.
    void post(std::function<void()> fn);
    // On the sink's thread: nothing more runs, calls still queued are dropped and their callers
    // released. Calls asked for afterwards return false at once.
    void close();
    bool closed() const;

protected:
    bool event(QEvent* e) override;

private:
    mutable std::mutex m_mutex;
    // Atomic as well as locked: the thread sanitizer does not always see this lock taken on a
    // worker against one taken while Qt delivers events.
    std::atomic<bool> m_closed{false};
};

}  // namespace platform
