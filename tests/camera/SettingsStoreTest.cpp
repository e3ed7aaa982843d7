// Settings kept per camera across an unplug: the simulated camera forgets its values when its
// backend is made anew, as a real camera does without power.
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/SettingsStore.h"
#include "camera/sdk/SimBackend.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <thread>

using namespace camera::sdk;
using testsupport::TempDir;

namespace {

class KeptSettingsTest : public testing::Test {
protected:
    // A freshly plugged camera set: new backend, new SDK session on the same data folder.
    void plug(int cameras = 1, int refused = 0) {
        if (sdk) sdk->shutdown();
        SimOptions o;
        o.cameras = cameras;
        o.frameSize = QSize(64, 48);
        o.refusedSetting = refused;
        sdk = std::make_unique<DeviceSdk>(std::make_unique<SimBackend>(o));
        sdk->start();
        sdk->setDataFolder(folder());
    }
    Handle open(int index = 0) { return sdk->open(nullptr, 0, index); }
    QString folder() const { return dir.path() + "/Kestrane"; }
    QString fileOf(const QString& key) const { return SettingsStore(folder()).pathFor(key); }
    void writeFile(const QString& key, const QByteArray& text) {
        QDir().mkpath(folder());
        QFile f(fileOf(key));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    int current(Handle h, int id) { return sdk->readSetting(h, id, kQueryCurrent); }

    TempDir dir;
    std::unique_ptr<DeviceSdk> sdk;
};

}  // namespace

TEST_F(KeptSettingsTest, ValuesComeBackAfterUnplugAndPlugUntilDefaultsAreRestored) {
    plug();
    Handle h = open();
    sdk->writeSetting(h, kBrightness, 20, false);
    sdk->writeSetting(h, kGamma, 300, false);
    sdk->writeSetting(h, kExposure, 800, false);  // by hand: automatic off
    sdk->close(h);

    plug();
    h = open();
    EXPECT_EQ(current(h, kBrightness), 20);
    EXPECT_EQ(current(h, kGamma), 300);
    EXPECT_EQ(current(h, kExposure), 800);
    EXPECT_EQ(sdk->readSetting(h, kExposure, kQueryAuto), 0);
    EXPECT_EQ(current(h, kContrast), 32);  // never written: the camera's own

    // Automatic exposure switched back on is kept too.
    sdk->writeSetting(h, kExposure, current(h, kExposure), true);
    plug();
    h = open();
    EXPECT_EQ(sdk->readSetting(h, kExposure, kQueryAuto), 1);
    EXPECT_EQ(current(h, kBrightness), 20);

    sdk->restoreDefaults(h);
    EXPECT_FALSE(QFile::exists(fileOf("sim-0")));
    plug();
    h = open();
    EXPECT_EQ(current(h, kBrightness), 0);
    EXPECT_EQ(current(h, kGamma), 100);
}

TEST_F(KeptSettingsTest, EachCameraKeepsItsOwnAndARefusedWriteKeepsWhatTheCameraHas) {
    plug(2, kContrast);
    Handle first = open(0), second = open(1);
    sdk->writeSetting(first, kBrightness, -30, false);
    sdk->writeSetting(second, kBrightness, 40, false);
    sdk->writeSetting(first, kContrast, 60, false);  // refused by the camera
    sdk->restoreDefaults(second);

    plug(2);
    first = open(0);
    second = open(1);
    EXPECT_EQ(current(first, kBrightness), -30);
    EXPECT_EQ(current(first, kContrast), 32);
    EXPECT_EQ(current(second, kBrightness), 0);
    EXPECT_EQ(SettingsStore(folder()).load("sim-0").values.at(kContrast), 32);
}

TEST_F(KeptSettingsTest, DamagedOrStrangeFilesFallBackToTheCamerasOwnValues) {
    const QByteArray damaged[] = {
        "",
        "garbage",
        "ostrely-settings 1\n1 20",          // cut short
        "ostrely-settings 2\n1 20\n",        // another version
        "ostrely-settings 1\n1 20\n1 30\n",  // the same setting twice
        "ostrely-settings 1\n7 20\n",        // no such setting
        "ostrely-settings 1\n1 x\n",
        "ostrely-settings 1\n1 20 5\n",
        "ostrely-settings 1\nauto 2\n",
        "ostrely-settings 1\n1 99999999999\n",
        QByteArray(5000, '1'),
    };
    for (const QByteArray& text : damaged) {
        writeFile("sim-0", text);
        plug();
        const Handle h = open();
        EXPECT_EQ(current(h, kBrightness), 0) << text.constData();
        EXPECT_EQ(sdk->readSetting(h, kExposure, kQueryAuto), 1) << text.constData();
        EXPECT_FALSE(SettingsStore::parse(text)) << text.constData();
    }
    // Values outside the camera's range are left out one by one; the rest still apply.
    writeFile("sim-0", "ostrely-settings 1\n1 9999\n2 40\n4 -5\n8 6000\nauto 0\n");
    plug();
    const Handle h = open();
    EXPECT_EQ(current(h, kBrightness), 0);
    EXPECT_EQ(current(h, kContrast), 40);
    EXPECT_EQ(current(h, kSaturation), 64);
    EXPECT_EQ(current(h, kExposure), 156);
    EXPECT_EQ(sdk->readSetting(h, kExposure, kQueryAuto), 0);  // the flag alone still applies
}

TEST(SettingsStore, FormatReadsBackAndAnUnusableFolderFailsQuietly) {
    KeptSettings s;
    s.values = {{kBrightness, -12}, {kExposure, 300}};
    s.autoExposure = false;
    EXPECT_EQ(SettingsStore::format(s), "ostrely-settings 1\n1 -12\n8 300\nauto 0\n");
    EXPECT_EQ(SettingsStore::parse(SettingsStore::format(s)), s);
    EXPECT_EQ(SettingsStore::parse("ostrely-settings 1\n"), KeptSettings{});

    TempDir dir;
    QFile blocker(dir.file("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const SettingsStore store(dir.file("file") + "/below");
    EXPECT_FALSE(store.save("sim-0", s));
    EXPECT_EQ(store.load("sim-0"), KeptSettings{});
    // A strange identity still names a file inside the folder.
    EXPECT_EQ(SettingsStore("/f").pathFor("../x/y"), "/f/settings-___x_y.txt");
}

namespace {

bool settles(const KeptSettingsWriter& w) {
    for (int i = 0; i < 1000 && w.pending(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return !w.pending();
}

}  // namespace

TEST(KeptSettingsWriter, ADragIsFiledOnceWhenItSettlesAndForgottenWithTheDefaults) {
    TempDir dir;
    SimOptions o;
    o.frameSize = QSize(64, 48);
    DeviceSdk sdk(std::make_unique<SimBackend>(o), std::chrono::milliseconds(200));
    sdk.setDataFolder(dir.path());
    const Handle h = sdk.open(nullptr, 0, 0);
    const QString file = SettingsStore(dir.path()).pathFor("sim-0");
    // A thumb dragged across the trackbar: many writes, no file yet.
    for (int v = -40; v <= 40; v += 2) sdk.writeSetting(h, kBrightness, v, false);
    sdk.writeSetting(h, kContrast, 50, false);
    EXPECT_FALSE(QFile::exists(file));
    ASSERT_TRUE(settles(sdk.keptWriter()));
    EXPECT_EQ(sdk.keptWriter().filesWritten(), 1);
    const KeptSettings kept = SettingsStore(dir.path()).load("sim-0");
    EXPECT_EQ(kept.values.at(kBrightness), 40);
    EXPECT_EQ(kept.values.at(kContrast), 50);

    // The defaults restored while a write still waits: nothing comes back afterwards.
    sdk.writeSetting(h, kGamma, 300, false);
    sdk.restoreDefaults(h);
    EXPECT_FALSE(QFile::exists(file));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(sdk.keptWriter().filesWritten(), 1);
}

TEST(KeptSettingsWriter, WhatIsPendingIsFiledWhenTheCameraCloses) {
    TempDir dir;
    SimOptions o;
    o.frameSize = QSize(64, 48);
    DeviceSdk sdk(std::make_unique<SimBackend>(o), std::chrono::hours(1));
    sdk.setDataFolder(dir.path());
    const Handle h = sdk.open(nullptr, 0, 0);
    sdk.writeSetting(h, kSaturation, 100, false);
    sdk.close(h);
    EXPECT_EQ(SettingsStore(dir.path()).load("sim-0").values.at(kSaturation), 100);
}
