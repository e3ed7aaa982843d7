#include "FakeSdk.h"
#include "FakeViewWindow.h"
#include "camera/Camera.h"
#include "camera/sdk/V4l2Backend.h"
#include "tests/support/FakeClock.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>

using camera::DisplayRect;
using cameratest::FakeSdk;
using cameratest::FakeViewWindow;
using testing::Contains;
using testing::ElementsAre;
using testing::Not;

namespace {

class ControllerTest : public testing::Test {
protected:
    // The controller with a fake SDK of `count` cameras; the fake stays reachable through sdk.
    void make(int count) {
        auto fake = std::make_unique<FakeSdk>(count);
        sdk = fake.get();
        CameraServices s;
        s.makeSdk = [&fake](const QString&) { return std::move(fake); };
        s.tempFolder = [this] { return temp.path(); };
        s.commonAppDataFolder = [this] { return appData.path(); };
        s.clock = &clock;
        cam = std::make_unique<CCamera>(s);
        cam->setHost(&host);
        cam->textSource = [](int id) { return QString("t%1").arg(id); };
        cam->Init();
    }

    testsupport::TempDir temp, appData;
    testsupport::FakeClock clock;
    camera::CameraHostState host;
    FakeSdk* sdk = nullptr;
    std::unique_ptr<CCamera> cam;
    FakeViewWindow a, b;
    const DisplayRect viewRect{10, 20, 300, 200};
};

camera::sdk::Corners notConvex() {
    return camera::sdk::Corners{{QPointF(0, 0), QPointF(1, 1), QPointF(1, 0), QPointF(0, 1)}};
}

}  // namespace

TEST_F(ControllerTest, InitStartsTheSdkInOrderAndEmptiesTheStore) {
    QDir().mkpath(temp.path() + "/KBCamera/image/old");
    make(2);
    EXPECT_THAT(sdk->calls(),
                ElementsAre("start", "folder " + (appData.path() + "/Kestrane").toStdString(),
                            "context", "device 77 realtek", "apply 77", "count 0"));
    EXPECT_EQ(cam->CameraCount(), 2);
    EXPECT_EQ(cam->pictureCounter(), 0);
    EXPECT_FALSE(QFileInfo::exists(temp.path() + "/KBCamera/image/old"));
    EXPECT_TRUE(QFileInfo(temp.path() + "/KBCamera/thumb").isDir());
}

TEST_F(ControllerTest, OpeningOneCameraPlacesAndPausesItsView) {
    make(1);
    sdk->clearCalls();
    host.area = QRect(0, 0, 1920, 1040);
    cam->OpenCameras(&a, &b, viewRect);
    EXPECT_THAT(sdk->calls(),
                ElementsAre("open 0 -> 10", "run 10 1", "place 10 1384x1039", "run 10 0"));
    EXPECT_EQ(a.rect, (DisplayRect{268, 0, 1384, 1039}));
    EXPECT_TRUE(a.shown);
    EXPECT_FALSE(b.shown);
    EXPECT_EQ(cam->currentCamera(), 10);
    EXPECT_THAT(cam->cameras(), ElementsAre(10));
}

TEST_F(ControllerTest, WithoutACalibrationTheViewRectIsUsed) {
    make(2);
    sdk->cam(0).corners = notConvex();
    sdk->cam(1).corners = notConvex();
    cam->OpenCameras(&a, &b, viewRect);
    EXPECT_EQ(a.rect, viewRect);
    EXPECT_EQ(b.rect, viewRect);
    EXPECT_FALSE(b.shown);
}

TEST_F(ControllerTest, SwapFlagMakesTheSecondCameraFirstAndCurrent) {
    make(2);
    host.swap = true;
    cam->OpenCameras(&a, &b, viewRect);
    EXPECT_THAT(cam->cameras(), ElementsAre(11, 10));
    EXPECT_THAT(cam->windows(), ElementsAre(&b, &a));
    EXPECT_EQ(cam->currentCamera(), 11);
    cam->SwapCameras();  // the current camera stays
    EXPECT_THAT(cam->cameras(), ElementsAre(10, 11));
    EXPECT_EQ(cam->currentCamera(), 11);
}

