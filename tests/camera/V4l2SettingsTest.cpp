// The video settings on the controls of real UVC cameras, as their control lists were recorded.
#include "RecordedControls.h"
#include "camera/sdk/CameraSdk.h"
#include "camera/sdk/V4l2Controls.h"
#include "camera/sdk/V4l2Settings.h"
#include "tests/support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <optional>

using namespace camera::sdk;
using cameratest::RecordedControls;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

struct Range {
    int min, max, current;
};
using Expected = std::map<int, std::optional<Range>>;  // nullopt: the page disables the row

void expectSettings(const QString& file, const Expected& expected, int automatic) {
    RecordedControls rec = RecordedControls::fromFile(file);
    ASSERT_GT(rec.size(), 5u) << qPrintable(file);
    V4l2Settings s(rec);
    for (const auto& [id, range] : expected) {
        const int max = s.read(id, kQueryMax), min = s.read(id, kQueryMin);
        if (!range) {
            EXPECT_GE(min, max) << qPrintable(file) << " setting " << id;
            continue;
        }
        EXPECT_EQ(min, range->min) << qPrintable(file) << " setting " << id;
        EXPECT_EQ(max, range->max) << qPrintable(file) << " setting " << id;
        EXPECT_EQ(s.read(id, kQueryCurrent), range->current) << qPrintable(file) << " " << id;
    }
    EXPECT_EQ(s.read(kExposure, kQueryAuto), automatic) << qPrintable(file);
    EXPECT_EQ(s.read(kBrightness, kQueryAuto), 0);
    EXPECT_THAT(rec.writes(), IsEmpty());  // reading writes nothing
}

}  // namespace

TEST(V4l2Settings, RecordedCamerasShowTheirSevenSettings) {
    expectSettings("webcam-c920.txt",
                   {{1, Range{0, 255, 128}},
                    {2, Range{0, 255, 128}},
                    {3, std::nullopt},
                    {4, Range{0, 255, 128}},
                    {5, Range{0, 255, 128}},
                    {6, std::nullopt},
                    {8, Range{3, 2047, 250}},
                    {7, std::nullopt}},
                   1);
    expectSettings("lifecam-hd3000.txt",
                   {{1, Range{30, 255, 140}},
                    {2, Range{0, 10, 5}},
                    {3, std::nullopt},
                    {4, Range{0, 200, 83}},
                    {5, Range{0, 50, 25}},
                    {6, std::nullopt},
                    {8, Range{5, 20000, 312}}},
                   0);
    expectSettings("doccam-0c45-9102.txt",
                   {{1, Range{-64, 64, 0}},
                    {2, Range{0, 64, 32}},
                    {3, Range{-40, 40, 0}},
                    {4, Range{0, 128, 64}},
                    {5, Range{0, 6, 3}},
                    {6, Range{72, 500, 100}},
                    {8, Range{1, 5000, 156}}},
                   1);
    // Read-only and disabled controls cannot be moved: their rows go. Under shutter priority
    // the exposure time is the one set by hand, so automatic is off.
    expectSettings("uvc-all-exposure-modes.txt",
                   {{1, Range{-10, 10, 0}},
                    {3, Range{-180, 180, 0}},
                    {5, std::nullopt},
                    {6, std::nullopt},
                    {8, Range{1, 10000, 400}}},
                   0);
}

TEST(V4l2Settings, AutomaticExposureUsesOnlyTheModesTheCameraReports) {
    // Manual and aperture priority only: automatic is aperture priority, never full automatic.
    RecordedControls c920 = RecordedControls::fromFile("webcam-c920.txt");
    V4l2Settings s(c920);
    s.write(kExposure, 500, false);
    EXPECT_THAT(c920.writes(), ElementsAre("exposure_auto=1", "exposure_absolute=500"));
    EXPECT_EQ(s.read(kExposure, kQueryAuto), 0);
    EXPECT_EQ(s.read(kExposure, kQueryCurrent), 500);
    s.write(kExposure, 700, true);  // the time is the camera's again: not written
    EXPECT_THAT(c920.writes(),
                ElementsAre("exposure_auto=1", "exposure_absolute=500", "exposure_auto=3"));
    EXPECT_EQ(s.read(kExposure, kQueryAuto), 1);
    EXPECT_EQ(s.exposureModes(), (std::vector<int>{1, 3}));

    // Full automatic where the camera has it; by hand from shutter priority is manual.
    RecordedControls all = RecordedControls::fromFile("uvc-all-exposure-modes.txt");
    V4l2Settings t(all);
    t.write(kExposure, 400, true);
    t.write(kExposure, 900, false);
    EXPECT_THAT(all.writes(),
                ElementsAre("exposure_auto=0", "exposure_auto=1", "exposure_absolute=900"));
    EXPECT_EQ(t.exposureModes(), (std::vector<int>{0, 1, 2, 3}));

    EXPECT_FALSE(V4l2Controls::isAutoMode(V4L2_EXPOSURE_SHUTTER_PRIORITY));
    EXPECT_EQ(V4l2Controls::modeFor(false, {2, 3}), V4L2_EXPOSURE_SHUTTER_PRIORITY);
    EXPECT_FALSE(V4l2Controls::modeFor(true, {1, 2}));
}

