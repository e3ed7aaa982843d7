#pragma once
// Whether a stored picture is a whole JPEG file: its headers complete up to the scan, a frame of
// non-zero size, and the end-of-image marker at its end. Cheap: only the headers and the tail are
// read, never the compressed data.
#include <QString>

#include <optional>

namespace pictures {

// What a PDF needs to know of a JPEG to embed it as it is.
struct JpegFrame {
    int width = 0;
    int height = 0;
    int components = 0;  // 1 grey, 3 colour, 4 CMYK
    int precision = 0;   // bits per component
};

// The frame of a whole JPEG; nothing when the file is not one.
std::optional<JpegFrame> readJpegFrame(const QString& path);
bool isCompleteJpeg(const QString& path);

}  // namespace pictures
