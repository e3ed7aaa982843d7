#pragma once
// Time source for everything that waits, so tests can run the real durations in no time.
#include <cstdint>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t nowMs() = 0;  // monotonic milliseconds
    virtual void sleepMs(int ms) = 0;
};

class SystemClock : public Clock {
public:
    int64_t nowMs() override;
    void sleepMs(int ms) override;
    static SystemClock& instance();
};

}  // namespace platform
