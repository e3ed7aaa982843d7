#pragma once
// A real UVC camera through V4L2: streams the chosen MJPEG or YUYV frames by memory-mapped buffers
// while someone needs them, and maps the video settings to its controls. The stream and the
// controls have locks of their own, so a settings call never waits for a frame.
#include "camera/sdk/CameraDevice.h"
#include "camera/sdk/FrameDecoder.h"
#include "camera/sdk/UvcDeviceInfo.h"
#include "camera/sdk/V4l2ControlIo.h"
#include "camera/sdk/V4l2Formats.h"
#include "camera/sdk/V4l2Settings.h"
#include "camera/sdk/V4l2Syscalls.h"
#include "platform/UniqueFd.h"

#include <linux/videodev2.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace camera::sdk {

class V4l2Device : public CameraDevice, private V4l2ControlIo {
public:
    // Null when the node cannot be opened or offers nothing we can stream. The calls must outlive
    // the device.
    static std::unique_ptr<V4l2Device> open(const UvcDeviceInfo& info,
                                            V4l2Syscalls& calls = V4l2Syscalls::system());
    ~V4l2Device() override;

    QSize frameSize() const override { return m_format.size; }
    // The newest frame. Without a holder of the stream, the stream runs for this frame alone.
    QImage grabFrame() override;
    void holdStream(bool hold) override;
    int readSetting(int id, int query) override;
    void writeSetting(int id, int value, bool automatic) override;
    void restoreDefaults() override;
    QByteArray version() const override { return m_info.versionText(); }
    QString calibrationKey() const override { return m_info.calibrationKey(); }
    QString portKey() const override { return m_info.portKey(); }
    bool serialShared() const override { return m_info.serialShared; }

    bool streaming() const;
    // The interval the driver agreed to (or the one asked for, where it tells none).
    int64_t frameIntervalUs() const { return m_intervalUs; }
    const FormatChoice& choice() const { return m_choice; }

    static constexpr int kFrameWaitMs = 2000;
    // After a refused stream start, the live view asks again no sooner than this.
    static constexpr int kRestartDelayMs = 1000;

private:
    using Clock = std::chrono::steady_clock;
    enum Trouble { kDamaged, kEmpty, kOversized, kUndecodable, kBadIndex, kStreamLost, kTroubles };

    V4l2Device(int fd, UvcDeviceInfo info, V4l2Syscalls& calls)
        : m_calls(calls), m_fd(fd), m_info(std::move(info)) {}
    bool setUp();
    // Logs why the camera cannot be used (errno when err is true) and gives false.
    bool unusable(const char* why, bool err = true) const;
    void report(Trouble t, const QString& what, int err = 0);
    std::vector<OfferedFormat> offeredFormats() const;
    std::vector<FrameInterval> intervalsOf(uint32_t fourcc, QSize size) const;
    void setFrameInterval(const std::optional<FrameInterval>& wanted);
    bool mapBuffers();
    bool startStreaming();
    void stopStreaming();
    QImage grabLocked();
    bool takeNewest(v4l2_buffer& buf, Clock::time_point deadline);
    bool drainNewest(v4l2_buffer& newest);
    bool waitReadable(Clock::time_point until);
    void requeue(v4l2_buffer& buf);
    QImage decode(const v4l2_buffer& buf);
    std::optional<int64_t> ageUs(const v4l2_buffer& buf) const;
    bool isLeftOver(const v4l2_buffer& buf) const;
    void noteLatency(const v4l2_buffer& buf);
    int64_t waitLimitMs() const;
    int xioctl(unsigned long request, void* arg) const;
    int controlIoctl(unsigned long request, void* arg) override { return xioctl(request, arg); }

    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };
    V4l2Syscalls& m_calls;
    platform::UniqueFd m_fd;
    UvcDeviceInfo m_info;
    StreamFormat m_format;
    FormatChoice m_choice;
    int m_stride = 0;
    int64_t m_intervalUs = 33'333;

    // The stream: buffers, its state and the decoder.
    mutable std::mutex m_streamMutex;
    std::vector<Buffer> m_buffers;
    bool m_streaming = false;
    int m_holders = 0;
    Clock::time_point m_nextStart{};
    int64_t m_latencyUs = -1;  // how old frames are when they arrive; -1 not known yet
    bool m_reported[kTroubles] = {};
    FrameDecoder m_decoder;

    // The controls.
    std::mutex m_controlMutex;
    V4l2Settings m_settings{*this};
};

}  // namespace camera::sdk
