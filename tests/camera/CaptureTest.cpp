#include "FakeSdk.h"
#include "FakeViewWindow.h"
#include "camera/Camera.h"
#include "camera/CameraGeometry.h"
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/SimBackend.h"
#include "camera/sdk/SimScene.h"
#include "platform/Message.h"
#include "platform/MessageIds.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/LogCapture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <semaphore>

using camera::DisplayRect;
using camera::sdk::SimScene;
using cameratest::FakeSdk;
using cameratest::FakeViewWindow;

namespace {

// Stands in for the main dialog: counts picture-ready messages.
class Receiver : public QObject {
public:
    bool event(QEvent* e) override {
        if (const auto* m = platform::asMessage(e, msg::kPictureReady)) {
            messages.push_back({long(m->wParam), long(m->lParam)});
            if (onReady) onReady();
            return true;
        }
        return QObject::event(e);
    }
    std::vector<std::pair<long, long>> messages;
    std::function<void()> onReady;
};

class CaptureTest : public testing::Test {
protected:
    void make(std::unique_ptr<camera::sdk::CameraSdk> made) {
        auto holder = std::make_shared<std::unique_ptr<camera::sdk::CameraSdk>>(std::move(made));
        CameraServices s;
        s.makeSdk = [holder](const QString&) { return std::move(*holder); };
        s.tempFolder = [this] { return temp.path(); };
        s.commonAppDataFolder = [this] { return appData.path(); };
        s.clock = &clock;
        cam = std::make_unique<CCamera>(s);
        host.receiver = &receiver;
        cam->setHost(&host);
        cam->Init();
        cam->OpenCameras(&a, &b, {0, 0, 640, 480});
    }
    FakeSdk* makeFake(int count) {
        auto fake = std::make_unique<FakeSdk>(count);
        FakeSdk* raw = fake.get();
        fake->cam(0).colour = Qt::red;
        fake->cam(1).colour = Qt::blue;
        fake->cam(0).size = fake->cam(1).size = QSize(1024, 768);
        make(std::move(fake));
        return raw;
    }
    // Takes a picture and waits until the worker has reported and ended.
    int capture(int tag) {
        const size_t before = receiver.messages.size();
        const int n = cam->TakePic(tag);
        QElapsedTimer t;
        t.start();
        while (receiver.messages.size() == before && t.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        cam->waitForCaptures();
        QCoreApplication::processEvents();
        return n;
    }
    QString image(const QString& name) const { return temp.path() + "/KBCamera/image/" + name; }
    QString thumb(const QString& name) const { return temp.path() + "/KBCamera/thumb/" + name; }

    testsupport::TempDir temp, appData;
    testsupport::FakeClock clock;
    camera::CameraHostState host;
    Receiver receiver;
    FakeViewWindow a, b;
    std::unique_ptr<CCamera> cam;
};

double meanGray(const QImage& img) {
    double sum = 0;
    for (int y = 0; y < img.height(); y += 4)
        for (int x = 0; x < img.width(); x += 4) sum += qGray(img.pixel(x, y));
    return sum / (((img.height() + 3) / 4) * ((img.width() + 3) / 4));
}

std::pair<long, long> ready(long n, long tag) {
    return {n, tag};
}

// Hidden ones too: that is where temporary files would stay.
QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

}  // namespace

TEST_F(CaptureTest, SimulatedCameraCaptureStoresPictureAndThumbnail) {
    camera::sdk::SimOptions o;
    o.frameSize = QSize(800, 600);
    make(std::make_unique<camera::sdk::DeviceSdk>(std::make_unique<camera::sdk::SimBackend>(o)));
    host.shown = false;  // the paused view stays paused: the snapshot streams for itself
    EXPECT_EQ(capture(2), 1);
    EXPECT_EQ(receiver.messages, (std::vector{ready(1, 2)}));
    EXPECT_EQ(cam->pictureCounter(), 1);

    QImageReader jpg(image("0000000001.jpg"));
    EXPECT_EQ(jpg.format(), "jpeg");
    // Calibrated from the factory: the board alone, in its true 4:3.
    EXPECT_EQ(jpg.size(), QSize(736, 552));
    EXPECT_GT(meanGray(QImage(image("0000000001.jpg"))), 200);  // the light board, no dark wall
    const QImage t(thumb("0000000001.bmp"), "BMP");
    EXPECT_EQ(t.size(), QSize(180, 180));
    EXPECT_FALSE(QFile::exists(image("0000000001.bmp")));  // the snapshot is gone
    QString pic, th;
    EXPECT_TRUE(cam->PictureExists(1, &pic, &th));
    EXPECT_EQ(pic, image("0000000001.jpg"));
    EXPECT_TRUE(QFile::exists(th));
    EXPECT_EQ(QDir(temp.path() + "/KBCamera/image").entryList(QDir::Files).size(), 1);
}

TEST_F(CaptureTest, TwoCamerasAreTwiceTheSmallerWidthWithEntryZeroLeft) {
    FakeSdk* sdk = makeFake(2);
    // Camera 1 calibrated 16 pixels in at the sides and 24 at top and bottom: 992 × 720.
    sdk->cam(1).corners =
        camera::sdk::Corners{{QPointF(0.015625, 0.03125), QPointF(0.984375, 0.03125),
                              QPointF(0.984375, 0.96875), QPointF(0.015625, 0.96875)}};
    host.dual = true;
    EXPECT_EQ(capture(0), 1);
    QImage pic(image("0000000001.jpg"));
    ASSERT_EQ(pic.size(), QSize(2 * 992, 720));
    EXPECT_GT(qRed(pic.pixel(400, 360)), 200);
    EXPECT_GT(qBlue(pic.pixel(1500, 360)), 200);
    EXPECT_FALSE(QFile::exists(image("0000000001_1_1.bmp")));
    EXPECT_FALSE(QFile::exists(image("0000000001_2_2.bmp")));

    cam->SwapCameras();
    EXPECT_EQ(capture(1), 2);
    pic = QImage(image("0000000002.jpg"));
    ASSERT_EQ(pic.size(), QSize(2 * 992, 720));
    EXPECT_GT(qBlue(pic.pixel(400, 360)), 200);
    EXPECT_GT(qRed(pic.pixel(1500, 360)), 200);
    EXPECT_EQ(receiver.messages, (std::vector{ready(1, 0), ready(2, 1)}));
}

TEST_F(CaptureTest, NotConvexCornersGiveTheFallbackSizes) {
    FakeSdk* sdk = makeFake(2);
    sdk->cam(0).corners =
        camera::sdk::Corners{{QPointF(0, 0), QPointF(1, 1), QPointF(1, 0), QPointF(0, 1)}};
    host.dual = true;
    capture(0);
    QImage pic(image("0000000001.jpg"));
    ASSERT_EQ(pic.size(), QSize(1200, 900));
    EXPECT_GT(qRed(pic.pixel(300, 450)), 200);
    EXPECT_GT(qBlue(pic.pixel(900, 450)), 200);
    host.dual = false;
    capture(0);
    EXPECT_EQ(QImage(image("0000000002.jpg")).size(), QSize(180, 180));
}

TEST_F(CaptureTest, AMissingSnapshotIsReportedAsPictureZeroAndNothingAdvances) {
    FakeSdk* sdk = makeFake(1);
    sdk->cam(0).writesSnapshot = false;
    EXPECT_EQ(capture(2), 1);
    EXPECT_EQ(receiver.messages, (std::vector{ready(0, 2)}));
    EXPECT_EQ(cam->pictureCounter(), 0);
    EXPECT_FALSE(cam->PictureExists(1, nullptr, nullptr));
    EXPECT_TRUE(QDir(temp.path() + "/KBCamera/image").isEmpty());
    // The next capture works and gets the number the failed one would have had.
    sdk->cam(0).writesSnapshot = true;
    EXPECT_EQ(capture(0), 1);
    EXPECT_EQ(receiver.messages.back(), ready(1, 0));
}

TEST_F(CaptureTest, AFullDiskStoresNoPictureAndLeavesNothingBehind) {
    makeFake(1);
    EXPECT_EQ(capture(0), 1);
    const qint64 jpgSize = QFileInfo(image("0000000001.jpg")).size();
    const qint64 bmpSize = QFileInfo(thumb("0000000001.bmp")).size();
    constexpr qint64 kRoom = 81920;
    ASSERT_LT(jpgSize, kRoom);
    ASSERT_GT(bmpSize, kRoom);
    // First the picture fits and its thumbnail does not, then not even the picture fits.
    for (const qint64 room : {kRoom, jpgSize / 2}) {
        {
            const testsupport::FileSizeLimit full(static_cast<rlim_t>(room));
            EXPECT_EQ(capture(2), 2);
        }
        EXPECT_EQ(receiver.messages.back(), ready(0, 2)) << "room " << room;
        EXPECT_EQ(cam->pictureCounter(), 1);
        EXPECT_FALSE(cam->PictureExists(2, nullptr, nullptr));
        EXPECT_EQ(entriesOf(temp.path() + "/KBCamera/image"), QStringList{"0000000001.jpg"});
        EXPECT_EQ(entriesOf(temp.path() + "/KBCamera/thumb"), QStringList{"0000000001.bmp"});
    }
    // With room again the next capture gets the number the failed ones would have had.
    EXPECT_EQ(capture(0), 2);
    EXPECT_EQ(receiver.messages.back(), ready(2, 0));
    EXPECT_EQ(QFileInfo(thumb("0000000002.bmp")).size(), bmpSize);
    EXPECT_EQ(QImage(thumb("0000000002.bmp"), "BMP").size(), QSize(180, 180));
    EXPECT_FALSE(QImage(image("0000000002.jpg")).isNull());
}

TEST_F(CaptureTest, AThumbnailThatCannotTakeItsNameTakesThePictureWithIt) {
    makeFake(1);
    // Renaming a file over a folder fails: the picture is already in place by then.
    ASSERT_TRUE(QDir().mkpath(thumb("0000000001.bmp/kept")));
    EXPECT_EQ(capture(0), 1);
    EXPECT_EQ(receiver.messages.back(), ready(0, 0));
    EXPECT_EQ(cam->pictureCounter(), 0);
    EXPECT_EQ(entriesOf(temp.path() + "/KBCamera/image"), QStringList{});
    EXPECT_EQ(entriesOf(temp.path() + "/KBCamera/thumb"), QStringList{"0000000001.bmp"});
    EXPECT_TRUE(QFileInfo(thumb("0000000001.bmp/kept")).isDir());
}

TEST_F(CaptureTest, NumbersAreNeverReusedAfterADeletion) {
    makeFake(1);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(capture(0), i);
    cam->store().removePicture(2);
    EXPECT_EQ(capture(0), 4);
    EXPECT_TRUE(cam->PictureExists(4, nullptr, nullptr));
    EXPECT_FALSE(cam->PictureExists(2, nullptr, nullptr));
}

TEST_F(CaptureTest, ARemovedImageFolderIsCreatedAgainBeforeTheSnapshot) {
    makeFake(1);
    QDir(temp.path() + "/KBCamera/image").removeRecursively();
    EXPECT_EQ(capture(0), 1);
    EXPECT_TRUE(cam->PictureExists(1, nullptr, nullptr));
}

TEST_F(CaptureTest, TheViewIsNeverStartedForTheSnapshot) {
    FakeSdk* sdk = makeFake(1);
    sdk->clearCalls();
    host.shown = true;
    capture(0);
    EXPECT_EQ(sdk->calls(), (std::vector<std::string>{"snapshot 10"}));
    sdk->clearCalls();
    // Hidden: the SDK streams the camera for the one frame; no live view decodes behind it.
    host.shown = false;
    capture(0);
    EXPECT_EQ(sdk->calls(), (std::vector<std::string>{"snapshot 10"}));
}

TEST_F(CaptureTest, WaitingForACaptureLetsItsMessageThrough) {
    makeFake(1);
    // The worker blocks on this thread's handling of its message while this thread waits for it.
    EXPECT_EQ(cam->TakePic(1), 1);
    cam->waitForCaptures();
    EXPECT_EQ(receiver.messages, (std::vector{ready(1, 1)}));
}

TEST_F(CaptureTest, WithoutASafeStoreNothingIsWrittenAnywhereAndTheFailureIsReported) {
    FakeSdk* sdk = makeFake(1);
    // The store is opened up to other users after start: it is not used any more.
    QFile::setPermissions(temp.path() + "/KBCamera", QFileDevice::Permissions(0x7777));
    sdk->clearCalls();
    EXPECT_EQ(capture(0), 1);
    EXPECT_EQ(receiver.messages, (std::vector{ready(0, 0)}));
    EXPECT_EQ(sdk->calls(), std::vector<std::string>{});  // not even a snapshot
    EXPECT_FALSE(QFile::exists("0000000001.bmp"));
}

// A camera removed or plugged in while a capture runs: the capture may fail, but it must end
// with its message and leave nothing behind that a later capture trips over.
TEST_F(CaptureTest, ReinitDuringTwoCameraCapturesEndsEachCaptureCleanly) {
    camera::sdk::SimOptions o;
    o.cameras = 2;
    o.frameSize = QSize(160, 120);
    make(std::make_unique<camera::sdk::DeviceSdk>(std::make_unique<camera::sdk::SimBackend>(o)));
    host.dual = true;
    constexpr int kRounds = 40;
    for (int i = 0; i < kRounds; ++i) {
        const size_t before = receiver.messages.size();
        const int n = cam->TakePic(i % 3);
        cam->Reinit();
        cam->waitForCaptures();
        QCoreApplication::processEvents();
        ASSERT_EQ(receiver.messages.size(), before + 1) << "round " << i;
        const auto [number, tag] = receiver.messages.back();
        EXPECT_EQ(tag, i % 3);
        ASSERT_TRUE(number == 0 || number == n) << number << " for " << n;
        EXPECT_EQ(cam->PictureExists(n, nullptr, nullptr), number == n);
        ASSERT_EQ(cam->cameras().size(), 2u);
    }
    // The cameras opened last are whole: a capture without interference succeeds.
    const int n = capture(0);
    EXPECT_EQ(receiver.messages.back(), ready(n, 0));
    const auto w0 =
        camera::CameraGeometry::correctedSize(160, 120, SimScene::boardCorners(0, QSize(160, 120)));
    const auto w1 =
        camera::CameraGeometry::correctedSize(160, 120, SimScene::boardCorners(1, QSize(160, 120)));
    ASSERT_TRUE(w0 && w1);
    EXPECT_EQ(QImage(image(QString("%1.jpg").arg(n, 10, 10, QChar('0')))).width(),
              2 * std::min(w0->width(), w1->width()));
}

TEST_F(CaptureTest, OneCaptureAtATimeWhateverTheCallerDoes) {
    FakeSdk* sdk = makeFake(1);
    std::binary_semaphore go(0);
    sdk->beforeSnapshot = [&go] { go.acquire(); };
    EXPECT_EQ(cam->TakePic(1), 1);
    EXPECT_TRUE(cam->capturing());
    EXPECT_EQ(cam->TakePic(2), 0);  // starts nothing
    go.release();
    cam->waitForCaptures();
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.messages, (std::vector{ready(1, 1)}));
    EXPECT_FALSE(cam->capturing());
    sdk->beforeSnapshot = nullptr;

