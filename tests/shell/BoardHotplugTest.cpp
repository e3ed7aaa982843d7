// A simulated board unplugged and plugged in again and again under the running window, with the
// boards' pauses taken for real (on a quickened clock): the window keeps drawing while the board
// still gets every command with its pause. The longest stall is measured and printed, not judged
// here: timings on a shared machine belong in the report, not in a pass or fail.
#include "ShellFixture.h"

#include "camera/ui/VideoWindow.h"
#include "device/DeviceManager.h"
#include "device/TouchDevice.h"
#include "platform/hid/SimBoardTransport.h"
#include "tests/support/MessageRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <chrono>
#include <iostream>
#include <mutex>
#include <thread>

namespace {

// Real time, run `scale` times faster: a 1000 ms pause takes 1000 / scale ms.
class QuickClock : public platform::Clock {
public:
    explicit QuickClock(int scale) : m_scale(scale) {}
    int64_t nowMs() override {
        const auto real = std::chrono::steady_clock::now() - m_start;
        return std::chrono::duration_cast<std::chrono::microseconds>(real).count() * m_scale / 1000;
    }
    void sleepMs(int ms) override {
        std::this_thread::sleep_for(std::chrono::microseconds(int64_t(ms) * 1000 / m_scale));
    }

private:
    const int m_scale;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

struct TimedCommand {
    uint8_t command;
    int64_t at;
};

// The simulated boards, with the clock's time of every command a board took.
class TimedBoards : public platform::hid::HidTransport {
public:
    explicit TimedBoards(platform::Clock& clock) : m_clock(clock) {}

    std::vector<platform::hid::HidInterface> enumerate() override { return sim.enumerate(); }
    std::unique_ptr<platform::hid::HidHandle> open(const QString& path) override {
        auto inner = sim.open(path);
        return inner ? std::make_unique<Handle>(*this, std::move(inner)) : nullptr;
    }
    std::vector<TimedCommand> commands() {
        std::lock_guard g(m_mutex);
        return m_commands;
    }

    platform::hid::SimBoardTransport sim{1};

private:
    class Handle : public platform::hid::HidHandle {
    public:
        Handle(TimedBoards& owner, std::unique_ptr<platform::hid::HidHandle> inner)
            : m_owner(owner), m_inner(std::move(inner)) {}
        std::optional<platform::hid::HidCaps> capabilities() override {
            return m_inner->capabilities();
        }
        int read(uint8_t* buf, size_t len, int timeoutMs) override {
            return m_inner->read(buf, len, timeoutMs);
        }
        int write(const uint8_t* buf, size_t len, int timeoutMs) override {
            const int n = m_inner->write(buf, len, timeoutMs);
            if (n > 0) m_owner.taken(buf[1]);
            return n;
        }

    private:
        TimedBoards& m_owner;
        std::unique_ptr<platform::hid::HidHandle> m_inner;
    };

    void taken(uint8_t command) {
        std::lock_guard g(m_mutex);
        m_commands.push_back({command, m_clock.nowMs()});
    }

    platform::Clock& m_clock;
    std::mutex m_mutex;
    std::vector<TimedCommand> m_commands;
};

// The longest time between two ticks of a timer on the window's thread, and between two paints
// of the live view: while either is long, the window shows nothing new.
class StallMeter : public QObject {
public:
    explicit StallMeter(QWidget* liveView) : m_view(liveView) {
        m_view->installEventFilter(this);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { note(m_lastTick, m_tickGap); });
        m_timer.start(5);
        m_clock.start();
    }
    void reset() {
        m_tickGap = m_paintGap = 0;
        m_lastTick = m_lastPaint = -1;
        m_paints = 0;
    }
    qint64 tickGap() const { return m_tickGap; }
    qint64 paintGap() const { return m_paintGap; }
    int paints() const { return m_paints; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_view && e->type() == QEvent::Paint) {
            ++m_paints;
            note(m_lastPaint, m_paintGap);
        }
        return false;
    }

private:
    void note(qint64& last, qint64& gap) {
        const qint64 now = m_clock.elapsed();
        if (last >= 0) gap = std::max(gap, now - last);
        last = now;
    }

    QWidget* m_view;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTick = -1, m_lastPaint = -1, m_tickGap = 0, m_paintGap = 0;
    int m_paints = 0;
};

int timeScale() {
    bool ok = false;
    const int scale = qEnvironmentVariableIntValue("OSTRELY_BOARD_TIME_SCALE", &ok);
    return ok && scale >= 1 ? scale : 10;
}

}  // namespace

TEST_F(ShellTest, QuickUnplugsAndPlugsNeverStallTheWindowAndKeepTheBoardsPauses) {
    constexpr int kCycles = 30;
    const int scale = timeScale();
    // The window and its boards outlive this body (they go in TearDown): so does their clock.
    static QuickClock quick(scale);
    auto owned = std::make_unique<TimedBoards>(quick);
    TimedBoards& timed = *owned;
    otherBoards = std::move(owned);
    otherBoardClock = &quick;
    start();
    timed.sim.setDeviceChangeReceiver(&dlg());
    const auto log = [&] { return timed.sim.execute("log").section('\n', 1).remove('\n'); };
    const auto opened = [&](int times) { return log() == QString("ADD").repeated(times); };
    ASSERT_TRUE(testsupport::MessageRecorder::waitUntil([&] { return opened(1); }, 60000));

    StallMeter meter(dlg().videoWindow(0));
    testsupport::MessageRecorder::waitUntil([] { return false; }, 100);
    meter.reset();
    QElapsedTimer total;
    total.start();
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        ASSERT_EQ(timed.sim.execute("unplug"), "ok");
        testsupport::MessageRecorder::waitUntil([] { return false; }, 20);
        ASSERT_EQ(timed.sim.execute("plug"), "ok");
        ASSERT_TRUE(testsupport::MessageRecorder::waitUntil(
            [&] { return opened(cycle + 1) && dlg().devices()->GetDeviceCount() == 1; }, 60000))
            << "cycle " << cycle << ": " << log().toStdString();
    }
    const qint64 elapsed = total.elapsed();
    std::cout << "[ measured ] " << kCycles << " unplug/plug cycles in " << elapsed
              << " ms (board time x" << scale << "): longest stall of the window's thread "
              << meter.tickGap() << " ms, longest gap between live-view paints " << meter.paintGap()
              << " ms over " << meter.paints() << " paints" << std::endl;
    RecordProperty("window_stall_ms", static_cast<int>(meter.tickGap()));
    RecordProperty("paint_gap_ms", static_cast<int>(meter.paintGap()));

    // The unplugged board could take no "E"; every "A" and "D" it took was followed by the full
    // pause before its next command.
    const std::vector<TimedCommand> commands = timed.commands();
    ASSERT_EQ(commands.size(), size_t(3 * (kCycles + 1)));
    for (size_t k = 0; k + 1 < commands.size(); ++k) {
        EXPECT_EQ(commands[k].command, "ADD"[k % 3]) << k;
        EXPECT_GE(commands[k + 1].at - commands[k].at, TouchDevice::kCommandPauseMs) << k;
    }
}
