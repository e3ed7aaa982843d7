#include "V4l2Device.h"

#include "platform/Log.h"

#include <QFile>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace camera::sdk {

namespace {

constexpr unsigned kBufferCount = 4;
// A device that answers every index would otherwise keep the listing going for ever.
constexpr uint32_t kMaxListed = 64;
constexpr int kMaxSide = 16384;
constexpr int64_t kMinIntervalUs = 1'000;
constexpr int64_t kMaxIntervalUs = 2'000'000;
// Room for the camera's own jitter beyond its latency and two intervals.
constexpr int64_t kFreshSlackUs = 20'000;

int remainingMs(std::chrono::steady_clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    return int(std::max<int64_t>(0, left.count()));
}

}  // namespace

int V4l2Device::xioctl(unsigned long request, void* arg) const {
    int r;
    do r = m_calls.ioctl(m_fd.get(), request, arg);
    while (r == -1 && errno == EINTR);
    return r;
}

std::unique_ptr<V4l2Device> V4l2Device::open(const UvcDeviceInfo& info, V4l2Syscalls& calls) {
    const int fd = calls.open(QFile::encodeName(info.devnode).constData(),
                              O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        platform::log::failure(platform::log::camera(),
                               QStringLiteral("cannot open camera %1").arg(info.devnode), errno);
        return nullptr;
    }
    std::unique_ptr<V4l2Device> dev(new V4l2Device(fd, info, calls));
    if (!dev->setUp()) return nullptr;
    return dev;
}

V4l2Device::~V4l2Device() {
    std::lock_guard lock(m_streamMutex);
    stopStreaming();  // before the descriptor closes
    for (const Buffer& b : m_buffers) m_calls.munmap(b.start, b.length);
}

bool V4l2Device::unusable(const char* why, bool err) const {
    platform::log::failure(platform::log::camera(),
                           QStringLiteral("camera %1 cannot be used: %2")
                               .arg(m_info.devnode, QString::fromLatin1(why)),
                           err ? errno : 0);
    return false;
}

// Once per kind and stream: a camera that sends a broken frame sends many.
void V4l2Device::report(Trouble t, const QString& what, int err) {
    if (m_reported[t]) return;
    m_reported[t] = true;
    platform::log::failure(platform::log::camera(),
                           QStringLiteral("camera %1: %2").arg(m_info.devnode, what), err);
}

std::vector<FrameInterval> V4l2Device::intervalsOf(uint32_t fourcc, QSize size) const {
    std::vector<FrameInterval> out;
    v4l2_frmivalenum iv{};
    iv.pixel_format = fourcc;
    iv.width = uint32_t(size.width());
    iv.height = uint32_t(size.height());
    for (iv.index = 0; iv.index < kMaxListed && xioctl(VIDIOC_ENUM_FRAMEINTERVALS, &iv) == 0;
         ++iv.index) {
        if (iv.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            out.push_back({iv.discrete.numerator, iv.discrete.denominator});
            continue;
        }
        // A range: its ends, and 1/30 s where it lies inside.
        const v4l2_fract lo = iv.stepwise.min, hi = iv.stepwise.max;
        out.push_back({lo.numerator, lo.denominator});
        out.push_back({hi.numerator, hi.denominator});
        const FrameInterval wanted{1, uint32_t(V4l2Formats::kWantedFps)};
        if (FrameInterval{lo.numerator, lo.denominator}.fps() > wanted.fps() &&
            FrameInterval{hi.numerator, hi.denominator}.fps() < wanted.fps())
            out.push_back(wanted);
        break;
    }
    const auto absurd = std::stable_partition(out.begin(), out.end(),
                                              [](const FrameInterval& i) { return i.sane(); });
    if (absurd != out.end()) {
        platform::log::failure(
            platform::log::camera(),
            QStringLiteral("camera %1 lists frame interval %2/%3 s for %4 %5x%6%7; left out")
                .arg(m_info.devnode)
                .arg(absurd->numerator)
                .arg(absurd->denominator)
                .arg(V4l2Formats::fourccName(fourcc))
                .arg(size.width())
                .arg(size.height())
                .arg(out.end() - absurd > 1
                         ? QStringLiteral(" and %1 more such").arg(out.end() - absurd - 1)
                         : QString()),
            0);
        out.erase(absurd, out.end());
    }
    return out;
}

