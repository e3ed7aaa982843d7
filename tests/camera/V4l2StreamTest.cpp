// The V4L2 camera on a camera behind its system calls: it streams only while someone needs frames,
// never makes a settings call wait for a frame, shows late frames of a slow camera instead of
// throwing them away, sets the rate it chose, and gets past frames and devices that lie.
#include "FakeStreamCamera.h"
#include "camera/sdk/CameraSdk.h"
#include "camera/sdk/V4l2Device.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <atomic>
#include <thread>

using namespace camera::sdk;
using cameratest::FakeStreamCamera;
using Fault = FakeStreamCamera::Fault;

namespace {

const QSize kSmall(16, 8);

UvcDeviceInfo nodeInfo() {
    UvcDeviceInfo i;
    i.devnode = QStringLiteral("/dev/video0");
    i.vendorId = QStringLiteral("0c45");
    i.productId = QStringLiteral("9102");
    i.serial = QStringLiteral("KB1");
    return i;
}

FakeStreamCamera::Options camAt(int fps, int latencyMs = 0) {
    FakeStreamCamera::Options o = FakeStreamCamera::yuyv(kSmall, {fps});
    o.latencyMs = latencyMs;
    return o;
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

TEST(V4l2Stream, StreamsOnlyWhileHeldOrForASingleFrame) {
    FakeStreamCamera cam(camAt(30));
    auto dev = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(dev);
    EXPECT_FALSE(cam.streaming()) << "opening alone does not start the camera";

    // A capture with nobody looking: the stream runs for its frame and stops again.
    const QImage one = dev->grabFrame();
    EXPECT_EQ(one.size(), kSmall);
    EXPECT_FALSE(cam.streaming());
    EXPECT_EQ(cam.streamOns(), 1);

    dev->holdStream(true);
    EXPECT_TRUE(cam.streaming());
    EXPECT_FALSE(dev->grabFrame().isNull());
    EXPECT_FALSE(dev->grabFrame().isNull());
    EXPECT_EQ(cam.streamOns(), 2) << "a held stream is not restarted per frame";

    dev->holdStream(true);  // a second holder: one release leaves it running
    dev->holdStream(false);
    EXPECT_TRUE(cam.streaming());
    dev->holdStream(false);
    EXPECT_FALSE(cam.streaming());
    dev->holdStream(false);  // one release too many changes nothing
    EXPECT_FALSE(dev->grabFrame().isNull());
    EXPECT_FALSE(cam.streaming());
}

TEST(V4l2Stream, TheChosenRateIsSetOnTheCamera) {
    FakeStreamCamera cam(FakeStreamCamera::yuyv(kSmall, {60, 30, 15}));
    testsupport::LogCapture log;
    auto dev = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(dev);
    EXPECT_EQ(cam.interval(), (FrameInterval{1, 30}));
    EXPECT_EQ(dev->frameIntervalUs(), 33'333);
    // What was chosen and why, for whoever reads the log.
    EXPECT_EQ(log.matching("ostrely.camera", {"/dev/video0", "YUYV 16x8 at 30.0 fps", "keeps"})
                  .size(),
              1)
        << log.lines().join('\n').toStdString();
}

TEST(V4l2Stream, SettingsCallsDoNotWaitForAFrame) {
    FakeStreamCamera::Options o = camAt(30);
    o.stopAfter = 0;  // a camera that sends nothing: a grab waits its full time
    FakeStreamCamera cam(o);
    auto dev = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(dev);
    dev->holdStream(true);
    std::atomic<bool> grabbed{false};
    std::thread grabber([&] {
        dev->grabFrame();
        grabbed = true;
    });
    for (int i = 0; i < 5000 && !cam.waiting(); ++i) sleepMs(1);
    if (!cam.waiting()) {
        cam.unplug();
        grabber.join();
        FAIL() << "the grab never came to wait";
    }
    // Answered while the grab still waits for its frame.
    EXPECT_EQ(dev->readSetting(kContrast, kQueryMax), 64);
    dev->writeSetting(kBrightness, 12, false);
    EXPECT_EQ(dev->readSetting(kBrightness, kQueryCurrent), 12);
    dev->restoreDefaults();
    EXPECT_FALSE(grabbed.load());
    cam.unplug();  // ends the wait
    grabber.join();
    EXPECT_TRUE(grabbed.load());
}

TEST(V4l2Stream, FramesOfASlowCameraAreShownHoweverOldTheyArrive) {
    // 300 ms from exposure to delivery, as with a long exposure in a dim room.
    FakeStreamCamera cam(camAt(10, 300));
    auto dev = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(dev);
    dev->holdStream(true);
    int last = FakeStreamCamera::seqOf(dev->grabFrame());
    ASSERT_GE(last, 0);
    int skipped = 0;
    for (int i = 0; i < 6; ++i) {
        const int seq = FakeStreamCamera::seqOf(dev->grabFrame());
        ASSERT_GT(seq, last);
        skipped += seq - last - 1;
        last = seq;
    }
    // Each frame is the one after the last: none is given up for being old. (A stall of the
    // machine may let one go by.)
    EXPECT_LE(skipped, 1);
}

TEST(V4l2Stream, AFrameLeftFromAPauseGivesWayToANewerOne) {
    FakeStreamCamera cam(camAt(20));
    auto dev = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(dev);
    dev->holdStream(true);
    ASSERT_EQ(FakeStreamCamera::seqOf(dev->grabFrame()), 0);
    // Nobody asks: the four buffers fill with frames 1 to 4 and the camera loses the rest.
    sleepMs(450);
    EXPECT_GE(FakeStreamCamera::seqOf(dev->grabFrame()), 5);
}

TEST(V4l2Stream, TheNewestFrameIsKeptWhenNoNewerComes) {
    FakeStreamCamera::Options o = camAt(20);
    o.stopAfter = 3;
    FakeStreamCamera cam(o);
    auto dev = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(dev);
    dev->holdStream(true);
    sleepMs(400);  // frames 0 to 2 wait in the queue, long past their time
    EXPECT_EQ(FakeStreamCamera::seqOf(dev->grabFrame()), 2);
}

TEST(V4l2Stream, BrokenFramesArePassedOverWithOneLineEach) {
    FakeStreamCamera::Options o = camAt(60);
    o.fault = [](int seq) {
        switch (seq % 6) {
            case 0: return Fault::Damaged;
            case 1: return Fault::Empty;
            case 2: return Fault::Garbage;
            case 3: return Fault::PastBuffer;
            default: return Fault::None;
        }
    };
    FakeStreamCamera cam(o);
    auto dev = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(dev);
    testsupport::LogCapture log;
    dev->holdStream(true);
    for (int i = 0; i < 8; ++i) {
        // A frame that says it is larger than its buffer is read as far as the buffer goes.
        const QImage f = dev->grabFrame();
        ASSERT_FALSE(f.isNull()) << i;
        EXPECT_GE(FakeStreamCamera::seqOf(f) % 6, 3) << i;
    }
    for (const char* what : {"marked as damaged", "an empty frame", "could not be decoded",
                                "in a buffer of"})
        EXPECT_EQ(log.matching("ostrely.camera", {"/dev/video0", what}).size(), 1)
            << what << "\n" << log.lines().join('\n').toStdString();
}

TEST(V4l2Stream, ARefusedStartAndAnUnpluggedCameraSayWhyAndGiveNoFrame) {
    FakeStreamCamera::Options o = camAt(30);
    o.streamOnErrno = ENOSPC;
    FakeStreamCamera busy(o);
    auto dev = V4l2Device::open(nodeInfo(), busy);
    ASSERT_TRUE(dev);
    testsupport::LogCapture log;
    EXPECT_TRUE(dev->grabFrame().isNull());
    EXPECT_EQ(log.matching("ostrely.camera", {"/dev/video0", "STREAMON", "no room"}).size(), 1);
    dev->holdStream(true);
    EXPECT_TRUE(dev->grabFrame().isNull());
    // The live view asks again only after a while, not at its frame rate.
    EXPECT_EQ(log.matching("ostrely.camera", {"STREAMON"}).size(), 2);

    FakeStreamCamera cam(camAt(30));
    auto live = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(live);
    live->holdStream(true);
    ASSERT_FALSE(live->grabFrame().isNull());
    cam.unplug();
    EXPECT_TRUE(live->grabFrame().isNull());
    EXPECT_TRUE(live->grabFrame().isNull());
    EXPECT_EQ(live->readSetting(kBrightness, kQueryMax), 0);
    EXPECT_GE(log.matching("ostrely.camera", {"/dev/video0", "No such device"}).size(), 1);
    live->holdStream(false);
}

TEST(V4l2Stream, AbsurdRatesAreLoggedAndLeftOut) {
    FakeStreamCamera::Options o = FakeStreamCamera::yuyv(kSmall, {});
    o.formats[0].intervals = {{0, 30}, {1, 0}, {1, 25}};
    FakeStreamCamera cam(o);
    testsupport::LogCapture log;
    auto dev = V4l2Device::open(nodeInfo(), cam);
    ASSERT_TRUE(dev);
    EXPECT_EQ(cam.interval(), (FrameInterval{1, 25}));
    EXPECT_EQ(log.matching("ostrely.camera", {"/dev/video0", "0/30", "left out"}).size(), 1)
        << log.lines().join('\n').toStdString();
}
