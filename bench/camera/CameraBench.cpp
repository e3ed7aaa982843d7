// Live-view correction per frame and whole captures at the camera's 1600 × 1200, on one core.
// The captures are printed beside a direct pipeline of the same work, with the ratio.
// Run: build/bin/camera_bench (QT_QPA_PLATFORM=offscreen is set here).
#include "camera/Camera.h"
#include "camera/CameraGeometry.h"
#include "camera/CameraHost.h"
#include "camera/PictureImaging.h"
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/FrameDecoder.h"
#include "camera/sdk/Keystone.h"
#include "camera/sdk/SimBackend.h"
#include "camera/sdk/SimScene.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <linux/videodev2.h>
#include <turbojpeg.h>

#include <ctime>

#include <sys/resource.h>

namespace {

const QSize kFrame(1600, 1200);
// range(0) cameras, each corrected to range(1) × range(2) (the full frame, the full screen, or the
// tile each camera gets side by side on a 1920 × 1080 screen); range(3) 1 with the board's corners
// as the simulated camera's factory calibration has them, 0 uncalibrated (the full frame).
void LiveCorrection(benchmark::State& state) {
    const int cameras = static_cast<int>(state.range(0));
    const QSize out(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    const camera::sdk::Corners corners = state.range(3) != 0
                                             ? camera::sdk::SimScene::boardCorners(0, kFrame)
                                             : camera::sdk::Corners{};
    std::vector<QImage> frames, targets;
    for (int i = 0; i < cameras; ++i) {
        frames.push_back(camera::sdk::SimScene(kFrame, i).frameAt(0));
        targets.emplace_back(out, QImage::Format_RGB32);
    }
    for (auto _ : state) {
        for (int i = 0; i < cameras; ++i)
            camera::sdk::Keystone::correctInto(frames[i], corners, targets[i]);
        benchmark::DoNotOptimize(targets[0].constBits());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(LiveCorrection)
    ->Args({1, 1440, 1080, 0})
    ->Args({1, 1600, 1200, 0})
    ->Args({1, 1440, 1080, 1})
    ->Args({2, 960, 720, 0})
    ->Args({2, 960, 720, 1})
    ->ArgNames({"cameras", "w", "h", "calibrated"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void SimFrame(benchmark::State& state) {
    const camera::sdk::SimScene scene(kFrame, 0);
    int64_t t = 0;
    for (auto _ : state) benchmark::DoNotOptimize(scene.frameAt(t += 33).constBits());
}
BENCHMARK(SimFrame)->Unit(benchmark::kMillisecond);

void DecodeMjpeg(benchmark::State& state) {
    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    camera::sdk::SimScene(kFrame, 0).frameAt(0).save(&buf, "JPG", 85);
    camera::sdk::FrameDecoder decoder;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decoder
                                     .decode(V4L2_PIX_FMT_MJPEG,
                                             reinterpret_cast<const uint8_t*>(jpeg.constData()),
                                             size_t(jpeg.size()), 1600, 1200, 0)
                                     .constBits());
    }
}
BENCHMARK(DecodeMjpeg)->Unit(benchmark::kMillisecond);

void DecodeYuyv(benchmark::State& state) {
    std::vector<uint8_t> yuyv(size_t(kFrame.width()) * kFrame.height() * 2, 128);
    QImage out(kFrame, QImage::Format_RGB32);
    for (auto _ : state) {
        camera::sdk::FrameDecoder::yuyvToRgb32(yuyv.data(), yuyv.size(), 1600, 1200, 3200, out);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(DecodeYuyv)->Unit(benchmark::kMillisecond);

long minorFaults() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The same work as a capture, done directly on this thread: a frame from an identical simulated
// camera per camera, the project's warp straight into the picture, turbojpeg, the area-averaged
// thumbnail on white, both files written.
class DirectCapture {
public:
    DirectCapture(int cameras, const camera::sdk::Corners& corners, const QString& folder)
        : m_corners(corners), m_folder(folder) {
        camera::sdk::SimOptions o;
        o.cameras = cameras;
        o.frameSize = kFrame;
        m_backend = std::make_unique<camera::sdk::SimBackend>(o);
        for (int i = 0; i < cameras; ++i) m_devices.push_back(m_backend->open(i));
        m_jpeg = tjInitCompress();
    }
    ~DirectCapture() { tjDestroy(m_jpeg); }

    void run(int n) {
        const QSize size =
            camera::CameraGeometry::correctedSize(kFrame.width(), kFrame.height(), m_corners)
                .value_or(kFrame);
        const int tiles = static_cast<int>(m_devices.size());
        QImage picture(tiles * size.width(), size.height(), QImage::Format_RGB32);
        for (int i = 0; i < tiles; ++i) {
            QImage tile(picture.bits() + 4 * i * size.width(), size.width(), size.height(),
                        picture.bytesPerLine(), QImage::Format_RGB32);
            camera::sdk::Keystone::correctInto(m_devices[i]->grabFrame(), m_corners, tile);
        }
        unsigned char* out = nullptr;
        unsigned long bytes = 0;
        tjCompress2(m_jpeg, picture.constBits(), picture.width(), int(picture.bytesPerLine()),
                    picture.height(), TJPF_BGRX, &out, &bytes, TJSAMP_420, 75, TJFLAG_ACCURATEDCT);
        QFile jpg(m_folder + QString("/%1.jpg").arg(n));
        jpg.open(QIODevice::WriteOnly);
        jpg.write(reinterpret_cast<const char*>(out), qint64(bytes));
        tjFree(out);
        QImage thumb(180, 180, QImage::Format_RGB888);
        thumb.fill(Qt::white);
        const QRect place =
            camera::PictureImaging::thumbnailPlacement(picture.width(), picture.height());
        QPainter(&thumb).drawImage(
            place.topLeft(),
            picture.scaled(place.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        thumb.save(m_folder + QString("/%1.bmp").arg(n), "BMP");
    }

private:
    camera::sdk::Corners m_corners;
    QString m_folder;
    std::unique_ptr<camera::sdk::SimBackend> m_backend;
    std::vector<std::unique_ptr<camera::sdk::CameraDevice>> m_devices;
    tjhandle m_jpeg;
};

// A whole capture through the controller (snapshot, picture, thumbnail, message) beside the same
// work done directly, interleaved so that both see the same machine. range(0) cameras,
// range(1) 1 for the simulated camera's factory calibration, 0 for the full frame.
void CaptureVsDirect(benchmark::State& state) {
    const int cameras = static_cast<int>(state.range(0));
    const camera::sdk::Corners corners = state.range(1) != 0
                                             ? camera::sdk::SimScene::boardCorners(0, kFrame)
                                             : camera::sdk::Corners{};
    QTemporaryDir temp, appData, direct;
    CameraServices services;
    services.tempFolder = [&] { return temp.path(); };
    services.commonAppDataFolder = [&] { return appData.path(); };
    services.makeSdk = [cameras](const QString&) {
        camera::sdk::SimOptions o;
        o.cameras = cameras;
        o.frameSize = kFrame;
        return std::make_unique<camera::sdk::DeviceSdk>(
            std::make_unique<camera::sdk::SimBackend>(o));
    };
    CCamera cam(services);
    camera::CameraHostState host;
    host.dual = cameras == 2;
    host.shown = true;
    cam.setHost(&host);
    cam.Init();
    cam.OpenCameras(nullptr, nullptr, {0, 0, 1600, 1200});
    auto* sdk = dynamic_cast<camera::sdk::DeviceSdk*>(cam.sdk());
    for (const auto h : cam.cameras())
        for (int i = 0; i < 4; ++i) sdk->moveCorner(h, i, corners.p[i]);
    DirectCapture reference(cameras, corners, direct.path());
    double captureMs = 0, directMs = 0;
    long captureFaults = 0, directFaults = 0;
    int n = 0;
    for (auto _ : state) {
        const long f0 = minorFaults();
        const double t0 = cpuMs();
        cam.TakePic(0);
        cam.waitForCaptures();
        const double t1 = cpuMs();
        const long f1 = minorFaults();
        reference.run(++n);
        const double t2 = cpuMs();
        const long f2 = minorFaults();
        captureMs += t1 - t0;
        directMs += t2 - t1;
        captureFaults += f1 - f0;
        directFaults += f2 - f1;
    }
    if (cam.pictureCounter() != static_cast<int>(state.iterations()))
        state.SkipWithError("lost pictures");
    const double it = static_cast<double>(state.iterations());
    state.counters["capture_ms"] = captureMs / it;
    state.counters["direct_ms"] = directMs / it;
    state.counters["ratio"] = captureMs / directMs;
    state.counters["capture_faults"] = double(captureFaults) / it;
    state.counters["direct_faults"] = double(directFaults) / it;
}
BENCHMARK(CaptureVsDirect)
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->ArgNames({"cameras", "calibrated"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
