#include "camera/sdk/FrameDecoder.h"
#include "camera/sdk/UvcDeviceInfo.h"
#include "camera/sdk/V4l2Controls.h"
#include "camera/sdk/V4l2Device.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RefusedPath.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include <linux/videodev2.h>

using namespace camera::sdk;

TEST(FrameDecoder, YuyvToRgbKnownColours) {
    // Studio-range black, white, and pure red (Y 81, U 90, V 240).
    const uint8_t yuyv[] = {16, 128, 235, 128, 81, 90, 81, 240};
    QImage out(4, 1, QImage::Format_RGB32);
    ASSERT_TRUE(FrameDecoder::yuyvToRgb32(yuyv, sizeof yuyv, 4, 1, 8, out));
    EXPECT_EQ(out.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(1, 0), qRgb(255, 255, 255));
    const QRgb red = out.pixel(2, 0);
    EXPECT_GE(qRed(red), 250);
    EXPECT_LE(qGreen(red), 5);
    EXPECT_LE(qBlue(red), 5);
}

TEST(FrameDecoder, YuyvRespectsStrideAndRefusesShortData) {
    // Two rows of two pixels with two bytes of padding per row.
    const uint8_t yuyv[] = {235, 128, 235, 128, 0, 0, 16, 128, 16, 128};
    QImage out(2, 2, QImage::Format_RGB32);
    ASSERT_TRUE(FrameDecoder::yuyvToRgb32(yuyv, sizeof yuyv, 2, 2, 6, out));
    EXPECT_EQ(out.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_FALSE(FrameDecoder::yuyvToRgb32(yuyv, sizeof yuyv - 1, 2, 2, 6, out));
    EXPECT_FALSE(FrameDecoder::yuyvToRgb32(yuyv, sizeof yuyv, 2, 2, 3, out));  // stride too small
    EXPECT_FALSE(FrameDecoder::yuyvToRgb32(yuyv, sizeof yuyv, 3, 1, 6, out));  // odd width
    FrameDecoder d;
    EXPECT_TRUE(d.decode(V4L2_PIX_FMT_YUYV, yuyv, sizeof yuyv, 2, 2, 6).size() == QSize(2, 2));
    EXPECT_TRUE(d.decode(V4L2_PIX_FMT_H264, yuyv, sizeof yuyv, 2, 2, 6).isNull());
}

TEST(FrameDecoder, MjpegFramesDecodeAndBrokenOnesDoNot) {
    QImage src(64, 48, QImage::Format_RGB32);
    src.fill(QColor(200, 40, 30));
    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(src.save(&buf, "JPG", 95));
    FrameDecoder d;
    const auto* data = reinterpret_cast<const uint8_t*>(jpeg.constData());
    const QImage out = d.decode(V4L2_PIX_FMT_MJPEG, data, size_t(jpeg.size()), 64, 48, 0);
    ASSERT_EQ(out.size(), QSize(64, 48));
    const QRgb c = out.pixel(32, 24);
    EXPECT_NEAR(qRed(c), 200, 6);
    EXPECT_NEAR(qGreen(c), 40, 6);
    EXPECT_NEAR(qBlue(c), 30, 6);
    EXPECT_TRUE(d.decode(V4L2_PIX_FMT_MJPEG, data, 20, 64, 48, 0).isNull());
    const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(d.decode(V4L2_PIX_FMT_MJPEG, junk, sizeof junk, 64, 48, 0).isNull());
}

TEST(V4l2Controls, SettingsMapToTheirControls) {
    EXPECT_EQ(V4l2Controls::controlFor(1), V4L2_CID_BRIGHTNESS);
    EXPECT_EQ(V4l2Controls::controlFor(2), V4L2_CID_CONTRAST);
    EXPECT_EQ(V4l2Controls::controlFor(3), V4L2_CID_HUE);
    EXPECT_EQ(V4l2Controls::controlFor(4), V4L2_CID_SATURATION);
    EXPECT_EQ(V4l2Controls::controlFor(5), V4L2_CID_SHARPNESS);
    EXPECT_EQ(V4l2Controls::controlFor(6), V4L2_CID_GAMMA);
    EXPECT_EQ(V4l2Controls::controlFor(8), V4L2_CID_EXPOSURE_ABSOLUTE);
    EXPECT_FALSE(V4l2Controls::controlFor(7));
    EXPECT_EQ(V4l2Controls::settingIds(), (std::vector<int>{1, 2, 3, 4, 5, 6, 8}));
}

TEST(V4l2Controls, QueriesAndMissingControls) {
    const ControlInfo c{true, -64, 64, 0, 12};
    EXPECT_EQ(V4l2Controls::answer(c, 0), 64);
    EXPECT_EQ(V4l2Controls::answer(c, 1), -64);
    EXPECT_EQ(V4l2Controls::answer(c, 2), 12);
    const ControlInfo missing;
    EXPECT_FALSE(V4l2Controls::answer(missing, 1) < V4l2Controls::answer(missing, 0));
}

TEST(V4l2Controls, ExposureModes) {
    EXPECT_FALSE(V4l2Controls::isAutoMode(V4L2_EXPOSURE_MANUAL));
    EXPECT_TRUE(V4l2Controls::isAutoMode(V4L2_EXPOSURE_APERTURE_PRIORITY));
    // A typical UVC camera: manual and aperture priority only.
    const std::vector<int> uvc = {V4L2_EXPOSURE_MANUAL, V4L2_EXPOSURE_APERTURE_PRIORITY};
    EXPECT_EQ(V4l2Controls::modeFor(true, uvc), V4L2_EXPOSURE_APERTURE_PRIORITY);
    EXPECT_EQ(V4l2Controls::modeFor(false, uvc), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(V4l2Controls::modeFor(true, {0, 1, 3}), V4L2_EXPOSURE_AUTO);
    EXPECT_FALSE(V4l2Controls::modeFor(true, {}));
}

namespace {

std::vector<UvcDeviceInfo> recorded() {
    QFile f(OSTRELY_SOURCE_DIR "/tests/camera/data/udev-video4linux.txt");
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return UvcDeviceInfo::parseRecorded(f.readAll());
}

}  // namespace

TEST(UvcDiscovery, RecordedUdevDataGivesTheVideoNodes) {
    const auto all = recorded();
    ASSERT_EQ(all.size(), 4u);  // the sound card is not a video node
    const UvcDeviceInfo& cam = all[0];
    EXPECT_EQ(cam.devnode, "/dev/video0");
    EXPECT_EQ(cam.vendorId, "0c45");
    EXPECT_EQ(cam.productId, "9102");
    EXPECT_EQ(cam.manufacturer, "Kestrane");
    EXPECT_EQ(cam.product, "Board Camera");
    EXPECT_EQ(cam.serial, "KB2024001");
    EXPECT_EQ(cam.versionText(), "Kestrane Board Camera\r\nVersion 1.02\r\n");
    EXPECT_EQ(cam.calibrationKey(), "uvc-0c45-9102-KB2024001");
    EXPECT_EQ(all[2].product, "HD Webcam");
}

TEST(UvcDiscovery, OnlyOurCapturingCameraUnlessAnyUvcIsAdmitted) {
    auto ours = admittedCameras(recorded(), false);
    ASSERT_EQ(ours.size(), 1u);  // not the metadata node, not the webcam, not the dummy
    EXPECT_EQ(ours[0].devnode, "/dev/video0");
    auto any = admittedCameras(recorded(), true);
    ASSERT_EQ(any.size(), 2u);
    // Ordered by place on the bus: port 1 before port 2.
    EXPECT_EQ(any[0].devnode, "/dev/video2");
    EXPECT_EQ(any[1].devnode, "/dev/video0");
}

TEST(UvcDiscovery, PropertyDumpAndMissingDetails) {
    const auto list = UvcDeviceInfo::parseRecorded(
        "DEVNAME=/dev/video4\nID_V4L_CAPABILITIES=:capture:\nID_VENDOR_ID=0C45\n"
        "ID_MODEL_ID=9102\nID_USB_DRIVER=uvcvideo\n");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0].admitted(false));  // ids compared without regard to case
    EXPECT_EQ(list[0].versionText(), "0c45:9102\r\n");
    EXPECT_EQ(list[0].calibrationKey(), "uvc-0c45-9102-/dev/video4");
    EXPECT_EQ(UvcDeviceInfo::decodeEscapes("A\\x20B\\x2"), "A B\\x2");
}

