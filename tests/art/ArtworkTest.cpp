#include "art/Artwork.h"
#include "art/KeyGuard.h"
#include "art/ResourceIds.h"

#include <gtest/gtest.h>

#include <QPixmapCache>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

const std::vector<std::pair<int, int>> kNormalAndPressed = {
    {res::kCalibration, res::kCalibrationPressed},
    {res::kHandle, res::kHandlePressed},
    {res::kPictureList, res::kPictureListPressed},
    {res::kCapture, res::kCapturePressed},
    {res::kShare, res::kSharePressed},
    {res::kPen, res::kPenPressed},
    {res::kRedPen, res::kRedPenPressed},
    {res::kBlackPen, res::kBlackPenPressed},
    {res::kBluePen, res::kBluePenPressed},
    {res::kEraser, res::kEraserPressed},
    {res::kClearAll, res::kClearAllPressed},
};

bool isButton(int id) {
    return id != res::kProgramIcon && id != res::kTrayConnected && id != res::kTrayDisconnected;
}

// Fraction of pixels that differ noticeably between two renderings of the same size.
double differingShare(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int differing = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            const int d = std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                          std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
            if (d > 60) ++differing;
        }
    return double(differing) / (x.width() * x.height());
}

}  // namespace

TEST(Artwork, EveryIdRendersAtTheExactSizeAskedFor) {
    for (int id : res::kAll) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(art::exists(id));
        for (int side : {40, 60, 110}) {
            const QPixmap pm = art::pixmap(id, QSize(side, side));
            ASSERT_FALSE(pm.isNull());
            EXPECT_EQ(pm.size(), QSize(side, side));
        }
        const QPixmap hiDpi = art::pixmap(id, QSize(60, 60), 1.5);
        EXPECT_EQ(hiDpi.size(), QSize(90, 90));
        EXPECT_DOUBLE_EQ(hiDpi.devicePixelRatio(), 1.5);
        EXPECT_FALSE(art::icon(id).isNull());
    }
}

TEST(Artwork, NoRenderingHoldsTheTransparencyKey) {
    for (int id : res::kAll) {
        for (qreal dpr : {1.0, 1.25}) {
            for (int side : {16, 22, 40, 50, 60, 110}) {
                SCOPED_TRACE(testing::Message() << id << " at " << side << " dpr " << dpr);
                const QImage img = art::pixmap(id, QSize(side, side), dpr)
                                       .toImage()
                                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
                int keyed = 0;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x) {
                        const QRgb p = img.pixel(x, y);
                        if (qAlpha(p) == 0) continue;
                        const QRgb straight = qUnpremultiply(p);
                        if ((straight & 0xFFFFFF) == 0x8E8E8E) ++keyed;
                        if (qAlpha(p) == 255 && art::nearKey(straight)) ++keyed;
                    }
                EXPECT_EQ(keyed, 0);
            }
        }
    }
}

TEST(Artwork, ButtonsCarryTheirOwnOpaqueBackground) {
    // On the see-through panel the board shows around a button; its face must not let it through.
    for (int id : res::kAll) {
        if (!isButton(id)) continue;
        SCOPED_TRACE(id);
        const QImage img = art::image(id, QSize(40, 40));
        for (QPoint p : {QPoint(20, 20), QPoint(5, 20), QPoint(20, 5), QPoint(34, 34)})
            EXPECT_EQ(qAlpha(img.pixel(p)), 255) << p.x() << "," << p.y();
    }
}

TEST(Artwork, PressedAndNormalStatesAreClearlyDifferent) {
    for (auto [normal, pressed] : kNormalAndPressed) {
        SCOPED_TRACE(testing::Message() << normal << "/" << pressed);
        EXPECT_GT(
            differingShare(art::image(normal, QSize(60, 60)), art::image(pressed, QSize(60, 60))),
            0.3);
    }
    const QImage connected = art::image(res::kTrayConnected, QSize(22, 22));
    const QImage disconnected = art::image(res::kTrayDisconnected, QSize(22, 22));
    EXPECT_GT(differingShare(connected, disconnected), 0.3);
    // The pen colour buttons tell apart by colour alone.
    EXPECT_GT(differingShare(art::image(res::kRedPen, QSize(60, 60)),
                             art::image(res::kBluePen, QSize(60, 60))),
              0.1);
}

TEST(Artwork, UnknownIdsAndUnusableSizesGiveNothing) {
    for (int id : {0, -1, 1, 127, 134, 158, 181, 1046, std::numeric_limits<int>::min()}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(art::exists(id));
        EXPECT_TRUE(art::pixmap(id, QSize(60, 60)).isNull());
        EXPECT_TRUE(art::image(id, QSize(60, 60)).isNull());
        EXPECT_TRUE(art::icon(id).isNull());
    }
    const qreal nan = std::numeric_limits<qreal>::quiet_NaN();
    EXPECT_TRUE(art::pixmap(res::kCapture, QSize(0, 0)).isNull());
    EXPECT_TRUE(art::pixmap(res::kCapture, QSize(-40, 40)).isNull());
    EXPECT_TRUE(art::pixmap(res::kCapture, QSize()).isNull());
    EXPECT_TRUE(art::pixmap(res::kCapture, QSize(60, 60), 0.0).isNull());
    EXPECT_TRUE(art::pixmap(res::kCapture, QSize(60, 60), -1.0).isNull());
    EXPECT_TRUE(art::pixmap(res::kCapture, QSize(60, 60), nan).isNull());
    EXPECT_TRUE(art::pixmap(res::kCapture, QSize(art::kMaxSide + 1, 10)).isNull());
    EXPECT_TRUE(art::pixmap(res::kCapture, QSize(3000, 3000), 2.0).isNull());
    EXPECT_FALSE(art::pixmap(res::kCapture, QSize(1, 1)).isNull());
}

