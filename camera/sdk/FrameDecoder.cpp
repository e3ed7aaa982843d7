#include "FrameDecoder.h"

#include <linux/videodev2.h>
#include <turbojpeg.h>

#include <algorithm>

namespace camera::sdk {

namespace {

inline uint8_t clamp8(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// Fixed-point BT.601: 16.16 with the studio-range scale folded in.
inline QRgb yuvToRgb(int y, int u, int v) {
    const int c = (y - 16) * 76309;
    const int d = u - 128, e = v - 128;
    const int r = (c + 104597 * e + 32768) >> 16;
    const int g = (c - 25675 * d - 53279 * e + 32768) >> 16;
    const int b = (c + 132201 * d + 32768) >> 16;
    return qRgb(clamp8(r), clamp8(g), clamp8(b));
}

}  // namespace

FrameDecoder::FrameDecoder() = default;

FrameDecoder::~FrameDecoder() {
    if (m_jpeg != nullptr) tjDestroy(static_cast<tjhandle>(m_jpeg));
}

bool FrameDecoder::yuyvToRgb32(const uint8_t* data, size_t bytes, int width, int height, int stride,
                               QImage& out) {
    if (width <= 0 || height <= 0 || width % 2 != 0 || stride < width * 2) return false;
    if (bytes < size_t(stride) * (height - 1) + size_t(width) * 2) return false;
    if (out.size() != QSize(width, height) || out.format() != QImage::Format_RGB32) return false;
    for (int row = 0; row < height; ++row) {
        const uint8_t* s = data + size_t(row) * stride;
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (int x = 0; x < width; x += 2, s += 4) {
            d[x] = yuvToRgb(s[0], s[1], s[3]);
            d[x + 1] = yuvToRgb(s[2], s[1], s[3]);
        }
    }
    return true;
}

QImage FrameDecoder::decodeJpeg(const uint8_t* data, size_t bytes) {
    if (data == nullptr || bytes < 4 || bytes > 64u * 1024 * 1024) return {};
    if (m_jpeg == nullptr) m_jpeg = tjInitDecompress();
    auto* tj = static_cast<tjhandle>(m_jpeg);
    if (tj == nullptr) return {};
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    auto* src = const_cast<unsigned char*>(data);
    if (tjDecompressHeader3(tj, src, static_cast<unsigned long>(bytes), &w, &h, &subsamp,
                            &colorspace) != 0)
        return {};
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return {};
    QImage out(w, h, QImage::Format_RGB32);
    // RGB32 is 0xffRRGGBB in memory order B, G, R, X on this little-endian machine.
    if (tjDecompress2(tj, src, static_cast<unsigned long>(bytes), out.bits(), w,
                      static_cast<int>(out.bytesPerLine()), h, TJPF_BGRX, TJFLAG_FASTDCT) != 0 &&
        tjGetErrorCode(tj) == TJERR_FATAL)
        return {};
    return out;
}

QImage FrameDecoder::decode(uint32_t fourcc, const uint8_t* data, size_t bytes, int width,
                            int height, int stride) {
    if (fourcc == V4L2_PIX_FMT_MJPEG) return decodeJpeg(data, bytes);
    if (fourcc != V4L2_PIX_FMT_YUYV) return {};
    QImage out(width, height, QImage::Format_RGB32);
    return yuyvToRgb32(data, bytes, width, height, stride, out) ? out : QImage();
}

}  // namespace camera::sdk
