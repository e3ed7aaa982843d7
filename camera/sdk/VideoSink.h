#pragma once
// Where the SDK draws a live view: the video window of one camera. Called from the SDK's
// streaming thread, so implementations hand the frame over to their own thread.
#include "camera/sdk/Corners.h"

#include <QImage>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace camera::sdk {

// What a frame shows besides the picture while the user edits the corners.
struct CornerOverlay {
    bool editing = false;
    Corners corners;
    QStringList labels;    // top-left, top-right, bottom-right, bottom-left
    uint32_t lines = 255;  // 0x00BBGGRR
    uint32_t active = 65280;
};

class VideoSink {
public:
    virtual ~VideoSink() = default;
    // A corrected picture, or with editing on the raw frame and the overlay to draw over it.
    virtual void present(const QImage& frame, const CornerOverlay& overlay) = 0;
    // The SDK tells the window how a dragged corner reaches it (corner index, new fractions).
    virtual void setCornerMover(std::function<void(int, QPointF)> mover) = 0;
};

}  // namespace camera::sdk
