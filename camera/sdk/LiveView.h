#pragma once
// The streaming thread of one open camera: grabs frames, corrects them to the view size (or,
// while the corners are edited, passes the raw frame with its overlay) and hands them to the sink.
#include "camera/sdk/VideoSink.h"
#include "platform/WorkerThread.h"

#include <QSize>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace camera::sdk {

class CameraDevice;

class LiveView {
public:
    LiveView(std::shared_ptr<CameraDevice> device, std::shared_ptr<SinkGate> sink);
    ~LiveView();
    LiveView(const LiveView&) = delete;
    LiveView& operator=(const LiveView&) = delete;

    // Ends the streaming thread for good; what is asked of the view afterwards changes nothing
    // on screen. The object stays valid, so a caller still holding it cannot trip over it.
    void stop();
    void setRunning(bool run);
    bool running() const;
    void setViewSize(QSize size);
    void setOverlay(const CornerOverlay& overlay);

    static constexpr int kFramesPerSecond = 30;

private:
    void loop();
    void showOne();

    std::shared_ptr<CameraDevice> m_device;
    std::shared_ptr<SinkGate> m_sink;  // null for a camera opened without a window
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_running = false;
    bool m_stop = false;
    QSize m_viewSize;
    CornerOverlay m_overlay;
    QImage m_buffer;  // the corrected picture, reused while its size holds
    platform::WorkerThread m_thread;
};

}  // namespace camera::sdk
