#pragma once
// Scaling and composing stored pictures. "Halftone" stretching is area averaging when shrinking
// (Qt's smooth scaling), which keeps writing on the board legible in thumbnails.
#include <QImage>
#include <QRect>

namespace camera {

class PictureImaging {
public:
    static constexpr int kThumbSize = 180;

    // src stretched to size, 24-bit.
    static QImage stretch(const QImage& src, QSize size);
    // The 180 × 180 thumbnail: the picture fitted and centred on white. Null for an empty picture.
    static QImage thumbnail(const QImage& picture);
    // Where the picture goes inside the thumbnail.
    static QRect thumbnailPlacement(int width, int height);
};

}  // namespace camera
