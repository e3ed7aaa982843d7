// The work area the main window covers, from what the desktop reports about its panels.
#include "platform/WorkArea.h"

#include <gtest/gtest.h>

using platform::usableWorkArea;

TEST(WorkArea, KeepsTheDesktopsAreaWithItsOrigin) {
    const QRect screen(0, 0, 1920, 1080);
    EXPECT_EQ(usableWorkArea(QRect(0, 27, 1920, 1053), screen), QRect(0, 27, 1920, 1053))
        << "a panel at the top: the area starts below it, not at the screen's origin";
    EXPECT_EQ(usableWorkArea(QRect(1920, 0, 1280, 984), QRect(1920, 0, 1280, 1024)),
              QRect(1920, 0, 1280, 984))
        << "a primary screen right of another one";
}

TEST(WorkArea, NonsenseFromTheDesktopFallsBackToTheScreen) {
    const QRect screen(0, 0, 1920, 1080);
    EXPECT_EQ(usableWorkArea(QRect(), screen), screen) << "no area reported";
    EXPECT_EQ(usableWorkArea(QRect(0, 0, 1920, 40), screen), screen)
        << "a panel as tall as the screen";
    EXPECT_EQ(usableWorkArea(QRect(-500, -500, 90000, 90000), screen), screen)
        << "larger than the screen: cut to it";
    EXPECT_EQ(usableWorkArea(QRect(5000, 5000, 800, 600), screen), screen) << "off the screen";
    EXPECT_EQ(usableWorkArea(QRect(0, 0, -10, -10), screen), screen) << "negative sizes";
}

TEST(WorkArea, NeverEmptyEvenWithoutAScreenSize) {
    const QRect area = usableWorkArea(QRect(), QRect(100, 50, 0, 0));
    EXPECT_FALSE(area.isEmpty());
    EXPECT_EQ(area.topLeft(), QPoint(100, 50));
}
