#include "PictureImaging.h"

#include <QPainter>

namespace camera {

QImage PictureImaging::stretch(const QImage& src, QSize size) {
    if (src.isNull() || size.isEmpty()) return {};
    const QImage scaled = src.size() == size
                              ? src
                              : src.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.convertToFormat(QImage::Format_RGB888);
}

QRect PictureImaging::thumbnailPlacement(int W, int H) {
    int tw = kThumbSize;
    int th = static_cast<int>(static_cast<float>(H) * kThumbSize / static_cast<float>(W));
    if (th > kThumbSize) {
        th = kThumbSize;
        tw = static_cast<int>(static_cast<float>(W) * kThumbSize / static_cast<float>(H));
    }
    return QRect((kThumbSize - tw) / 2, (kThumbSize - th) / 2, tw, th);
}

QImage PictureImaging::thumbnail(const QImage& picture) {
    if (picture.isNull()) return {};
    QImage thumb(kThumbSize, kThumbSize, QImage::Format_RGB888);
    thumb.fill(QColor(255, 255, 255));
    const QRect place = thumbnailPlacement(picture.width(), picture.height());
    // A sliver thinner than a pixel still shows as one line rather than vanishing.
    const QSize size(std::max(1, place.width()), std::max(1, place.height()));
    QPainter p(&thumb);
    p.drawImage(place.topLeft(), stretch(picture, size));
    return thumb;
}

}  // namespace camera
