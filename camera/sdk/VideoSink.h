#pragma once
// Where the SDK draws a live view: the video window of one camera. Called from the SDK's
// streaming thread, so implementations hand the frame over to their own thread.
#include "camera/sdk/Corners.h"

#include <QImage>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace camera::sdk {

// What a frame shows besides the picture while the user edits the corners.
struct CornerOverlay {
    bool editing = false;
    Corners corners;
    QStringList labels;    // top-left, top-right, bottom-right, bottom-left
    uint32_t lines = 255;  // 0x00BBGGRR
    uint32_t active = 65280;
};

class VideoSink;

// The SDK's way to a sink, closed by the sink when it goes: a stream never draws into a window
// that is being destroyed, whichever of the two ends first.
class SinkGate {
public:
    explicit SinkGate(VideoSink* sink) : m_sink(sink) {}
    void present(const QImage& frame, const CornerOverlay& overlay);
    void setCornerMover(std::function<void(int, QPointF)> mover);
    // Waits for a frame being handed over, then lets none through.
    void close();

private:
    std::mutex m_mutex;
    VideoSink* m_sink;
};

class VideoSink {
public:
    VideoSink() : m_gate(std::make_shared<SinkGate>(this)) {}
    virtual ~VideoSink() { detachFromCameras(); }
    VideoSink(const VideoSink&) = delete;
    VideoSink& operator=(const VideoSink&) = delete;

    // A corrected picture, or with editing on the raw frame and the overlay to draw over it.
    virtual void present(const QImage& frame, const CornerOverlay& overlay) = 0;
    // The SDK tells the window how a dragged corner reaches it (corner index, new fractions).
    virtual void setCornerMover(std::function<void(int, QPointF)> mover) = 0;

    const std::shared_ptr<SinkGate>& gate() const { return m_gate; }

protected:
    // Implementations call this first in their destructor, before their own members go.
    void detachFromCameras() { m_gate->close(); }

private:
    std::shared_ptr<SinkGate> m_gate;
};

}  // namespace camera::sdk
