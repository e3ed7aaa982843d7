// What the pen costs: one pointer move during a long stroke, and laying a full overlay of strokes
// over a frame of the live view.
#include "shell/StrokeCanvas.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>
#include <QPolygonF>

#include <cmath>

namespace {

const QSize kScreen(1920, 1080);

QPointF zigzag(int i) {
    return {100.0 + (i % 400) * 4.3, 100.0 + 400 * std::abs(std::sin(i * 0.05)) + (i / 400) * 90};
}

// Each move draws the piece it adds (what the overlay does).
void StrokeMoveSegment(benchmark::State& state) {
    StrokeCanvas canvas;
    canvas.resize(kScreen, 1.0);
    canvas.setPenWidth(5);
    int i = 0;
    for (auto _ : state) {
        if (i % 2000 == 0) {
            canvas.clear();
            canvas.beginStroke(zigzag(i));
        }
        benchmark::DoNotOptimize(canvas.extendStroke(zigzag(++i)));
    }
}
BENCHMARK(StrokeMoveSegment);

// Each move draws the whole stroke again as one poly-line, for comparison: cost at the end of a
// 2,000-point stroke.
void StrokeMoveWholeLine(benchmark::State& state) {
    QImage image(kScreen, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPolygonF line;
    for (int i = 0; i < 2000; ++i) line << zigzag(i);
    for (auto _ : state) {
        QPainter p(&image);
        p.setPen(QPen(Qt::black, 5));
        p.drawPolyline(line);
    }
}
BENCHMARK(StrokeMoveWholeLine);

// The overlay's paint over one frame of the live view, with strokes all over the screen.
void OverlayOverFrame(benchmark::State& state) {
    StrokeCanvas canvas;
    canvas.resize(kScreen, 1.0);
    canvas.setPenWidth(5);
    canvas.beginStroke(zigzag(0));
    for (int i = 1; i < 8000; ++i) canvas.extendStroke(zigzag(i));
    QImage frame(kScreen, QImage::Format_RGB32);
    frame.fill(QColor(30, 70, 50));
    for (auto _ : state) {
        QPainter p(&frame);
        p.drawImage(QPoint(0, 0), canvas.image());
    }
    state.counters["frames/s"] =
        benchmark::Counter(state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(OverlayOverFrame)->Unit(benchmark::kMillisecond);

}  // namespace