TEST(UvcDiscovery, RecordedDataBeyondTheLimitIsRefused) {
    const QByteArray record = "DEVNAME=/dev/video0\nID_V4L_CAPABILITIES=:capture:\n\n";
    QByteArray atLimit = record;
    atLimit.append(UvcDeviceInfo::kMaxRecordedBytes - record.size(), '\n');
    QString error;
    EXPECT_EQ(UvcDeviceInfo::parseRecorded(atLimit, &error).size(), 1u);
    EXPECT_TRUE(error.isEmpty());

    EXPECT_TRUE(UvcDeviceInfo::parseRecorded(atLimit + "\n", &error).empty());
    EXPECT_TRUE(error.contains("larger than")) << qPrintable(error);
    EXPECT_TRUE(UvcDeviceInfo::parseRecorded(atLimit + "\n").empty());
}

namespace {

// The camera's node opened as V4L2 does; null, and exactly one line with the node and reason.
void expectRefused(const QString& node, const QString& reason) {
    testsupport::LogCapture log;
    UvcDeviceInfo info;
    info.devnode = node;
    EXPECT_EQ(V4l2Device::open(info), nullptr);
    EXPECT_EQ(log.matching("ostrely.camera", {node, reason}).size(), 1)
        << log.lines().join('\n').toStdString();
    EXPECT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
}

}  // namespace

TEST(V4l2Open, ACameraThatCannotBeOpenedSaysWhy) {
    testsupport::TempDir tmp;
    expectRefused(tmp.file("video7"), "No such file or directory");
    // Opened, but the first question a camera answers is one a plain file cannot.
    const QString plain = tmp.file("video8");
    QFile(plain).open(QIODevice::WriteOnly);
    expectRefused(plain, "VIDIOC_QUERYCAP");
    expectRefused(plain, "Inappropriate ioctl for device");
    expectRefused(tmp.path(), "Is a directory");
}

TEST(V4l2Open, ACameraWeMayNotOpenSaysSo) {
    testsupport::TempDir tmp;
    const QString locked = testsupport::refusedPath(tmp.file("video9"));
    if (locked.isEmpty()) GTEST_SKIP() << "no path here refuses us with EACCES";
    expectRefused(locked, "Permission denied");
}