    // The capture is over when its message comes: the handler may start the next one.
    int next = -1;
    receiver.onReady = [&] {
        if (next < 0) next = cam->TakePic(0);
    };
    EXPECT_EQ(capture(2), 2);
    cam->waitForCaptures();
    QCoreApplication::processEvents();
    EXPECT_EQ(next, 3);
    EXPECT_EQ(receiver.messages, (std::vector{ready(1, 1), ready(2, 2), ready(3, 0)}));
    EXPECT_TRUE(cam->PictureExists(3, nullptr, nullptr));
}

TEST_F(CaptureTest, ASnapshotThatThrowsEndsTheCaptureAsAFailedOneWithALogLine) {
    testsupport::LogCapture log;
    FakeSdk* fake = makeFake(1);
    fake->beforeSnapshot = [] { throw std::runtime_error("camera fell off"); };
    capture(1);
    ASSERT_EQ(receiver.messages.size(), 1u);
    EXPECT_EQ(receiver.messages[0], ready(0, 1));
    EXPECT_EQ(log.matching("ostrely.camera", {"camera fell off"}).size(), 1);
    EXPECT_TRUE(entriesOf(temp.path() + "/KBCamera/image").isEmpty());

    fake->beforeSnapshot = nullptr;  // not left busy: the next capture is taken
    const int n = capture(2);
    ASSERT_EQ(receiver.messages.size(), 2u);
    EXPECT_EQ(receiver.messages[1], ready(n, 2));
}