std::vector<OfferedFormat> V4l2Device::offeredFormats() const {
    std::vector<OfferedFormat> out;
    v4l2_fmtdesc desc{};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (desc.index = 0; desc.index < kMaxListed && xioctl(VIDIOC_ENUM_FMT, &desc) == 0;
         ++desc.index) {
        if (!V4l2Formats::decodable(desc.pixelformat)) continue;
        v4l2_frmsizeenum size{};
        size.pixel_format = desc.pixelformat;
        for (size.index = 0; size.index < kMaxListed && xioctl(VIDIOC_ENUM_FRAMESIZES, &size) == 0;
             ++size.index) {
            const bool discrete = size.type == V4L2_FRMSIZE_TYPE_DISCRETE;
            const QSize s = discrete ? QSize(int(size.discrete.width), int(size.discrete.height))
                                     : QSize(int(size.stepwise.max_width),
                                             int(size.stepwise.max_height));
            if (s.width() > 0 && s.height() > 0 && s.width() <= kMaxSide && s.height() <= kMaxSide)
                out.push_back({desc.pixelformat, s, intervalsOf(desc.pixelformat, s)});
            if (!discrete) break;
        }
    }
    return out;
}

void V4l2Device::setFrameInterval(const std::optional<FrameInterval>& wanted) {
    if (wanted) m_intervalUs = wanted->microseconds();
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (!wanted || xioctl(VIDIOC_G_PARM, &parm) != 0 ||
        !(parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME))
        return;
    parm.parm.capture.timeperframe = {wanted->numerator, wanted->denominator};
    if (xioctl(VIDIOC_S_PARM, &parm) != 0) {
        platform::log::failure(platform::log::camera(),
                               QStringLiteral("camera %1 refused %2 fps (VIDIOC_S_PARM)")
                                   .arg(m_info.devnode)
                                   .arg(wanted->fps()),
                               errno);
        return;
    }
    const FrameInterval agreed{parm.parm.capture.timeperframe.numerator,
                               parm.parm.capture.timeperframe.denominator};
    if (agreed.sane()) m_intervalUs = agreed.microseconds();
}

bool V4l2Device::setUp() {
    v4l2_capability cap{};
    if (xioctl(VIDIOC_QUERYCAP, &cap) != 0) return unusable("VIDIOC_QUERYCAP");
    const uint32_t caps =
        cap.capabilities & V4L2_CAP_DEVICE_CAPS ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING))
        return unusable("not a streaming capture device", false);
    const auto chosen = V4l2Formats::choose(offeredFormats());
    if (!chosen) return unusable("no MJPEG or YUYV frames offered", false);
    m_choice = *chosen;
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = uint32_t(chosen->format.size.width());
    fmt.fmt.pix.height = uint32_t(chosen->format.size.height());
    fmt.fmt.pix.pixelformat = chosen->format.fourcc;
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    if (xioctl(VIDIOC_S_FMT, &fmt) != 0) return unusable("VIDIOC_S_FMT");
    // The driver has the last word on what it streams.
    m_format = {fmt.fmt.pix.pixelformat, QSize(int(fmt.fmt.pix.width), int(fmt.fmt.pix.height))};
    if (m_format.size.isEmpty() || m_format.size.width() > kMaxSide ||
        m_format.size.height() > kMaxSide)
        return unusable("the driver set a frame size no picture can have", false);
    m_stride = int(fmt.fmt.pix.bytesperline);
    if (!V4l2Formats::decodable(m_format.fourcc))
        return unusable("the driver chose a format that cannot be decoded", false);
    setFrameInterval(chosen->interval);
    m_intervalUs = std::clamp(m_intervalUs, kMinIntervalUs, kMaxIntervalUs);
    qCInfo(platform::log::camera()).noquote()
        << QStringLiteral("camera %1 streams %2").arg(m_info.devnode, chosen->why);
    return mapBuffers();
}

