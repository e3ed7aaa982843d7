// Calls handed to the user-interface thread: they run there, in order, and a waiting worker is
// never left waiting when the sink closes or goes away.
#include "platform/CallSink.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MessageRecorder.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using platform::CallSink;
using testsupport::MessageRecorder;

namespace {

// A worker thread making one waited-for call; records how it came back.
class CallingWorker {
public:
    CallingWorker(CallSink& sink, std::function<void()> fn)
        : m_thread([this, &sink, fn = std::move(fn)] {
              result = sink.call(fn) ? 1 : 0;
              done = true;
          }) {}
    ~CallingWorker() { m_thread.join(); }
    std::atomic<int> result{-1};
    std::atomic<bool> done{false};

private:
    std::thread m_thread;
};

}  // namespace

TEST(CallSink, AWorkersCallRunsOnTheSinksThreadAndTheWorkerSeesItsEffects) {
    CallSink sink;
    std::vector<int> seen;  // touched only on this thread, read by the worker after its call
    QThread* ranOn = nullptr;
    std::vector<int> seenByWorker;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            sink.call([&, i] {
                seen.push_back(i);
                ranOn = QThread::currentThread();
            });
        seenByWorker = seen;
        finished = true;
    });
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return finished.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, qApp->thread());
    EXPECT_EQ(seenByWorker, (std::vector<int>{0, 1, 2}));
}

TEST(CallSink, OnItsOwnThreadACallRunsAtOnceAndPostedOnesRunInOrderLater) {
    CallSink sink;
    std::vector<int> order;
    EXPECT_TRUE(sink.call([&] { order.push_back(1); }));
    EXPECT_EQ(order, std::vector<int>{1});

    std::thread poster([&] {
        sink.post([&] { order.push_back(2); });
        sink.post([&] { order.push_back(3); });
    });
    poster.join();
    EXPECT_EQ(order, std::vector<int>{1});
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

// Destroying the sink closes it the same way; a worker cannot safely be caught mid-call on a sink
// being destroyed, which is why owners close first and then join.
TEST(CallSink, ClosingReleasesAWaitingWorkerWithoutRunningItsCall) {
    CallSink sink;
    std::atomic<bool> ran{false};
    {
        CallingWorker worker(sink, [&] { ran = true; });
        // This thread runs no event loop, so the call stays queued; whether the worker has
        // posted it yet or not, it must come back.
        QThread::msleep(20);
        sink.close();
        while (!worker.done) QThread::yieldCurrentThread();
        EXPECT_EQ(worker.result, 0);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    // Once closed, nothing more runs, waited for or posted, from any thread.
    EXPECT_FALSE(sink.call([&] { ran = true; }));
    std::thread late([&] {
        EXPECT_FALSE(sink.call([&] { ran = true; }));
        sink.post([&] { ran = true; });
    });
    late.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

TEST(CallSink, ACallThatThrowsIsLoggedAndReportedAsNotRunInsteadOfUnwindingTheLoop) {
    testsupport::LogCapture log;
    CallSink sink;
    CallingWorker worker(sink, [] { throw std::runtime_error("view gone"); });
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return worker.done.load(); }));
    EXPECT_EQ(worker.result, 0);
    EXPECT_FALSE(sink.call([] { throw 7; }));
    EXPECT_EQ(log.matching("ostrely.shell", {"view gone"}).size(), 1);
    EXPECT_EQ(log.matching("ostrely.shell", {"unknown exception"}).size(), 1);
    EXPECT_TRUE(sink.call([] {}));  // and the sink goes on working
}
