#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/Keystone.h"
#include "camera/sdk/SimBackend.h"
#include "camera/sdk/SimScene.h"
#include "camera/sdk/SimSettings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <QThread>

#include <atomic>
#include <mutex>

using namespace camera::sdk;
using testsupport::TempDir;

TEST(SimSettings, SevenSettingsWithRangesDefaultsAndAutomaticExposure) {
    SimSettings s;
    for (const int id : {1, 2, 3, 4, 5, 6, 8}) {
        EXPECT_LT(s.read(id, kQueryMin), s.read(id, kQueryMax)) << id;
        const int v = s.read(id, kQueryCurrent);
        EXPECT_GE(v, s.read(id, kQueryMin));
        EXPECT_LE(v, s.read(id, kQueryMax));
    }
    EXPECT_EQ(s.read(7, kQueryMax), 0);  // no setting 7
    EXPECT_EQ(s.read(8, kQueryAuto), 1);

    s.write(1, 10, false);
    s.write(2, 100000, false);  // clamped
    s.write(8, 300, false);     // writing exposure by hand turns automatic off
    EXPECT_EQ(s.read(1, kQueryCurrent), 10);
    EXPECT_EQ(s.read(2, kQueryCurrent), s.read(2, kQueryMax));
    EXPECT_EQ(s.read(8, kQueryCurrent), 300);
    EXPECT_EQ(s.read(8, kQueryAuto), 0);
    s.write(8, 300, true);
    EXPECT_EQ(s.read(8, kQueryAuto), 1);

    s.restoreDefaults();
    EXPECT_EQ(s.read(1, kQueryCurrent), 0);
    EXPECT_EQ(s.read(8, kQueryCurrent), 156);
    EXPECT_EQ(s.read(8, kQueryAuto), 1);
}

TEST(SimSettings, AnUnsupportedSettingHasAnEmptyRangeAndIgnoresWrites) {
    SimSettings s(kExposure);
    EXPECT_GE(s.read(8, kQueryMin), s.read(8, kQueryMax));
    EXPECT_EQ(s.read(8, kQueryAuto), 0);
    s.write(8, 50, true);
    EXPECT_EQ(s.read(8, kQueryCurrent), 0);
    EXPECT_EQ(s.read(8, kQueryAuto), 0);
}

TEST(Keystone, TheCornerQuadrilateralFillsTheOutput) {
    // A white quadrilateral on black: corrected with its own corners, the output is white.
    QImage frame(400, 300, QImage::Format_RGB32);
    frame.fill(Qt::black);
    const Corners c{{QPointF(0.2, 0.1), QPointF(0.85, 0.2), QPointF(0.9, 0.9), QPointF(0.1, 0.8)}};
    {
        QPainter p(&frame);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        QPolygonF q;
        for (const QPointF& f : c.p) q << QPointF(f.x() * 400, f.y() * 300);
        p.drawPolygon(q);
    }
    const QImage out = Keystone::correct(frame, c, QSize(200, 100));
    ASSERT_EQ(out.size(), QSize(200, 100));
    for (const QPoint pt :
         {QPoint(100, 50), QPoint(4, 4), QPoint(195, 4), QPoint(195, 95), QPoint(4, 95)})
        EXPECT_GT(qGray(out.pixel(pt)), 200) << pt.x() << "," << pt.y();
    // The full frame is a plain scale.
    const QImage whole = Keystone::correct(frame, Corners::fullFrame(), QSize(400, 300));
    EXPECT_EQ(qGray(whole.pixel(5, 5)), 0);
}

TEST(Keystone, DegenerateCornersScaleThePlainFrame) {
    QImage frame(40, 30, QImage::Format_RGB32);
    frame.fill(Qt::green);
    EXPECT_FALSE(Keystone::transform(Corners{{}}, frame.size(), QSize(10, 10)));
    const QImage out = Keystone::correct(frame, Corners{{}}, QSize(10, 10));
    EXPECT_EQ(out.pixelColor(5, 5), QColor(Qt::green));
}

