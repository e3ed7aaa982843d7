#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/SimBackend.h"
#include "camera/ui/VideoWindow.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QThread>

using camera::CVideoWindow;
using camera::sdk::CornerOverlay;

namespace {

void mouse(QWidget& w, QEvent::Type type, QPointF pos) {
    QMouseEvent e(type, pos, w.mapToGlobal(pos), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

QImage grab(CVideoWindow& w) {
    QCoreApplication::processEvents();
    QImage img(w.size(), QImage::Format_RGB32);
    w.render(&img);
    return img;
}

}  // namespace

TEST(VideoWindow, ShowsTheCorrectedPictureWhereItIsPlaced) {
    CVideoWindow w;
    w.placeWindow({5, 6, 200, 100});
    w.showWindow(true);
    EXPECT_EQ(w.geometry(), QRect(5, 6, 200, 100));
    EXPECT_TRUE(w.isVisible());
    QImage frame(200, 100, QImage::Format_RGB32);
    frame.fill(Qt::blue);
    w.present(frame, CornerOverlay{});
    EXPECT_EQ(grab(w).pixelColor(100, 50), QColor(Qt::blue));
    w.showWindow(false);
    EXPECT_FALSE(w.isVisible());
}

TEST(VideoWindow, EditingDrawsHandlesInTheTwoColoursAndDragsCorners) {
    CVideoWindow w;
    w.resize(400, 300);
    QImage frame(800, 600, QImage::Format_RGB32);
    frame.fill(Qt::black);
    CornerOverlay o;
    o.editing = true;
    o.corners.p = {QPointF(0.25, 0.25), QPointF(0.75, 0.25), QPointF(0.75, 0.75),
                   QPointF(0.25, 0.75)};
    o.labels = {"top-left", "top-right", "bottom-right", "bottom-left"};
    w.present(frame, o);
    QImage img = grab(w);
    EXPECT_EQ(img.pixelColor(100, 75), QColor(255, 0, 0));  // handle in the first colour (255)
    EXPECT_EQ(img.pixelColor(200, 75), QColor(255, 0, 0));  // the quadrilateral's edge

    int movedCorner = -1;
    QPointF movedTo;
    w.setCornerMover([&](int c, QPointF p) {
        movedCorner = c;
        movedTo = p;
    });
    mouse(w, QEvent::MouseButtonPress, QPointF(102, 77));
    EXPECT_EQ(grab(w).pixelColor(100, 75), QColor(0, 255, 0));  // the dragged one in the second
    mouse(w, QEvent::MouseMove, QPointF(40, 30));
    mouse(w, QEvent::MouseButtonRelease, QPointF(40, 30));
    EXPECT_EQ(movedCorner, 0);
    EXPECT_DOUBLE_EQ(movedTo.x(), 0.1);
    EXPECT_DOUBLE_EQ(movedTo.y(), 0.1);
    EXPECT_EQ(w.handlePosition(0), QPointF(40, 30));

    // Dragging outside the window stops at its edge.
    mouse(w, QEvent::MouseButtonPress, QPointF(300, 225));
    mouse(w, QEvent::MouseMove, QPointF(900, -50));
    EXPECT_EQ(movedCorner, 2);
    EXPECT_EQ(movedTo, QPointF(1, 0));
    // Far from every handle nothing is dragged.
    mouse(w, QEvent::MouseButtonRelease, QPointF(900, -50));
    movedCorner = -1;
    mouse(w, QEvent::MouseButtonPress, QPointF(200, 150));
    mouse(w, QEvent::MouseMove, QPointF(210, 160));
    EXPECT_EQ(movedCorner, -1);
}

TEST(VideoWindow, ColourValuesAreRedGreenBlueLowByteFirst) {
    EXPECT_EQ(CVideoWindow::fromColorRef(255), QColor(255, 0, 0));
    EXPECT_EQ(CVideoWindow::fromColorRef(65280), QColor(0, 255, 0));
    EXPECT_EQ(CVideoWindow::fromColorRef(0xff0000), QColor(0, 0, 255));
}

TEST(VideoWindow, AWindowDestroyedWhileItsCameraStreamsIsLeftAlone) {
    camera::sdk::SimOptions o;
    o.frameSize = QSize(160, 120);
    camera::sdk::DeviceSdk sdk(std::make_unique<camera::sdk::SimBackend>(o));
    auto w = std::make_unique<CVideoWindow>();
    const auto h = sdk.open(w.get(), 0, 0);
    sdk.placeView(h, 0, 0, 80, 60);
    sdk.runView(h, true);
    for (int i = 0; i < 50 && w->lastFrame().isNull(); ++i) QThread::msleep(10);
    EXPECT_EQ(w->lastFrame().size(), QSize(80, 60));
    w.reset();  // the stream keeps running into nothing
    QThread::msleep(100);
    sdk.close(h);
}
