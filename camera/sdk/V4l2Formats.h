#pragma once
// Which stream format a UVC camera is asked for: the largest frame it offers in a format we can
// decode, MJPEG before YUYV at the same size (it needs far less USB bandwidth).
#include <QSize>

#include <cstdint>
#include <optional>
#include <vector>

namespace camera::sdk {

struct StreamFormat {
    uint32_t fourcc = 0;
    QSize size;
    bool operator==(const StreamFormat&) const = default;
};

class V4l2Formats {
public:
    static std::optional<StreamFormat> choose(const std::vector<StreamFormat>& offered);
    static bool decodable(uint32_t fourcc);
};

}  // namespace camera::sdk
