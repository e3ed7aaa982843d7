#pragma once
// A real UVC camera through V4L2: streams the largest MJPEG or YUYV frames by memory-mapped
// buffers and maps the video settings to its controls.
#include "camera/sdk/CameraDevice.h"
#include "camera/sdk/FrameDecoder.h"
#include "camera/sdk/UvcDeviceInfo.h"
#include "camera/sdk/V4l2ControlIo.h"
#include "camera/sdk/V4l2Formats.h"
#include "camera/sdk/V4l2Settings.h"
#include "platform/UniqueFd.h"

#include <linux/videodev2.h>

#include <memory>
#include <mutex>
#include <vector>

namespace camera::sdk {

class V4l2Device : public CameraDevice, private V4l2ControlIo {
public:
    // Null when the node cannot be opened or offers nothing we can stream.
    static std::unique_ptr<V4l2Device> open(const UvcDeviceInfo& info);
    ~V4l2Device() override;

    QSize frameSize() const override { return m_format.size; }
    QImage grabFrame() override;
    int readSetting(int id, int query) override;
    void writeSetting(int id, int value, bool automatic) override;
    void restoreDefaults() override;
    QByteArray version() const override { return m_info.versionText(); }
    QString calibrationKey() const override { return m_info.calibrationKey(); }

    static constexpr int kFrameWaitMs = 2000;
    static constexpr int kStaleMs = 150;

private:
    V4l2Device(int fd, UvcDeviceInfo info) : m_fd(fd), m_info(std::move(info)) {}
    bool setUp();
    // Logs why the camera cannot be used (errno when err is true) and gives false.
    bool unusable(const char* why, bool err = true) const;
    std::vector<StreamFormat> offeredFormats() const;
    bool startStreaming();
    bool dequeueNewest(v4l2_buffer& newest);
    // Waits for a frame; false on time-out or when none can come.
    bool waitReadable(int timeoutMs);
    // Logs, once a stream, that the stream broke down; false.
    bool streamFault(const char* call, int err);
    // False, with a log line, for a frame the driver marked or sized wrongly.
    bool frameUsable(const v4l2_buffer& buf);
    void badFrame(const char* why);
    static bool isStale(const v4l2_buffer& buf);
    void stopStreaming();
    int xioctl(unsigned long request, void* arg) const;
    int controlIoctl(unsigned long request, void* arg) override { return xioctl(request, arg); }

    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };
    platform::UniqueFd m_fd;
    UvcDeviceInfo m_info;
    StreamFormat m_format;
    int m_stride = 0;
    std::vector<Buffer> m_buffers;
    bool m_streaming = false;
    bool m_streamFaultLogged = false;
    uint64_t m_badFrames = 0;
    std::mutex m_mutex;  // one user of the stream and the controls at a time
    FrameDecoder m_decoder;
    V4l2Settings m_settings{*this};
};

}  // namespace camera::sdk
