// Mirroring places written left-to-right, growing rows to their texts, and the fallback faces.
#include "platform/FontFallback.h"
#include "platform/Mirror.h"
#include "platform/RowFit.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using platform::fitRow;
using platform::mirrored;
using platform::placed;

namespace {

TEST(Mirror, ARectKeepsItsGapToTheOppositeEdge) {
    // OK at 146..195 and Cancel at 200..249 in a window 257 wide.
    EXPECT_EQ(mirrored(QRect(146, 101, 50, 14), 257), QRect(61, 101, 50, 14));
    EXPECT_EQ(mirrored(QRect(200, 101, 50, 14), 257), QRect(7, 101, 50, 14));
    // A row reads the other way round: OK now stands right of Cancel.
    EXPECT_GT(mirrored(QRect(146, 101, 50, 14), 257).x(),
              mirrored(QRect(200, 101, 50, 14), 257).x());
    // Full width and centred rects stay where they are; a rect at an edge goes to the other.
    EXPECT_EQ(mirrored(QRect(0, 5, 300, 10), 300), QRect(0, 5, 300, 10));
    EXPECT_EQ(mirrored(QRect(100, 0, 100, 1), 300), QRect(100, 0, 100, 1));
    EXPECT_EQ(mirrored(QRect(0, 0, 40, 40), 80), QRect(40, 0, 40, 40));
}

TEST(Mirror, MirroringTwiceGivesTheWrittenPlaceBack) {
    for (const QRect& r :
         {QRect(0, 0, 1, 1), QRect(13, 7, 29, 3), QRect(-5, 0, 20, 20), QRect(90, 1, 30, 2)}) {
        EXPECT_EQ(mirrored(mirrored(r, 117), 117), r);
        const QRect area(250, 40, 1000, 700);
        EXPECT_EQ(mirrored(mirrored(r, area), area), r);
    }
}

TEST(Mirror, InsideAnAreaThatDoesNotStartAtZero) {
    const QRect area(100, 0, 400, 300);
    EXPECT_EQ(mirrored(QRect(100, 10, 50, 5), area), QRect(450, 10, 50, 5));
    EXPECT_EQ(mirrored(QRect(480, 10, 20, 5), area), QRect(100, 10, 20, 5));
    // A rect sticking out on one side sticks out as far on the other.
    EXPECT_EQ(mirrored(QRect(90, 0, 20, 5), area), QRect(490, 0, 20, 5));
}

TEST(Mirror, PlacedMirrorsOnlyRightToLeft) {
    const QRect r(10, 20, 30, 40);
    EXPECT_EQ(placed(r, 100, false), r);
    EXPECT_EQ(placed(r, 100, true), QRect(60, 20, 30, 40));
    EXPECT_EQ(placed(r, QRect(50, 0, 100, 1), false), r);
    EXPECT_EQ(placed(r, QRect(50, 0, 100, 1), true), QRect(160, 20, 30, 40));
}

TEST(RowFit, RectsThatFitKeepTheirTemplatePlaces) {
    std::vector<QRect> row{{7, 235, 38, 22}, {51, 235, 44, 22}, {101, 235, 42, 22}};
    const std::vector<QRect> before = row;
    EXPECT_EQ(fitRow(row, {38, 10, 0}), 0);
    EXPECT_EQ(row, before);
    EXPECT_EQ(fitRow(row, {}), 0) << "no needs given";
    EXPECT_EQ(row, before);
}

TEST(RowFit, AWiderTextPushesTheRestAlongAndGrowthsAddUp) {
    std::vector<QRect> row{{7, 0, 38, 22}, {51, 0, 44, 22}, {101, 0, 42, 22}};
    EXPECT_EQ(fitRow(row, {0, 50, 0}), 6);
    EXPECT_EQ(row[0], QRect(7, 0, 38, 22));
    EXPECT_EQ(row[1], QRect(51, 0, 50, 22));
    EXPECT_EQ(row[2], QRect(107, 0, 42, 22)) << "the gap between them kept";

    std::vector<QRect> both{{0, 0, 10, 5}, {12, 0, 10, 5}, {30, 0, 10, 5}};
    EXPECT_EQ(fitRow(both, {15, 0, 11}), 6);
    EXPECT_EQ(both[1], QRect(17, 0, 10, 5));
    EXPECT_EQ(both[2], QRect(35, 0, 11, 5));
}

TEST(RowFit, TheWindowHoldsTheRightMostRectWithItsMargin) {
    EXPECT_EQ(platform::widthHolding(151, {QRect(7, 0, 136, 1)}, 7), 151);
    EXPECT_EQ(platform::widthHolding(151, {QRect(7, 0, 150, 1), QRect(0, 0, 10, 1)}, 7), 164);
    EXPECT_EQ(platform::widthHolding(151, {}, 7), 151);
}

TEST(FontFallback, OnlyInstalledFacesFollowTheFontsOwn) {
    QFont font(QStringLiteral("DejaVu Sans"), 11);
    const QFont f = platform::FontFallback::withFallbacks(
        font, {QStringLiteral("DejaVu Sans"), QStringLiteral("wenquanyi micro hei"),
               QStringLiteral("KacstOne"), QStringLiteral("Some Other Face")});
    EXPECT_EQ(f.families(), (QStringList{"DejaVu Sans", "WenQuanYi Micro Hei", "KacstOne"}))
        << "its own face once, first; the others in the order tried";
    EXPECT_EQ(f.pointSize(), 11);

    const QFont bare = platform::FontFallback::withFallbacks(font, {});
    EXPECT_EQ(bare.families(), QStringList{"DejaVu Sans"}) << "nothing installed: its own face";
}

TEST(FontFallback, TheFacesOfThePackagesFontsComeFirst) {
    const QStringList order = platform::FontFallback::families();
    ASSERT_FALSE(order.isEmpty());
    EXPECT_EQ(order.front(), "WenQuanYi Micro Hei");
    EXPECT_TRUE(order.contains("DejaVu Sans")) << "which also has the Arabic letters";
}

}  // namespace
