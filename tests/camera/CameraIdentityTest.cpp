// Two cameras that report the same serial keep their own calibration and settings; a camera alone
// keeps the file names it always had. And a camera streams only while its live view runs.
#include "FakeStreamCamera.h"
#include "camera/sdk/CameraIdentity.h"
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/V4l2Device.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

#include <thread>

using namespace camera::sdk;
using cameratest::FakeStreamCamera;

namespace {

// Cameras on fake nodes, admitted as the V4L2 backend admits them.
class FakeBackend : public CameraBackend {
public:
    void plug(FakeStreamCamera& cam, const QString& serial, const QString& path) {
        UvcDeviceInfo i;
        i.devnode = cam.node();
        i.vendorId = QStringLiteral("0c45");
        i.productId = QStringLiteral("9102");
        i.serial = serial;
        i.path = path;
        i.driver = QStringLiteral("uvcvideo");
        i.capabilities = QStringLiteral(":capture:");
        m_plugged.push_back({i, &cam});
    }
    int count() override {
        std::vector<UvcDeviceInfo> all;
        for (const auto& p : m_plugged) all.push_back(p.first);
        m_found = admittedCameras(all, false);
        return int(m_found.size());
    }
    std::unique_ptr<CameraDevice> open(int index) override {
        for (const auto& [info, cam] : m_plugged)
            if (info.devnode == m_found.at(size_t(index)).devnode)
                return V4l2Device::open(m_found[size_t(index)], *cam);
        return nullptr;
    }

private:
    std::vector<std::pair<UvcDeviceInfo, FakeStreamCamera*>> m_plugged;
    std::vector<UvcDeviceInfo> m_found;
};

FakeStreamCamera::Options at(const QString& node) {
    FakeStreamCamera::Options o = FakeStreamCamera::yuyv(QSize(16, 8), {30});
    o.node = node;
    return o;
}

const QString kPlain = QStringLiteral("uvc-0c45-9102-KB1");
const QString kPort1 = QStringLiteral("uvc-0c45-9102-KB1-at-pci-0000:00:14.0-usb-0:1:1.0");
const QString kPort2 = QStringLiteral("uvc-0c45-9102-KB1-at-pci-0000:00:14.0-usb-0:2:1.0");

class IdentityTest : public testing::Test {
protected:
    std::unique_ptr<DeviceSdk> session(std::unique_ptr<FakeBackend> backend) {
        auto sdk = std::make_unique<DeviceSdk>(std::move(backend));
        sdk->setDataFolder(folder());
        sdk->countCameras(0);
        return sdk;
    }
    std::unique_ptr<FakeBackend> both() {
        auto b = std::make_unique<FakeBackend>();
        b->plug(first, "KB1", "pci-0000:00:14.0-usb-0:1:1.0");
        b->plug(second, "KB1", "pci-0000:00:14.0-usb-0:2:1.0");
        return b;
    }
    QString folder() const { return dir.path() + "/Kestrane"; }

    testsupport::TempDir dir;
    FakeStreamCamera first{at("/dev/video0")};
    FakeStreamCamera second{at("/dev/video2")};
};

}  // namespace

TEST(CameraIdentity, ThePlaceOnTheBusOnlyWhereTheSerialDoesNotTell) {
    const auto none = [](const QString&) { return false; };
    const auto port = [](const QString& k) { return k == "p"; };
    EXPECT_EQ(CameraIdentity::resolve("s", "p", false, none), (CameraKeys{"s", ""}));
    EXPECT_EQ(CameraIdentity::resolve("s", "p", true, none), (CameraKeys{"p", "s"}));
    EXPECT_EQ(CameraIdentity::resolve("s", "p", true, port), (CameraKeys{"p", ""}));
    // Told apart once, a camera keeps its own files when it is alone again.
    EXPECT_EQ(CameraIdentity::resolve("s", "p", false, port), (CameraKeys{"p", ""}));
    EXPECT_EQ(CameraIdentity::resolve("s", "", true, none), (CameraKeys{"s", ""}));
}

