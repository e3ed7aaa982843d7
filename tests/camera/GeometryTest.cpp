#include "camera/CameraGeometry.h"
#include "camera/JpegWriter.h"
#include "camera/PictureImaging.h"
#include "camera/sdk/SimScene.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

using camera::CameraGeometry;
using camera::DisplayRect;
using camera::PictureImaging;
using camera::sdk::Corners;

namespace {

Corners quad(QPointF tl, QPointF tr, QPointF br, QPointF bl) {
    return Corners{{tl, tr, br, bl}};
}

// A rectangle inset by whole pixels in a 1024 × 768 frame (fractions exact in binary).
Corners inset(int left, int top, int right, int bottom) {
    return quad(QPointF(left / 1024.0, top / 768.0), QPointF((1024 - right) / 1024.0, top / 768.0),
                QPointF((1024 - right) / 1024.0, (768 - bottom) / 768.0),
                QPointF(left / 1024.0, (768 - bottom) / 768.0));
}

}  // namespace

TEST(CorrectedSize, FullFrameIsTheCameraPicture) {
    EXPECT_EQ(CameraGeometry::correctedSize(1600, 1200, Corners::fullFrame()), QSize(1600, 1200));
}

TEST(CorrectedSize, CornersThatAreNotConvexFail) {
    // Top-right and bottom-right exchanged: a bow tie.
    EXPECT_FALSE(CameraGeometry::correctedSize(
        1600, 1200, quad(QPointF(0, 0), QPointF(1, 1), QPointF(1, 0), QPointF(0, 1))));
    // One corner pushed inside the triangle of the others.
    EXPECT_FALSE(CameraGeometry::correctedSize(
        1600, 1200, quad(QPointF(0, 0), QPointF(1, 0), QPointF(0.3, 0.3), QPointF(0, 1))));
}

TEST(CorrectedSize, NotConvexIsCaughtWhenADiagonalIsVertical) {
    // The diagonal from top-right to bottom-left stands upright and both other corners lie left
    // of it; a slope-based test would divide by zero here and pass it.
    EXPECT_FALSE(CameraGeometry::correctedSize(
        1600, 1200,
        quad(QPointF(0.0625, 0.5), QPointF(0.5, 0), QPointF(0.25, 0.5), QPointF(0.5, 1))));
}

TEST(CorrectedSize, DegenerateCornersFail) {
    EXPECT_FALSE(CameraGeometry::correctedSize(1600, 1200, Corners{{}}));
    EXPECT_FALSE(CameraGeometry::correctedSize(0, 0, Corners::fullFrame()));
    // Three corners on one line.
    EXPECT_FALSE(CameraGeometry::correctedSize(
        1600, 1200, quad(QPointF(0, 0), QPointF(0.5, 0), QPointF(1, 0), QPointF(0, 1))));
}

TEST(CorrectedSize, FiftyPixelRule) {
    // Exactly 50 narrower (height full): no stretch.
    EXPECT_EQ(CameraGeometry::correctedSize(1024, 768, inset(25, 0, 25, 0)), QSize(974, 768));
    // 60 narrower: the height is divided by 0.4.
    EXPECT_EQ(CameraGeometry::correctedSize(1024, 768, inset(30, 0, 30, 0)), QSize(964, 1920));
    // Height 50 short: no stretch; 60 short: stretch.
    EXPECT_EQ(CameraGeometry::correctedSize(1024, 768, inset(0, 25, 0, 25)), QSize(1024, 718));
    EXPECT_EQ(CameraGeometry::correctedSize(1024, 768, inset(0, 30, 0, 30)), QSize(1024, 1770));
}

TEST(CorrectedSize, TrapezoidTakesTheWiderProjection) {
    // Top edge narrower than the bottom, as a camera looking down at the board sees it.
    const auto s = CameraGeometry::correctedSize(
        1600, 1200, quad(QPointF(0.1, 0), QPointF(0.9, 0), QPointF(1, 1), QPointF(0, 1)));
    ASSERT_TRUE(s);
    EXPECT_NEAR(s->width(), 1440, 1);
    EXPECT_NEAR(s->height(), 3000, 1);  // 160 narrower than the frame: stretched
}

TEST(PreviewRect, FitsTheWorkAreaOnWholeFourPixelColumns) {
    // Too tall for the width: fitted to the height.
    EXPECT_EQ(CameraGeometry::previewRect(QSize(1600, 1200), 1920, 1040),
              (DisplayRect{268, 0, 1384, 1039}));
    // Wide: full width, centred vertically.
    EXPECT_EQ(CameraGeometry::previewRect(QSize(1600, 600), 1920, 1080),
              (DisplayRect{0, 180, 1920, 720}));
    const DisplayRect odd = CameraGeometry::previewRect(QSize(1000, 999), 1366, 768);
    EXPECT_EQ(odd.width % 4, 0);
    EXPECT_LE(odd.x + odd.width, 1366);
    EXPECT_LE(odd.y + odd.height, 768);
}

TEST(DualPreviewRects, TilesUseTheSmallerSizeAndSitSideBySide) {
    auto [l, r] =
        CameraGeometry::dualPreviewRects(QSize(1600, 1200), QSize(1400, 1000), 1920, 1080);
    EXPECT_EQ(l, (DisplayRect{0, 197, 960, 685}));
    EXPECT_EQ(r, (DisplayRect{960, 197, 960, 685}));
    std::tie(l, r) =
        CameraGeometry::dualPreviewRects(QSize(800, 1200), QSize(800, 1200), 1920, 1080);
    EXPECT_EQ(l, (DisplayRect{240, 0, 720, 1080}));
    EXPECT_EQ(r, (DisplayRect{960, 0, 720, 1080}));
}

