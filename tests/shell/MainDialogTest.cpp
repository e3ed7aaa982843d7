// The main window on the simulated camera: keys, captures, calibration, the tray and exit.
#include "ShellFixture.h"

#include "shell/PanelLayout.h"
#include "shell/PictureViewer.h"
#include "shell/ui/MoveDlg.h"
#include "shell/ui/TopDlg.h"
#include "shell/ui/TrayIcon.h"
#include "camera/Camera.h"
#include "camera/ui/VideoWindow.h"
#include "device/DeviceManager.h"
#include "lang/TextIds.h"
#include "platform/MessageIds.h"
#include "tests/support/MessageRecorder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QPointingDevice>
#include <QTest>
#include <QThread>
#include <QWindow>

#include <memory>

namespace {

int countPictures(CQuilletApp& app) {
    return QDir(app.camera().store().imageFolder()).entryList({"*.jpg"}, QDir::Files).size();
}

}  // namespace

TEST_F(ShellTest, StartsWithTheLiveViewOnTheWorkArea) {
    start();
    EXPECT_TRUE(dlg().viewShown());
    EXPECT_FALSE(dlg().pictureShown());
    EXPECT_TRUE(dlg().videoWindow(0)->isVisibleTo(&dlg()));
    EXPECT_FALSE(dlg().videoWindow(1)->isVisibleTo(&dlg())) << "one camera: the second never shows";
    EXPECT_EQ(dlg().geometry().size(), app().workArea().size());
    EXPECT_TRUE(ui.texts.isEmpty());
}

TEST_F(ShellTest, StartSwitchStartsHiddenInTheTray) {
    start("sim", {"Ostrely", "-Start"});
    EXPECT_FALSE(dlg().viewShown());
    EXPECT_FALSE(dlg().isVisible());
    ASSERT_NE(dlg().tray(), nullptr);
    EXPECT_TRUE(dlg().tray()->added());
}

TEST_F(ShellTest, RepeatFilterDropsTheSameKeyWithin500Ms) {
    start();
    const auto dCount = [&] {
        const std::string c = boards->commands(boardPath(0));
        return std::count(c.begin(), c.end(), 'D');
    };
    // Key 10's "D" goes out on the boards' thread, in the order of the keys.
    const auto waitForD = [&](long n) {
        return testsupport::MessageRecorder::waitUntil([&] { return dCount() >= n; });
    };
    ASSERT_TRUE(waitForD(2)) << "the reading thread opens the board with A, D and D";
    const auto before = dCount();
    key(10);
    ASSERT_TRUE(waitForD(before + 1));
    clock.advance(499);
    key(10);  // the same key type within 499 ms: dropped
    clock.advance(1);
    key(10);  // after 500 ms: taken
    key(7);
    key(10);  // another key type in between: never dropped
    ASSERT_TRUE(waitForD(before + 3));
    QThread::msleep(100);
    EXPECT_EQ(dCount(), before + 3);
}

TEST_F(ShellTest, CaptureKeysShowThePictureAndRespectTheirStates) {
    start();
    key(8);
    EXPECT_EQ(countPictures(app()), 1);
    EXPECT_TRUE(dlg().pictureShown()) << "tag 0 without a whiteboard shows the picture";
    EXPECT_FALSE(dlg().captureBusy());
    clock.advance(1000);
    key(8);
    EXPECT_EQ(countPictures(app()), 1) << "the capture key does nothing on a stored picture";
    key(7);
    EXPECT_FALSE(dlg().pictureShown());
    key(2);
    EXPECT_EQ(countPictures(app()), 2) << "key 2 on live video takes a picture";
    EXPECT_TRUE(dlg().pictureShown());
    key(7);
    key(9);
    EXPECT_EQ(countPictures(app()), 3);
    EXPECT_FALSE(dlg().viewShown()) << "key 9 hides the view and keeps it hidden";
    EXPECT_FALSE(dlg().captureBusy());
    clock.advance(1000);
    key(9);
    EXPECT_TRUE(dlg().viewShown()) << "key 9 with the view hidden shows it";
}

TEST_F(ShellTest, AFailedCaptureClearsCaptureBusy) {
    start();
    dlg().takePicture(0);
    EXPECT_TRUE(dlg().captureBusy());
    dlg().shell().onPictureReady(0, 0);
    EXPECT_FALSE(dlg().captureBusy());
    EXPECT_FALSE(dlg().pictureShown());
    settle();
}

TEST_F(ShellTest, EveryKeyEndsCalibrationInsteadOfActing) {
    start();
    for (int type = 1; type <= 10; ++type) {
        dlg().runCommand(10005);
        ASSERT_TRUE(dlg().calibrationMode());
        clock.advance(1000);
        key(type);
        EXPECT_FALSE(dlg().calibrationMode()) << "key " << type;
        EXPECT_EQ(countPictures(app()), 0) << "key " << type;
    }
}

