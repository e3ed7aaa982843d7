// Redraws of a stored picture while it is dragged at zoom 2, on one core: a 1600 × 1200 JPEG
// (the simulated camera's board) on a 1920 × 1040 work area, at device pixel ratio 1 and 2.
// Decoding the file at every redraw against keeping the decoded picture while the file is
// unchanged. The rate is per second of processor time, so a busy machine does not skew it.
// Run: taskset -c 0 build/bench/shell_bench
#include "shell/PictureFrame.h"
#include "shell/PictureViewer.h"
#include "camera/sdk/SimScene.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

const QSize kWorkArea(1920, 1040);

QString boardPicture(const QTemporaryDir& dir) {
    const QString path = dir.filePath("0000000001.jpg");
    camera::sdk::SimScene(QSize(1600, 1200), 0).frameAt(0).save(path, "JPEG", 90);
    return path;
}

// range(0): 1 keeps the decoded picture; range(1): device pixel ratio × 10.
void DragAtZoom2(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = boardPicture(dir);
    app::PictureFrame frame;
    frame.resize(kWorkArea, state.range(1) / 10.0);
    app::PictureViewer viewer(frame);
    viewer.setKeepDecoded(state.range(0) != 0);
    viewer.setWorkArea(kWorkArea);
    viewer.setTargetRect(QRect(QPoint(0, 0), kWorkArea));
    viewer.load(path);
    for (int i = 0; i < 10; ++i) viewer.zoomByFactor(0.1, QPoint(960, 520));
    viewer.dragStart(QPoint(960, 520));
    int i = 0;
    for (auto _ : state) {
        // Back and forth across the middle, so every move redraws at a new place.
        const int dx = (i++ % 40) - 20;
        viewer.dragMove(QPoint(960 + dx * 4, 520 + dx * 2));
        benchmark::DoNotOptimize(frame.pixels().constBits());
    }
    state.counters["redraws_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(DragAtZoom2)
    ->ArgNames({"keep", "ratio10"})
    ->Args({0, 10})
    ->Args({1, 10})
    ->Args({0, 20})
    ->Args({1, 20})
    ->Unit(benchmark::kMillisecond);

}  // namespace
