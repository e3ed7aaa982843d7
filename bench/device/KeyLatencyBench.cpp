// Key latency: from a key report entering the transport (the simulated board's queue) to the key
// message reaching the owner's event loop, with the real clock and its 200 ms passes.
#include "device/DeviceManager.h"
#include "platform/Clock.h"
#include "platform/MessageIds.h"
#include "platform/hid/SimBoardTransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <thread>

namespace {

class KeyCounter : public QObject {
public:
    int keys = 0;

protected:
    bool event(QEvent* e) override {
        if (static_cast<unsigned>(e->type()) == msg::kKey) {
            ++keys;
            return true;
        }
        return QObject::event(e);
    }
};

// state.range(0) boards; keys go to the last one, read last in each pass.
void BM_KeyLatency(benchmark::State& state) {
    const int boards = static_cast<int>(state.range(0));
    platform::hid::SimBoardTransport sim(boards);
    KeyCounter owner;
    DeviceManager dm(&owner, sim, platform::SystemClock::instance());
    dm.EnumDevices();
    dm.StartReadingThread();  // opens the boards: about 3 s each
    while (dm.GetDeviceId(boards - 1).isEmpty())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const QString press = QStringLiteral("key 5 %1").arg(boards - 1);
    std::mt19937 rng(7);
    double worst = 0, total = 0;
    for (auto _ : state) {
        // Presses come at any moment of a pass.
        std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 230));
        const int before = owner.keys;
        QElapsedTimer t;
        t.start();
        sim.execute(press);
        while (owner.keys == before) QCoreApplication::processEvents();
        const double s = static_cast<double>(t.nsecsElapsed()) * 1e-9;
        state.SetIterationTime(s);
        worst = std::max(worst, s);
        total += s;
    }
    state.counters["mean_ms"] = total * 1000 / static_cast<double>(state.iterations());
    state.counters["worst_ms"] = worst * 1000;
    dm.Shutdown();
}
BENCHMARK(BM_KeyLatency)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
