#pragma once
// Turns a camera's raw frame (YUYV or MJPEG) into an RGB32 picture.
#include <QImage>

#include <cstddef>
#include <cstdint>

namespace camera::sdk {

class FrameDecoder {
public:
    FrameDecoder();
    ~FrameDecoder();
    FrameDecoder(const FrameDecoder&) = delete;
    FrameDecoder& operator=(const FrameDecoder&) = delete;

    // Null when the data is short or broken.
    QImage decode(uint32_t fourcc, const uint8_t* data, size_t bytes, int width, int height,
                  int stride);

    // YUYV 4:2:2 (BT.601, studio range) into out, which must be width × height RGB32.
    static bool yuyvToRgb32(const uint8_t* data, size_t bytes, int width, int height, int stride,
                            QImage& out);
    QImage decodeJpeg(const uint8_t* data, size_t bytes);

private:
    void* m_jpeg = nullptr;  // the turbojpeg decompressor, made on first use
};

}  // namespace camera::sdk