TEST_F(IdentityTest, TwoCamerasWithOneSerialKeepSeparateCalibrationsAndSettings) {
    // One camera of this serial was calibrated before the second came.
    const Corners before{{QPointF(0.1, 0.1), QPointF(0.9, 0.1), QPointF(0.9, 0.9),
                          QPointF(0.1, 0.9)}};
    ASSERT_TRUE(CalibrationStore(folder()).save(kPlain, before));
    {
        auto sdk = session(both());
        const Handle a = sdk->open(nullptr, 0, 0), b = sdk->open(nullptr, 0, 1);
        ASSERT_NE(a, 0);
        ASSERT_NE(b, 0);
        EXPECT_EQ(sdk->keysOf(a), (CameraKeys{kPort1, kPlain}));
        EXPECT_EQ(sdk->keysOf(b), (CameraKeys{kPort2, kPlain}));
        // Both start from what the one had.
        EXPECT_EQ(sdk->corners(a), before);
        EXPECT_EQ(sdk->corners(b), before);
        sdk->moveCorner(a, 0, QPointF(0.2, 0.25));
        sdk->moveCorner(b, 0, QPointF(0.3, 0.35));
        sdk->saveCalibration(a);
        sdk->saveCalibration(b);
        sdk->writeSetting(a, kBrightness, -20, false);
        sdk->writeSetting(b, kBrightness, 30, false);
    }
    auto sdk = session(both());
    const Handle a = sdk->open(nullptr, 0, 0), b = sdk->open(nullptr, 0, 1);
    EXPECT_EQ(sdk->corners(a).p[0], QPointF(0.2, 0.25));
    EXPECT_EQ(sdk->corners(b).p[0], QPointF(0.3, 0.35));
    EXPECT_EQ(sdk->readSetting(a, kBrightness, kQueryCurrent), -20);
    EXPECT_EQ(sdk->readSetting(b, kBrightness, kQueryCurrent), 30);
    EXPECT_EQ(CalibrationStore(folder()).load(kPlain), before) << "the old file is left as it was";
    EXPECT_EQ(SettingsStore(folder()).load(kPort1).values.at(kBrightness), -20);
    EXPECT_EQ(SettingsStore(folder()).load(kPort2).values.at(kBrightness), 30);
    sdk.reset();

    // The first alone again: still its own.
    auto alone = std::make_unique<FakeBackend>();
    alone->plug(first, "KB1", "pci-0000:00:14.0-usb-0:1:1.0");
    sdk = session(std::move(alone));
    const Handle h = sdk->open(nullptr, 0, 0);
    EXPECT_EQ(sdk->keysOf(h).key, kPort1);
    EXPECT_EQ(sdk->corners(h).p[0], QPointF(0.2, 0.25));
}

TEST_F(IdentityTest, ASingleCameraKeepsItsFileNames) {
    auto backend = std::make_unique<FakeBackend>();
    backend->plug(first, "KB1", "pci-0000:00:14.0-usb-0:1:1.0");
    auto sdk = session(std::move(backend));
    const Handle h = sdk->open(nullptr, 0, 0);
    EXPECT_EQ(sdk->keysOf(h), (CameraKeys{kPlain, ""}));
    sdk->saveCalibration(h);
    EXPECT_TRUE(QFile::exists(folder() + "/calibration-uvc-0c45-9102-KB1.txt"));
}

TEST_F(IdentityTest, TheCameraStreamsOnlyWhileItsViewRuns) {
    auto backend = std::make_unique<FakeBackend>();
    backend->plug(first, "KB1", "pci-0000:00:14.0-usb-0:1:1.0");
    auto sdk = session(std::move(backend));
    const Handle h = sdk->open(nullptr, 0, 0);
    const auto waitFor = [&](bool streaming) {
        for (int i = 0; i < 500 && first.streaming() != streaming; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return first.streaming() == streaming;
    };
    EXPECT_FALSE(first.streaming());
    sdk->runView(h, true);
    ASSERT_TRUE(waitFor(true));
    for (int i = 0; i < 1000 && first.dequeued() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(first.dequeued(), 3);
    sdk->runView(h, false);
    ASSERT_TRUE(waitFor(false));
    // Paused: not a frame more is taken from the camera.
    const int taken = first.dequeued();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(first.dequeued(), taken);
    // A snapshot meanwhile streams for its own frame and leaves the camera off.
    QImage target(8, 4, QImage::Format_RGB32);
    EXPECT_TRUE(sdk->snapshotInto(h, target));
    EXPECT_FALSE(first.streaming());
    EXPECT_EQ(first.streamOns(), 2);
}
