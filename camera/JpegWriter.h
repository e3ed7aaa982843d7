#pragma once
// Stored pictures as JPEG through libjpeg-turbo, straight from the 32-bit picture: no 24-bit copy
// and no scanline conversion as Qt's writer makes them. The files are what Qt's writer gives with
// its defaults (quality 75, 4:2:0, baseline, the image's resolution in the JFIF header), so the
// PDF export and every other reader see the same pictures as before.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace camera {

class JpegWriter {
public:
    static constexpr int kDefaultQuality = 75;

    // The encoded picture; empty for a null image or when the encoder fails.
    static QByteArray encode(const QImage& image, int quality = kDefaultQuality);
    // Writes the encoded picture to path as a whole (a temporary file renamed over it); false,
    // and path as it was, when anything fails.
    static bool write(const QImage& image, const QString& path, int quality = kDefaultQuality);
};

}  // namespace camera
