#include "JpegWriter.h"

#include "platform/StagedFile.h"

#include <turbojpeg.h>

#include <cmath>
#include <memory>

namespace camera {

namespace {

struct Compressor {
    Compressor() : handle(tjInitCompress()) {}
    ~Compressor() {
        if (handle != nullptr) tjDestroy(handle);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    tjhandle handle;
};

// turbojpeg writes a JFIF header without units; Qt's writer puts the image's resolution there.
void setResolution(QByteArray& jpeg, const QImage& image) {
    // SOI, APP0 marker and length, "JFIF\0", version, then units and the two densities.
    if (jpeg.size() < 18 || uchar(jpeg[2]) != 0xff || uchar(jpeg[3]) != 0xe0 ||
        !jpeg.mid(6, 5).startsWith("JFIF"))
        return;
    const auto dpi = [](int dotsPerMeter) {
        return static_cast<int>(std::clamp(std::lround(dotsPerMeter * 0.0254), 1L, 65535L));
    };
    const int x = dpi(image.dotsPerMeterX()), y = dpi(image.dotsPerMeterY());
    jpeg[13] = 1;  // dots per inch
    jpeg[14] = char(x >> 8);
    jpeg[15] = char(x & 0xff);
    jpeg[16] = char(y >> 8);
    jpeg[17] = char(y & 0xff);
}

}  // namespace

QByteArray JpegWriter::encode(const QImage& image, int quality) {
    if (image.isNull()) return {};
    QImage src = image;
    int pixelFormat = TJPF_BGRX;  // RGB32 in memory on a little-endian machine
    if (src.format() == QImage::Format_RGB888) {
        pixelFormat = TJPF_RGB;
    } else if (src.format() != QImage::Format_RGB32) {
        src = src.convertToFormat(QImage::Format_RGB32);
    }
    Compressor c;
    if (c.handle == nullptr) return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    // The accurate DCT is libjpeg's default (turbojpeg's own is the fast one).
    const int rc =
        tjCompress2(c.handle, src.constBits(), src.width(), int(src.bytesPerLine()), src.height(),
                    pixelFormat, &out, &size, TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
    const std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(out, tjFree);
    if (rc != 0 || out == nullptr) return {};
    QByteArray jpeg(reinterpret_cast<const char*>(out), qsizetype(size));
    setResolution(jpeg, image);
    return jpeg;
}

bool JpegWriter::write(const QImage& image, const QString& path, int quality) {
    const QByteArray jpeg = encode(image, quality);
    return !jpeg.isEmpty() &&
           platform::StagedFile::replace(path, jpeg, platform::StagedFile::Sync::None);
}

}  // namespace camera
