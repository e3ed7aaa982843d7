#include "V4l2Formats.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <tuple>

namespace camera::sdk {

namespace {

// Rates are compared with a little give: 333333/10000000 s is 30 frames a second.
constexpr double kTolerance = 1.005;

int64_t area(QSize s) {
    return int64_t(s.width()) * s.height();
}

// The interval to stream a size at: the fastest up to the wanted rate, else the slowest offered.
std::optional<FrameInterval> intervalFor(const OfferedFormat& f) {
    std::optional<FrameInterval> best, slowest;
    for (const FrameInterval& i : f.intervals) {
        if (!i.sane()) continue;
        if (!slowest || i.fps() < slowest->fps()) slowest = i;
        if (i.fps() <= V4l2Formats::kWantedFps * kTolerance && (!best || i.fps() > best->fps()))
            best = i;
    }
    return best ? best : slowest;
}

struct Candidate {
    const OfferedFormat* offer;
    std::optional<FrameInterval> interval;
    int tier;  // 2 keeps the rate, 1 rate not told, 0 too slow
};

Candidate candidateOf(const OfferedFormat& f) {
    Candidate c{&f, intervalFor(f), 1};
    if (c.interval) c.tier = c.interval->fps() * kTolerance >= V4l2Formats::kMinFps ? 2 : 0;
    return c;
}

// Larger is better. When no size keeps the rate, the fastest picture counts before its size.
auto rankWithinCap(const Candidate& c) {
    const double fps = c.interval ? c.interval->fps() : 0.0;
    return std::make_tuple(c.tier, c.tier == 0 ? fps : 0.0, area(c.offer->size),
                           c.offer->fourcc == V4L2_PIX_FMT_MJPEG, fps);
}

QString describe(const Candidate& c) {
    QString text = QStringLiteral("%1 %2x%3")
                       .arg(V4l2Formats::fourccName(c.offer->fourcc))
                       .arg(c.offer->size.width())
                       .arg(c.offer->size.height());
    if (c.interval) text += QStringLiteral(" at %1 fps").arg(c.interval->fps(), 0, 'f', 1);
    return text;
}

}  // namespace

int64_t FrameInterval::microseconds() const {
    return denominator == 0 ? 0 : int64_t(numerator) * 1'000'000 / denominator;
}

bool FrameInterval::sane() const {
    if (numerator == 0 || denominator == 0) return false;
    const double f = fps();
    return f >= 0.1 && f <= 1000.0;
}

bool V4l2Formats::decodable(uint32_t fourcc) {
    return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_YUYV;
}

QString V4l2Formats::fourccName(uint32_t fourcc) {
    QString s;
    for (int i = 0; i < 4; ++i) {
        const char c = char((fourcc >> (8 * i)) & 0xff);
        s += c >= ' ' && c < 127 ? QChar(c) : QChar('?');
    }
    return s;
}

std::optional<FormatChoice> V4l2Formats::choose(const std::vector<OfferedFormat>& offered) {
    std::optional<Candidate> within, above;
    for (const OfferedFormat& f : offered) {
        if (!decodable(f.fourcc) || f.size.isEmpty()) continue;
        const Candidate c = candidateOf(f);
        if (area(f.size) <= kMaxPixels) {
            if (!within || rankWithinCap(c) > rankWithinCap(*within)) within = c;
        } else {
            // Above the cap the smallest is nearest to what the board needs.
            const auto rank = [](const Candidate& x) {
                return std::make_tuple(x.tier, -area(x.offer->size),
                                       x.offer->fourcc == V4L2_PIX_FMT_MJPEG);
            };
            if (!above || rank(c) > rank(*above)) above = c;
        }
    }
    // A size above the cap only when it keeps the rate and nothing within it does.
    const bool useAbove = above && (!within || (within->tier < 2 && above->tier == 2));
    const std::optional<Candidate>& pick = useAbove ? above : within;
    if (!pick) return std::nullopt;
    FormatChoice choice{{pick->offer->fourcc, pick->offer->size}, pick->interval, {}};
    const QString cap = QStringLiteral("the pixels of %1x%2").arg(kCapWidth).arg(kCapHeight);
    if (useAbove)
        choice.why = QStringLiteral("no size within %1 keeps %2 fps; the smallest larger one does")
                         .arg(cap)
                         .arg(kMinFps);
    else if (pick->tier == 2)
        choice.why =
            QStringLiteral("the largest size within %1 that keeps %2 fps").arg(cap).arg(kMinFps);
    else if (pick->tier == 1)
        choice.why = QStringLiteral("the largest size within %1; the camera lists no rates").arg(cap);
    else
        choice.why =
            QStringLiteral("no size keeps %1 fps; the fastest within %2").arg(kMinFps).arg(cap);
    choice.why.prepend(describe(*pick) + ": ");
    return choice;
}

}  // namespace camera::sdk
