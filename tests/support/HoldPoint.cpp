#include "HoldPoint.h"

#include <chrono>

namespace testsupport {

void HoldPoint::hold() {
    std::unique_lock lock(m_mutex);
    if (m_released) return;
    m_held = true;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_released; });
}

bool HoldPoint::waitHeld() {
    std::unique_lock lock(m_mutex);
    // Long enough for a sanitizer build's thread to get there.
    return m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_held; });
}

void HoldPoint::release() {
    std::lock_guard lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
}

}  // namespace testsupport
