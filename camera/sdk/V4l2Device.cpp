#include "V4l2Device.h"

#include "camera/sdk/CameraSdk.h"
#include "platform/Log.h"

#include <QFile>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace camera::sdk {

namespace {

constexpr unsigned kBufferCount = 4;

}  // namespace

int V4l2Device::xioctl(unsigned long request, void* arg) const {
    int r;
    do r = ::ioctl(m_fd.get(), request, arg);
    while (r == -1 && errno == EINTR);
    return r;
}

std::unique_ptr<V4l2Device> V4l2Device::open(const UvcDeviceInfo& info) {
    const int fd =
        ::open(QFile::encodeName(info.devnode).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        platform::log::failure(platform::log::camera(),
                               QStringLiteral("cannot open camera %1").arg(info.devnode), errno);
        return nullptr;
    }
    std::unique_ptr<V4l2Device> dev(new V4l2Device(fd, info));
    if (!dev->setUp()) return nullptr;
    return dev;
}

V4l2Device::~V4l2Device() {
    stopStreaming();  // before the descriptor closes
}

bool V4l2Device::unusable(const char* why, bool err) const {
    platform::log::failure(platform::log::camera(),
                           QStringLiteral("camera %1 cannot be used: %2")
                               .arg(m_info.devnode, QString::fromLatin1(why)),
                           err ? errno : 0);
    return false;
}

std::vector<StreamFormat> V4l2Device::offeredFormats() const {
    std::vector<StreamFormat> out;
    v4l2_fmtdesc desc{};
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (desc.index = 0; xioctl(VIDIOC_ENUM_FMT, &desc) == 0; ++desc.index) {
        v4l2_frmsizeenum size{};
        size.pixel_format = desc.pixelformat;
        for (size.index = 0; xioctl(VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                out.push_back(
                    {desc.pixelformat, QSize(int(size.discrete.width), int(size.discrete.height))});
            } else {
                out.push_back({desc.pixelformat,
                               QSize(int(size.stepwise.max_width), int(size.stepwise.max_height))});
                break;
            }
        }
    }
    return out;
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
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = uint32_t(chosen->size.width());
    fmt.fmt.pix.height = uint32_t(chosen->size.height());
    fmt.fmt.pix.pixelformat = chosen->fourcc;
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    if (xioctl(VIDIOC_S_FMT, &fmt) != 0) return unusable("VIDIOC_S_FMT");
    // The driver has the last word on what it streams.
    m_format = {fmt.fmt.pix.pixelformat, QSize(int(fmt.fmt.pix.width), int(fmt.fmt.pix.height))};
    m_stride = int(fmt.fmt.pix.bytesperline);
    if (!V4l2Formats::decodable(m_format.fourcc))
        return unusable("the driver chose a format that cannot be decoded", false);
    return startStreaming();
}

bool V4l2Device::startStreaming() {
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (xioctl(VIDIOC_REQBUFS, &req) != 0) return unusable("VIDIOC_REQBUFS");
    if (req.count == 0) return unusable("no frame buffers granted", false);
    for (unsigned i = 0; i < req.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (xioctl(VIDIOC_QUERYBUF, &buf) != 0) return unusable("VIDIOC_QUERYBUF");
        void* start = ::mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd.get(),
                             buf.m.offset);
        if (start == MAP_FAILED) return unusable("cannot map a frame buffer");
        m_buffers.push_back({start, buf.length});
        if (xioctl(VIDIOC_QBUF, &buf) != 0) return unusable("VIDIOC_QBUF");
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    m_streamFaultLogged = false;
    m_streaming = xioctl(VIDIOC_STREAMON, &type) == 0;
    return m_streaming || unusable("VIDIOC_STREAMON");
}

void V4l2Device::stopStreaming() {
    if (m_streaming) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        xioctl(VIDIOC_STREAMOFF, &type);
        m_streaming = false;
    }
    for (const Buffer& b : m_buffers) ::munmap(b.start, b.length);
    m_buffers.clear();
}

bool V4l2Device::waitReadable(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{m_fd.get(), POLLIN, 0};
        const int r = ::poll(&p, 1, int(std::max<int64_t>(left.count(), 0)));
        // A signal is no reason to lose the frame.
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return streamFault("poll", errno);
        if (r == 0) return false;
        // The device went away or stopped streaming: no frame will come.
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return streamFault("poll", 0);
        return true;
    }
}

