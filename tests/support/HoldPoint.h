#pragma once
// A place where another thread is held until the test lets it go: the test waits until the
// thread is there, does what must happen meanwhile, then releases it (and every later arrival).
#include <condition_variable>
#include <mutex>

namespace testsupport {

class HoldPoint {
public:
    // On the held thread: waits here until released; at once after that.
    void hold();
    // True when a thread is held here within the time.
    bool waitHeld();
    void release();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

}  // namespace testsupport
