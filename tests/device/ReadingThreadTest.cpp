// The reading thread: key messages, faulty boards, changes of the list while it runs, shutdown.
#include "FakeHidTransport.h"
#include "device/DeviceManager.h"
#include "platform/MessageIds.h"
#include "tests/support/FakeClock.h"
#include "tests/support/HoldPoint.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MessageRecorder.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <stdexcept>
#include <thread>

using testsupport::boardPath;
using testsupport::MessageRecorder;

namespace {

class ReadingThreadTest : public ::testing::Test {
protected:
    testsupport::FakeClock clock{testsupport::FakeClock::Pace::Paced};
    testsupport::FakeHidTransport hid{clock};
    MessageRecorder owner;
    DeviceManager dm{&owner, hid, clock};
    const QString a = boardPath("7&1A2B&0&0000");
    const QString b = boardPath("7&3C4D&0&0000");

    // Starts the thread and waits until it has opened the listed boards ("A", "D", "D").
    void start(std::initializer_list<QString> opened) {
        dm.StartReadingThread();
        for (const QString& p : opened) {
            ASSERT_TRUE(MessageRecorder::waitUntil([&] { return hid.commands(p) == "ADD"; }));
        }
    }

    std::vector<testsupport::RecordedMessage> keys() const { return owner.of(msg::kKey); }
    bool waitForKeys(size_t n) {
        return MessageRecorder::waitUntil([&] { return keys().size() >= n; });
    }
};

TEST_F(ReadingThreadTest, KeyReportPostsBoardIndexAndKeyType) {
    hid.plug(a);
    hid.plug(b);
    ASSERT_EQ(dm.EnumDevices(), 2);
    start({a, b});
    hid.pressKey(b, 5);
    ASSERT_TRUE(waitForKeys(1));
    hid.pressKey(a, 10);
    ASSERT_TRUE(waitForKeys(2));
    EXPECT_EQ(keys()[0].wParam, 1u);
    EXPECT_EQ(keys()[0].lParam, 5);
    EXPECT_EQ(keys()[1].wParam, 0u);
    EXPECT_EQ(keys()[1].lParam, 10);
}

TEST_F(ReadingThreadTest, OnlyF1_91ReportsAreKeysWhateverTheirLength) {
    hid.plug(a);
    dm.EnumDevices();
    start({a});
    hid.push(a, {0xF1, 0x92, 0x00, 0x04});  // byte 1 other than 0x91
    hid.push(a, {0xF0, 0x91, 0x00, 0x04});
    hid.push(a, {0xF1});                // short
    hid.push(a, {});                    // empty
    std::vector<uint8_t> big(4000, 0);  // oversized: cut to the board's length
    big[0] = 0xF1, big[1] = 0x91, big[3] = 0xFF;
    hid.push(a, big);
    hid.pressKey(a, 7);
    ASSERT_TRUE(waitForKeys(2));
    dm.Shutdown();
    ASSERT_EQ(keys().size(), 2u);
    EXPECT_EQ(keys()[0].lParam, 0xFF);
    EXPECT_EQ(keys()[1].lParam, 7);
}

TEST_F(ReadingThreadTest, BoardThatFailedToOpenStaysListedAndPostsNothing) {
    hid.plug(a);
    hid.plug(b);
    dm.EnumDevices();
    hid.setOpenable(a, false);
    start({b});
    hid.pressKey(a, 1);
    hid.pressKey(b, 2);
    ASSERT_TRUE(waitForKeys(1));
    dm.Shutdown();
    EXPECT_EQ(dm.GetDeviceCount(), 2);
    ASSERT_EQ(keys().size(), 1u);
    EXPECT_EQ(keys()[0].wParam, 1u);
    EXPECT_EQ(hid.commands(a), "");
}

TEST_F(ReadingThreadTest, VanishedBoardDoesNotStopTheOthers) {
    hid.plug(a);
    hid.plug(b);
    dm.EnumDevices();
    start({a, b});
    hid.unplug(a);  // mid-read for the thread
    hid.pressKey(b, 3);
    ASSERT_TRUE(waitForKeys(1));
    hid.pressKey(b, 4);
    ASSERT_TRUE(waitForKeys(2));
    EXPECT_EQ(keys()[1].wParam, 1u);
    // Removal of the vanished board, then its return.
    EXPECT_EQ(dm.RemoveDevice(a), 0);
    hid.plug(a);
    EXPECT_EQ(dm.AddDevice(a), 2);
    hid.pressKey(a, 6);
    ASSERT_TRUE(waitForKeys(3));
    EXPECT_EQ(keys()[2].wParam, 1u);  // now second in the list
    EXPECT_EQ(keys()[2].lParam, 6);
}

TEST_F(ReadingThreadTest, ListChangesWhileReadingKeepIndexesInStep) {
    hid.plug(a);
    dm.EnumDevices();
    start({a});
    hid.plug(b);
    EXPECT_EQ(dm.AddDevice(b), 2);
    dm.SendCommandD(1);
    hid.pressKey(b, 8);
    ASSERT_TRUE(waitForKeys(1));
    EXPECT_EQ(keys()[0].wParam, 1u);
    EXPECT_EQ(dm.RemoveDevice(a), 0);
    hid.pressKey(b, 9);
    ASSERT_TRUE(waitForKeys(2));
    EXPECT_EQ(keys()[1].wParam, 0u);
    EXPECT_EQ(hid.commands(a), "ADDE");
    EXPECT_EQ(hid.commands(b), "ADD");
}

TEST_F(ReadingThreadTest, ShutdownEndsWithinOnePassAndSendsEToEveryOpenBoard) {
    const QString c = boardPath("7&5E6F&0&0000");
    hid.plug(a);
    hid.plug(b);
    hid.plug(c);
    dm.EnumDevices();
    hid.setOpenable(c, false);
    start({a, b});
    std::atomic<int> readsAfterStop{0};
    hid.setReadHook([&](const QString&) {
        if (dm.stopRequested) ++readsAfterStop;
    });
    dm.Shutdown();
    EXPECT_LE(readsAfterStop.load(), 3);  // at most the rest of the pass under way
    EXPECT_EQ(hid.commands(a), "ADDE");
    EXPECT_EQ(hid.commands(b), "ADDE");
    EXPECT_EQ(hid.commands(c), "");
    EXPECT_TRUE(keys().empty());
}

TEST_F(ReadingThreadTest, WithoutBoardsTheThreadIdlesAndPostsNothing) {
    dm.EnumDevices();
    const int64_t start = clock.nowMs();
    dm.StartReadingThread();
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return clock.nowMs() - start > 5000; }));
    dm.Shutdown();
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(ReadingThreadTest, APassTakesEveryQueuedReportSoJunkCannotHoldAKeyBack) {
    hid.plug(a);
    hid.plug(b);
    dm.EnumDevices();
    start({a, b});
    // The reading thread is held in a read of b while the reports are queued, so all of them
    // are there at once, however slowly this thread queues them.
    testsupport::HoldPoint readOfB;
    std::atomic<int64_t> keyRead{0};
    hid.setReadHook([&](const QString& path) {
        if (path == a && hid.pending(a) == 1) keyRead = clock.nowMs();  // key 8, queued last
        if (path == b) readOfB.hold();
    });
    ASSERT_TRUE(readOfB.waitHeld());
    for (int i = 0; i < 60; ++i) hid.push(a, {0xF1, 0x22, 0x00, 0x04});
    hid.pressKey(a, 8);
    hid.pressKey(b, 2);
    const int64_t queued = clock.nowMs();
    readOfB.release();
    ASSERT_TRUE(waitForKeys(2));
    // The rest of the pass under way and the next one; a report a pass would be 61 passes.
    EXPECT_LE(keyRead - queued, DeviceManager::kPassPauseMs + 2 * TouchDevice::kReadTimeoutMs);
    dm.Shutdown();
    ASSERT_EQ(keys().size(), 2u);
    std::map<quintptr, qintptr> byBoard;  // the two boards' keys may come in either order
    for (const auto& k : keys()) byBoard[k.wParam] = k.lParam;
    EXPECT_EQ(byBoard, (std::map<quintptr, qintptr>{{0, 8}, {1, 2}}));
}

