// The real V4L2 backend, SDK and camera controller against cameras faked at the system-call
// level (the fakeuvc library, preloaded by CTest). Run without the preload, every case skips.
#include "FakeViewWindow.h"
#include "camera/Camera.h"
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/V4l2Backend.h"
#include "camera/sdk/V4l2Device.h"
#include "platform/Message.h"
#include "platform/MessageIds.h"
#include "platform/hid/UdevDeviceMonitor.h"
#include "tests/support/FakeClock.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TempDir.h"
#include "tests/support/fakeuvc/FakeUvcControl.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <linux/videodev2.h>

using namespace camera::sdk;
using cameratest::FakeViewWindow;

namespace {

const QString kCameras = QStringLiteral(OSTRELY_SOURCE_DIR "/tests/support/fakeuvc/cameras/");
constexpr const char* kNode = "/dev/video0";

class FakeUvc : public ::testing::Test {
protected:
    void SetUp() override {
        fake = fakeuvc::Client::find();
        if (!fake.present()) GTEST_SKIP() << "the fake camera library is not preloaded";
    }
    void TearDown() override {
        if (fake.present()) fake.load("");
    }
    // "@name" in a camera line is a description of the cameras folder.
    void script(const QString& text) {
        const QString path = dir.file("script.txt");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QString(text).replace('@', kCameras).toUtf8());
        f.close();
        ASSERT_EQ(fake.load(QFile::encodeName(path).constData()), 0) << text.toStdString();
        loaded.start();
    }
    // Sleeps until ms after the script was loaded, the script's own time.
    void untilMs(int ms) {
        const qint64 left = ms - loaded.elapsed();
        if (left > 0) QThread::msleep(static_cast<unsigned long>(left));
    }
    long stat(const char* what, const char* node = kNode) { return fake.stat(node, what); }
    static UvcDeviceInfo only(bool anyUvc = false) {
        const auto found = admittedCameras(V4l2Backend::enumerate(), anyUvc);
        return found.size() == 1 ? found[0] : UvcDeviceInfo{};
    }
    // Grabs count frames; the number that came.
    static int grab(CameraDevice& d, int count) {
        int got = 0;
        for (int i = 0; i < count; ++i) got += d.grabFrame().isNull() ? 0 : 1;
        return got;
    }

