#pragma once
// The waiting side of one cross-thread call: the caller blocks in wait() until the receiver's
// side (or whoever drops the call) finishes it. A lock of our own rather than one inside Qt keeps
// the hand-back visible to race checkers.
#include <QtGlobal>

#include <condition_variable>
#include <mutex>

namespace platform {

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

}  // namespace platform
