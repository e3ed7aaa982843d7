#pragma once
// HID boards in memory for the device manager's tests: queued input reports, recorded writes,
// boards that fail to open, have no descriptor, vanish, or leave writes pending. Reads wait on
// the given clock, so the 10 ms time-outs cost fake time only.
#include "platform/Clock.h"
#include "platform/hid/HidTransport.h"

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct FakeBoardSetup {
    uint16_t vendorId = 0x0483;
    uint16_t productId = 0x5851;
    bool openable = true;
    std::optional<platform::hid::HidCaps> caps = platform::hid::HidCaps{64, 64, 0};
    int writeResult = -2;  // -2: the whole report; otherwise returned as is (0 pending, -1 gone)
};

class FakeHidTransport : public platform::hid::HidTransport {
public:
    explicit FakeHidTransport(platform::Clock& clock) : m_clock(clock) {}

    void plug(const QString& path, FakeBoardSetup setup = {});
    void unplug(const QString& path);  // gone from the list; open handles fail
    void setOpenable(const QString& path, bool openable);
    void push(const QString& path, std::vector<uint8_t> report);
    void pressKey(const QString& path, uint8_t type);
    void pushIdentification(const QString& path, std::array<uint8_t, 4> id);
    std::string commands(const QString& path);  // command bytes written, as characters
    std::vector<std::vector<uint8_t>> writes(const QString& path);
    // The clock's time at each write, in the order of writes().
    std::vector<int64_t> writeTimes(const QString& path);
    int openCount(const QString& path);
    int readCount(const QString& path);
    // Reports queued and not yet read.
    size_t pending(const QString& path);
    // Called on the reading side at every read, before it is served.
    void setReadHook(std::function<void(const QString& path)> hook);

    std::vector<platform::hid::HidInterface> enumerate() override;
    std::unique_ptr<platform::hid::HidHandle> open(const QString& path) override;

    // Used by the fake handle.
    int read(const QString& path, uint64_t generation, uint8_t* buf, size_t len, int timeoutMs);
    int write(const QString& path, uint64_t generation, const uint8_t* buf, size_t len);
    std::optional<platform::hid::HidCaps> caps(const QString& path);

private:
    struct Board {
        FakeBoardSetup setup;
        bool present = true;
        uint64_t generation = 0;
        std::deque<std::vector<uint8_t>> reports;
        std::vector<std::vector<uint8_t>> writes;
        std::vector<int64_t> writeTimes;
        int opens = 0;
        int reads = 0;
    };

    platform::Clock& m_clock;
    std::mutex m_mutex;
    std::vector<QString> m_order;
    std::map<QString, Board> m_boards;
    std::function<void(const QString&)> m_readHook;
    uint64_t m_nextGeneration = 1;
};

// A board interface name as the transport would give it.
QString boardPath(const QString& instance, int collection = 1);

}  // namespace testsupport
