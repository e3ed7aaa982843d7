#pragma once
// Which stream a UVC camera is asked for, as a teacher would choose: a picture that moves (at least
// 15 frames a second) as large as the board needs and no larger, MJPEG before YUYV at the same
// size (far less USB bandwidth, so a second camera on the bus still gets its share).
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace camera::sdk {

// Seconds per frame as numerator / denominator, as V4L2 gives it.
struct FrameInterval {
    uint32_t numerator = 0;
    uint32_t denominator = 0;
    double fps() const { return numerator == 0 ? 0.0 : double(denominator) / numerator; }
    int64_t microseconds() const;
    // A rate a camera could really have; zero parts and rates beyond reason are not.
    bool sane() const;
    bool operator==(const FrameInterval&) const = default;
};

struct StreamFormat {
    uint32_t fourcc = 0;
    QSize size;
    bool operator==(const StreamFormat&) const = default;
};

// One frame size of one format with the intervals the camera lists for it (empty: not told).
struct OfferedFormat {
    uint32_t fourcc = 0;
    QSize size;
    std::vector<FrameInterval> intervals;
};

struct FormatChoice {
    StreamFormat format;
    std::optional<FrameInterval> interval;  // none: the camera did not list its rates
    QString why;
    bool operator==(const FormatChoice& o) const {
        return format == o.format && interval == o.interval;
    }
};

class V4l2Formats {
public:
    // Nothing when no decodable size is offered.
    static std::optional<FormatChoice> choose(const std::vector<OfferedFormat>& offered);
    static bool decodable(uint32_t fourcc);
    // "MJPG", "YUYV".
    static QString fourccName(uint32_t fourcc);

    // The board needs no more pixels than the device's rated 1600 × 1200; a bigger camera streams
    // a size within that, not its full 5 to 8 megapixels.
    static constexpr int kCapWidth = 1600;
    static constexpr int kCapHeight = 1200;
    static constexpr int64_t kMaxPixels = int64_t(kCapWidth) * kCapHeight;
    static constexpr double kMinFps = 15.0;
    // A faster rate only costs decoding time.
    static constexpr double kWantedFps = 30.0;
};

}  // namespace camera::sdk
