// The whole path of one live frame with the pen's strokes over it, on one core: the camera's
// MJPEG decoded, keystone-corrected to the view, put on the screen's backing image, and the
// overlay laid over it. Run: taskset -c 0 build/bench/liveview_bench
#include "shell/StrokeCanvas.h"
#include "camera/sdk/FrameDecoder.h"
#include "camera/sdk/Keystone.h"
#include "camera/sdk/SimScene.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QPainter>

#include <linux/videodev2.h>

#include <cmath>

namespace {

const QSize kFrame(1600, 1200);
const QSize kScreen(1920, 1080);

QByteArray mjpegFrame() {
    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    camera::sdk::SimScene(kFrame, 0).frameAt(0).save(&buf, "JPG", 85);
    return jpeg;
}

// range(0): 1 with the simulated camera's factory corners, 0 uncalibrated; range(1): 1 with a
// screen full of strokes over the picture, 0 without the overlay.
void LiveFrameWithPen(benchmark::State& state) {
    const bool calibrated = state.range(0) != 0;
    const bool pen = state.range(1) != 0;
    const QByteArray jpeg = mjpegFrame();
    const auto corners = calibrated ? camera::sdk::SimScene::boardCorners(0, kFrame)
                                    : camera::sdk::Corners{};
    camera::sdk::FrameDecoder decoder;
    // The view keeps the board's 4:3 inside the screen's height, centred.
    const QSize view(kScreen.height() * 4 / 3, kScreen.height());
    const QPoint at((kScreen.width() - view.width()) / 2, 0);
    QImage corrected(view, QImage::Format_RGB32);
    QImage screen(kScreen, QImage::Format_RGB32);
    StrokeCanvas canvas;
    canvas.resize(kScreen, 1.0);
    canvas.setPenWidth(5);
    canvas.beginStroke({100, 100});
    for (int i = 1; i < 8000; ++i)
        canvas.extendStroke(
            {100.0 + (i % 400) * 4.3, 100.0 + 400 * std::abs(std::sin(i * 0.05)) + (i / 400) * 45});
    for (auto _ : state) {
        const QImage frame = decoder.decode(V4L2_PIX_FMT_MJPEG,
                                            reinterpret_cast<const uint8_t*>(jpeg.constData()),
                                            size_t(jpeg.size()), kFrame.width(), kFrame.height(), 0);
        camera::sdk::Keystone::correctInto(frame, corners, corrected);
        QPainter p(&screen);
        p.drawImage(at, corrected);
        if (pen) p.drawImage(QPoint(0, 0), canvas.image());
        p.end();
        benchmark::DoNotOptimize(screen.constBits());
    }
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(LiveFrameWithPen)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->ArgNames({"calibrated", "pen"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
