#pragma once
// A clock whose sleeps advance time at once, so the real durations cost nothing in tests.
#include "platform/Clock.h"

#include <atomic>

namespace testsupport {

class FakeClock : public platform::Clock {
public:
    int64_t nowMs() override { return m_now.load(); }
    void sleepMs(int ms) override;
    void advance(int64_t ms) { m_now += ms; }

private:
    std::atomic<int64_t> m_now{1'000'000};
};

}  // namespace testsupport
