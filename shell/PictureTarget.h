#pragma once
// Where the picture viewer draws: a stored picture at an integer rectangle, or nothing but black.
#include <QImage>
#include <QRect>

namespace app {

class PictureTarget {
public:
    virtual ~PictureTarget() = default;
    // Clears to opaque black, then draws picture scaled to rect with nearest-neighbour sampling
    // (rect in the target's logical coordinates). A null picture leaves only the black.
    virtual void present(const QImage& picture, const QRect& rect) = 0;
};

}  // namespace app