TEST_F(ShellTest, ExitWithAnEmptyListAsksOnlyWhetherToClose) {
    start();
    ui.answers = {2};
    dlg().runCommand(10002);
    EXPECT_EQ(ui.texts, QStringList{text(text::kAskClose)});
    ASSERT_NE(dlg().devices(), nullptr) << "Cancel: nothing closes";
    ui.texts.clear();
    dlg().runCommand(10002);
    EXPECT_EQ(ui.texts, QStringList{text(text::kAskClose)});
    EXPECT_EQ(dlg().devices(), nullptr) << "the boards are closed";
    EXPECT_EQ(boards->commands(boardPath(0)).back(), 'E');
    EXPECT_FALSE(dlg().tray()->added());
}

TEST_F(ShellTest, OnlyTheFirstBoardShowsTheConnectionBalloon) {
    start();
    const auto waitFor = [](const std::function<bool()>& done) {
        return testsupport::MessageRecorder::waitUntil(done);
    };
    ASSERT_EQ(dlg().devices()->GetDeviceCount(), 1);
    dlg().shell().onDeviceChange(msg::kDeviceRemoveComplete, boardPath(0));
    ASSERT_TRUE(waitFor([&] { return dlg().tray()->balloonCount() == 1; }))
        << "the removal runs on the boards' thread; the balloon comes back here";
    EXPECT_EQ(dlg().devices()->GetDeviceCount(), 0);
    EXPECT_EQ(dlg().tray()->lastBalloon(), text(text::kBoardDisconnected));
    EXPECT_EQ(dlg().tray()->lastBalloonTitle(), text(text::kAppName)) << "who is speaking";
    EXPECT_FALSE(text(text::kAppName).isEmpty());
    EXPECT_EQ(dlg().tray()->iconId(), 146);
    boards->plug(boardPath(1));
    dlg().shell().onDeviceChange(msg::kDeviceArrival, boardPath(1));
    ASSERT_TRUE(waitFor([&] { return dlg().tray()->balloonCount() == 2; }));
    EXPECT_EQ(dlg().tray()->lastBalloon(), text(text::kBoardConnected));
    boards->plug(boardPath(2));
    dlg().shell().onDeviceChange(msg::kDeviceArrival, boardPath(2));
    ASSERT_TRUE(waitFor([&] { return boards->commands(boardPath(2)) == "ADD"; }));
    ASSERT_TRUE(waitFor([&] { return dlg().devices()->GetDeviceCount() == 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg().tray()->balloonCount(), 2) << "a second board shows no balloon";
    dlg().shell().onDeviceChange(msg::kDeviceArrival, "USB#VID_0483&PID_5851");
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg().devices()->GetDeviceCount(), 2) << "not a board name";
}

TEST_F(ShellTest, CameraCommandsNeedTheirCameras) {
    start();
    dlg().runCommand(32776);
    EXPECT_EQ(ui.texts, QStringList{text(text::kNoCamera)}) << "swap with one camera";
    ui.texts.clear();
    dlg().runCommand(10006);
    EXPECT_FALSE(app().dualScreen()) << "dual-screen with one camera does nothing";
    EXPECT_TRUE(ui.texts.isEmpty());
}

TEST_F(ShellTest, TwoCamerasSideBySideAndSwapped) {
    start("sim2");
    const auto& cam = app().camera();
    ASSERT_EQ(cam.cameras().size(), 2u);
    dlg().runCommand(10006);
    ASSERT_TRUE(app().dualScreen());
    EXPECT_TRUE(dlg().videoWindow(0)->isVisibleTo(&dlg()));
    EXPECT_TRUE(dlg().videoWindow(1)->isVisibleTo(&dlg()));
    const int leftX = dlg().videoWindow(0)->x();
    EXPECT_LT(leftX, dlg().videoWindow(1)->x());
    dlg().runCommand(32776);
    EXPECT_GT(dlg().videoWindow(0)->x(), dlg().videoWindow(1)->x()) << "the pictures change sides";
    EXPECT_FALSE(app().swapFlag()) << "swapping side by side saves nothing";
    dlg().runCommand(10006);
    EXPECT_FALSE(app().dualScreen());
    EXPECT_EQ(cam.windows()[0], static_cast<camera::ViewWindow*>(dlg().videoWindow(0)))
        << "the lists follow the swap flag again";
    dlg().runCommand(32776);
    EXPECT_TRUE(app().swapFlag());
    EXPECT_EQ(cam.currentCamera(), cam.cameras()[0]);
    EXPECT_FALSE(dlg().videoWindow(0)->isVisibleTo(&dlg()));
    EXPECT_TRUE(dlg().videoWindow(1)->isVisibleTo(&dlg()));
}

TEST_F(ShellTest, EachBoardDrivesItsOwnCamera) {
    start("sim2");
    const auto& cam = app().camera();
    key(7, 1);
    EXPECT_EQ(cam.currentCamera(), cam.cameras()[1]);
    EXPECT_TRUE(dlg().videoWindow(1)->isVisibleTo(&dlg()));
    clock.advance(500);
    key(7, 0);
    EXPECT_EQ(cam.currentCamera(), cam.cameras()[0]);
}

TEST_F(ShellTest, KeysInBurstsLeaveNoCaptureBusy) {
    start();
    for (int i = 0; i < 300; ++i) {
        dlg().shell().onKey(i % 2, 1 + i % 10 == 10 ? 7 : 1 + i % 10);
        if (i % 7 == 0) dlg().shell().onDeviceChange(msg::kDeviceArrival, boardPath(0));
        clock.advance(3);
        QCoreApplication::processEvents();
    }
    settle();
    settle();
    EXPECT_FALSE(dlg().captureBusy());
}

TEST_F(ShellTest, TwoFingersZoomAShownPicture) {
    start();
    key(8);
    ASSERT_TRUE(dlg().pictureShown());
    ASSERT_DOUBLE_EQ(dlg().viewer()->zoom(), 1.0);
    // Ours to delete; deleting it takes it off Qt's list of devices.
    const std::unique_ptr<QPointingDevice> device(QTest::createTouchDevice());
    QPointingDevice* touch = device.get();
    QWidget* surface = dlg().pictureSurface();
    const QPoint c = surface->rect().center();
    const QPoint x(1, 0);
    QTest::touchEvent(surface, touch).press(0, c - 100 * x).press(1, c + 100 * x);
    QTest::touchEvent(surface, touch).move(0, c - 160 * x).move(1, c + 160 * x);
    QTest::touchEvent(surface, touch).release(0, c - 160 * x).release(1, c + 160 * x);
    EXPECT_NEAR(dlg().viewer()->zoom(), 1.2, 1e-9) << "120 px further apart: one wheel step";
    QTest::touchEvent(surface, touch).press(0, c - 200 * x).press(1, c + 200 * x);
    QTest::touchEvent(surface, touch).move(0, c - 100 * x).move(1, c + 100 * x);
    QTest::touchEvent(surface, touch).release(0, c - 100 * x).release(1, c + 100 * x);
    EXPECT_NEAR(dlg().viewer()->zoom(), 1.0, 1e-9) << "200 px closer, limited to one step back";
}

TEST_F(ShellTest, ANoticeWithoutATrayToShowItIsABoxThatHoldsNothingUp) {
    start();
    dlg().showNotice(text::kKeysUnreachable);
    auto* box = qobject_cast<QMessageBox*>(dlg().noticeBox());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::NonModal) << "keys and captures go on while it shows";
    EXPECT_EQ(box->text(), text(text::kKeysUnreachable));
    EXPECT_EQ(box->button(QMessageBox::Ok)->text(), text(text::kOk));
    QPointer<QMessageBox> first = box;
    dlg().showNotice(text::kKeysUnreachable);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w) != nullptr && w->isVisible()) ++shown;
    EXPECT_EQ(shown, 1) << "a notice again replaces the one shown";
    EXPECT_TRUE(first.isNull());
    dlg().noticeBox()->close();
}

