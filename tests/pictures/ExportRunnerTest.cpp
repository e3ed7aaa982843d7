#include "pictures/ExportRunner.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

using pictures::ExportRunner;
using namespace std::chrono_literals;

namespace {

// Work that waits until the test lets it go on.
class Gate {
public:
    void open() { m_open.set_value(); }
    bool waitOpen() const { return m_opened.wait_for(10s) == std::future_status::ready; }

private:
    std::promise<void> m_open;
    std::shared_future<void> m_opened = m_open.get_future().share();
};

}  // namespace

TEST(ExportRunner, TheWorkRunsBesideTheThreadWhichGetsItsProgressAndResult) {
    ExportRunner runner;
    Gate gate;
    const std::thread::id ui = std::this_thread::get_id();
    std::atomic<bool> workedElsewhere{false};
    std::vector<std::pair<int, int>> steps;
    bool stepsOnUi = true, doneOnUi = false;
    std::optional<ExportRunner::Result> result;
    ASSERT_TRUE(runner.start(
        [&](const pictures::PdfExport::Progress& progress) {
            workedElsewhere = std::this_thread::get_id() != ui;
            if (!gate.waitOpen()) return ExportRunner::Result{};
            for (int i = 1; i <= 3; ++i) progress(i, 3);
            return ExportRunner::Result{true, 2};
        },
        [&](int done, int total) {
            steps.emplace_back(done, total);
            stepsOnUi = stepsOnUi && std::this_thread::get_id() == ui;
        },
        [&](const ExportRunner::Result& r) {
            result = r;
            doneOnUi = std::this_thread::get_id() == ui;
        }));
    // The export waits, and the thread goes on with its own events meanwhile.
    bool ticked = false;
    QTimer::singleShot(0, [&] { ticked = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(ticked);
    EXPECT_TRUE(runner.running());
    EXPECT_FALSE(runner.start(
        [](const auto&) {
            return ExportRunner::Result{true, 0};
        },
        {}, {}))
        << "one export at a time";

    gate.open();
    runner.wait();
    EXPECT_FALSE(runner.running());
    EXPECT_TRUE(workedElsewhere);
    EXPECT_EQ(steps, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_TRUE(stepsOnUi);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(result->saved);
    EXPECT_EQ(result->leftOut, 2);
    EXPECT_TRUE(doneOnUi);
    EXPECT_FALSE(runner.stop().has_value()) << "its result was handed back";
}

// The program's end waits for its export; the messages of the running program (a picture
// taken, a key on the board) still arrive while it waits.
TEST(ExportRunner, WaitingDeliversTheThreadsEvents) {
    ExportRunner runner;
    QObject receiver;
    std::promise<void> seen;
    std::future<void> seenByWork = seen.get_future();
    bool done = false;
    ASSERT_TRUE(runner.start(
        [&](const auto&) {
            QMetaObject::invokeMethod(
                &receiver, [&] { seen.set_value(); }, Qt::QueuedConnection);
            // Were the waiting thread blocked, this would never be seen.
            return ExportRunner::Result{seenByWork.wait_for(10s) == std::future_status::ready, 0};
        },
        {}, [&](const ExportRunner::Result& r) { done = r.saved; }));
    runner.wait();
    EXPECT_TRUE(done);
    runner.wait();  // nothing runs: returns at once
}

TEST(ExportRunner, WorkThatThrowsEndsAsAnExportThatSavedNothing) {
    ExportRunner runner;
    std::optional<ExportRunner::Result> result;
    ASSERT_TRUE(runner.start(
        [](const auto&) -> ExportRunner::Result { throw std::runtime_error("disk gone"); }, {},
        [&](const ExportRunner::Result& r) { result = r; }));
    runner.wait();
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->saved);

    result.reset();
    ASSERT_TRUE(runner.start(
        [](const auto&) {
            return ExportRunner::Result{true, 0};
        },
        {}, [&](const ExportRunner::Result& r) { result = r; }))
        << "the next export runs as usual";
    runner.wait();
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(result->saved);
}

// The program ends under an export: the export finishes, its result goes to whoever stops the
// runner rather than to a window that is going away, and nothing starts afterwards.
TEST(ExportRunner, StoppingWaitsForTheExportAndKeepsItsResult) {
    ExportRunner runner;
    Gate gate;
    bool doneRan = false, progressRan = false;
    ASSERT_TRUE(runner.start(
        [&](const pictures::PdfExport::Progress& progress) {
            progress(1, 1);
            gate.waitOpen();
            return ExportRunner::Result{false, 1};
        },
        [&](int, int) { progressRan = true; },
        [&](const ExportRunner::Result&) { doneRan = true; }));
    std::thread opener([&] {
        std::this_thread::sleep_for(20ms);
        gate.open();
    });
    const std::optional<ExportRunner::Result> untold = runner.stop();
    opener.join();
    ASSERT_TRUE(untold.has_value());
    EXPECT_FALSE(untold->saved);
    EXPECT_EQ(untold->leftOut, 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(doneRan);
    EXPECT_FALSE(progressRan);
    EXPECT_FALSE(runner.running());
    EXPECT_FALSE(runner.start([](const auto&) { return ExportRunner::Result{true, 0}; }, {}, {}));
    runner.wait();
}
