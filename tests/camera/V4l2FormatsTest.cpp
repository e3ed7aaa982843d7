// The stream a camera is asked for, on the format tables of recorded cameras and on tables that
// lie.
#include "camera/sdk/V4l2Formats.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <linux/videodev2.h>

using namespace camera::sdk;

namespace {

// `v4l2-ctl --list-formats-ext` output as the formats a device lists.
std::vector<OfferedFormat> recordedFormats(const QString& name) {
    QFile f(QStringLiteral(OSTRELY_SOURCE_DIR "/tests/camera/data/formats/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(name);
    static const QRegularExpression format(R"(\[\d+\]: '(....)')");
    static const QRegularExpression size(R"(Size: Discrete (\d+)x(\d+))");
    static const QRegularExpression interval(R"(Interval: Discrete [\d.]+s \(([\d.]+) fps\))");
    std::vector<OfferedFormat> out;
    uint32_t fourcc = 0;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
        if (const auto m = format.match(line); m.hasMatch()) {
            const QByteArray c = m.captured(1).toLatin1();
            fourcc = v4l2_fourcc(c[0], c[1], c[2], c[3]);
        } else if (const auto s = size.match(line); s.hasMatch()) {
            out.push_back({fourcc, QSize(s.captured(1).toInt(), s.captured(2).toInt()), {}});
        } else if (const auto i = interval.match(line); i.hasMatch() && !out.empty()) {
            out.back().intervals.push_back(
                {1000, uint32_t(std::lround(i.captured(1).toDouble() * 1000))});
        }
    }
    return out;
}

struct Expected {
    uint32_t fourcc;
    QSize size;
    double fps;  // 0: no rate set
};

void expectChoice(const std::vector<OfferedFormat>& offered, const Expected& e,
                  const char* what) {
    const auto c = V4l2Formats::choose(offered);
    ASSERT_TRUE(c) << what;
    EXPECT_EQ(V4l2Formats::fourccName(c->format.fourcc), V4l2Formats::fourccName(e.fourcc))
        << what;
    EXPECT_EQ(c->format.size, e.size) << what;
    EXPECT_NEAR(c->interval ? c->interval->fps() : 0.0, e.fps, 0.01) << what;
    EXPECT_FALSE(c->why.isEmpty()) << what;
}

}  // namespace

TEST(V4l2Formats, RecordedCamerasGetTheStreamATeacherWouldChoose) {
    // The rated size at full rate.
    expectChoice(recordedFormats("doccam-0c45-9102.txt"), {V4L2_PIX_FMT_MJPEG, {1600, 1200}, 30},
                 "board camera");
    // 1920x1080 is more than the board needs; YUYV 1600x896 keeps 15 fps too, MJPEG wins the tie.
    expectChoice(recordedFormats("webcam-c920.txt"), {V4L2_PIX_FMT_MJPEG, {1600, 896}, 30},
                 "1080p webcam");
    // The larger YUYV picture would move at 5 fps; MJPEG 1280x720 at 30, not 60.
    expectChoice(recordedFormats("slow-yuyv-small-mjpeg.txt"),
                 {V4L2_PIX_FMT_MJPEG, {1280, 720}, 30}, "slow YUYV camera");
    // Not its full 8 megapixels.
    expectChoice(recordedFormats("doccam-8mp.txt"), {V4L2_PIX_FMT_MJPEG, {1600, 1200}, 30},
                 "8 MP camera");
    // YUYV where it keeps the rate: the largest such size, at its fastest rate.
    expectChoice(recordedFormats("yuyv-only.txt"), {V4L2_PIX_FMT_YUYV, {960, 544}, 15},
                 "YUYV only");
}

TEST(V4l2Formats, WhenNothingKeepsTheRateOrEverySizeIsTooLarge) {
    // The fastest picture, then the larger one.
    expectChoice({{V4L2_PIX_FMT_YUYV, {1600, 1200}, {{1, 5}}},
                  {V4L2_PIX_FMT_YUYV, {1280, 720}, {{1, 10}}},
                  {V4L2_PIX_FMT_MJPEG, {640, 480}, {{1, 10}}}},
                 {V4L2_PIX_FMT_YUYV, {1280, 720}, 10}, "all slow");
    // Only sizes above the cap: the smallest of them.
    expectChoice({{V4L2_PIX_FMT_MJPEG, {3264, 2448}, {{1, 15}}},
                  {V4L2_PIX_FMT_MJPEG, {2592, 1944}, {{1, 15}}}},
                 {V4L2_PIX_FMT_MJPEG, {2592, 1944}, 15}, "all large");
    // Above the cap only when nothing within keeps the rate.
    expectChoice({{V4L2_PIX_FMT_YUYV, {1600, 1200}, {{1, 5}}},
                  {V4L2_PIX_FMT_MJPEG, {1920, 1440}, {{1, 30}}}},
                 {V4L2_PIX_FMT_MJPEG, {1920, 1440}, 30}, "only the large keeps the rate");
    // A rate just under 30 (333333/10000000 s) still counts as 30, and 60 is not wanted.
    expectChoice({{V4L2_PIX_FMT_MJPEG, {1280, 720}, {{1, 60}, {333333, 10000000}, {1, 15}}}},
                 {V4L2_PIX_FMT_MJPEG, {1280, 720}, 30.0}, "near 30");
    // Only faster than wanted: the slowest of them.
    expectChoice({{V4L2_PIX_FMT_MJPEG, {640, 480}, {{1, 120}, {1, 60}}}},
                 {V4L2_PIX_FMT_MJPEG, {640, 480}, 60}, "only fast");
    EXPECT_FALSE(V4l2Formats::choose({{V4L2_PIX_FMT_H264, {1920, 1080}, {{1, 30}}}}));
    EXPECT_FALSE(V4l2Formats::choose({}));
}

TEST(V4l2Formats, AbsurdRatesAndSizesAreLeftOut) {
    // Zero parts and rates beyond reason are no rates; the size is then one of unknown rate,
    // below a size known to keep 15 fps.
    EXPECT_FALSE((FrameInterval{0, 30}).sane());
    EXPECT_FALSE((FrameInterval{1, 0}).sane());
    EXPECT_FALSE((FrameInterval{1, 100000}).sane());
    EXPECT_FALSE((FrameInterval{3600, 1}).sane());
    EXPECT_TRUE((FrameInterval{1, 30}).sane());
    expectChoice({{V4L2_PIX_FMT_MJPEG, {1600, 1200}, {{0, 30}, {1, 0}}},
                  {V4L2_PIX_FMT_MJPEG, {1280, 720}, {{1, 30}}}},
                 {V4L2_PIX_FMT_MJPEG, {1280, 720}, 30}, "absurd rates");
    // A camera that lists no rates at all still streams its largest size, with no rate set.
    expectChoice({{V4L2_PIX_FMT_YUYV, {640, 480}, {}}, {V4L2_PIX_FMT_YUYV, {320, 240}, {}}},
                 {V4L2_PIX_FMT_YUYV, {640, 480}, 0}, "no rates");
    // Empty and negative sizes are no sizes.
    EXPECT_FALSE(V4l2Formats::choose({{V4L2_PIX_FMT_MJPEG, {0, 480}, {{1, 30}}},
                                      {V4L2_PIX_FMT_MJPEG, {-640, 480}, {{1, 30}}}}));
    EXPECT_EQ(V4l2Formats::fourccName(V4L2_PIX_FMT_MJPEG), "MJPG");
    EXPECT_EQ(V4l2Formats::fourccName(0x01020304), "????");
}
