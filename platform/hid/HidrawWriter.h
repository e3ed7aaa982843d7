#pragma once
// Writes to a hidraw node on a thread of its own, so that its caller waits only as long as it
// asked: the kernel holds a write to a board that does not answer until the USB time-out, and
// the caller may be holding the board list.
#include "platform/WorkerThread.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include <sys/types.h>

namespace platform::hid {

class HidrawWriter {
public:
    struct Result {
        bool done = false;  // false: not finished within the wait, or an earlier one still runs
        ssize_t put = 0;    // what write() returned
        int err = 0;        // its errno when put < 0
    };

    // fd must stay open until the writer is destroyed.
    explicit HidrawWriter(int fd);
    // Waits for a write still under way.
    ~HidrawWriter();
    HidrawWriter(const HidrawWriter&) = delete;
    HidrawWriter& operator=(const HidrawWriter&) = delete;

    // A write that has not finished in timeoutMs goes on alone; until it ends, further writes are
    // refused at once (done false) rather than queued behind it.
    Result write(const uint8_t* buf, size_t len, int timeoutMs);

private:
    void run();

    const int m_fd;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<uint8_t> m_report;
    bool m_requested = false;  // m_report waits for the thread
    bool m_busy = false;       // requested or being written
    bool m_stop = false;
    Result m_last;
    WorkerThread m_thread;  // last: it ends before the state it uses goes
};

}  // namespace platform::hid