TEST_F(ReadingThreadTest, ABoardThatNeverStopsSendingCannotHoldThePass) {
    hid.plug(a);
    hid.plug(b);
    dm.EnumDevices();
    start({a, b});
    std::atomic<int> readsOfA{0};
    hid.setReadHook([&](const QString& path) {
        if (path != a) return;
        ++readsOfA;
        hid.push(a, {0xF1, 0x22});  // another one behind every report read
    });
    hid.push(a, {0xF1, 0x22});
    // The key is pressed once a's flood has begun: a read of a already under way when the hook
    // was set would not flood, and the key could then come before any flooded pass.
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return readsOfA > 0; }));
    hid.pressKey(b, 6);
    ASSERT_TRUE(waitForKeys(1));
    dm.Shutdown();
    EXPECT_EQ(keys()[0].wParam, 1u);
    EXPECT_GE(readsOfA.load(), DeviceManager::kMaxReportsPerPass);
}

TEST_F(ReadingThreadTest, QueuedChangesRunInOrderOffTheOwnersThreadAndReportBack) {
    hid.plug(a);
    dm.EnumDevices();
    start({a});
    std::vector<QString> done;
    const auto owners = std::this_thread::get_id();
    std::atomic<bool> offThread{true};
    hid.setReadHook([&](const QString&) {
        if (std::this_thread::get_id() == owners) offThread = false;
    });
    hid.plug(b);
    hid.pushIdentification(b, {0xCA, 0xFE, 0x00, 0x01});
    dm.QueueArrival(b, [&](int before, int after) {
        done.push_back(QString("arrived %1 %2").arg(before).arg(after));
    });
    dm.QueueRemoval(a, [&](int index, int left) {
        done.push_back(QString("removed %1 %2").arg(index).arg(left));
    });
    dm.QueueRemoval(a, [&](int index, int left) {
        done.push_back(QString("removed %1 %2").arg(index).arg(left));
    });
    dm.QueueCommandD(0);
    EXPECT_TRUE(done.empty()) << "nothing of it runs on the caller's thread";
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return done.size() == 3; }));
    EXPECT_EQ(done, (std::vector<QString>{"arrived 1 2", "removed 0 1", "removed -1 1"}));
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return hid.commands(b) == "ADDD"; }));
    EXPECT_TRUE(offThread);
    EXPECT_EQ(dm.GetDeviceId(0), "CAFE0001");
    EXPECT_EQ(hid.commands(a), "ADDE");
    // Each command the board took is followed by the full pause before the next one.
    const auto times = hid.writeTimes(b);
    for (size_t k = 1; k < times.size(); ++k)
        EXPECT_GE(times[k] - times[k - 1], TouchDevice::kCommandPauseMs) << k;
}

