#pragma once
// Whether a stored picture is a whole JPEG file: its headers complete up to the scan, a frame of
// non-zero size, and the end-of-image marker at its end. Cheap: only the headers and the tail are
// read, never the compressed data.
#include <QString>

namespace pictures {

bool isCompleteJpeg(const QString& path);

}  // namespace pictures
