#include "PictureFrame.h"

#include <QPainter>

namespace app {

void PictureFrame::resize(const QSize& logical, qreal ratio) {
    m_device = platform::DevicePixels(ratio);
    m_logical = logical;
    m_pixels = m_device.makeBuffer(logical, QImage::Format_RGB32);
    if (!m_pixels.isNull()) m_pixels.fill(0xFF000000u);
}

void PictureFrame::present(const QImage& picture, const QRect& rect) {
    if (m_pixels.isNull()) return;
    m_pixels.fill(0xFF000000u);
    if (picture.isNull() || rect.isEmpty()) return;
    // Painting in device pixels (ratio 1) so the target rectangle is exactly the rounded one.
    m_pixels.setDevicePixelRatio(1.0);
    {
        QPainter p(&m_pixels);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(m_device.toDevice(rect), picture);
    }
    m_pixels.setDevicePixelRatio(m_device.ratio());
}

}  // namespace app
