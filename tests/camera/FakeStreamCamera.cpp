#include "FakeStreamCamera.h"

#include <QFile>

#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

namespace cameratest {

using camera::sdk::FrameInterval;
using camera::sdk::OfferedFormat;

namespace {

QByteArray docCamControls() {
    QFile f(OSTRELY_SOURCE_DIR "/tests/camera/data/controls/doccam-0c45-9102.txt");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int fail(int err) {
    errno = err;
    return -1;
}

}  // namespace

FakeStreamCamera::Options FakeStreamCamera::yuyv(QSize size, std::vector<int> fps) {
    Options o;
    OfferedFormat f{V4L2_PIX_FMT_YUYV, size, {}};
    for (const int r : fps) f.intervals.push_back({1, uint32_t(r)});
    o.formats.push_back(f);
    return o;
}

FakeStreamCamera::FakeStreamCamera(Options options)
    : m_options(std::move(options)),
      m_controls(m_options.controls.isEmpty() ? docCamControls() : m_options.controls) {}

int FakeStreamCamera::open(const char* path, int) {
    std::lock_guard lock(m_mutex);
    if (QString::fromLocal8Bit(path) != m_options.node) return fail(ENOENT);
    // A real descriptor, so that the device may close it as it closes any.
    const int fd = ::eventfd(0, EFD_CLOEXEC);
    m_fd = fd;
    return fd;
}

int FakeStreamCamera::ioctl(int fd, unsigned long request, void* arg) {
    if (fd != m_fd) return fail(EBADF);
    switch (request) {
        case VIDIOC_QUERYCTRL:
        case VIDIOC_G_CTRL:
        case VIDIOC_S_CTRL:
        case VIDIOC_QUERYMENU: {
            std::lock_guard lock(m_mutex);
            if (m_gone) return fail(ENODEV);
            return m_controls.controlIoctl(request, arg) == 0 ? 0 : fail(EINVAL);
        }
        default: break;
    }
    std::lock_guard lock(m_mutex);
    if (m_gone) return fail(ENODEV);
    return handle(request, arg);
}

void FakeStreamCamera::unplug() {
    std::lock_guard lock(m_mutex);
    m_gone = true;
    m_streaming = false;
}

int FakeStreamCamera::handle(unsigned long request, void* arg) {
    switch (request) {
        case VIDIOC_QUERYCAP: {
            auto* cap = static_cast<v4l2_capability*>(arg);
            *cap = {};
            std::strcpy(reinterpret_cast<char*>(cap->driver), "uvcvideo");
            cap->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
            return 0;
        }
        case VIDIOC_ENUM_FMT: {
            auto* d = static_cast<v4l2_fmtdesc*>(arg);
            std::vector<uint32_t> fourccs;
            for (const OfferedFormat& f : m_options.formats)
                if (std::find(fourccs.begin(), fourccs.end(), f.fourcc) == fourccs.end())
                    fourccs.push_back(f.fourcc);
            if (d->index >= fourccs.size()) return fail(EINVAL);
            d->pixelformat = fourccs[d->index];
            return 0;
        }
        case VIDIOC_ENUM_FRAMESIZES: {
            auto* s = static_cast<v4l2_frmsizeenum*>(arg);
            uint32_t i = 0;
            for (const OfferedFormat& f : m_options.formats) {
                if (f.fourcc != s->pixel_format || i++ != s->index) continue;
                s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
                s->discrete = {uint32_t(f.size.width()), uint32_t(f.size.height())};
                return 0;
            }
            return fail(EINVAL);
        }
        case VIDIOC_ENUM_FRAMEINTERVALS: {
            auto* iv = static_cast<v4l2_frmivalenum*>(arg);
            for (const OfferedFormat& f : m_options.formats) {
                if (f.fourcc != iv->pixel_format || f.size != QSize(int(iv->width), int(iv->height)))
                    continue;
                if (iv->index >= f.intervals.size()) return fail(EINVAL);
                iv->type = V4L2_FRMIVAL_TYPE_DISCRETE;
                iv->discrete = {f.intervals[iv->index].numerator,
                                f.intervals[iv->index].denominator};
                return 0;
            }
            return fail(EINVAL);
        }
        case VIDIOC_S_FMT: {
            auto* fmt = static_cast<v4l2_format*>(arg);
            m_size = QSize(int(fmt->fmt.pix.width), int(fmt->fmt.pix.height));
            fmt->fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
            fmt->fmt.pix.bytesperline = uint32_t(m_size.width() * 2);
            fmt->fmt.pix.sizeimage = uint32_t(m_size.width() * m_size.height() * 2);
            for (const OfferedFormat& f : m_options.formats)
                if (f.size == m_size && !f.intervals.empty()) m_interval = f.intervals.front();
            return 0;
        }
        case VIDIOC_G_PARM:
        case VIDIOC_S_PARM: {
            auto* p = static_cast<v4l2_streamparm*>(arg);
            if (request == VIDIOC_S_PARM && p->parm.capture.timeperframe.denominator != 0)
                m_interval = {p->parm.capture.timeperframe.numerator,
                              p->parm.capture.timeperframe.denominator};
            p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
            p->parm.capture.timeperframe = {m_interval.numerator, m_interval.denominator};
            return 0;
        }
        case VIDIOC_REQBUFS: {
            auto* r = static_cast<v4l2_requestbuffers*>(arg);
            m_buffers.assign(r->count, Buffer{});
            for (Buffer& b : m_buffers) b.data.assign(size_t(m_size.width() * m_size.height() * 2), 0);
            return 0;
        }
        case VIDIOC_QUERYBUF: {
            auto* b = static_cast<v4l2_buffer*>(arg);
            if (b->index >= m_buffers.size()) return fail(EINVAL);
            b->length = uint32_t(m_buffers[b->index].data.size());
            b->m.offset = b->index * 4096;
            return 0;
        }
        case VIDIOC_QBUF: {
            auto* b = static_cast<v4l2_buffer*>(arg);
            if (b->index >= m_buffers.size() || m_buffers[b->index].queued) return fail(EINVAL);
            m_buffers[b->index].queued = true;
            m_buffers[b->index].done = false;
            m_order.push_back(int(b->index));
            return 0;
        }
        case VIDIOC_DQBUF: {
            advance();
            if (m_doneOrder.empty()) return fail(EAGAIN);
            const int i = m_doneOrder.front();
            m_doneOrder.erase(m_doneOrder.begin());
            Buffer& buf = m_buffers[size_t(i)];
            buf.queued = buf.done = false;
            auto* b = static_cast<v4l2_buffer*>(arg);
            b->index = uint32_t(i);
            b->bytesused = buf.bytesused;
            b->flags = buf.flags | V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
            b->timestamp = buf.stamp;
            b->sequence = uint32_t(buf.sequence);
            ++m_dequeued;
            return 0;
        }
        case VIDIOC_STREAMON: {
            if (m_options.streamOnErrno != 0) return fail(m_options.streamOnErrno);
            m_streaming = true;
            ++m_streamOns;
            m_start = Clock::now();
            m_made = 0;
            return 0;
        }
        case VIDIOC_STREAMOFF: {
            m_streaming = false;
            for (Buffer& b : m_buffers) b.queued = b.done = false;
            m_order.clear();
            m_doneOrder.clear();
            return 0;
        }
        default: return fail(ENOTTY);
    }
}

FakeStreamCamera::Clock::time_point FakeStreamCamera::nextDue() const {
    return m_start + std::chrono::microseconds(int64_t(m_made + 1) * m_interval.microseconds());
}

void FakeStreamCamera::advance() {
    if (!m_streaming) return;
    while (nextDue() <= Clock::now() && (m_options.stopAfter < 0 || m_made < m_options.stopAfter)) {
        const Clock::time_point due = nextDue();
        // A frame with no buffer to go into is lost, as the driver loses it.
        if (!m_order.empty()) {
            const int i = m_order.front();
            m_order.erase(m_order.begin());
            fill(m_buffers[size_t(i)], m_made, due);
            m_doneOrder.push_back(i);
        }
        ++m_made;
    }
}

void FakeStreamCamera::fill(Buffer& b, int sequence, Clock::time_point due) {
    b.done = true;
    b.sequence = sequence;
    b.flags = 0;
    b.bytesused = uint32_t(b.data.size());
    // Luma tells the sequence number; chroma is grey.
    const uint8_t luma = uint8_t(16 + sequence % 200);
    for (size_t i = 0; i < b.data.size(); i += 2) {
        b.data[i] = luma;
        b.data[i + 1] = 128;
    }
    switch (m_options.fault ? m_options.fault(sequence) : Fault::None) {
        case Fault::None: break;
        case Fault::Damaged: b.flags = V4L2_BUF_FLAG_ERROR; break;
        case Fault::Empty: b.bytesused = 0; break;
        case Fault::PastBuffer: b.bytesused = uint32_t(b.data.size() * 16); break;
        case Fault::Garbage: b.bytesused = 7; break;
    }
    const auto stamp = std::chrono::duration_cast<std::chrono::microseconds>(
                           (due - std::chrono::milliseconds(m_options.latencyMs)).time_since_epoch())
                           .count();
    b.stamp.tv_sec = stamp / 1'000'000;
    b.stamp.tv_usec = stamp % 1'000'000;
}

int FakeStreamCamera::poll(pollfd* fds, nfds_t count, int timeoutMs) {
    if (count != 1 || fds[0].fd != m_fd) return fail(EINVAL);
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Clock::time_point wake;
        {
            std::lock_guard lock(m_mutex);
            if (!m_streaming) {
                fds[0].revents = POLLERR;
                return 1;
            }
            advance();
            if (!m_doneOrder.empty()) {
                fds[0].revents = POLLIN;
                return 1;
            }
            wake = std::min(until, nextDue());
        }
        if (Clock::now() >= until) return 0;
        ++m_waiting;
        std::this_thread::sleep_until(wake);
        --m_waiting;
    }
}

void* FakeStreamCamera::mmap(size_t length, int fd, off_t offset) {
    std::lock_guard lock(m_mutex);
    const size_t i = size_t(offset / 4096);
    if (fd != m_fd || i >= m_buffers.size() || length != m_buffers[i].data.size()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    return m_buffers[i].data.data();
}

int FakeStreamCamera::munmap(void*, size_t) {
    return 0;
}

bool FakeStreamCamera::streaming() const {
    std::lock_guard lock(m_mutex);
    return m_streaming;
}

int FakeStreamCamera::streamOns() const {
    std::lock_guard lock(m_mutex);
    return m_streamOns;
}

int FakeStreamCamera::framesMade() const {
    std::lock_guard lock(m_mutex);
    return m_made;
}

int FakeStreamCamera::dequeued() const {
    std::lock_guard lock(m_mutex);
    return m_dequeued;
}

FrameInterval FakeStreamCamera::interval() const {
    std::lock_guard lock(m_mutex);
    return m_interval;
}

int FakeStreamCamera::seqOf(const QImage& frame) {
    if (frame.isNull()) return -1;
    const int grey = qGreen(frame.pixel(frame.width() / 2, frame.height() / 2));
    return int(std::lround(grey * 219.0 / 255.0));
}

}  // namespace cameratest
