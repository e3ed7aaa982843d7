#include "shell/PictureFrame.h"
#include "shell/ui/PictureSurface.h"
#include "shell/PictureViewer.h"
#include "shell/PinchZoom.h"
#include "platform/DevicePixels.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QResizeEvent>

using app::PictureViewer;

namespace {

class RecordingTarget : public app::PictureTarget {
public:
    void present(const QImage& picture, const QRect& rect) override {
        last = picture;
        lastRect = rect;
        ++draws;
    }
    QImage last;
    QRect lastRect;
    int draws = 0;
};

QString writeJpeg(const testsupport::TempDir& dir, const QString& name, int w, int h,
                  QColor colour = Qt::darkCyan) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.file(name);
    EXPECT_TRUE(image.save(path, "JPEG", 90));
    return path;
}

struct Screen {
    explicit Screen(QSize workArea) : viewer(target) {
        viewer.setWorkArea(workArea);
        viewer.setTargetRect(QRect(QPoint(0, 0), workArea));
    }
    RecordingTarget target;
    PictureViewer viewer;
};

}  // namespace

TEST(PictureViewer, LoadFitsThePictureToTheWorkAreaWithAWidthOfWholeFours) {
    testsupport::TempDir dir;
    Screen tall(QSize(1920, 1040));
    tall.viewer.load(writeJpeg(dir, "a.jpg", 1600, 1200));
    EXPECT_EQ(tall.viewer.baseSize(), QSize(1384, 1039));
    EXPECT_EQ(tall.viewer.origin(), QPointF(268, 0));
    EXPECT_EQ(tall.target.lastRect, QRect(268, 0, 1384, 1039));
    EXPECT_EQ(tall.target.last.size(), QSize(1600, 1200));
    EXPECT_DOUBLE_EQ(tall.viewer.zoom(), 1.0);

    Screen wide(QSize(1024, 738));
    wide.viewer.load(writeJpeg(dir, "b.jpg", 1920, 1080));
    EXPECT_EQ(wide.target.lastRect, QRect(0, 81, 1024, 576));
}

TEST(PictureViewer, ZoomStopsExactlyAtItsLimitsAndAWheelDeltaIsCutTo120) {
    testsupport::TempDir dir;
    Screen s(QSize(1920, 1040));
    s.viewer.load(writeJpeg(dir, "a.jpg", 1600, 1200));
    const QPoint centre(960, 520);

    s.viewer.zoomByWheelStep(360, centre);
    EXPECT_DOUBLE_EQ(s.viewer.zoom(), 1.2);
    s.viewer.zoomByWheelStep(-600, centre);
    EXPECT_DOUBLE_EQ(s.viewer.zoom(), 1.0);

    for (int i = 0; i < 15; ++i) s.viewer.zoomByFactor(0.1, centre);
    EXPECT_EQ(s.viewer.zoom(), PictureViewer::kMaxZoom);
    EXPECT_EQ(s.target.lastRect.size(), QSize(2768, 2078));
    for (int i = 0; i < 30; ++i) s.viewer.zoomByWheelStep(-120, centre);
    EXPECT_EQ(s.viewer.zoom(), PictureViewer::kMinZoom);

    // Outside the target window the wheel does nothing, not even a redraw.
    const int draws = s.target.draws;
    s.viewer.zoomByWheelStep(120, QPoint(2000, 10));
    EXPECT_EQ(s.viewer.zoom(), PictureViewer::kMinZoom);
    EXPECT_EQ(s.target.draws, draws);

    // A new load starts again at 1.0.
    s.viewer.load(s.viewer.path());
    EXPECT_DOUBLE_EQ(s.viewer.zoom(), 1.0);
}

TEST(PictureViewer, ZoomKeepsThePointUnderThePointerAndTheOriginOnWhatIsDrawn) {
    testsupport::TempDir dir;
    Screen s(QSize(1920, 1040));
    s.viewer.load(writeJpeg(dir, "a.jpg", 1600, 1200));
    s.viewer.zoomByWheelStep(120, QPoint(1000, 500));
    // Taller than the screen now: y follows the pointer; narrower than it: x stays centred.
    EXPECT_NEAR(s.viewer.origin().y(), -100.0, 1e-9);
    EXPECT_NEAR(s.viewer.origin().x(), (1920 - 1384 * 1.2) / 2, 1e-9);
    EXPECT_EQ(s.target.lastRect.topLeft(), s.viewer.drawnRect().topLeft());

    // Zooming out until it fits centres it, and the origin is where it is drawn.
    s.viewer.zoomByWheelStep(-120, QPoint(1900, 1000));
    s.viewer.zoomByWheelStep(-120, QPoint(1900, 1000));
    EXPECT_NEAR(s.viewer.origin().x(), (1920 - 1384 * 0.8) / 2, 1e-9);
    EXPECT_NEAR(s.viewer.origin().y(), (1040 - 1039 * 0.8) / 2, 1e-9);
}