bool V4l2Device::mapBuffers() {
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (xioctl(VIDIOC_REQBUFS, &req) != 0) return unusable("VIDIOC_REQBUFS");
    if (req.count == 0 || req.count > kMaxListed) return unusable("no usable frame buffers", false);
    for (unsigned i = 0; i < req.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (xioctl(VIDIOC_QUERYBUF, &buf) != 0) return unusable("VIDIOC_QUERYBUF");
        if (buf.length == 0) return unusable("an empty frame buffer", false);
        void* start = m_calls.mmap(buf.length, m_fd.get(), off_t(buf.m.offset));
        if (start == MAP_FAILED) return unusable("cannot map a frame buffer");
        m_buffers.push_back({start, buf.length});
    }
    return true;
}

bool V4l2Device::startStreaming() {
    for (unsigned i = 0; i < m_buffers.size(); ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (xioctl(VIDIOC_QBUF, &buf) != 0) return unusable("VIDIOC_QBUF");
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(VIDIOC_STREAMON, &type) != 0) {
        const int err = errno;
        // The queued buffers go back with the stream off.
        xioctl(VIDIOC_STREAMOFF, &type);
        errno = err;
        return unusable(err == ENOSPC ? "VIDIOC_STREAMON: the USB bus has no room for it"
                                      : "VIDIOC_STREAMON");
    }
    m_streaming = true;
    std::fill(std::begin(m_reported), std::end(m_reported), false);
    return true;
}

void V4l2Device::stopStreaming() {
    if (!m_streaming) return;
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    xioctl(VIDIOC_STREAMOFF, &type);  // dequeues every buffer
    m_streaming = false;
}

bool V4l2Device::streaming() const {
    std::lock_guard lock(m_streamMutex);
    return m_streaming;
}

void V4l2Device::holdStream(bool hold) {
    std::lock_guard lock(m_streamMutex);
    if (hold) {
        ++m_holders;
        if (!m_streaming && !startStreaming())
            m_nextStart = Clock::now() + std::chrono::milliseconds(kRestartDelayMs);
        return;
    }
    if (m_holders > 0) --m_holders;
    if (m_holders == 0) stopStreaming();
}

QImage V4l2Device::grabFrame() {
    std::lock_guard lock(m_streamMutex);
    if (!m_streaming) {
        // A held stream that would not start is asked again only now and then; a single frame
        // for a capture always tries.
        if (m_holders > 0 && Clock::now() < m_nextStart) return {};
        if (!startStreaming()) {
            m_nextStart = Clock::now() + std::chrono::milliseconds(kRestartDelayMs);
            return {};
        }
    }
    QImage frame = grabLocked();
    if (m_holders == 0) stopStreaming();
    return frame;
}

int64_t V4l2Device::waitLimitMs() const {
    return std::max<int64_t>(kFrameWaitMs, 3 * m_intervalUs / 1000);
}

QImage V4l2Device::grabLocked() {
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitLimitMs());
    // A damaged or undecodable frame is passed over for the next one, within the wait.
    do {
        v4l2_buffer buf{};
        if (!takeNewest(buf, deadline)) return {};
        QImage frame = decode(buf);
        requeue(buf);
        if (!frame.isNull()) return frame;
    } while (Clock::now() < deadline);
    return {};
}

bool V4l2Device::takeNewest(v4l2_buffer& buf, Clock::time_point deadline) {
    bool waited = false;
    while (!drainNewest(buf)) {
        if (!waitReadable(deadline)) return false;
        waited = true;
    }
    if (!waited && isLeftOver(buf)) {
        // Kept by the driver while nobody asked: a newer one is due, but the old one is only
        // given up for it, never for nothing.
        const auto soon = Clock::now() + std::chrono::microseconds(2 * m_intervalUs + kFreshSlackUs);
        v4l2_buffer newer{};
        if (waitReadable(std::min(deadline, soon)) && drainNewest(newer)) {
            requeue(buf);
            buf = newer;
            waited = true;
        }
    }
    if (waited) noteLatency(buf);
    return true;
}

