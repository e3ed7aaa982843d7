// What a display change costs the toolbar panel: rendering button bitmaps afresh at a new size,
// and fetching them again once cached. Run: build/bench/art_bench (offscreen is set here).
#include "art/Artwork.h"
#include "art/ResourceIds.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPixmapCache>

namespace {

// Every bitmap of the program once, at range(0) px, uncached.
void RenderAll(benchmark::State& state) {
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)));
    for (auto _ : state)
        for (int id : res::kAll) benchmark::DoNotOptimize(art::image(id, size).constBits());
    state.SetItemsProcessed(state.iterations() * res::kAll.size());
}
BENCHMARK(RenderAll)->Arg(40)->Arg(60)->Arg(110)->Unit(benchmark::kMillisecond);

// The same, from the pixmap cache.
void CachedAll(benchmark::State& state) {
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)));
    QPixmapCache::clear();
    for (int id : res::kAll) art::pixmap(id, size);
    for (auto _ : state)
        for (int id : res::kAll) benchmark::DoNotOptimize(art::pixmap(id, size).cacheKey());
    state.SetItemsProcessed(state.iterations() * res::kAll.size());
}
BENCHMARK(CachedAll)->Arg(110)->Unit(benchmark::kMicrosecond);

}  // namespace
