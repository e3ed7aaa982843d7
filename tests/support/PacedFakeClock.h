#pragma once
// A fake clock for threaded tests: sleeps advance fake time at once, as FakeClock's do, but also
// give up the processor for a moment so a polling thread does not spin a core.
#include "platform/Clock.h"

#include <atomic>

namespace testsupport {

class PacedFakeClock : public platform::Clock {
public:
    int64_t nowMs() override { return m_now.load(); }
    void sleepMs(int ms) override;

private:
    std::atomic<int64_t> m_now{1'000'000};
};

}  // namespace testsupport
