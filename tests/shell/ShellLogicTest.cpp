// The main window's arithmetic and rules that need no window.
#include "shell/DeviceNames.h"
#include "shell/TrayMenuModel.h"
#include "shell/ViewGeometry.h"
#include "lang/TextIds.h"

#include <gtest/gtest.h>

using camera::DisplayRect;

TEST(ViewGeometryTest, FitRectKeepsTheVideoShapeOnTheWorkArea) {
    EXPECT_EQ(view::ComputeFitRect({1920, 1040}, {1600, 1200}), (DisplayRect{268, 0, 1384, 1039}))
        << "1386 wide, cut to a multiple of 4";
    EXPECT_EQ(view::ComputeFitRect({1024, 738}, {1920, 1080}), (DisplayRect{0, 81, 1024, 576}))
        << "a video wider than the work area's shape fills its width";
    EXPECT_EQ(view::ComputeFitRect({1920, 1080}, {0, 0}).width % 4, 0) << "no video: no division";
}

TEST(ViewGeometryTest, SideBySideHoldsTwoPicturesAndSplitsInHalves) {
    const DisplayRect both = view::ComputeSideBySideRect({1920, 1040}, {1600, 1200});
    EXPECT_EQ(both, (DisplayRect{0, 160, 1920, 720}));
    EXPECT_EQ(view::leftHalf(both), (DisplayRect{0, 160, 960, 720}));
    EXPECT_EQ(view::rightHalf(both), (DisplayRect{960, 160, 960, 720}));
    EXPECT_EQ(view::ComputeSideBySideRect({1000, 300}, {1600, 1200}),
              (DisplayRect{100, 0, 800, 300}))
        << "too tall for the work area: its height, and the width of the shape";
}

TEST(DeviceNamesTest, BusThenOneSeparatorThenTheIds) {
    EXPECT_TRUE(devicenames::isCamera("\\\\?\\USB#VID_0C45&PID_9102#5&2b4a&0&1#{a5dcbf10}"));
    EXPECT_TRUE(devicenames::isBoard("\\\\?\\HID#VID_0483&PID_5851&COL01#7&1f0&0&0000#{4d1e}"));
    EXPECT_TRUE(devicenames::isBoard("xHID_VID_0483&PID_5851")) << "any one separator";
    EXPECT_FALSE(devicenames::isBoard("\\\\?\\hid#vid_0483&pid_5851&col01")) << "case-sensitive";
    EXPECT_FALSE(devicenames::isCamera("USB#VID_0C45&PID_9102")) << "never at the very start";
    EXPECT_FALSE(devicenames::isBoard("HID#VID_0483&PID_5851"));
    EXPECT_FALSE(devicenames::isCamera("\\\\?\\USB#VID_0C45&PID_9103#x"));
    EXPECT_FALSE(devicenames::isCamera("\\\\?\\USB##VID_0C45&PID_9102")) << "one separator only";
    EXPECT_FALSE(devicenames::isBoard("\\\\?\\USB#VID_0483&PID_5851")) << "a board is on HID";
}

namespace {

const tray::MenuEntry& find(const std::vector<tray::MenuEntry>& entries, int command) {
    for (const auto& e : entries)
        if (e.command == command) return e;
    throw std::runtime_error("no such entry");
}

}  // namespace

TEST(TrayMenuTest, EntriesInMenuOrderWithTheirTexts) {
    const auto entries = tray::menuEntries({});
    std::vector<int> order;
    for (const auto& e : entries) order.push_back(e.command);
    EXPECT_EQ(order,
              (std::vector<int>{10000, 10005, 10001, 10003, 32776, 10006, 32777, 10004, 10002}));
    EXPECT_EQ(find(entries, 10002).textId, text::kMenuExit);
    EXPECT_EQ(find(entries, 10006).textId, text::kMenuDualScreen);
}

TEST(TrayMenuTest, EnablingFollowsCamerasAndTheWhiteboard) {
    tray::MenuState one;
    one.cameraCount = 1;
    one.boardLinked = true;
    one.dualScreen = true;
    auto entries = tray::menuEntries(one);
    EXPECT_FALSE(find(entries, 32776).enabled) << "swap needs two cameras";
    EXPECT_FALSE(find(entries, 10006).enabled);
    EXPECT_FALSE(find(entries, 10006).checked) << "dual-screen is not checked with one camera";
    EXPECT_TRUE(find(entries, 10005).enabled);
    EXPECT_FALSE(find(entries, 10003).enabled) << "no whiteboard running, even though linked";
    EXPECT_TRUE(find(entries, 10003).checked);

    tray::MenuState none;
    none.whiteboardRunning = true;
    none.calibration = true;
    entries = tray::menuEntries(none);
    for (int c : {10000, 10005, 10001, 32776, 10006}) EXPECT_FALSE(find(entries, c).enabled) << c;
    EXPECT_TRUE(find(entries, 10003).enabled) << "the whiteboard rule comes last";
    EXPECT_TRUE(find(entries, 10005).checked);
    EXPECT_TRUE(find(entries, 10002).enabled);
    EXPECT_TRUE(find(entries, 10004).enabled);

    tray::MenuState two;
    two.cameraCount = 2;
    two.dualScreen = true;
    two.autostart = true;
    entries = tray::menuEntries(two);
    EXPECT_TRUE(find(entries, 32776).enabled);
    EXPECT_TRUE(find(entries, 10006).checked);
    EXPECT_TRUE(find(entries, 32777).checked);
}
