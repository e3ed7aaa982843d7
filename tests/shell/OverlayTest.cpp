#include "OverlayFixture.h"

#include "shell/ControlIds.h"
#include "platform/Message.h"
#include "platform/MessageIds.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QtTest/QTest>

namespace {

struct KeyRecorder : QWidget {
    int keys = 0;
    using QWidget::QWidget;
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

}  // namespace

using Overlay = OverlayFixture;

TEST_F(Overlay, CoversTheWorkAreaAndLetsThePointerThrough) {
    EXPECT_EQ(overlay->geometry(), QRect(0, 0, 1366, 728));
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(overlay->canvas().image().size(),
              (QSizeF(1366, 728) * overlay->devicePixelRatioF()).toSize());
    EXPECT_EQ(overlay->penWidth(), 5);
    EXPECT_EQ(overlay->penColour(), 0xFF000000u);
    EXPECT_FALSE(overlay->drawingMode());
    // Its controls lie above it.
    EXPECT_EQ(window->childAt(centreOf(button(ctl::kHandle)) - window->pos()),
              &button(ctl::kHandle));
}

TEST_F(Overlay, DrawsOnlyInDrawingMode) {
    overlay->MouseDown(screen({300, 300}));
    overlay->MouseMove(screen({350, 300}), Qt::LeftButton);
    overlay->MouseUp(screen({350, 300}));
    EXPECT_TRUE(overlay->canvas().strokes().empty());

    overlay->setDrawingMode(true);
    overlay->MouseDown(screen({300, 300}));
    EXPECT_TRUE(overlay->strokeInProgress());
    overlay->MouseMove(screen({350, 300}), Qt::LeftButton);
    // A move with the button already up adds nothing.
    overlay->MouseMove(screen({400, 300}), Qt::NoButton);
    overlay->MouseUp(screen({400, 300}));
    EXPECT_FALSE(overlay->strokeInProgress());
    ASSERT_EQ(overlay->canvas().strokes().size(), 1u);
    EXPECT_EQ(overlay->canvas().strokes()[0].size(), 2u);
}

TEST_F(Overlay, BackToVideoWithAPictureShownDrawsNothingAndReturnsToVideo) {
    host.picture = true;
    overlay->showBackToVideoButton(true);
    overlay->setDrawingMode(true);
    PicButton& back = *overlay->backToVideoButton();
    ASSERT_TRUE(back.isVisible());
    overlay->MouseDown(centreOf(back));
    EXPECT_FALSE(overlay->strokeInProgress());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      back.mapTo(window.get(), back.rect().center()));
    EXPECT_TRUE(host.calls.contains("ChangeToCapture"));
    EXPECT_TRUE(overlay->canvas().strokes().empty());
}

TEST_F(Overlay, TheCalibrationButtonRunsTheCalibrationCommand) {
    platform::sendMessage(overlay, msg::kButtonClick, ctl::kCalibration, 0);
    EXPECT_EQ(host.calls, QStringList{"command 10005"});
    // Placed from the view rect: no margins, no area.
    EXPECT_TRUE(overlay->calibrationButton()->geometry().isEmpty());
    host.rect = {268, 0, 830, 728};
    overlay->PlaceCornerButton();
    EXPECT_EQ(overlay->calibrationButton()->geometry(), QRect(1366 - 111, 728 - 111, 110, 110));
}

TEST_F(Overlay, ControlsGoAndComeBackWithTheOverlay) {
    overlay->showPanel(true);
    overlay->showCalibrationButton(true);
    EXPECT_TRUE(panel().isVisible());
    overlay->hide();
    EXPECT_FALSE(panel().isVisible());
    EXPECT_FALSE(overlay->calibrationButton()->isVisible());
    overlay->show();
    EXPECT_TRUE(panel().isVisible());
    EXPECT_TRUE(overlay->calibrationButton()->isVisible());
    overlay->showPanel(false);
    EXPECT_FALSE(panel().isVisible());
}

TEST_F(Overlay, EscapeIsSwallowed) {
    auto* below = new KeyRecorder(window.get());
    overlay->setParent(below);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(overlay, &escape);
    EXPECT_EQ(below->keys, 0);
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QCoreApplication::sendEvent(overlay, &other);
    EXPECT_EQ(below->keys, 1);
    overlay->setParent(window.get());
}

TEST_F(Overlay, ClearingAndDrawingOffEmptyTheStrokes) {
    overlay->setDrawingMode(true);
    overlay->MouseDown(screen({100, 100}));
    overlay->MouseUp(screen({100, 100}));
    ASSERT_FALSE(overlay->canvas().isBlank());
    overlay->ClearStrokes();
    EXPECT_TRUE(overlay->drawingMode());
    EXPECT_TRUE(overlay->canvas().isBlank());
    overlay->MouseDown(screen({100, 100}));
    overlay->MouseUp(screen({100, 100}));
    overlay->DrawingOff();
    EXPECT_FALSE(overlay->drawingMode());
    EXPECT_TRUE(overlay->canvas().strokes().empty());
}

// The pointer reaches the overlay through the application, whatever widget lies under it.
TEST_F(Overlay, TheMouseWatchSeesPressesMovesAndReleasesOverOtherWidgets) {
    auto* video = new QWidget(window.get());
    video->setGeometry(0, 0, 1366, 728);
    video->show();
    overlay->BringToFront();
    overlay->setDrawingMode(true);
    QWindow* w = window->windowHandle();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseMove(w, QPoint(260, 200));
    QTest::mouseMove(w, QPoint(260, 260));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(260, 260));
    ASSERT_EQ(overlay->canvas().strokes().size(), 1u);
    EXPECT_EQ(overlay->canvas().strokes()[0].size(), 3u);
    const qreal r = overlay->devicePixelRatioF();
    EXPECT_EQ(overlay->canvas().image().pixel(QPoint(230, 200) * r), 0xFF000000u);
    EXPECT_EQ(overlay->canvas().image().pixel(QPoint(260, 230) * r), 0xFF000000u);

    overlay->ShutDown();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(400, 400));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(400, 400));
    EXPECT_EQ(overlay->canvas().strokes().size(), 1u);
    EXPECT_EQ(overlay->panel(), nullptr);
}
