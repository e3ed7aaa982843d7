// One setting write as the property page makes it while a thumb is dragged: the camera write and
// the kept-settings file written whole, against the write alone (no data folder).
// Run: build/bench/settings_bench
#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/SimBackend.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

void SettingWrite(benchmark::State& state) {
    const bool kept = state.range(0) != 0;
    QTemporaryDir dir;
    camera::sdk::SimOptions o;
    o.frameSize = QSize(64, 48);
    camera::sdk::DeviceSdk sdk(std::make_unique<camera::sdk::SimBackend>(o));
    if (kept) sdk.setDataFolder(dir.path() + "/Kestrane");
    const camera::sdk::Handle h = sdk.open(nullptr, 0, 0);
    int v = 0;
    for (auto _ : state) {
        sdk.writeSetting(h, camera::sdk::kBrightness, (v++ % 128) - 64, false);
    }
    state.SetLabel(kept ? "kept in the data folder" : "camera only");
}
BENCHMARK(SettingWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

// The simulated camera draws its board with fonts: an application object first.