TEST(Thumbnail, PlacementOfWideAndTallPictures) {
    EXPECT_EQ(PictureImaging::thumbnailPlacement(1600, 1200), QRect(0, 22, 180, 135));
    EXPECT_EQ(PictureImaging::thumbnailPlacement(600, 1200), QRect(45, 0, 90, 180));
    EXPECT_EQ(PictureImaging::thumbnailPlacement(500, 500), QRect(0, 0, 180, 180));
}

TEST(Thumbnail, WideAndTallPicturesAreCentredOnWhiteAt180Square) {
    QImage wide(1600, 1200, QImage::Format_RGB888);
    wide.fill(Qt::blue);
    QImage t = PictureImaging::thumbnail(wide);
    ASSERT_EQ(t.size(), QSize(180, 180));
    EXPECT_EQ(t.pixelColor(90, 5), QColor(Qt::white));
    EXPECT_EQ(t.pixelColor(90, 174), QColor(Qt::white));
    EXPECT_EQ(t.pixelColor(90, 90), QColor(Qt::blue));
    EXPECT_EQ(t.pixelColor(2, 90), QColor(Qt::blue));

    QImage tall(600, 1200, QImage::Format_RGB888);
    tall.fill(Qt::red);
    t = PictureImaging::thumbnail(tall);
    ASSERT_EQ(t.size(), QSize(180, 180));
    EXPECT_EQ(t.pixelColor(10, 90), QColor(Qt::white));
    EXPECT_EQ(t.pixelColor(170, 90), QColor(Qt::white));
    EXPECT_EQ(t.pixelColor(90, 2), QColor(Qt::red));

    // Stored as a 24-bit BMP.
    QByteArray bmp;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(t.save(&buf, "BMP"));
    EXPECT_EQ(static_cast<uint8_t>(bmp[28]), 24);
}

TEST(Thumbnail, ExtremelyThinPictureStillShows) {
    QImage strip(4000, 2, QImage::Format_RGB888);
    strip.fill(Qt::black);
    const QImage t = PictureImaging::thumbnail(strip);
    ASSERT_EQ(t.size(), QSize(180, 180));
    EXPECT_EQ(t.pixelColor(90, 90), QColor(Qt::black));
    EXPECT_TRUE(PictureImaging::thumbnail(QImage()).isNull());
}

TEST(Stretch, ShrinkingAveragesAreas) {
    // A fine black-and-white checkerboard shrinks to grey, not to black or white.
    QImage check(400, 400, QImage::Format_RGB888);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            check.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
    const QImage small = PictureImaging::stretch(check, QSize(40, 40));
    EXPECT_EQ(small.format(), QImage::Format_RGB888);
    EXPECT_NEAR(qGray(small.pixel(20, 20)), 128, 12);
}

TEST(SimBoard, TheCorrectedSizeRuleGivesTheBoardItsTrueProportions) {
    const double truth = double(camera::sdk::SimScene::kBoardSize.height()) /
                         camera::sdk::SimScene::kBoardSize.width();
    for (const QSize frame :
         {QSize(1600, 1200), QSize(800, 600), QSize(160, 120), QSize(1280, 720), QSize(640, 960)})
        for (int variant : {0, 1}) {
            const auto size = CameraGeometry::correctedSize(
                frame.width(), frame.height(), camera::sdk::SimScene::boardCorners(variant, frame));
            ASSERT_TRUE(size) << variant;
            EXPECT_NEAR(double(size->height()) / size->width(), truth, 0.01)
                << frame.width() << "x" << frame.height() << " variant " << variant;
        }
}

TEST(JpegWriter, WritesWhatQtsWriterWritesWithItsDefaults) {
    // Odd sizes test the chroma subsampling at the edges; both pixel layouts a picture may have.
    QImage rgb32(333, 217, QImage::Format_RGB32);
    for (int y = 0; y < rgb32.height(); ++y)
        for (int x = 0; x < rgb32.width(); ++x)
            rgb32.setPixel(x, y, qRgb(x % 256, (y * 3) % 256, (x * y) % 256));
    for (const QImage& img : {rgb32, rgb32.convertToFormat(QImage::Format_RGB888),
                              rgb32.convertToFormat(QImage::Format_ARGB32)}) {
        QByteArray qt;
        QBuffer buf(&qt);
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(img.save(&buf, "JPG"));
        EXPECT_EQ(camera::JpegWriter::encode(img), qt) << img.format();
    }
    EXPECT_TRUE(camera::JpegWriter::encode(QImage()).isEmpty());
}

TEST(JpegWriter, AFailedWriteLeavesNoFile) {
    testsupport::TempDir dir;
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(Qt::red);
    EXPECT_FALSE(camera::JpegWriter::write(img, dir.path() + "/missing/a.jpg"));
    EXPECT_FALSE(camera::JpegWriter::write(QImage(), dir.file("b.jpg")));
    EXPECT_FALSE(QFile::exists(dir.file("b.jpg")));
    ASSERT_TRUE(camera::JpegWriter::write(img, dir.file("c.jpg")));
    EXPECT_EQ(QImage(dir.file("c.jpg")).size(), QSize(16, 16));
}
