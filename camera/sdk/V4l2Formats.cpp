#include "V4l2Formats.h"

#include <linux/videodev2.h>

namespace camera::sdk {

bool V4l2Formats::decodable(uint32_t fourcc) {
    return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_YUYV;
}

std::optional<StreamFormat> V4l2Formats::choose(const std::vector<StreamFormat>& offered) {
    std::optional<StreamFormat> best;
    const auto area = [](QSize s) { return int64_t(s.width()) * s.height(); };
    for (const StreamFormat& f : offered) {
        if (!decodable(f.fourcc) || f.size.isEmpty()) continue;
        if (!best || area(f.size) > area(best->size) ||
            (area(f.size) == area(best->size) && f.fourcc == V4L2_PIX_FMT_MJPEG &&
             best->fourcc != V4L2_PIX_FMT_MJPEG)) {
            best = f;
        }
    }
    return best;
}

}  // namespace camera::sdk
