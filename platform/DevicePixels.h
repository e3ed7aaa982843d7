#pragma once
// Logical pixels (what the layout formulas use) to the screen's device pixels (what is drawn).
// Every device-pixel-ratio sum of the program goes through here, so rounding is the same in
// the live view, the picture viewer and the overlay.
#include <QImage>
#include <QRect>
#include <QSize>

namespace platform {

class DevicePixels {
public:
    explicit DevicePixels(qreal ratio = 1.0);

    qreal ratio() const { return m_ratio; }

    // Edges are rounded, not sizes, so neighbouring rectangles still meet without a gap.
    QRect toDevice(const QRect& logical) const;
    QSize toDevice(const QSize& logical) const;
    QPoint toDevice(const QPoint& logical) const;

    // An image covering logical size at device resolution, tagged with the ratio so a painter
    // that draws it at logical coordinates puts one image pixel on one screen pixel.
    QImage makeBuffer(const QSize& logical, QImage::Format format) const;

private:
    qreal m_ratio;
};

}  // namespace platform