TEST(V4l2Settings, WritesAreClampedAndRefusedOnesLeaveTheCamerasValue) {
    RecordedControls life = RecordedControls::fromFile("lifecam-hd3000.txt");
    V4l2Settings s(life);
    s.write(kBrightness, 10, false);
    s.write(kContrast, 99, false);
    s.write(kHue, 5, false);  // the camera has no hue
    s.write(kGamma, 150, false);
    s.write(7, 1, false);  // no such setting
    EXPECT_THAT(life.writes(), ElementsAre("brightness=30", "contrast=10"));

    RecordedControls all = RecordedControls::fromFile("uvc-all-exposure-modes.txt");
    V4l2Settings t(all);
    t.write(kContrast, 7, false);   // the camera rounds to its step of 2
    t.write(kSharpness, 5, false);  // read-only
    t.write(kGamma, 150, false);    // disabled
    EXPECT_THAT(all.writes(), ElementsAre("contrast=8"));
    EXPECT_EQ(t.read(kContrast, kQueryCurrent), 8);
    EXPECT_EQ(t.read(kSharpness, kQueryCurrent), 0);
}

TEST(V4l2Settings, RestoringDefaultsSetsTheModeFirst) {
    RecordedControls life = RecordedControls::fromFile("lifecam-hd3000.txt");
    V4l2Settings s(life);
    s.restoreDefaults();
    // Automatic by default: the exposure time is left to the camera.
    EXPECT_THAT(life.writes(), ElementsAre("exposure_auto=3", "brightness=133", "contrast=5",
                                           "saturation=83", "sharpness=25"));
    EXPECT_EQ(s.read(kExposure, kQueryAuto), 1);

    RecordedControls doc = RecordedControls::fromFile("doccam-0c45-9102.txt");
    V4l2Settings t(doc);
    t.write(kExposure, 900, false);
    t.write(kGamma, 300, false);
    t.restoreDefaults();
    EXPECT_EQ(doc.value("exposure_auto"), 3);
    EXPECT_EQ(doc.value("gamma"), 100);
    EXPECT_EQ(t.read(kExposure, kQueryAuto), 1);
}

TEST(V4l2Settings, ControlsNoCameraCouldHaveAreLeftOutWithOneLine) {
    RecordedControls rec(
        "brightness 0x00980900 (int) : min=10 max=-10 step=1 default=0 value=0\n"
        "contrast 0x00980901 (int) : min=0 max=64 step=1 default=200 value=-5\n"
        "hue 0x00980903 (int64) : min=-40 max=40 step=1 default=0 value=0\n"
        "exposure_auto 0x009a0901 (menu) : min=0 max=2147483647 default=3 value=3\n"
        "\t\t\t\t1: Manual Mode\n"
        "\t\t\t\t3: Aperture Priority Mode\n"
        "exposure_absolute 0x009a0902 (int) : min=1 max=5000 step=1 default=156 value=156\n");
    V4l2Settings s(rec);
    testsupport::LogCapture log;
    // An upside-down range: unsupported, logged once however often the page asks.
    for (int i = 0; i < 3; ++i)
        EXPECT_GE(s.read(kBrightness, kQueryMin), s.read(kBrightness, kQueryMax));
    EXPECT_EQ(log.matching("ostrely.camera", {"brightness", "10..-10", "left out"}).size(), 1)
        << log.lines().join('\n').toStdString();
    // A type that holds no 32-bit number.
    EXPECT_GE(s.read(kHue, kQueryMin), s.read(kHue, kQueryMax));
    // A value outside its own range is shown inside it.
    EXPECT_EQ(s.read(kContrast, kQueryCurrent), 0);
    // A mode menu that claims two billion entries is not walked to its end.
    s.write(kExposure, 300, false);
    EXPECT_EQ(rec.value("exposure_auto"), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(s.read(kExposure, kQueryCurrent), 300);
}
