// Where the main window stands on an X desktop and in a Wayland session, and which area its
// layout follows there.
#include "platform/WindowPlacement.h"

#include <gtest/gtest.h>

using platform::WindowPlacement;

namespace {
const QRect kScreen(0, 0, 1920, 1080);
const QRect kBelowPanel(0, 32, 1920, 1048);
}  // namespace

TEST(WindowPlacement, FullScreenInAWaylandSessionEvenThroughXWayland) {
    EXPECT_TRUE(WindowPlacement::fullScreenFor("wayland", true, false));
    EXPECT_TRUE(WindowPlacement::fullScreenFor("wayland", true, true))
        << "natively no panel is ever announced to the program";
    EXPECT_TRUE(WindowPlacement::fullScreenFor("wayland-egl", false, false))
        << "a named Wayland plugin";
    EXPECT_TRUE(WindowPlacement::fullScreenFor("xcb", true, false))
        << "XWayland under sway or weston: no panels announced, a tiler tiles";
    EXPECT_FALSE(WindowPlacement::fullScreenFor("xcb", true, true))
        << "XWayland under GNOME or KDE: their window manager announces the top bar";
    EXPECT_FALSE(WindowPlacement::fullScreenFor("xcb", false, false))
        << "an X desktop without panels";
    EXPECT_FALSE(WindowPlacement::fullScreenFor("xcb", false, true)) << "an X desktop's panels";
    EXPECT_FALSE(WindowPlacement::fullScreenFor("offscreen", false, false));
}

TEST(WindowPlacement, OnXTheWorkAreaAndNothingGranted) {
    WindowPlacement x;
    EXPECT_EQ(x.area(kBelowPanel, kScreen), kBelowPanel);
    EXPECT_EQ(x.area(QRect(), kScreen), kScreen) << "nonsense falls back as before";
    EXPECT_FALSE(x.grant(QRect(0, 0, 960, 1080))) << "a window manager's resize is not followed";
    EXPECT_EQ(x.area(kBelowPanel, kScreen), kBelowPanel);
}

TEST(WindowPlacement, FullScreenFollowsWhatTheCompositorGives) {
    WindowPlacement wl(true);
    EXPECT_EQ(wl.area(kBelowPanel, kScreen), kScreen) << "before any answer: the whole screen";
    EXPECT_TRUE(wl.grant(kScreen));
    EXPECT_FALSE(wl.grant(kScreen)) << "the same geometry again: no new layout";
    // A compositor that keeps its panel or tiles anyway: the layout is for what the window got.
    EXPECT_TRUE(wl.grant(QRect(0, 0, 960, 1080)));
    EXPECT_EQ(wl.area(kBelowPanel, kScreen), QRect(0, 0, 960, 1080));
    EXPECT_TRUE(wl.grant(QRect(0, 32, 1920, 1048)));
    EXPECT_EQ(wl.area(QRect(), kScreen), QRect(0, 32, 1920, 1048));
}

TEST(WindowPlacement, AnUnconfiguredWindowIsNotAnAnswer) {
    WindowPlacement wl(true);
    EXPECT_FALSE(wl.grant(QRect()));
    EXPECT_FALSE(wl.grant(QRect(0, 0, 1, 1)));
    EXPECT_FALSE(wl.grant(QRect(0, 0, 1920, 100))) << "a sliver no picture fits";
    EXPECT_EQ(wl.area(kBelowPanel, kScreen), kScreen);
    ASSERT_TRUE(wl.grant(QRect(0, 0, 1280, 720)));
    EXPECT_FALSE(wl.grant(QRect(0, 0, 0, 0))) << "a hidden window keeps the last answer";
    EXPECT_EQ(wl.area(kBelowPanel, kScreen), QRect(0, 0, 1280, 720));
}
