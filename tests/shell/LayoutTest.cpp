#include "shell/CornerButton.h"
#include "shell/PanelLayout.h"

#include <gtest/gtest.h>

TEST(PanelStep, FollowsTheSmallerSideOfTheWorkArea) {
    EXPECT_EQ(panel::computeStep({0, 0, 1920, 1040}), 60);
    EXPECT_EQ(panel::computeStep({0, 0, 1366, 728}), 40);
    EXPECT_EQ(panel::computeStep({0, 0, 1650, 3000}), 110);
    EXPECT_EQ(panel::computeStep({0, 0, 4000, 1650}), 110);
    EXPECT_EQ(panel::computeStep({0, 0, 3840, 2160}), 110);
    EXPECT_EQ(panel::computeStep({0, 0, 1649, 1649}), 100);
    EXPECT_EQ(panel::computeStep({0, 0, 100, 100}), 0);
}

TEST(PanelLayout, StartsAtFourFifthsOfTheWorkArea) {
    EXPECT_EQ(panel::startPosition({0, 0, 1366, 728}), QPoint(1092, 582));
}

TEST(PanelLayout, OpeningNearTheBottomMovesThePanelUp) {
    const QRect area(0, 0, 1920, 1040);
    const QRect open = panel::openRect({1500, 900, 60, 60}, area, 60, false);
    EXPECT_EQ(open, QRect(1500, 1040 - 312, 60, 312));
    // Room enough: it stays where it is.
    EXPECT_EQ(panel::openRect({100, 100, 60, 60}, area, 60, false), QRect(100, 100, 60, 312));
}

TEST(PanelLayout, InDrawingModeThePanelIsTwoStepsWideAndMovesLeftNearTheRightEdge) {
    const QRect area(0, 0, 1920, 1040);
    EXPECT_EQ(panel::openRect({1880, 900, 60, 60}, area, 60, true),
              QRect(1920 - 120, 1040 - 432, 120, 432));
    EXPECT_EQ(panel::openRect({1700, 100, 60, 60}, area, 60, true), QRect(1700, 100, 120, 432));
    // Not in drawing mode only the height matters.
    EXPECT_EQ(panel::openRect({1880, 100, 60, 60}, area, 60, false).x(), 1880);
}

TEST(PanelLayout, ColumnsAreSpacedByTheStep) {
    EXPECT_EQ(panel::commandButtonRect(0, 60), QRect(0, 72, 60, 60));
    EXPECT_EQ(panel::commandButtonRect(3, 60), QRect(0, 252, 60, 60));
    EXPECT_EQ(panel::penButtonRect(0, 60), QRect(60, 132, 60, 60));
    EXPECT_EQ(panel::penButtonRect(4, 60), QRect(60, 372, 60, 60));
    // Multiples of a step that do not come out whole are cut.
    EXPECT_EQ(panel::commandButtonRect(0, 44).y(), 52);
}

TEST(PanelLayout, KeepsThePanelInsideItsParent) {
    const QSize parent(1920, 1040);
    const QSize size(60, 312);
    EXPECT_EQ(panel::keepInside({-30, -5}, parent, size), QPoint(0, 0));
    EXPECT_EQ(panel::keepInside({1900, 900}, parent, size), QPoint(1860, 728));
    EXPECT_EQ(panel::keepInside({500, 400}, parent, size), QPoint(500, 400));
    // A panel larger than its parent ends with its top-left beyond the parent's (upper bound last).
    EXPECT_EQ(panel::keepInside({10, 10}, QSize(50, 50), QSize(60, 60)), QPoint(-10, -10));
}

TEST(PanelLayout, PictureListGoesToTheRightOfTheViewCentredVertically) {
    EXPECT_EQ(panel::pictureListPosition({268, 0, 1384, 1039}, QSize(300, 600)),
              QPoint(1920 - 300, (1039 - 600) / 2));
}

TEST(CornerButton, SideFollowsTheMarginsTheViewLeaves) {
    const QRect area(0, 0, 1920, 1040);
    EXPECT_EQ(overlay::placeCornerButton(268, 0, area), QRect(1920 - 111, 1040 - 111, 110, 110));
    EXPECT_EQ(overlay::placeCornerButton(0, 81, area), QRect(1920 - 82, 1040 - 82, 81, 81));
    EXPECT_EQ(overlay::placeCornerButton(30, 10, area), QRect(1920 - 31, 1040 - 31, 30, 30));
    const QRect none = overlay::placeCornerButton(10, 0, area);
    EXPECT_EQ(none.size(), QSize(0, 0));
    EXPECT_TRUE(none.isEmpty());
    // Exactly at the limits.
    EXPECT_EQ(overlay::placeCornerButton(110, 110, area).width(), 110);
    EXPECT_EQ(overlay::placeCornerButton(20, 50, area).width(), 20);
    EXPECT_EQ(overlay::placeCornerButton(19, 50, area).width(), 0);
}

TEST(CornerButton, BackToVideoSitsNearTheTopRightOfACentredPicture) {
    EXPECT_EQ(overlay::backToVideoRect({268, 0, 1384, 1039}, {0, 0, 1920, 1040}),
              QRect((1384 + 1920) / 2 - 60, 10, 50, 50));
}
