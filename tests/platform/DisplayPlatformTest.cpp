// Which window-system plugin the program asks Qt for, and the fallbacks behind it.
#include "platform/DisplayPlatform.h"

#include <gtest/gtest.h>

using platform::choosePlatform;

TEST(DisplayPlatform, AnXDisplayWinsOverNativeWayland) {
    EXPECT_EQ(choosePlatform("", true, true), "xcb;wayland") << "XWayland on a Wayland desktop";
    EXPECT_EQ(choosePlatform("", true, false), "xcb");
    EXPECT_EQ(choosePlatform("", false, true), "wayland") << "no XWayland: native";
    EXPECT_EQ(choosePlatform("", false, false), "") << "nothing to go by: Qt's default";
}

TEST(DisplayPlatform, TheTeachersChoiceFirstWithFallbacksBehind) {
    EXPECT_EQ(choosePlatform("wayland", true, true), "wayland;xcb")
        << "a missing Wayland plugin falls back to XWayland";
    EXPECT_EQ(choosePlatform("offscreen", false, false), "offscreen");
    EXPECT_EQ(choosePlatform("xcb", true, true), "xcb;wayland");
    EXPECT_EQ(choosePlatform(" wayland ; xcb ;", true, false), "wayland;xcb")
        << "a list keeps its order, once each, without blanks";
}

TEST(DisplayPlatform, KnowsQtsWordForNoUsablePlugin) {
    EXPECT_TRUE(platform::isMissingPlatform(
        "This application failed to start because no Qt platform plugin could be initialized."));
    EXPECT_FALSE(platform::isMissingPlatform("QFont: unknown family"));
}
