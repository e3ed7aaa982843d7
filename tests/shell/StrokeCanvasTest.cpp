#include "shell/StrokeCanvas.h"

#include <gtest/gtest.h>

namespace {

QRgb at(const StrokeCanvas& c, int x, int y) {
    return c.image().pixel(x, y);
}
bool clearAt(const StrokeCanvas& c, int x, int y) {
    return qAlpha(at(c, x, y)) == 0;
}

StrokeCanvas canvas(int penWidth) {
    StrokeCanvas c;
    c.resize({200, 100}, 1.0);
    c.setPenWidth(penWidth);
    return c;
}

}  // namespace

TEST(StrokeCanvas, StartsSeeThrough) {
    StrokeCanvas c = canvas(5);
    EXPECT_TRUE(c.isBlank());
    EXPECT_EQ(c.image().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(clearAt(c, 0, 0));
    EXPECT_TRUE(clearAt(c, 199, 99));
}

TEST(StrokeCanvas, AClickLeavesADotOfThePenWidth) {
    StrokeCanvas c = canvas(6);
    c.beginStroke({50, 50});
    c.endStroke();
    EXPECT_EQ(at(c, 50, 50), 0xFF000000u);
    EXPECT_EQ(at(c, 53, 50), 0xFF000000u);
    EXPECT_EQ(at(c, 50, 47), 0xFF000000u);
    EXPECT_TRUE(clearAt(c, 58, 50));
    EXPECT_TRUE(clearAt(c, 50, 42));
    ASSERT_EQ(c.strokes().size(), 1u);
    EXPECT_EQ(c.strokes()[0].size(), 1u);
}

TEST(StrokeCanvas, MovingDrawsALineThroughEveryPosition) {
    StrokeCanvas c = canvas(4);
    c.setPenColour(0xFFFF0000);
    c.beginStroke({10, 10});
    c.extendStroke({100, 10});
    c.extendStroke({100, 80});
    c.extendStroke({150, 80});
    const QRect changed = c.extendStroke({150, 20});
    EXPECT_TRUE(changed.contains(QPoint(150, 50)));
    c.endStroke();  // more than one point: no extra dot
    for (QPoint p : {QPoint(10, 10), QPoint(55, 10), QPoint(100, 45), QPoint(125, 80),
                     QPoint(150, 50), QPoint(150, 20)})
        EXPECT_EQ(at(c, p.x(), p.y()), 0xFFFF0000u) << p.x() << "," << p.y();
    EXPECT_TRUE(clearAt(c, 55, 30));
    EXPECT_TRUE(clearAt(c, 125, 50));
    EXPECT_EQ(c.strokes()[0].size(), 5u);
}

TEST(StrokeCanvas, TheEraserIsTwiceAsWideAndMakesPixelsSeeThroughAgain) {
    StrokeCanvas c = canvas(6);
    c.setPenWidth(20);
    c.beginStroke({10, 50});
    c.extendStroke({190, 50});  // a band from y 40 to 60
    c.setPenWidth(6);
    c.setPenColour(StrokeCanvas::kKeyColour);
    c.setEraser(true);
    c.beginStroke({10, 50});
    c.extendStroke({190, 50});
    // 12 pixels wide: y 44..56 cleared, the band's edges stay.
    EXPECT_TRUE(clearAt(c, 100, 50));
    EXPECT_TRUE(clearAt(c, 100, 45));
    EXPECT_TRUE(clearAt(c, 100, 55));
    EXPECT_EQ(at(c, 100, 42), 0xFF000000u);
    EXPECT_EQ(at(c, 100, 58), 0xFF000000u);
}

TEST(StrokeCanvas, TheKeyColourErasesEvenWithoutTheEraserFlag) {
    StrokeCanvas c = canvas(8);
    c.beginStroke({20, 20});
    c.extendStroke({80, 20});
    c.setPenColour(StrokeCanvas::kKeyColour);
    c.beginStroke({20, 20});
    c.extendStroke({80, 20});
    EXPECT_TRUE(clearAt(c, 50, 20));
}

TEST(StrokeCanvas, ClearingEmptiesTheListAndTheImage) {
    StrokeCanvas c = canvas(5);
    c.beginStroke({20, 20});
    c.extendStroke({80, 60});
    EXPECT_FALSE(c.isBlank());
    c.clear();
    EXPECT_TRUE(c.isBlank());
    EXPECT_TRUE(c.strokes().empty());
    EXPECT_TRUE(clearAt(c, 50, 40));
}

TEST(StrokeCanvas, DrawsAtDevicePixels) {
    StrokeCanvas c;
    c.resize({100, 50}, 2.0);
    EXPECT_EQ(c.image().size(), QSize(200, 100));
    c.setPenWidth(2);
    c.beginStroke({10, 10});
    c.extendStroke({90, 10});
    EXPECT_EQ(c.image().pixel(100, 20), 0xFF000000u);  // logical (50, 10)
    EXPECT_EQ(qAlpha(c.image().pixel(100, 40)), 0);
}