TEST_F(ReadingThreadTest, ShutdownDropsQueuedChangesAndTheirCompletions) {
    hid.plug(a);
    bool called = false;
    dm.QueueArrival(a, [&](int, int) { called = true; });
    dm.Shutdown();
    dm.QueueArrival(a, [&](int, int) { called = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_EQ(hid.commands(a), "");
    EXPECT_EQ(dm.GetDeviceCount(), 0);
}

// A clock whose command pauses hold until the test lets them go.
class HeldPauseClock : public testsupport::FakeClock {
public:
    HeldPauseClock() : FakeClock(Pace::Paced) {}
    void sleepMs(int ms) override {
        if (ms != TouchDevice::kCommandPauseMs) return FakeClock::sleepMs(ms);
        pause.hold();
    }
    testsupport::HoldPoint pause;
};

TEST(BoardPauseTest, NoPauseHoldsTheListFromTheOwnersThread) {
    HeldPauseClock clock;
    testsupport::FakeHidTransport hid{clock};
    MessageRecorder owner;
    DeviceManager dm{&owner, hid, clock};
    const QString a = boardPath("7&1A2B&0&0000");
    hid.plug(a);
    hid.pushIdentification(a, {1, 2, 3, 4});
    dm.EnumDevices();
    dm.StartReadingThread();  // opening: "A", then its pause
    ASSERT_TRUE(clock.pause.waitHeld());
    auto asked = std::async(std::launch::async, [&] {
        return QString("%1 %2 %3")
            .arg(dm.GetDeviceCount())
            .arg(dm.GetDeviceId(0))
            .arg(dm.WriteCommand(0, TouchDevice::kCommandZ));
    });
    const bool answered = asked.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    clock.pause.release();
    ASSERT_TRUE(answered) << "the list was held through the pause";
    EXPECT_EQ(asked.get(), "1  0") << "still being opened: listed, no id, not written to";
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return hid.commands(a) == "ADD"; }));
    dm.Shutdown();
    EXPECT_EQ(hid.commands(a), "ADDE");
}

}  // namespace

TEST_F(ReadingThreadTest, AReadThatThrowsClosesTheBoardsAndEndsTheThreadWithALogLine) {
    testsupport::LogCapture log;
    hid.plug(a);
    hid.plug(b);
    ASSERT_EQ(dm.EnumDevices(), 2);
    std::atomic<bool> armed{false};
    hid.setReadHook([&](const QString& path) {
        if (path == b && armed.exchange(false)) throw std::runtime_error("hidraw went away");
    });
    start({a, b});
    armed = true;
    // Both boards are told "E" and closed, as at shutdown, though nobody asked for it.
    ASSERT_TRUE(MessageRecorder::waitUntil(
        [&] { return hid.commands(a) == "ADDE" && hid.commands(b) == "ADDE"; }));
    hid.pressKey(a, 5);
    dm.Shutdown();
    EXPECT_TRUE(keys().empty());
    EXPECT_EQ(log.matching("ostrely.board", {"reading thread", "hidraw went away"}).size(), 1);
}
