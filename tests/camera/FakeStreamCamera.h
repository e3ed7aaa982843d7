#pragma once
// A UVC camera behind the V4L2 system calls, in the test's own process: it lists formats and
// rates, takes a frame interval, streams YUYV frames on the wall clock into the buffers handed to
// it, dates them by the monotonic clock minus its delay, and answers the control requests from a
// recorded control list. Faults are given per frame. Each frame's picture tells its sequence
// number (seqOf).
#include "RecordedControls.h"
#include "camera/sdk/V4l2Formats.h"
#include "camera/sdk/V4l2Syscalls.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

namespace cameratest {

class FakeStreamCamera : public camera::sdk::V4l2Syscalls {
public:
    enum class Fault { None, Damaged, Empty, PastBuffer, Garbage };
    struct Options {
        QString node = QStringLiteral("/dev/video0");
        std::vector<camera::sdk::OfferedFormat> formats;
        int latencyMs = 0;       // how old a frame is when it is ready
        int stopAfter = -1;      // frames made before the camera falls silent; -1 never
        int streamOnErrno = 0;   // STREAMON fails with this
        std::function<Fault(int sequence)> fault;
        QByteArray controls;     // a control listing; empty for the document camera's
    };

    // A YUYV camera of w × h at the rates given (frames per second).
    static Options yuyv(QSize size, std::vector<int> fps);
    // The device that opens this camera owns and closes its descriptor.
    explicit FakeStreamCamera(Options options);

    int open(const char* path, int flags) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override;
    void* mmap(size_t length, int fd, off_t offset) override;
    int munmap(void* start, size_t length) override;

    // The camera is pulled out: every call fails as on a vanished device.
    void unplug();
    // A caller waits in poll for a frame.
    bool waiting() const { return m_waiting.load() > 0; }
    bool streaming() const;
    const QString& node() const { return m_options.node; }
    int streamOns() const;
    // Frames filled so far, and the sequence number of the last one (-1 none).
    int framesMade() const;
    int dequeued() const;
    camera::sdk::FrameInterval interval() const;
    RecordedControls& controls() { return m_controls; }

    // The sequence number a decoded frame of this camera shows.
    static int seqOf(const QImage& frame);

private:
    using Clock = std::chrono::steady_clock;
    struct Buffer {
        std::vector<uint8_t> data;
        bool queued = false;
        bool done = false;
        int sequence = 0;
        uint32_t bytesused = 0;
        uint32_t flags = 0;
        timeval stamp{};
    };
    int handle(unsigned long request, void* arg);
    // Fills queued buffers with the frames due by now.
    void advance();
    void fill(Buffer& b, int sequence, Clock::time_point due);
    Clock::time_point nextDue() const;

    Options m_options;
    RecordedControls m_controls;
    mutable std::mutex m_mutex;
    int m_fd = -1;
    QSize m_size;
    camera::sdk::FrameInterval m_interval{1, 30};
    std::vector<Buffer> m_buffers;
    std::vector<int> m_order;  // queued buffer indexes, oldest first
    std::vector<int> m_doneOrder;
    bool m_streaming = false;
    bool m_gone = false;
    std::atomic<int> m_waiting{0};
    int m_streamOns = 0;
    int m_made = 0;
    int m_dequeued = 0;
    Clock::time_point m_start;
};

}  // namespace cameratest