TEST(Keystone, CornersWithoutPerspectiveAreCopiedOrScaledToTheRightPlace) {
    // Red is x, green is y: a bilinear sample shows where it was taken.
    QImage frame(256, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 256; ++x) frame.setPixel(x, y, qRgb(x, y, 0));
    QImage same(frame.size(), QImage::Format_RGB32);
    Keystone::correctInto(frame, Corners::fullFrame(), same);
    EXPECT_EQ(same, frame);

    // Where output pixel (x, y) of an out-sized picture of the corners comes from.
    const auto expectFrom = [&](const Corners& c, QSize out, const char* what) {
        QImage img(out, QImage::Format_RGB32);
        Keystone::correctInto(frame, c, img);
        int worst = 0;
        for (int y = 2; y < out.height() - 2; ++y)
            for (int x = 2; x < out.width() - 2; ++x) {
                const double u = (x + 0.5) / out.width(), v = (y + 0.5) / out.height();
                const QPointF f = c.p[0] + u * (c.p[1] - c.p[0]) + v * (c.p[3] - c.p[0]);
                const QRgb px = img.pixel(x, y);
                worst = std::max({worst, int(std::abs(qRed(px) - (f.x() * 256 - 0.5))),
                                  int(std::abs(qGreen(px) - (f.y() * 200 - 0.5)))});
            }
        EXPECT_LE(worst, 1) << what;
    };
    expectFrom(Corners{{QPointF(0.25, 0.25), QPointF(0.75, 0.25), QPointF(0.75, 0.75),
                        QPointF(0.25, 0.75)}},
               QSize(256, 200), "enlarged");
    expectFrom(
        Corners{{QPointF(0.1, 0.2), QPointF(0.9, 0.2), QPointF(0.9, 0.8), QPointF(0.1, 0.8)}},
        QSize(150, 90), "shrunk");
    expectFrom(
        Corners{{QPointF(0.1, 0.1), QPointF(0.6, 0.1), QPointF(0.9, 0.9), QPointF(0.4, 0.9)}},
        QSize(200, 160), "sheared");
}

TEST(SimScene, TheBoardMovesSoTheViewIsVisiblyLive) {
    const SimScene scene(QSize(320, 240), 0);
    const QImage a = scene.frameAt(0), b = scene.frameAt(700);
    EXPECT_EQ(a.size(), QSize(320, 240));
    EXPECT_NE(a, b);
    EXPECT_EQ(a, scene.frameAt(0));
}

namespace {

class RecordingSink : public VideoSink {
public:
    ~RecordingSink() override { detachFromCameras(); }
    void present(const QImage& frame, const CornerOverlay& overlay) override {
        std::lock_guard lock(m);
        frames++;
        last = frame;
        lastOverlay = overlay;
    }
    void setCornerMover(std::function<void(int, QPointF)> f) override {
        std::lock_guard lock(m);
        mover = std::move(f);
    }
    std::mutex m;
    int frames = 0;
    QImage last;
    CornerOverlay lastOverlay;
    std::function<void(int, QPointF)> mover;
};

template <typename F>
bool waitUntil(F done) {
    for (int i = 0; i < 500 && !done(); ++i) QThread::msleep(5);
    return done();
}

}  // namespace

