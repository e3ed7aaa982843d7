#include "OverlayFixture.h"

#include "shell/ControlIds.h"
#include "tests/support/CutTexts.h"
#include "tests/support/QtPrinters.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>

namespace {

void doubleClick(QWidget& w) {
    const QPoint at = w.rect().center();
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(at), QPointF(w.mapToGlobal(at)),
                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

}  // namespace

struct Panel : OverlayFixture {
    void SetUp() override {
        OverlayFixture::SetUp();
        overlay->showPanel(true);
    }
    QRect geometry() { return panel().geometry(); }
};

TEST_F(Panel, StartsClosedAtFourFifthsOfTheWorkAreaAndWritesItsStep) {
    EXPECT_EQ(panel().step(), 40);
    EXPECT_EQ(geometry(), QRect(1092, 582, 40, 40));
    EXPECT_FALSE(panel().expanded());
    EXPECT_TRUE(button(ctl::kHandle).isVisible());
    EXPECT_FALSE(button(ctl::kList).isVisible());
    EXPECT_FALSE(button(ctl::kRedPen).isVisible());
    QFile ini(appData.file("Kestrane/usefile.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(text.contains("[ssss]")) << text.toStdString();
    EXPECT_TRUE(text.contains("step=40")) << text.toStdString();
}

TEST_F(Panel, ADoubleClickOnTheHandleOpensAndClosesIt) {
    panel().PlaceAt({100, 100});
    doubleClick(button(ctl::kHandle));
    EXPECT_TRUE(panel().expanded());
    EXPECT_EQ(geometry(), QRect(100, 100, 40, 208));
    for (int id : {ctl::kList, ctl::kCapture, ctl::kShare, ctl::kPen})
        EXPECT_TRUE(button(id).isVisible()) << id;
    EXPECT_EQ(button(ctl::kPen).geometry(), QRect(0, 168, 40, 40));
    doubleClick(button(ctl::kHandle));
    EXPECT_FALSE(panel().expanded());
    EXPECT_EQ(geometry(), QRect(100, 100, 40, 40));
    EXPECT_FALSE(button(ctl::kList).isVisible());
}

TEST_F(Panel, OpeningNearTheBottomMovesItUp) {
    panel().PlaceAt({600, 700});
    EXPECT_EQ(geometry().topLeft(), QPoint(600, 688));  // kept inside while closed
    panel().Open();
    EXPECT_EQ(geometry(), QRect(600, 728 - 208, 40, 208));
}

TEST_F(Panel, DrawingModeOpensThePenColumnAndMovesLeftNearTheRightEdge) {
    panel().PlaceAt({1340, 100});
    panel().Open();
    panel().ButtonAction(ctl::kPen);
    EXPECT_TRUE(overlay->drawingMode());
    EXPECT_EQ(geometry(), QRect(1366 - 80, 100, 80, 288));
    EXPECT_EQ(panel().selectedPen(), MoveDlg::kBlack);
    EXPECT_TRUE(button(ctl::kBlackPen).showsPressedBitmap());
    EXPECT_TRUE(button(ctl::kPen).showsPressedBitmap());
    for (int id : {ctl::kRedPen, ctl::kBlackPen, ctl::kBluePen, ctl::kEraser, ctl::kClear})
        EXPECT_TRUE(button(id).isVisible()) << id;
    EXPECT_EQ(button(ctl::kClear).geometry(), QRect(40, 248, 40, 40));

    // Off again: strokes cleared, the pens hidden; drawing mode survives closing only while on.
    overlay->MouseDown(screen({300, 300}));
    overlay->MouseUp(screen({300, 300}));
    panel().ButtonAction(ctl::kPen);
    EXPECT_FALSE(overlay->drawingMode());
    EXPECT_TRUE(overlay->canvas().strokes().empty());
    EXPECT_FALSE(button(ctl::kRedPen).isVisible());
    EXPECT_FALSE(button(ctl::kPen).showsPressedBitmap());
}

TEST_F(Panel, DrawingModeSurvivesClosingThePanel) {
    panel().Open();
    panel().ButtonAction(ctl::kPen);
    panel().Close();
    EXPECT_TRUE(overlay->drawingMode());
    EXPECT_FALSE(button(ctl::kRedPen).isVisible());
    panel().Open();
    EXPECT_TRUE(button(ctl::kRedPen).isVisible());
}

TEST_F(Panel, EraserThenRedPenClearsTheEraserFlag) {
    panel().Open();
    panel().ButtonAction(ctl::kPen);
    panel().ButtonAction(ctl::kEraser);
    EXPECT_TRUE(overlay->eraser());
    EXPECT_EQ(overlay->penColour(), 0xFF8E8E8Eu);
    EXPECT_FALSE(button(ctl::kBlackPen).showsPressedBitmap());
    panel().ButtonAction(ctl::kRedPen);
    EXPECT_FALSE(overlay->eraser());
    EXPECT_EQ(overlay->penColour(), 0xFFFF0000u);
    EXPECT_EQ(panel().selectedPen(), MoveDlg::kRed);
    EXPECT_FALSE(button(ctl::kEraser).showsPressedBitmap());
    panel().ButtonAction(ctl::kBluePen);
    EXPECT_EQ(overlay->penColour(), 0xFF0000FFu);
    EXPECT_TRUE(button(ctl::kBluePen).reportOnPress());
}

TEST_F(Panel, APressOnAButtonNeverStartsAStrokeButOneBetweenButtonsDoes) {
    panel().PlaceAt({300, 100});
    panel().Open();
    panel().ButtonAction(ctl::kPen);
    for (int id : {ctl::kHandle, ctl::kList, ctl::kPen, ctl::kRedPen, ctl::kClear}) {
        overlay->MouseDown(centreOf(button(id)));
        EXPECT_FALSE(overlay->strokeInProgress()) << id;
        overlay->MouseUp(centreOf(button(id)));
    }
    // Right of the handle, where the pen column has no button yet.
    const QPoint gap = panel().mapToGlobal(QPoint(60, 20));
    overlay->MouseDown(gap);
    EXPECT_TRUE(overlay->strokeInProgress());
    overlay->MouseUp(gap);
    // The panel lets that press through to what lies below.
    EXPECT_FALSE(panel().mask().contains(QPoint(60, 20)));
    EXPECT_TRUE(panel().mask().contains(QPoint(20, 20)));
}

TEST_F(Panel, TheHandleDragsThePanelAndKeepsItOnTheOverlay) {
    const QPoint handle = centreOf(button(ctl::kHandle));
    clock.advance(1234);
    overlay->MouseDown(handle);
    EXPECT_TRUE(panel().handlePressed());
    EXPECT_EQ(panel().pressTime(), clock.nowMs());
    EXPECT_TRUE(button(ctl::kHandle).showsPressedBitmap());
    overlay->MouseMove(handle - QPoint(500, 200), Qt::LeftButton);
    EXPECT_EQ(geometry().topLeft(), QPoint(592, 382));
    overlay->MouseMove(handle + QPoint(5000, 5000), Qt::LeftButton);
    EXPECT_EQ(geometry().topLeft(), QPoint(1366 - 40, 728 - 40));
    overlay->MouseMove(handle - QPoint(5000, 5000), Qt::LeftButton);
    EXPECT_EQ(geometry().topLeft(), QPoint(0, 0));
    overlay->MouseUp(handle);
    EXPECT_FALSE(panel().handlePressed());
    EXPECT_FALSE(button(ctl::kHandle).showsPressedBitmap());
    // After the release moves draw or drag nothing.
    overlay->MouseMove(handle, Qt::NoButton);
    EXPECT_EQ(geometry().topLeft(), QPoint(0, 0));
}

TEST_F(Panel, CaptureWithTheViewHiddenOnlyShowsItThenTakesAPicture) {
    host.view = false;
    panel().ButtonAction(ctl::kCapture);
    EXPECT_EQ(host.calls, QStringList{"ShowView 1"});
    panel().ButtonAction(ctl::kCapture);
    EXPECT_EQ(host.calls, (QStringList{"ShowView 1", "ShowView 0", "takePicture 1"}));
    host.calls.clear();
    host.view = true;
    host.cameras = 0;
    panel().ButtonAction(ctl::kCapture);
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(Panel, ListShareAndClearGoWhereTheyBelong) {
    panel().ButtonAction(ctl::kList);
    panel().ButtonAction(ctl::kShare);
    EXPECT_EQ(host.calls, (QStringList{"showPictureList", "share"}));
    overlay->setDrawingMode(true);
    overlay->MouseDown(screen({50, 50}));
    overlay->MouseUp(screen({50, 50}));
    panel().ButtonAction(ctl::kClear);
    EXPECT_TRUE(overlay->canvas().isBlank());
    EXPECT_TRUE(overlay->drawingMode());
}

TEST_F(Panel, ARightClickOnTheHandleOpensTheTrayMenu) {
    PicButton& handle = button(ctl::kHandle);
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 4), handle.mapToGlobal(QPoint(3, 4)));
    QCoreApplication::sendEvent(&handle, &e);
    ASSERT_EQ(host.trayMenuAt.size(), 1u);
    EXPECT_EQ(host.trayMenuAt[0], handle.mapToGlobal(QPoint(3, 4)));
}

TEST_F(Panel, ADisplayChangeLaysThePanelOutAgain) {
    panel().Open();
    host.area = QRect(0, 0, 1920, 1040);
    window->setGeometry(host.area);
    overlay->FitWorkArea();
    panel().ComputeStep();
    panel().MoveToStart();
    panel().Relayout();
    EXPECT_EQ(panel().step(), 60);
    EXPECT_TRUE(panel().expanded());
    EXPECT_EQ(geometry(), QRect(1536, 1040 - 312, 60, 312));
}

TEST_F(Panel, RightToLeftMirrorsTheColumnsAndGrowsToTheLeft) {
    window->setLayoutDirection(Qt::RightToLeft);
    panel().PlaceAt({300, 100});
    panel().Open();
    EXPECT_EQ(geometry(), QRect(300, 100, 40, 208));
    EXPECT_EQ(button(ctl::kList).geometry(), QRect(0, 48, 40, 40));
    panel().ButtonAction(ctl::kPen);
    // The handle and the commands stay under the hand; the pens open at their left.
    EXPECT_EQ(geometry(), QRect(260, 100, 80, 288));
    EXPECT_EQ(button(ctl::kHandle).geometry(), QRect(40, 0, 40, 40));
    EXPECT_EQ(button(ctl::kList).geometry(), QRect(40, 48, 40, 40));
    EXPECT_EQ(button(ctl::kRedPen).geometry(), QRect(0, 88, 40, 40));
    EXPECT_EQ(button(ctl::kClear).geometry(), QRect(0, 248, 40, 40));
    testsupport::saveShot(*window, "panel-ar");
    panel().Close();
    EXPECT_EQ(geometry(), QRect(300, 100, 40, 40)) << "closing keeps the right edge";
    EXPECT_EQ(button(ctl::kHandle).geometry(), QRect(0, 0, 40, 40));
}

TEST_F(Panel, RightToLeftStartsAtTheMirroredPlaceAndStaysOnTheLeftEdge) {
    window->setLayoutDirection(Qt::RightToLeft);
    panel().MoveToStart();
    EXPECT_EQ(geometry(), QRect(1366 - 1092 - 40, 582, 40, 40));
    panel().PlaceAt({10, 100});
    panel().Open();
    panel().ButtonAction(ctl::kPen);
    EXPECT_EQ(geometry(), QRect(0, 100, 80, 288)) << "moved right by what was missing";
    window->setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(button(ctl::kRedPen).geometry(), QRect(40, 88, 40, 40)) << "laid out anew";
}