    fakeuvc::Client fake;
    testsupport::TempDir dir;
    QElapsedTimer loaded;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Finding and opening

TEST_F(FakeUvc, UdevIdentityOfTheRecordedCameras) {
    script(
        "camera /dev/video0 @doccam-0c45-9102.desc\n"
        "camera /dev/video2 @webcam-046d-082d.desc\n"
        "camera /dev/video4 @doccam-5mp-1bcf-2c99.desc path=pci-0000:00:14.0-usb-0:7:1.0\n");
    const auto all = V4l2Backend::enumerate();
    ASSERT_EQ(all.size(), 3u);
    const UvcDeviceInfo ours = only();
    EXPECT_EQ(ours.devnode, "/dev/video0");
    EXPECT_EQ(ours.product, "Board Camera");
    EXPECT_EQ(ours.serial, "KB2024001");
    EXPECT_EQ(ours.driver, "uvcvideo");
    EXPECT_EQ(ours.versionText(), QByteArray("Kestrane Board Camera\r\nVersion 1.02\r\n"));
    const auto any = admittedCameras(all, true);
    ASSERT_EQ(any.size(), 3u);
    EXPECT_EQ(any[2].path, "pci-0000:00:14.0-usb-0:7:1.0");
    EXPECT_TRUE(any[2].serial.isEmpty()) << "the 5 MP camera has no serial";
    V4l2Backend backend(true);
    EXPECT_EQ(backend.count(), 3);
}

TEST_F(FakeUvc, StreamsAndDecodesEveryRecordedCamera) {
    for (const char* desc :
         {"doccam-0c45-9102.desc", "webcam-046d-082d.desc", "doccam-5mp-1bcf-2c99.desc"}) {
        SCOPED_TRACE(desc);
        script(QStringLiteral("camera /dev/video0 @%1\n").arg(desc));
        auto dev = V4l2Device::open(only(true));
        ASSERT_TRUE(dev);
        EXPECT_EQ(stat("streamons"), 0) << "nobody looks yet: the camera stays off";
        dev->holdStream(true);
        EXPECT_EQ(stat("streamons"), 1);
        const QImage frame = dev->grabFrame();
        ASSERT_FALSE(frame.isNull());
        EXPECT_EQ(frame.size(), dev->frameSize());
        // Flat grey: the fake's frames are one level each, from 48 up (37 once YUYV is RGB).
        EXPECT_EQ(qRed(frame.pixel(0, 0)),
                  qBlue(frame.pixel(frame.width() - 1, frame.height() - 1)));
        EXPECT_GE(qGray(frame.pixel(0, 0)), 20);
        dev.reset();
        EXPECT_EQ(stat("open_fds"), 0) << "the descriptor is closed";
        EXPECT_EQ(stat("mapped"), 0) << "every buffer is unmapped";
        EXPECT_EQ(stat("streaming"), 0);
    }
}

TEST_F(FakeUvc, SettingsFollowTheRecordedControls) {
    script("camera /dev/video0 @doccam-0c45-9102.desc\n");
    auto dev = V4l2Device::open(only());
    ASSERT_TRUE(dev);
    EXPECT_EQ(dev->readSetting(1, 0), 64);   // brightness maximum
    EXPECT_EQ(dev->readSetting(1, 1), -64);  // minimum
    EXPECT_EQ(dev->readSetting(1, 2), 0);
    dev->writeSetting(1, 20, false);
    EXPECT_EQ(dev->readSetting(1, 2), 20);
    dev->writeSetting(1, 500, false);
    EXPECT_EQ(dev->readSetting(1, 2), 64) << "the driver clamps";
    dev->restoreDefaults();
    EXPECT_EQ(dev->readSetting(1, 2), 0);
}

TEST_F(FakeUvc, AbsurdDescriptionNeitherCrashesNorHangs) {
    testsupport::LogCapture logs;
    script("camera /dev/video0 @broken-0c45-9102.desc\n");
    auto dev = V4l2Device::open(only());
    if (dev) {
        QElapsedTimer t;
        t.start();
        grab(*dev, 3);
        EXPECT_LT(t.elapsed(), 3 * V4l2Device::kFrameWaitMs + 1000);
        // Minimum above maximum: unsupported, and nothing is written.
        EXPECT_GE(dev->readSetting(1, 1), dev->readSetting(1, 0));
        dev->writeSetting(1, 10, false);
        dev->writeSetting(2, 1 << 30, false);
    }
    SUCCEED();
}

// ---------------------------------------------------------------------------------------------
// Faults while streaming

TEST_F(FakeUvc, InterruptedAndRetractedCallsLoseNoFrame) {
    script(
        "camera /dev/video0 @doccam-0c45-9102.desc\n"
        "fault /dev/video0 eintr 3\n"
        "fault /dev/video0 eagain 2\n"
        "fault /dev/video0 interval_ms 20\n");
    auto dev = V4l2Device::open(only());
    ASSERT_TRUE(dev);
    EXPECT_EQ(grab(*dev, 10), 10);
}

TEST_F(FakeUvc, BrokenFramesAreDroppedWithALogLine) {
    struct Case {
        const char* fault;
        const char* words;
    };
    for (const Case c :
         {Case{"error_every", "marked as damaged"}, Case{"empty_every", "empty frame"},
          Case{"overrun_every", "only the buffer"},
          Case{"corrupt_every", "could not be decoded"}}) {
        SCOPED_TRACE(c.fault);
        testsupport::LogCapture logs;
        script(QStringLiteral("camera /dev/video0 @doccam-0c45-9102.desc\n"
                              "fault /dev/video0 %1 2\nfault /dev/video0 interval_ms 20\n")
                   .arg(c.fault));
        auto dev = V4l2Device::open(only());
        ASSERT_TRUE(dev);
        dev->holdStream(true);
        // Every second frame is bad; a grab passes over a marked or empty frame to the next
        // good one, so any share of the grabs may succeed, but some must.
        int got = 0;
        for (int i = 0; i < 12; ++i) {
            got += dev->grabFrame().isNull() ? 0 : 1;
            QThread::msleep(5);
        }
        EXPECT_GT(got, 0);
        EXPECT_FALSE(logs.matching("ostrely.camera", {"/dev/video0", c.words}).isEmpty());
        EXPECT_LE(logs.matching("ostrely.camera", {c.words}).size(), 4) << "no flood";
    }
}

TEST_F(FakeUvc, NoBandwidthAtStreamOnIsReportedAndTheNextOpenWorks) {
    testsupport::LogCapture logs;
    script("camera /dev/video0 @doccam-0c45-9102.desc\nfault /dev/video0 enospc 1\n");
    // The camera opens without streaming; the refusal comes when the stream starts.
    auto dev = V4l2Device::open(only());
    ASSERT_TRUE(dev);
    EXPECT_TRUE(dev->grabFrame().isNull());
    EXPECT_EQ(logs.matching("ostrely.camera", {"VIDIOC_STREAMON", "No space left"}).size(), 1);
    QThread::msleep(V4l2Device::kRestartDelayMs + 100);
    EXPECT_FALSE(dev->grabFrame().isNull()) << "asked again after its delay, the stream starts";
    dev.reset();
    EXPECT_EQ(stat("open_fds"), 0);
    EXPECT_EQ(stat("mapped"), 0) << "nothing left mapped";
}

TEST_F(FakeUvc, CameraVanishingInsideDequeueEndsItsFramesAtOnce) {
    testsupport::LogCapture logs;
    script(
        "camera /dev/video0 @doccam-0c45-9102.desc\n"
        "fault /dev/video0 unplug_after_frames 30\nfault /dev/video0 interval_ms 10\n");
    auto dev = V4l2Device::open(only());
    ASSERT_TRUE(dev);
    dev->holdStream(true);
    EXPECT_EQ(grab(*dev, 1), 1);
    int tries = 0;
    while (!dev->grabFrame().isNull() && tries < 100) ++tries;
    EXPECT_LT(tries, 100) << "the camera never went";
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(grab(*dev, 5), 0);
    EXPECT_LT(t.elapsed(), V4l2Device::kFrameWaitMs) << "a gone camera is not waited for";
    EXPECT_EQ(logs.matching("ostrely.camera", {"/dev/video0", "VIDIOC_DQBUF"}).size() +
                  logs.matching("ostrely.camera", {"/dev/video0", "the stream ended"}).size(),
              1)
        << "one line for the camera going";
    dev->readSetting(1, 2);
    dev->writeSetting(1, 5, false);
    dev.reset();
    EXPECT_EQ(stat("open_fds"), 0);
    EXPECT_EQ(stat("mapped"), 0);
    EXPECT_EQ(V4l2Backend::enumerate().size(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Arrival

TEST_F(FakeUvc, LateNodeAndLateRightsAreSeenInOrder) {
    testsupport::LogCapture logs;
    script(
        "camera /dev/video0 @doccam-0c45-9102.desc\n"
        "at 0 usb-add /dev/video0\n"
        "at 300 node-add /dev/video0\n"
        "at 1500 rights /dev/video0\n");
    V4l2Backend backend(false);
    EXPECT_EQ(backend.count(), 0) << "no node yet";
    untilMs(400);
    ASSERT_EQ(backend.count(), 1);
    EXPECT_FALSE(backend.open(0));
    EXPECT_EQ(logs.matching("ostrely.camera", {"/dev/video0", "Permission denied"}).size(), 1);
    untilMs(1600);
    EXPECT_TRUE(backend.open(0));
}

TEST_F(FakeUvc, MonitorTellsTheUsbDeviceThenItsCaptureNodeAndBothRemovals) {
    script(
        "camera /dev/video0 @doccam-0c45-9102.desc\n"
        "camera /dev/video2 @webcam-046d-082d.desc\n"
        "at 50 usb-add /dev/video0\n"
        "at 150 node-add /dev/video0\n"
        "at 200 usb-add /dev/video2\n"
        "at 250 node-add /dev/video2\n"
        "at 400 unplug /dev/video0\n");
    testsupport::MessageRecorder rec;
    {
        platform::hid::UdevDeviceMonitor monitor(false, true);
        ASSERT_TRUE(monitor.start(&rec));
        ASSERT_TRUE(testsupport::MessageRecorder::waitUntil(
            [&] { return rec.of(msg::kDeviceChange).size() >= 6; }, 5000));
    }
    QStringList seen;
    for (const auto& m : rec.of(msg::kDeviceChange))
        seen << QStringLiteral("%1 %2").arg(m.wParam == msg::kDeviceArrival ? "+" : "-",
                                            m.text.section('#', 1, 2));
    EXPECT_EQ(seen, (QStringList{"+ VID_0C45&PID_9102#1&1", "+ VID_0C45&PID_9102#VIDEO0",
                                 "+ VID_046D&PID_082D#1&2", "+ VID_046D&PID_082D#VIDEO2",
                                 "- VID_0C45&PID_9102#VIDEO0", "- VID_0C45&PID_9102#1&1"}));
}

// ---------------------------------------------------------------------------------------------
// The controller on the fake camera

namespace {

class Receiver : public QObject {
public:
    bool event(QEvent* e) override {
        if (const auto* m = platform::asMessage(e, msg::kPictureReady)) {
            numbers.push_back(long(m->wParam));
            return true;
        }
        return QObject::event(e);
    }
    std::vector<long> numbers;
};

class FakeUvcController : public FakeUvc {
protected:
    void start() {
        CameraServices s;
        s.makeSdk = [](const QString&) {
            return std::make_unique<DeviceSdk>(std::make_unique<V4l2Backend>(false));
        };
        s.tempFolder = [this] { return temp.path(); };
        s.commonAppDataFolder = [this] { return appData.path(); };
        s.clock = &clock;
        cam = std::make_unique<CCamera>(s);
        host.receiver = &receiver;
        cam->setHost(&host);
        cam->Init();
        cam->OpenCameras(&a, &b, {0, 0, 640, 480}, false);
    }
    int framesShown() {
        std::lock_guard lock(a.m);
        return a.frames;
    }
    long capture() {
        const size_t before = receiver.numbers.size();
        cam->TakePic(2);
        testsupport::MessageRecorder::waitUntil([&] { return receiver.numbers.size() > before; });
        cam->waitForCaptures();
        return receiver.numbers.size() > before ? receiver.numbers.back() : -1;
    }

    testsupport::TempDir temp, appData;
    testsupport::FakeClock clock;
    camera::CameraHostState host;
    Receiver receiver;
    FakeViewWindow a, b;
    std::unique_ptr<CCamera> cam;
};

}  // namespace

TEST_F(FakeUvcController, LiveViewAndCaptureThenUnplugWhileStreaming) {
    script("camera /dev/video0 @doccam-0c45-9102.desc\n");
    start();
    ASSERT_EQ(cam->cameras().size(), 1u);
    ASSERT_TRUE(testsupport::MessageRecorder::waitUntil([&] { return framesShown() >= 3; }, 5000));
    EXPECT_EQ(capture(), 1);

    fake.unplug(kNode);
    QThread::msleep(100);
    const int shown = framesShown();
    QThread::msleep(200);
    EXPECT_EQ(framesShown(), shown) << "nothing is drawn from a gone camera";
    EXPECT_EQ(capture(), 0) << "a capture from a gone camera reports no picture";
    cam->Reinit();
    EXPECT_EQ(cam->CameraCount(), 0);
    EXPECT_TRUE(cam->cameras().empty());
    EXPECT_FALSE(a.shown) << "the view shows no camera";
}

TEST_F(FakeUvcController, UnplugDuringACapture) {
    // No frame ever comes, so only the unplug can end the capture's wait before its time-out.
    script("camera /dev/video0 @doccam-0c45-9102.desc\nfault /dev/video0 interval_ms 100000\n");
    start();
    ASSERT_EQ(cam->cameras().size(), 1u);
    host.shown = false;
    const size_t before = receiver.numbers.size();
    QElapsedTimer t;
    t.start();
    cam->TakePic(2);
    QThread::msleep(50);
    fake.unplug(kNode);
    ASSERT_TRUE(
        testsupport::MessageRecorder::waitUntil([&] { return receiver.numbers.size() > before; }));
    EXPECT_LT(t.elapsed(), V4l2Device::kFrameWaitMs - 500);
    cam->waitForCaptures();
    EXPECT_EQ(receiver.numbers.back(), 0);
    EXPECT_EQ(cam->pictureCounter(), 0);
}

TEST_F(FakeUvcController, CameraWhoseNodeComesLateOpensOnceItsRightsDo) {
    script(
        "camera /dev/video0 @doccam-0c45-9102.desc\n"
        "at 0 usb-add /dev/video0\n"
        "at 300 node-add /dev/video0\n"
        "at 1500 rights /dev/video0\n");
    start();
    EXPECT_TRUE(cam->cameras().empty()) << "arrived, but no node yet";
    untilMs(400);
    cam->Reinit();
    EXPECT_EQ(cam->CameraCount(), 1);
    EXPECT_TRUE(cam->cameras().empty()) << "the node is there but not ours to open yet";
    untilMs(1600);
    cam->Reinit();
    ASSERT_EQ(cam->cameras().size(), 1u);
    EXPECT_TRUE(a.shown);
    EXPECT_TRUE(testsupport::MessageRecorder::waitUntil([&] { return framesShown() >= 1; }, 5000));
}
