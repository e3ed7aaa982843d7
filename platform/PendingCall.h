#pragma once
// The waiting side of one cross-thread call: the caller blocks in wait() until the receiver's
// side (or whoever drops the call) finishes it. The hand-back is an atomic release and acquire as
// well as a lock: the finishing side may run inside Qt's event delivery, where the thread
// sanitizer loses sight of the lock.
#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace platform {

class PendingCall {
public:
    void finish(qintptr result) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_result.store(result, std::memory_order_relaxed);
            m_done.store(true, std::memory_order_release);
        }
        m_cv.notify_all();
    }
    qintptr wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [this] { return m_done.load(std::memory_order_acquire); });
        return m_result.load(std::memory_order_relaxed);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::atomic<qintptr> m_result{0};
    std::atomic<bool> m_done{false};
};

}  // namespace platform
