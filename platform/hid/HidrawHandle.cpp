#include "HidrawHandle.h"

#include "platform/Log.h"
#include "platform/hid/ReportDescriptor.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform::hid {

namespace {

// The largest report hidraw hands out, plus the id byte we may add.
constexpr size_t kMaxReport = 16384 + 1;

// Errors after which the node may still work: busy, interrupted, or a report the device refused.
bool transient(int err) {
    return err == EAGAIN || err == EINTR || err == EINVAL || err == EPIPE || err == ETIMEDOUT;
}

// 1 ready, 0 time-out, kGone when the node has failed.
int waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, std::max(timeoutMs, 0));
    if (r < 0) return errno == EINTR ? 0 : kGone;
    if (r == 0) return 0;
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return kGone;
    return 1;
}

}  // namespace

HidrawHandle::HidrawHandle(int fd, int collection, QString node)
    : m_fd(fd), m_collection(collection), m_node(std::move(node)) {}

std::unique_ptr<HidrawHandle> HidrawHandle::open(const QString& node, int collection,
                                                 int* lastError) {
    const int fd = ::open(node.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int err = fd < 0 ? errno : 0;
    const bool repeated = lastError != nullptr && *lastError == err;
    if (lastError != nullptr) *lastError = err;
    if (fd < 0) {
        if (!repeated)
            platform::log::failure(platform::log::board(),
                                   QStringLiteral("cannot open board node %1").arg(node), err);
        return nullptr;
    }
    return std::make_unique<HidrawHandle>(fd, collection, node);
}

int HidrawHandle::writeFailed(int err) {
    const QString what = QStringLiteral("writing to board node %1 failed").arg(m_node);
    if (err != 0)
        platform::log::failure(platform::log::board(), what, err);
    else
        platform::log::failure(platform::log::board(), what, QStringLiteral("the node has gone"));
    return kGone;
}

bool HidrawHandle::loadDescriptor() {
    if (m_loaded) return m_caps.has_value();
    m_loaded = true;
    int size = 0;
    if (::ioctl(m_fd.get(), HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 ||
        size > HID_MAX_DESCRIPTOR_SIZE)
        return false;
    hidraw_report_descriptor desc{};
    desc.size = static_cast<__u32>(size);
    if (::ioctl(m_fd.get(), HIDIOCGRDESC, &desc) < 0) return false;
    const auto parsed = parseReportDescriptor(desc.value, desc.size);
    if (!parsed || m_collection < 0 || m_collection >= static_cast<int>(parsed->collections.size()))
        return false;
    m_usesReportIds = parsed->usesReportIds;
    m_caps = parsed->collections[static_cast<size_t>(m_collection)];
    return true;
}

std::optional<HidCaps> HidrawHandle::capabilities() {
    loadDescriptor();
    return m_caps;
}

int HidrawHandle::read(uint8_t* buf, size_t len, int timeoutMs) {
    if (len == 0) return 0;
    loadDescriptor();
    const int ready = waitFor(m_fd.get(), POLLIN, timeoutMs);
    if (ready <= 0) return ready;
    m_scratch.resize(kMaxReport);
    const size_t offset = m_usesReportIds ? 0 : 1;
    m_scratch[0] = 0;
    const ssize_t got = ::read(m_fd.get(), m_scratch.data() + offset, m_scratch.size() - offset);
    if (got < 0) return transient(errno) ? 0 : kGone;
    if (got == 0) return 0;
    const size_t n = std::min(len, static_cast<size_t>(got) + offset);
    std::memcpy(buf, m_scratch.data(), n);
    return static_cast<int>(n);
}

int HidrawHandle::write(const uint8_t* buf, size_t len, int timeoutMs) {
    if (len == 0) return 0;
    const int ready = waitFor(m_fd.get(), POLLOUT, timeoutMs);
    if (ready == kGone) return writeFailed(0);
    if (ready == 0) return 0;
    if (!m_writer) m_writer = std::make_unique<HidrawWriter>(m_fd.get());
    const HidrawWriter::Result r = m_writer->write(buf, len, timeoutMs);
    if (!r.done) {
        if (!m_writeStuck)
            platform::log::failure(
                platform::log::board(),
                QStringLiteral("writing to board node %1 failed").arg(m_node),
                QStringLiteral("the board has not taken a report within %1 ms").arg(timeoutMs));
        m_writeStuck = true;
        return 0;
    }
    m_writeStuck = false;
    if (r.put < 0) return transient(r.err) ? 0 : writeFailed(r.err);
    return static_cast<int>(r.put);
}

}  // namespace platform::hid
