#pragma once
// A clock whose sleeps advance time at once, so the real durations cost nothing in tests.
// A paced clock also gives up the processor briefly at each sleep, so a thread that polls in a
// loop (the board reading thread) does not spin a core.
#include "platform/Clock.h"

#include <atomic>

namespace testsupport {

class FakeClock : public platform::Clock {
public:
    enum class Pace { Yield, Paced };
    explicit FakeClock(Pace pace = Pace::Yield) : m_pace(pace) {}

    int64_t nowMs() override { return m_now.load(); }
    void sleepMs(int ms) override;
    void advance(int64_t ms) { m_now += ms; }

private:
    const Pace m_pace;
    std::atomic<int64_t> m_now{1'000'000};
};

}  // namespace testsupport