// A camera that does not open is left out, with a line saying so, and nothing is sent to it.
TEST_F(ControllerTest, ACameraThatDoesNotOpenIsNotKept) {
    make(2);
    sdk->refused = {0};
    testsupport::LogCapture log;
    host.swap = true;
    cam->OpenCameras(&a, &b, viewRect);
    EXPECT_THAT(cam->cameras(), ElementsAre(11));
    EXPECT_THAT(cam->windows(), ElementsAre(&b));
    EXPECT_EQ(cam->currentCamera(), 0);
    EXPECT_FALSE(a.shown);
    EXPECT_EQ(log.matching("ostrely.camera", {"camera 1 of 2", "did not open"}).size(), 1)
        << log.lines().join('\n').toStdString();
    for (const std::string& call : sdk->calls()) {
        EXPECT_EQ(call.find("run 0"), std::string::npos) << call;
        EXPECT_EQ(call.find("place 0"), std::string::npos) << call;
    }

    // The second one failing: the first is kept and current; there is nothing to swap with.
    cam->CloseCameras();
    sdk->refused = {1};
    cam->OpenCameras(&a, &b, viewRect);
    EXPECT_THAT(cam->cameras(), ElementsAre(10));
    EXPECT_EQ(cam->currentCamera(), 10);
    EXPECT_EQ(log.matching("ostrely.camera", {"camera 2 of 2", "did not open"}).size(), 1);

    // Nothing open at all: a capture has no camera to take from, and no handle 0 is used.
    cam->CloseCameras();
    sdk->refused = {0, 1};
    cam->OpenCameras(&a, &b, viewRect);
    EXPECT_TRUE(cam->cameras().empty());
    EXPECT_EQ(cam->DeviceVersion(0), "errror");
}

TEST_F(ControllerTest, ReinitClosesRestartsAfter250msAndReopens) {
    make(2);
    cam->OpenCameras(&a, &b, viewRect);
    sdk->clearCalls();
    const auto before = clock.nowMs();
    cam->Reinit();
    EXPECT_EQ(clock.nowMs() - before, 250);
    const auto calls = sdk->calls();
    ASSERT_GE(calls.size(), 8u);
    EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 7),
                ElementsAre("close 10", "close 11", "shutdown", "shutdown", "start",
                            "folder " + (appData.path() + "/Kestrane").toStdString(), "count 0"));
    EXPECT_THAT(calls, Not(Contains("context")));
    // Reopened; the first view keeps running after a restart.
    EXPECT_THAT(cam->cameras(), ElementsAre(110, 111));
    EXPECT_THAT(calls, Not(Contains("run 110 0")));
    EXPECT_TRUE(a.shown);
    EXPECT_FALSE(b.shown);
    EXPECT_TRUE(cam->ready());

    sdk->setCount(0);  // the last camera went
    cam->Reinit();
    EXPECT_TRUE(cam->cameras().empty());
    EXPECT_FALSE(a.shown);
}

TEST_F(ControllerTest, CalibrationGoesToTheCurrentCameraOrBothInDualScreen) {
    make(2);
    cam->OpenCameras(&a, &b, viewRect);
    sdk->clearCalls();
    cam->StartCalibration();
    EXPECT_THAT(sdk->calls(), ElementsAre("edit 10 1", "colours 10 255 65280",
                                          "labels 10 t20047,t20048,t20049,t20050"));
    host.dual = true;
    sdk->clearCalls();
    cam->SaveCalibration();
    cam->EndCalibration();
    EXPECT_THAT(sdk->calls(), ElementsAre("save 10", "save 11", "edit 10 0", "edit 11 0"));
}

TEST_F(ControllerTest, SettingsAndAutomaticExposure) {
    make(2);
    cam->OpenCameras(&a, &b, viewRect);
    sdk->cam(0).settings[8] = 333;
    sdk->clearCalls();
    cam->SetSetting(1, 5);
    cam->SetExposureAuto(true);
    EXPECT_THAT(sdk->calls(), ElementsAre("write 10 1 5 0", "write 10 8 333 1"));
    host.dual = true;
    sdk->clearCalls();
    cam->SetSetting(2, 7);
    EXPECT_THAT(sdk->calls(), ElementsAre("write 10 2 7 0", "write 11 2 7 0"));
}