TEST(SimSdk, TheTableOfOperations) {
    TempDir dir;
    SimOptions o;
    o.cameras = 2;
    o.frameSize = QSize(320, 240);
    DeviceSdk sdk(std::make_unique<SimBackend>(o));
    sdk.start();
    sdk.setDataFolder(dir.path() + "/Kestrane");
    EXPECT_EQ(sdk.countCameras(0), 2);
    RecordingSink sink;
    const Handle h = sdk.open(&sink, 0, 0);
    EXPECT_NE(h, 0);
    EXPECT_EQ(sdk.open(nullptr, 0, 2), 0);  // no third camera
    EXPECT_EQ(sdk.pictureWidth(h), 320);
    EXPECT_EQ(sdk.pictureHeight(h), 240);
    EXPECT_EQ(sdk.version(h), "Ostrely simulated camera 1\r\nFirmware 1.0.0\r\n");

    // The live view runs at the placed size and stops when paused.
    sdk.placeView(h, 0, 0, 160, 100);
    sdk.runView(h, true);
    EXPECT_TRUE(waitUntil([&] {
        std::lock_guard lock(sink.m);
        return sink.frames >= 2;
    }));
    {
        std::lock_guard lock(sink.m);
        EXPECT_EQ(sink.last.size(), QSize(160, 100));
        EXPECT_FALSE(sink.lastOverlay.editing);
    }
    // Corner editing shows the raw frame with the labels and colours.
    sdk.setCornerColours(h, 255, 65280);
    sdk.setCornerLabels(h, {"TL", "TR", "BR", "BL"});
    sdk.setCornerEditing(h, true);
    EXPECT_TRUE(waitUntil([&] {
        std::lock_guard lock(sink.m);
        return sink.lastOverlay.editing && sink.last.size() == QSize(320, 240);
    }));
    {
        std::lock_guard lock(sink.m);
        EXPECT_EQ(sink.lastOverlay.labels, (QStringList{"TL", "TR", "BR", "BL"}));
        EXPECT_EQ(sink.lastOverlay.lines, 255u);
        ASSERT_TRUE(sink.mover);
        sink.mover(1, QPointF(0.8, 0.1));  // the window drags a corner
    }
    EXPECT_EQ(sdk.corners(h).p[1], QPointF(0.8, 0.1));
    sdk.runView(h, false);

    // The snapshot is the corrected BMP at the camera's size.
    const QString shot = dir.file("shot.bmp");
    EXPECT_TRUE(sdk.snapshot(h, shot));
    const QImage img(shot, "BMP");
    EXPECT_EQ(img.size(), QSize(320, 240));

    sdk.writeSetting(h, kBrightness, 20, false);
    EXPECT_EQ(sdk.readSetting(h, kBrightness, kQueryCurrent), 20);
    sdk.restoreDefaults(h);
    EXPECT_EQ(sdk.readSetting(h, kBrightness, kQueryCurrent), 0);

    sdk.close(h);
    EXPECT_EQ(sdk.pictureWidth(h), 0);
    EXPECT_FALSE(sdk.snapshot(h, shot + "2"));
    sdk.shutdown();
}

TEST(SimSdk, SettingsOutliveAReopen) {
    SimOptions o;
    o.frameSize = QSize(64, 48);
    DeviceSdk sdk(std::make_unique<SimBackend>(o));
    Handle h = sdk.open(nullptr, 0, 0);
    sdk.writeSetting(h, kContrast, 40, false);
    sdk.close(h);
    h = sdk.open(nullptr, 0, 0);
    EXPECT_EQ(sdk.readSetting(h, kContrast, kQueryCurrent), 40);
}

TEST(Keystone, OwnWarpMatchesQPainterEvenForASteepSlant) {
    const QImage frame = SimScene(QSize(800, 600), 1).frameAt(250);
    const Corners moderate{
        {QPointF(0.12, 0.11), QPointF(0.93, 0.08), QPointF(0.95, 0.9), QPointF(0.05, 0.87)}};
    const Corners steep{
        {QPointF(0.35, 0.1), QPointF(0.65, 0.12), QPointF(1, 0.95), QPointF(0, 0.9)}};
    for (const Corners& c : {moderate, steep}) {
        QImage ours(733, 411, QImage::Format_RGB32), qt(733, 411, QImage::Format_RGB32);
        Keystone::correctInto(frame, c, ours);
        Keystone::drawInto(frame, c, qt);
        double total = 0;
        int worst = 0;
        // The outermost pixels differ by how each treats the frame's edge.
        for (int y = 1; y < 410; ++y)
            for (int x = 1; x < 732; ++x) {
                const int d = std::abs(qGray(ours.pixel(x, y)) - qGray(qt.pixel(x, y)));
                total += d;
                worst = std::max(worst, d);
            }
        EXPECT_LT(total / (731 * 409), 2.0);
        EXPECT_LT(worst, 60);
    }
    // Corners folded over themselves must not read outside the frame.
    const Corners folded{{QPointF(0, 0), QPointF(1, 1), QPointF(1, 0), QPointF(0, 1)}};
    QImage out(100, 100, QImage::Format_RGB32);
    Keystone::correctInto(frame, folded, out);
}
