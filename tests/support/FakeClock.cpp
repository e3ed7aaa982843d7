#include "FakeClock.h"

#include <thread>

namespace testsupport {

void FakeClock::sleepMs(int ms) {
    if (ms > 0) m_now += ms;
    std::this_thread::yield();
}

}  // namespace testsupport
