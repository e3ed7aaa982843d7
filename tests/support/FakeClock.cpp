#include "FakeClock.h"

#include <chrono>
#include <thread>

namespace testsupport {

void FakeClock::sleepMs(int ms) {
    if (ms > 0) m_now += ms;
    if (m_pace == Pace::Paced)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    else
        std::this_thread::yield();
}

}  // namespace testsupport