// In a Wayland session the window is full-screen, and the compositor decides its size: the
// view, the overlay and the toolbar panel are laid out for what the window is given, here the
// whole screen after a smaller answer before.
TEST_F(ShellTest, FullScreenIsLaidOutForTheSizeTheWindowIsGiven) {
    placement = platform::WindowPlacement(true);
    ASSERT_TRUE(placement.grant(QRect(0, 0, 640, 480)));
    start();
    settle();
    ASSERT_TRUE(dlg().isVisible());
    EXPECT_TRUE(dlg().windowState() & Qt::WindowFullScreen);
    const QRect screen = dlg().screen()->geometry();
    ASSERT_NE(screen.size(), QSize(640, 480));
    ASSERT_EQ(dlg().geometry(), screen);
    EXPECT_EQ(app().workArea(), screen);
    EXPECT_EQ(dlg().overlay()->size(), screen.size());
    const QRect inside(QPoint(0, 0), screen.size());
    EXPECT_EQ(dlg().videoWindow(0)->geometry(), dlg().viewRect().toQRect());
    EXPECT_EQ(dlg().viewRect().toQRect(), inside.intersected(dlg().viewRect().toQRect()))
        << "the live picture is seen whole";
    EXPECT_GT(dlg().viewRect().width, 640) << "laid out for the screen, not the answer before";
    EXPECT_EQ(dlg().overlay()->panel()->pos(), panel::startPosition(inside))
        << "the panel's handle where the teacher finds it";
}
