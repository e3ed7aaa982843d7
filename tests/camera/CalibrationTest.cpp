#include "camera/sdk/CalibrationStore.h"
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/SimBackend.h"
#include "camera/sdk/SimScene.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

using camera::sdk::CalibrationStore;
using camera::sdk::Corners;
using camera::sdk::DeviceSdk;
using camera::sdk::SimBackend;
using camera::sdk::SimOptions;
using camera::sdk::SimScene;
using testsupport::TempDir;

namespace {

const QSize kSimFrame(320, 240);
const Corners kSlant{
    {QPointF(0.1, 0.05), QPointF(0.92, 0.1), QPointF(0.95, 0.9), QPointF(0.03, 0.88)}};

void write(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

std::unique_ptr<DeviceSdk> simSdk(const QString& folder) {
    SimOptions o;
    o.cameras = 2;
    o.frameSize = kSimFrame;
    auto sdk = std::make_unique<DeviceSdk>(std::make_unique<SimBackend>(o));
    sdk->setDataFolder(folder);
    return sdk;
}

}  // namespace

TEST(CalibrationStore, SavedCornersComeBackPerCamera) {
    TempDir dir;
    CalibrationStore store(dir.path() + "/Kestrane");
    ASSERT_TRUE(store.save("sim-0", kSlant));
    EXPECT_EQ(store.load("sim-0"), kSlant);
    EXPECT_EQ(store.load("sim-1"), Corners::fullFrame());
}

TEST(CalibrationStore, DamagedFilesFallBackToTheFullFrame) {
    TempDir dir;
    CalibrationStore store(dir.path());
    const QByteArray good = CalibrationStore::format(kSlant);
    const QList<QByteArray> bad = {
        good.left(good.size() / 2),                    // truncated
        good.left(good.size() - 1),                    // last line feed missing
        QByteArray(),                                  // empty
        QByteArray(good).replace("0.92", "nan"),       // not a number
        QByteArray(good).replace("0.92", "1.5"),       // outside the frame
        QByteArray(good).replace("0.92", "-0.1"),      // outside the frame
        QByteArray(good).replace("ostrely", "other"),  // not ours
        good + "0 0\n",                                // a fifth corner
        QByteArray(good).replace(' ', '\t'),           // other separator
        QByteArray(5000, 'x'),                         // garbage
    };
    for (const QByteArray& text : bad) {
        write(store.pathFor("cam"), text);
        EXPECT_EQ(store.load("cam"), Corners::fullFrame()) << text.left(60).toStdString();
    }
}

TEST(CalibrationStore, CameraNamesCannotLeaveTheFolder) {
    CalibrationStore store("/data");
    EXPECT_EQ(store.pathFor("../../etc/passwd"), "/data/calibration-______etc_passwd.txt");
}

TEST(SimCalibration, EditedCornersPersistAcrossRunsOnlyWhenSaved) {
    TempDir dir;
    {
        auto sdk = simSdk(dir.path());
        const auto a = sdk->open(nullptr, 0, 0);
        const auto b = sdk->open(nullptr, 0, 1);
        EXPECT_EQ(sdk->corners(a), SimScene::boardCorners(0, kSimFrame));  // delivered calibrated
        for (int i = 0; i < 4; ++i) sdk->moveCorner(a, i, kSlant.p[i]);
        sdk->moveCorner(b, 0, QPointF(0.2, 0.2));
        EXPECT_EQ(sdk->corners(a), kSlant);  // in effect at once
        sdk->saveCalibration(a);
        sdk->moveCorner(a, 0, QPointF(-3, 7));  // clamped into the frame
        EXPECT_EQ(sdk->corners(a).p[0], QPointF(0, 1));
    }
    auto sdk = simSdk(dir.path());
    EXPECT_EQ(sdk->corners(sdk->open(nullptr, 0, 0)), kSlant);
    EXPECT_EQ(sdk->corners(sdk->open(nullptr, 0, 1)), SimScene::boardCorners(1, kSimFrame));
}

TEST(SimCalibration, TheFactoryCalibrationComesOnceAndADeletedOneLeavesTheFullFrame) {
    TempDir dir;
    const CalibrationStore store(dir.path());
    // A calibration saved before the factory one was ever seen here stays the user's.
    ASSERT_TRUE(store.save("sim-1", kSlant));
    {
        auto sdk = simSdk(dir.path());
        EXPECT_EQ(sdk->corners(sdk->open(nullptr, 0, 0)), SimScene::boardCorners(0, kSimFrame));
        EXPECT_EQ(sdk->corners(sdk->open(nullptr, 0, 1)), kSlant);
    }
    EXPECT_EQ(store.load("sim-0"), SimScene::boardCorners(0, kSimFrame));
    ASSERT_TRUE(QFile::remove(store.pathFor("sim-0")));
    ASSERT_TRUE(QFile::remove(store.pathFor("sim-1")));
    auto sdk = simSdk(dir.path());
    EXPECT_EQ(sdk->corners(sdk->open(nullptr, 0, 0)), Corners::fullFrame());
    EXPECT_EQ(sdk->corners(sdk->open(nullptr, 0, 1)), Corners::fullFrame());
    EXPECT_FALSE(QFile::exists(store.pathFor("sim-0")));  // not put back
}

TEST(SimCalibration, ACorruptFileOpensWithTheFullFrame) {
    TempDir dir;
    write(CalibrationStore(dir.path()).pathFor("sim-0"), "ostrely-calibration 1\n0.1 0.1\n0.9");
    auto sdk = simSdk(dir.path());
    EXPECT_EQ(sdk->corners(sdk->open(nullptr, 0, 0)), Corners::fullFrame());
}