bool V4l2Device::drainNewest(v4l2_buffer& newest) {
    bool have = false;
    for (size_t n = 0; n < 4 * m_buffers.size(); ++n) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        if (xioctl(VIDIOC_DQBUF, &buf) != 0) {
            if (errno != EAGAIN) report(kStreamLost, QStringLiteral("VIDIOC_DQBUF"), errno);
            break;
        }
        if (buf.index >= m_buffers.size()) {
            report(kBadIndex, QStringLiteral("the driver gave back buffer %1 of %2")
                                  .arg(buf.index)
                                  .arg(m_buffers.size()));
            continue;
        }
        if (have) requeue(newest);
        newest = buf;
        have = true;
    }
    return have;
}

bool V4l2Device::waitReadable(Clock::time_point until) {
    for (;;) {
        pollfd p{m_fd.get(), POLLIN, 0};
        const int r = m_calls.poll(&p, 1, remainingMs(until));
        if (r > 0) {
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
                report(kStreamLost, QStringLiteral("the stream ended (the camera is gone?)"));
                return false;
            }
            return true;
        }
        if (r == 0 || errno != EINTR || Clock::now() >= until) return false;
    }
}

void V4l2Device::requeue(v4l2_buffer& buf) {
    buf.bytesused = 0;
    buf.flags = 0;
    xioctl(VIDIOC_QBUF, &buf);
}

QImage V4l2Device::decode(const v4l2_buffer& buf) {
    if (buf.flags & V4L2_BUF_FLAG_ERROR) {
        report(kDamaged, QStringLiteral("a frame came marked as damaged; it is skipped"));
        return {};
    }
    if (buf.bytesused == 0) {
        report(kEmpty, QStringLiteral("an empty frame; it is skipped"));
        return {};
    }
    const Buffer& b = m_buffers[buf.index];
    size_t bytes = buf.bytesused;
    if (bytes > b.length) {
        report(kOversized, QStringLiteral("a frame of %1 bytes in a buffer of %2; only the buffer "
                                          "is read")
                               .arg(buf.bytesused)
                               .arg(b.length));
        bytes = b.length;
    }
    QImage frame = m_decoder.decode(m_format.fourcc, static_cast<const uint8_t*>(b.start), bytes,
                                    m_format.size.width(), m_format.size.height(), m_stride);
    if (frame.isNull()) report(kUndecodable, QStringLiteral("a frame could not be decoded"));
    return frame;
}

std::optional<int64_t> V4l2Device::ageUs(const v4l2_buffer& buf) const {
    if ((buf.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) != V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC)
        return std::nullopt;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t(now.tv_sec) - buf.timestamp.tv_sec) * 1'000'000 +
           (int64_t(now.tv_nsec) / 1000 - buf.timestamp.tv_usec);
}

// Older than the camera's own delay and two intervals explain: it waited in the queue.
bool V4l2Device::isLeftOver(const v4l2_buffer& buf) const {
    const auto age = ageUs(buf);
    return age && *age > std::max<int64_t>(m_latencyUs, 0) + 2 * m_intervalUs + kFreshSlackUs;
}

// The age of a frame that arrived while we waited is the camera's delay (long exposure, slow
// transfer): frames that old are as fresh as this camera has them.
void V4l2Device::noteLatency(const v4l2_buffer& buf) {
    const auto age = ageUs(buf);
    if (!age || *age < 0 || *age > 10 * kMaxIntervalUs) return;
    m_latencyUs = m_latencyUs < 0 ? *age : (3 * m_latencyUs + *age) / 4;
}

int V4l2Device::readSetting(int id, int query) {
    std::lock_guard lock(m_controlMutex);
    return m_settings.read(id, query);
}

void V4l2Device::writeSetting(int id, int value, bool automatic) {
    std::lock_guard lock(m_controlMutex);
    m_settings.write(id, value, automatic);
}

void V4l2Device::restoreDefaults() {
    std::lock_guard lock(m_controlMutex);
    m_settings.restoreDefaults();
}

}  // namespace camera::sdk