TEST(Artwork, RepeatedRequestsComeFromTheCacheAndEachSizeIsItsOwnEntry) {
    QPixmapCache::clear();
    const QPixmap first = art::pixmap(res::kShare, QSize(60, 60));
    EXPECT_EQ(art::pixmap(res::kShare, QSize(60, 60)).cacheKey(), first.cacheKey());
    EXPECT_NE(art::pixmap(res::kShare, QSize(60, 60), 2.0).cacheKey(), first.cacheKey());
    EXPECT_EQ(art::pixmap(res::kShare, QSize(60, 60), 2.0).size(), QSize(120, 120));
    EXPECT_EQ(art::pixmap(res::kShare, QSize(61, 61)).size(), QSize(61, 61));
    EXPECT_NE(art::pixmap(res::kSharePressed, QSize(60, 60)).cacheKey(), first.cacheKey());
    // A cleared cache renders again, the same picture.
    QPixmapCache::clear();
    EXPECT_EQ(art::pixmap(res::kShare, QSize(60, 60)).toImage(), first.toImage());
}

TEST(Artwork, AWideRequestKeepsTheShapeSquareAndCentred) {
    const QImage img = art::image(res::kCapture, QSize(120, 60));
    ASSERT_EQ(img.size(), QSize(120, 60));
    EXPECT_EQ(qAlpha(img.pixel(10, 30)), 0);   // left of the square
    EXPECT_EQ(qAlpha(img.pixel(110, 30)), 0);  // right of it
    EXPECT_EQ(qAlpha(img.pixel(60, 30)), 255);
}

TEST(Artwork, IconsOfferTheTrayAndLauncherSizes) {
    const QIcon tray = art::icon(res::kTrayConnected);
    const QList<QSize> sizes = tray.availableSizes();
    for (int side : {16, 22, 24, 32, 48, 256})
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    EXPECT_EQ(tray.pixmap(QSize(22, 22)).size(), QSize(22, 22));
}

TEST(KeyGuard, KeyColouredPixelsMoveAwayAtEveryAlpha) {
    QImage img(256, 5, QImage::Format_ARGB32_Premultiplied);
    for (int a = 0; a < 256; ++a) {
        img.setPixel(a, 0, qPremultiply(qRgba(0x8E, 0x8E, 0x8E, a)));
        img.setPixel(a, 1, qPremultiply(qRgba(0x8C, 0x90, 0x8D, a)));
        img.setPixel(a, 2, qPremultiply(qRgba(0x8B, 0x8E, 0x8E, a)));  // one channel just outside
        img.setPixel(a, 3, qPremultiply(qRgba(0xFF, 0x00, 0x00, a)));
        img.setPixel(a, 4, qPremultiply(qRgba(0x8F, 0x8F, 0x8F, a)));
    }
    const QImage before = img;
    art::keepClearOfKey(img);
    for (int a = 1; a < 256; ++a) {
        for (int row : {0, 1, 4}) {
            SCOPED_TRACE(testing::Message() << "alpha " << a << " row " << row);
            EXPECT_FALSE(art::nearKey(qUnpremultiply(img.pixel(a, row))));
            EXPECT_EQ(qAlpha(img.pixel(a, row)), a);
        }
        // Colours clear of the key are left exactly as they were.
        if (!art::nearKey(qUnpremultiply(before.pixel(a, 2)))) {
            EXPECT_EQ(img.pixel(a, 2), before.pixel(a, 2));
        }
        EXPECT_EQ(img.pixel(a, 3), before.pixel(a, 3));
    }
    EXPECT_EQ(img.pixel(0, 0), 0u);  // fully transparent pixels carry no colour to worry about
}

TEST(KeyGuard, ConvertsOtherFormatsAndBordersAreExact) {
    QImage rgb(3, 1, QImage::Format_RGB32);
    rgb.setPixel(0, 0, qRgb(0x8E, 0x8E, 0x8E));
    rgb.setPixel(1, 0, qRgb(0x90, 0x8C, 0x90));
    rgb.setPixel(2, 0, qRgb(0x91, 0x8E, 0x8E));
    art::keepClearOfKey(rgb);
    EXPECT_EQ(rgb.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_FALSE(art::nearKey(rgb.pixel(0, 0)));
    EXPECT_FALSE(art::nearKey(rgb.pixel(1, 0)));
    EXPECT_EQ(rgb.pixel(2, 0), qRgb(0x91, 0x8E, 0x8E));
}
