// Live-view correction per frame and whole captures at the camera's 1600 × 1200, on one core.
// Run: build/bin/camera_bench (QT_QPA_PLATFORM=offscreen is set here).
#include "camera/Camera.h"
#include "camera/CameraHost.h"
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/FrameDecoder.h"
#include "camera/sdk/Keystone.h"
#include "camera/sdk/SimBackend.h"
#include "camera/sdk/SimScene.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <linux/videodev2.h>

namespace {

const QSize kFrame(1600, 1200);
// A board seen at a slant, as a calibration of the simulated camera gives it.
const camera::sdk::Corners kSlant{
    {QPointF(0.12, 0.11), QPointF(0.93, 0.08), QPointF(0.95, 0.9), QPointF(0.05, 0.87)}};

// range(0) cameras, each corrected to range(1) × range(2) (the full frame, or the tile each camera
// gets side by side on a 1920 × 1080 screen).
void LiveCorrection(benchmark::State& state) {
    const int cameras = static_cast<int>(state.range(0));
    const QSize out(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    std::vector<QImage> frames, targets;
    for (int i = 0; i < cameras; ++i) {
        frames.push_back(camera::sdk::SimScene(kFrame, i).frameAt(0));
        targets.emplace_back(out, QImage::Format_RGB32);
    }
    for (auto _ : state) {
        for (int i = 0; i < cameras; ++i)
            camera::sdk::Keystone::correctInto(frames[i], kSlant, targets[i]);
        benchmark::DoNotOptimize(targets[0].constBits());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(LiveCorrection)
    ->Args({1, 1600, 1200})
    ->Args({2, 1600, 1200})
    ->Args({2, 960, 720})
    ->ArgNames({"cameras", "w", "h"})
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

// Snapshot through the SDK to the stored JPEG and thumbnail, as the capture worker does it.
void Capture(benchmark::State& state) {
    const int cameras = static_cast<int>(state.range(0));
    QTemporaryDir temp, appData;
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
    for (auto _ : state) {
        cam.TakePic(0);
        cam.waitForCaptures();
    }
    if (cam.pictureCounter() != static_cast<int>(state.iterations()))
        state.SkipWithError("lost pictures");
}
BENCHMARK(Capture)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("cameras")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