TEST(PictureViewer, DragHoldsAZoomedPictureAgainstTheScreenEdgesAndKeepsASmallOneCentred) {
    testsupport::TempDir dir;
    Screen s(QSize(1920, 1040));
    s.viewer.load(writeJpeg(dir, "a.jpg", 1600, 1200));
    for (int i = 0; i < 10; ++i) s.viewer.zoomByFactor(0.1, QPoint(960, 520));
    ASSERT_EQ(s.viewer.zoom(), 2.0);

    // Pulled right and down: the left and top edges stop on the screen's.
    s.viewer.dragStart(QPoint(100, 100));
    s.viewer.dragMove(QPoint(1800, 1000));
    EXPECT_EQ(s.target.lastRect.topLeft(), QPoint(0, 0));
    s.viewer.dragEnd();
    EXPECT_EQ(s.viewer.origin(), QPointF(0, 0));

    // Pulled left and up: the right and bottom edges stop on the screen's.
    for (int i = 0; i < 2; ++i) {
        s.viewer.dragStart(QPoint(1900, 1030));
        s.viewer.dragMove(QPoint(5, 5));
        s.viewer.dragEnd();
    }
    EXPECT_EQ(s.target.lastRect.right() + 1, 1920);
    EXPECT_EQ(s.target.lastRect.bottom() + 1, 1040);
    EXPECT_FALSE(s.viewer.isDragging());
    EXPECT_EQ(s.viewer.drawnRect(), s.target.lastRect);

    // Smaller than the screen: a drag leaves it centred.
    for (int i = 0; i < 20; ++i) s.viewer.zoomByFactor(-0.1, QPoint(960, 520));
    const QRect centred = s.viewer.drawnRect();
    EXPECT_EQ(centred.center().x(), 959);
    s.viewer.dragStart(centred.center());
    s.viewer.dragMove(centred.center() + QPoint(200, 150));
    EXPECT_EQ(s.target.lastRect, centred);
}

TEST(PictureViewer, DragsStartOnlyInTheWindowAndMoveOnlyOverThePicture) {
    testsupport::TempDir dir;
    Screen s(QSize(1920, 1040));
    s.viewer.setTargetRect(QRect(0, 0, 1920, 1000));
    s.viewer.load(writeJpeg(dir, "a.jpg", 1600, 1200));
    const QPointF loaded = s.viewer.origin();

    s.viewer.dragStart(QPoint(500, 1020));  // below the target window
    EXPECT_FALSE(s.viewer.isDragging());

    // In the window's black margin, left of the picture: the drag starts, but moves that stay
    // off the picture draw nothing.
    s.viewer.dragStart(QPoint(100, 500));
    EXPECT_TRUE(s.viewer.isDragging());
    const int draws = s.target.draws;
    s.viewer.dragMove(QPoint(200, 500));
    EXPECT_EQ(s.target.draws, draws);
    s.viewer.dragEnd();
    EXPECT_EQ(s.viewer.origin(), loaded);

    // A release with no drag running, or a click without a move, leaves the picture in place.
    s.viewer.zoomByWheelStep(120, QPoint(960, 500));
    const QPointF zoomed = s.viewer.origin();
    s.viewer.dragEnd();
    s.viewer.dragStart(QPoint(960, 500));
    s.viewer.dragEnd();
    EXPECT_EQ(s.viewer.origin(), zoomed);
}

TEST(PictureViewer, MissingTruncatedOrForeignFilesShowBlackAndTakeNoInput) {
    testsupport::TempDir dir;
    const QString good = writeJpeg(dir, "good.jpg", 640, 480);
    QFile in(good);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();

    QFile cut(dir.file("cut.jpg"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.size() / 2));
    cut.close();
    QImage png(64, 48, QImage::Format_RGB32);
    png.fill(Qt::red);
    ASSERT_TRUE(png.save(dir.file("png.jpg"), "PNG"));
    QFile text(dir.file("text.jpg"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("\xFF\xD8\xFF not really a picture \xFF\xD9");
    text.close();

    for (const QString name : {"missing.jpg", "cut.jpg", "png.jpg", "text.jpg", ""}) {
        SCOPED_TRACE(name.toStdString());
        Screen s(QSize(1920, 1040));
        s.viewer.load(good);
        s.viewer.load(name.isEmpty() ? dir.path() : dir.file(name));
        EXPECT_TRUE(s.target.last.isNull());
        EXPECT_TRUE(s.viewer.baseSize().isEmpty());
        s.viewer.dragStart(QPoint(900, 500));
        s.viewer.dragMove(QPoint(950, 520));
        s.viewer.dragEnd();
        s.viewer.zoomByWheelStep(120, QPoint(900, 500));
        s.viewer.zoomByFactor(-0.1, QPoint(900, 500));
        EXPECT_TRUE(s.target.last.isNull());
    }
}

TEST(PictureViewer, AReplacedFileIsShownAnewWhetherOrNotTheDecodedPictureIsKept) {
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep);
        testsupport::TempDir dir;
        Screen s(QSize(800, 600));
        s.viewer.setKeepDecoded(keep);
        const QString path = writeJpeg(dir, "p.jpg", 400, 300, Qt::white);
        s.viewer.load(path);
        EXPECT_GT(qGray(s.target.last.pixel(10, 10)), 200);
        writeJpeg(dir, "p.jpg", 400, 300, Qt::black);
        QFile rewritten(path);
        ASSERT_TRUE(rewritten.open(QIODevice::ReadWrite));
        ASSERT_TRUE(rewritten.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                          QFileDevice::FileModificationTime));
        rewritten.close();
        s.viewer.redraw();
        EXPECT_LT(qGray(s.target.last.pixel(10, 10)), 50);
    }
}

