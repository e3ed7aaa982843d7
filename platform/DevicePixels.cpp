#include "DevicePixels.h"

#include <cmath>

namespace platform {

namespace {

int scaled(int v, qreal ratio) {
    return static_cast<int>(std::lround(v * ratio));
}

}  // namespace

DevicePixels::DevicePixels(qreal ratio)
    : m_ratio(ratio > 0 && std::isfinite(ratio) ? ratio : 1.0) {}

QRect DevicePixels::toDevice(const QRect& r) const {
    const int left = scaled(r.x(), m_ratio);
    const int top = scaled(r.y(), m_ratio);
    const int right = scaled(r.x() + r.width(), m_ratio);
    const int bottom = scaled(r.y() + r.height(), m_ratio);
    return QRect(left, top, right - left, bottom - top);
}

QSize DevicePixels::toDevice(const QSize& s) const {
    return QSize(scaled(s.width(), m_ratio), scaled(s.height(), m_ratio));
}

QPoint DevicePixels::toDevice(const QPoint& p) const {
    return QPoint(scaled(p.x(), m_ratio), scaled(p.y(), m_ratio));
}

QImage DevicePixels::makeBuffer(const QSize& logical, QImage::Format format) const {
    const QSize size = toDevice(logical);
    if (size.isEmpty()) return {};
    QImage image(size, format);
    image.setDevicePixelRatio(m_ratio);
    return image;
}

}  // namespace platform
