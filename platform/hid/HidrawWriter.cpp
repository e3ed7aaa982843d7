#include "HidrawWriter.h"

#include "platform/Log.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace platform::hid {

HidrawWriter::HidrawWriter(int fd)
    : m_fd(fd), m_thread(log::board(), QStringLiteral("A board's writer")) {
    m_thread.start([this] { run(); }, {}, WorkerThread::Priority::Normal);
}

HidrawWriter::~HidrawWriter() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

HidrawWriter::Result HidrawWriter::write(const uint8_t* buf, size_t len, int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    // A write that hung may be just finishing: wait for it as long as this one may wait in all.
    if (!m_changed.wait_until(lock, until, [this] { return !m_busy; })) return {};
    m_report.assign(buf, buf + len);
    m_requested = true;
    m_busy = true;
    m_changed.notify_all();
    if (!m_changed.wait_until(lock, until, [this] { return !m_busy; })) return {};
    Result r = m_last;
    r.done = true;
    return r;
}

void HidrawWriter::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_requested || m_stop; });
        if (!m_requested) return;
        m_requested = false;
        const std::vector<uint8_t> report = std::move(m_report);
        lock.unlock();
        const ssize_t put = ::write(m_fd, report.data(), report.size());
        const int err = put < 0 ? errno : 0;
        lock.lock();
        m_last = Result{true, put, err};
        m_busy = false;
        m_changed.notify_all();
    }
}

}  // namespace platform::hid