TEST(PictureFrame, DrawsNearestNeighbourAtDevicePixelsOnBlack) {
    app::PictureFrame frame;
    frame.resize(QSize(4, 4), 2.0);
    ASSERT_EQ(frame.pixels().size(), QSize(8, 8));
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, 0xFFFF0000);
    picture.setPixel(1, 0, 0xFF00FF00);
    picture.setPixel(0, 1, 0xFF0000FF);
    picture.setPixel(1, 1, 0xFFFFFFFF);
    frame.present(picture, QRect(1, 1, 2, 2));
    const QImage& px = frame.pixels();
    // Each picture pixel becomes a 2 × 2 device block, unblended, from device (2, 2) on.
    EXPECT_EQ(px.pixel(2, 2), 0xFFFF0000u);
    EXPECT_EQ(px.pixel(3, 3), 0xFFFF0000u);
    EXPECT_EQ(px.pixel(4, 2), 0xFF00FF00u);
    EXPECT_EQ(px.pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(px.pixel(2, 5), 0xFF0000FFu);
    EXPECT_EQ(px.pixel(1, 1), 0xFF000000u);
    EXPECT_EQ(px.pixel(6, 6), 0xFF000000u);

    frame.present(QImage(), QRect());
    EXPECT_EQ(frame.pixels().pixel(3, 3), 0xFF000000u);
}

TEST(PictureFrame, DeviceRectanglesOfNeighboursMeetAtFractionalRatios) {
    const platform::DevicePixels dp(1.5);
    const QRect a = dp.toDevice(QRect(0, 0, 3, 3));
    const QRect b = dp.toDevice(QRect(3, 0, 3, 3));
    EXPECT_EQ(a.right() + 1, b.left());
    EXPECT_EQ(a.width() + b.width(), dp.toDevice(QRect(0, 0, 6, 3)).width());
    EXPECT_EQ(platform::DevicePixels(0).ratio(), 1.0);
}

TEST(PictureSurface, ARedrawnSurfaceKeepsItsPictureWhenResized) {
    app::PictureSurface surface;
    surface.resize(40, 30);
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(0xFF336699);
    surface.present(picture, QRect(0, 0, 40, 30));
    surface.resize(80, 60);
    QCoreApplication::sendPostedEvents();
    QResizeEvent resize(QSize(80, 60), QSize(40, 30));
    QCoreApplication::sendEvent(&surface, &resize);
    EXPECT_EQ(surface.frame().logicalSize(), QSize(80, 60));
    // The last picture is drawn again, at its old rectangle, over black.
    EXPECT_EQ(surface.frame().pixels().pixel(20, 20), 0xFF336699u);
    EXPECT_EQ(surface.frame().pixels().pixel(60, 50), 0xFF000000u);
}

// ---------------------------------------------------------------------------------------------
// The two-finger pinch

TEST(PinchZoomTest, DistanceChangesBecomeWheelStepsAtTheCentre) {
    shell::PinchZoom pinch;
    EXPECT_FALSE(pinch.track({QPointF(100, 100), QPointF(300, 100)})) << "the start only measures";
    EXPECT_TRUE(pinch.active());
    auto step = pinch.track({QPointF(90, 100), QPointF(330, 100)});
    ASSERT_TRUE(step);
    EXPECT_EQ(step->delta, 40) << "fingers 40 px further apart";
    EXPECT_EQ(step->centre, QPoint(210, 100));
    step = pinch.track({QPointF(100, 100), QPointF(300, 100)});
    ASSERT_TRUE(step);
    EXPECT_EQ(step->delta, -40) << "since the previous event, not since the start";
    EXPECT_FALSE(pinch.track({QPointF(100, 100), QPointF(300, 100)})) << "no change, no step";
    step = pinch.track({QPointF(100, 100), QPointF(320, 100), QPointF(900, 900)});
    ASSERT_TRUE(step);
    EXPECT_EQ(step->delta, 20) << "a third finger does not count";
}

TEST(PinchZoomTest, LiftingAFingerEndsTheGesture) {
    shell::PinchZoom pinch;
    pinch.track({QPointF(0, 0), QPointF(100, 0)});
    EXPECT_FALSE(pinch.track({QPointF(0, 0)}));
    EXPECT_FALSE(pinch.active());
    EXPECT_FALSE(pinch.track({QPointF(0, 0), QPointF(500, 0)}))
        << "a new gesture measures again: no jump from the old distance";
    EXPECT_FALSE(pinch.track({}));
}
