#include "PacedFakeClock.h"

#include <chrono>
#include <thread>

namespace testsupport {

void PacedFakeClock::sleepMs(int ms) {
    if (ms > 0) m_now += ms;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

}  // namespace testsupport