TEST_F(ControllerTest, PreviewRectsFollowTheCalibrationAndTheHost) {
    make(2);
    host.area = QRect(0, 0, 1920, 1080);
    cam->OpenCameras(&a, &b, viewRect);
    DisplayRect r, l;
    ASSERT_TRUE(cam->PreviewRect(10, &r));
    EXPECT_EQ(r.height, 1080);
    EXPECT_FALSE(cam->DualPreviewRects(&l, &r));  // dual-screen is off
    host.dual = true;
    ASSERT_TRUE(cam->DualPreviewRects(&l, &r));
    EXPECT_EQ(l, (DisplayRect{0, 180, 960, 720}));
    EXPECT_EQ(r, (DisplayRect{960, 180, 960, 720}));
    cam->SwapCameras();
    DisplayRect l2, r2;
    ASSERT_TRUE(cam->DualPreviewRects(&l2, &r2));
    EXPECT_EQ(l2, l);
    sdk->cam(1).corners = notConvex();
    EXPECT_FALSE(cam->DualPreviewRects(&l, &r));
    EXPECT_FALSE(cam->PreviewRect(11, &r));
    int w = 0, h = 0;
    EXPECT_TRUE(cam->CorrectedSize(10, &w, &h));
    EXPECT_EQ(QSize(w, h), QSize(1600, 1200));
}

TEST_F(ControllerTest, CorrectedSizeTakesTheFrameSizeOfTheFirstCamera) {
    make(2);
    sdk->cam(0).size = QSize(1000, 800);
    sdk->cam(1).size = QSize(4000, 3000);
    cam->OpenCameras(&a, &b, viewRect);
    int w = 0, h = 0;
    ASSERT_TRUE(cam->CorrectedSize(11, &w, &h));
    EXPECT_EQ(QSize(w, h), QSize(1000, 800));
}

TEST_F(ControllerTest, DeviceVersionJoinsLinesAndNamesAnEmptyText) {
    make(2);
    sdk->cam(0).version = "Line one\r\nLine two\r\n";
    sdk->cam(1).version = "";
    cam->OpenCameras(&a, &b, viewRect);
    EXPECT_EQ(cam->DeviceVersion(0), "Line oneLine two");
    EXPECT_EQ(cam->DeviceVersion(1), "errror");
    EXPECT_EQ(cam->DeviceVersion(2), "errror");  // no such camera
    sdk->cam(0).version = "\nbare\nfeeds";
    EXPECT_EQ(cam->DeviceVersion(0), "barefeeds");
}

TEST(ControllerDefaults, UnsetBackendIsV4l2AndFindsNoCameraHere) {
    testsupport::TempDir temp, appData;
    qunsetenv("OSTRELY_CAMERA");
    CameraServices s;
    s.tempFolder = [&] { return temp.path(); };
    s.commonAppDataFolder = [&] { return appData.path(); };
    CCamera cam(s);
    EXPECT_TRUE(cam.Init());
    // None here; on a machine with our camera plugged in, that one.
    const auto attached =
        camera::sdk::admittedCameras(camera::sdk::V4l2Backend::enumerate(), false);
    EXPECT_EQ(cam.CameraCount(), static_cast<int>(attached.size()));
}

TEST(ControllerDefaults, TheEnvironmentChoosesOneOrTwoSimulatedCameras) {
    testsupport::TempDir temp, appData;
    CameraServices s;
    s.tempFolder = [&] { return temp.path(); };
    s.commonAppDataFolder = [&] { return appData.path(); };
    for (const auto& [name, count] : {std::pair{"sim", 1}, std::pair{"sim2", 2}}) {
        qputenv("OSTRELY_CAMERA", name);
        CCamera cam(s);
        cam.Init();
        EXPECT_EQ(cam.CameraCount(), count) << name;
    }
    qunsetenv("OSTRELY_CAMERA");
}