bool V4l2Device::dequeueNewest(v4l2_buffer& newest) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kFrameWaitMs);
    bool have = false;
    while (!have) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !waitReadable(int(left.count()))) return false;
        for (;;) {
            v4l2_buffer buf{};
            buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            buf.memory = V4L2_MEMORY_MMAP;
            if (xioctl(VIDIOC_DQBUF, &buf) != 0) {
                // EAGAIN after a wake-up is the driver taking the frame back: wait again.
                if (errno != EAGAIN && !have) return streamFault("VIDIOC_DQBUF", errno);
                break;
            }
            if (have) xioctl(VIDIOC_QBUF, &newest);
            newest = buf;
            have = true;
        }
    }
    return true;
}

bool V4l2Device::streamFault(const char* call, int err) {
    // Once per stream: a camera that is gone would say it thirty times a second.
    if (!m_streamFaultLogged) {
        m_streamFaultLogged = true;
        platform::log::failure(platform::log::camera(),
                               QStringLiteral("camera %1 gives no frames (%2)")
                                   .arg(m_info.devnode, QString::fromLatin1(call)),
                               err != 0 ? err : ENODEV);
    }
    return false;
}

bool V4l2Device::frameUsable(const v4l2_buffer& buf) {
    const char* why = nullptr;
    if (buf.index >= m_buffers.size())
        why = "a buffer index it never had";
    else if (buf.flags & V4L2_BUF_FLAG_ERROR)
        why = "a frame marked as broken";
    else if (buf.bytesused == 0)
        why = "an empty frame";
    else if (buf.bytesused > m_buffers[buf.index].length)
        why = "a frame larger than its buffer";
    if (why == nullptr) return true;
    badFrame(why);
    return false;
}

void V4l2Device::badFrame(const char* why) {
    // The first and then each power of two: a steady fault still shows, without a flood.
    const uint64_t n = ++m_badFrames;
    if ((n & (n - 1)) != 0) return;
    platform::log::failure(platform::log::camera(),
                           QStringLiteral("camera %1 sent %2 (%3 bad frames so far)")
                               .arg(m_info.devnode, QString::fromLatin1(why))
                               .arg(n),
                           0);
}

bool V4l2Device::isStale(const v4l2_buffer& buf) {
    if ((buf.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) != V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC)
        return false;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t ageMs = (int64_t(now.tv_sec) - buf.timestamp.tv_sec) * 1000 +
                          (int64_t(now.tv_nsec) / 1000 - buf.timestamp.tv_usec) / 1000;
    return ageMs > kStaleMs;
}

QImage V4l2Device::grabFrame() {
    std::lock_guard lock(m_mutex);
    if (!m_streaming) return {};
    // While nobody looked, the driver kept the frames it had room for and dropped the rest: the
    // newest of those may be old. Give it back and wait for one taken now.
    v4l2_buffer newest{};
    if (!dequeueNewest(newest)) return {};
    if (isStale(newest)) {
        xioctl(VIDIOC_QBUF, &newest);
        if (!dequeueNewest(newest)) return {};
    }
    QImage frame;
    if (frameUsable(newest)) {
        const auto* data = static_cast<const uint8_t*>(m_buffers[newest.index].start);
        frame = m_decoder.decode(m_format.fourcc, data, newest.bytesused, m_format.size.width(),
                                 m_format.size.height(), m_stride);
        if (frame.isNull()) badFrame("a frame that does not decode");
    }
    if (newest.index < m_buffers.size()) xioctl(VIDIOC_QBUF, &newest);
    return frame;
}

int V4l2Device::readSetting(int id, int query) {
    std::lock_guard lock(m_mutex);
    return m_settings.read(id, query);
}

void V4l2Device::writeSetting(int id, int value, bool automatic) {
    std::lock_guard lock(m_mutex);
    m_settings.write(id, value, automatic);
}

void V4l2Device::restoreDefaults() {
    std::lock_guard lock(m_mutex);
    m_settings.restoreDefaults();
}

}  // namespace camera::sdk
