// The V4L2 camera on a camera behind its system calls (tests/camera/FakeStreamCamera), 640x480
// YUYV:
// - SettingsReadWhileLive: one settings read from the property page while the live view streams
//   at 5, 15 and 30 fps; max_ms is the longest a read waited.
// - LiveRateOfLateFrames: frames shown per second when every frame is 300 ms old on arrival.
// - FirstFrameAfterShow: from the view shown again (stream held) to its first frame.
// Run: build/bench/stream_bench
#include "FakeStreamCamera.h"
#include "camera/sdk/CameraSdk.h"
#include "camera/sdk/LiveView.h"
#include "camera/sdk/V4l2Device.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

using camera::sdk::V4l2Device;
using cameratest::FakeStreamCamera;
using Clock = std::chrono::steady_clock;

const QSize kVga(640, 480);

camera::sdk::UvcDeviceInfo node() {
    camera::sdk::UvcDeviceInfo i;
    i.devnode = QStringLiteral("/dev/video0");
    return i;
}

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

void SettingsReadWhileLive(benchmark::State& state) {
    FakeStreamCamera cam(FakeStreamCamera::yuyv(kVga, {int(state.range(0))}));
    std::shared_ptr<V4l2Device> dev = V4l2Device::open(node(), cam);
    camera::sdk::LiveView view(dev, nullptr);
    view.setRunning(true);
    double worst = 0;
    for (auto _ : state) {
        const auto t = Clock::now();
        benchmark::DoNotOptimize(dev->readSetting(camera::sdk::kExposure, camera::sdk::kQueryMax));
        const double ms = msSince(t);
        worst = std::max(worst, ms);
        state.SetIterationTime(ms / 1000);
        // Reads spread over the frame period, as a user's steps are.
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    view.stop();
    state.counters["max_ms"] = worst;
}
BENCHMARK(SettingsReadWhileLive)
    ->Arg(5)
    ->Arg(15)
    ->Arg(30)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void LiveRateOfLateFrames(benchmark::State& state) {
    FakeStreamCamera::Options o = FakeStreamCamera::yuyv(kVga, {int(state.range(0))});
    o.latencyMs = 300;
    FakeStreamCamera cam(o);
    auto dev = V4l2Device::open(node(), cam);
    dev->holdStream(true);
    dev->grabFrame();
    for (auto _ : state) {
        int shown = 0;
        const auto t = Clock::now();
        while (msSince(t) < 2000)
            if (!dev->grabFrame().isNull()) ++shown;
        state.counters["shown_fps"] = shown / 2.0;
        state.counters["camera_fps"] = double(state.range(0));
    }
    dev->holdStream(false);
}
BENCHMARK(LiveRateOfLateFrames)->Arg(5)->Arg(15)->Arg(30)->Iterations(1)->Unit(benchmark::kSecond);

void FirstFrameAfterShow(benchmark::State& state) {
    FakeStreamCamera cam(FakeStreamCamera::yuyv(kVga, {int(state.range(0))}));
    auto dev = V4l2Device::open(node(), cam);
    double worst = 0;
    for (auto _ : state) {
        const auto t = Clock::now();
        dev->holdStream(true);
        benchmark::DoNotOptimize(dev->grabFrame());
        const double ms = msSince(t);
        worst = std::max(worst, ms);
        state.SetIterationTime(ms / 1000);
        dev->holdStream(false);
    }
    state.counters["max_ms"] = worst;
}
BENCHMARK(FirstFrameAfterShow)
    ->Arg(5)
    ->Arg(15)
    ->Arg(30)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
