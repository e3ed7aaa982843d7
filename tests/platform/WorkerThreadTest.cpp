// The one worker-thread type: an exception ends the work at the thread's edge with a log line
// and the owner's failure step, never the program.
#include "platform/Log.h"
#include "platform/WorkerThread.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <semaphore>
#include <stdexcept>
#include <thread>

using platform::WorkerThread;

TEST(WorkerThread, WorkThatEndsNormallyJoinsAsSuccessAndMayBeStartedAgain) {
    WorkerThread t(platform::log::camera(), "A test");
    EXPECT_TRUE(t.join());  // never started: nothing to wait for, nothing failed
    EXPECT_TRUE(t.joinFor(std::chrono::milliseconds(0)));
    std::thread::id ranOn;
    bool failureStep = false;
    ASSERT_TRUE(t.start([&] { ranOn = std::this_thread::get_id(); }, [&] { failureStep = true; }));
    EXPECT_TRUE(t.join());
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_FALSE(failureStep);
    EXPECT_FALSE(t.joinable());
    int runs = 0;
    ASSERT_TRUE(t.start([&] { ++runs; }, {}, WorkerThread::Priority::Normal));
    EXPECT_TRUE(t.join());
    EXPECT_EQ(runs, 1);
}

TEST(WorkerThread, AnExceptionIsLoggedOnTheAreaAndEndsTheWorkWithTheFailureStep) {
    testsupport::LogCapture log;
    WorkerThread t(platform::log::board(), "The reading thread");
    std::thread::id failedOn;
    ASSERT_TRUE(t.start([] { throw std::runtime_error("board exploded"); },
                        [&] { failedOn = std::this_thread::get_id(); }));
    EXPECT_FALSE(t.join());
    EXPECT_NE(failedOn, std::thread::id());
    EXPECT_NE(failedOn, std::this_thread::get_id());
    EXPECT_EQ(log.matching("ostrely.board", {"The reading thread", "board exploded"}).size(), 1);

    // Anything thrown, not only std::exception; a failing failure step is logged too.
    ASSERT_TRUE(t.start([] { throw 42; }, [] { throw std::logic_error("cleanup broke"); }));
    EXPECT_FALSE(t.join());
    EXPECT_EQ(log.matching("ostrely.board", {"unknown exception"}).size(), 1);
    EXPECT_EQ(log.matching("ostrely.board", {"cleanup broke"}).size(), 1);

    // A failure is not remembered past the next start.
    ASSERT_TRUE(t.start([] {}));
    EXPECT_TRUE(t.join());
}

TEST(WorkerThread, OneRunAtATimeAndATimedJoinLeavesARunningThreadAlone) {
    WorkerThread t(platform::log::share(), "A test");
    std::binary_semaphore go(0);
    ASSERT_TRUE(t.start([&] { go.acquire(); }));
    EXPECT_FALSE(t.start([] {}));  // still running
    EXPECT_FALSE(t.finished());
    EXPECT_FALSE(t.joinFor(std::chrono::milliseconds(1)));
    EXPECT_TRUE(t.joinable());
    go.release();
    EXPECT_TRUE(t.joinFor(std::chrono::hours(1)));
    EXPECT_FALSE(t.joinable());
}

TEST(WorkerThread, DestroyingAStartedWorkerWaitsForItsWork) {
    std::atomic<bool> ended{false};
    {
        WorkerThread t(platform::log::camera(), "A test");
        t.start([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ended = true;
        });
    }
    EXPECT_TRUE(ended);
}
