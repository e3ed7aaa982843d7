#pragma once
// The picture surface's pixels: what the viewer drew, kept at the screen's device resolution so
// a stored picture is sampled once, straight to screen pixels, and stays sharp on HiDPI screens.
#include "shell/PictureTarget.h"
#include "platform/DevicePixels.h"

#include <QImage>
#include <QSize>

namespace app {

class PictureFrame : public PictureTarget {
public:
    // Logical size of the surface and the screen's device pixel ratio; the content is cleared.
    void resize(const QSize& logical, qreal ratio);
    void present(const QImage& picture, const QRect& rect) override;

    // Device-resolution pixels, tagged with the ratio.
    const QImage& pixels() const { return m_pixels; }
    QSize logicalSize() const { return m_logical; }

private:
    platform::DevicePixels m_device;
    QSize m_logical;
    QImage m_pixels;
};

}  // namespace app
