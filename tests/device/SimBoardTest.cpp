// The simulated board end to end: the control socket, the ostrely-board tool, and a running
// device manager that posts its keys.
#include "device/DeviceManager.h"
#include "platform/MessageIds.h"
#include "platform/hid/DeviceMonitor.h"
#include "platform/hid/HidBackend.h"
#include "platform/hid/SimBoard.h"
#include "platform/hid/SimBoardClient.h"
#include "platform/hid/SimBoardTransport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

using namespace platform::hid;
using testsupport::MessageRecorder;

namespace {

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

class SimBoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(sim.listen(socket, &error)) << qPrintable(error);
        sim.setDeviceChangeReceiver(&owner);
    }
    void TearDown() override { sim.setDeviceChangeReceiver(nullptr); }

    // Runs the tool with posix_spawn: QProcess forks, which the thread sanitizer does not allow
    // in a process with threads.
    ToolResult tool(const QStringList& args) {
        std::vector<QByteArray> argv = {QByteArray(OSTRELY_BIN_DIR "/ostrely-board"), "--socket",
                                        socket.toLocal8Bit()};
        for (const QString& a : args) argv.push_back(a.toLocal8Bit());
        std::vector<char*> ptrs;
        for (QByteArray& a : argv) ptrs.push_back(a.data());
        ptrs.push_back(nullptr);
        const QByteArray out = dir.file("tool.out").toLocal8Bit(),
                         err = dir.file("tool.err").toLocal8Bit();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, ptrs[0], &actions, nullptr, ptrs.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (rc != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return {};
        return {WEXITSTATUS(status), readAll(out), readAll(err)};
    }
    static QString readAll(const QByteArray& path) {
        QFile f(QString::fromLocal8Bit(path));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    }

    testsupport::TempDir dir;
    const QString socket = dir.file("board.sock");
    testsupport::FakeClock clock{testsupport::FakeClock::Pace::Paced};
    MessageRecorder owner;
    SimBoardTransport sim{1};
};

TEST_F(SimBoardTest, ToolDrivesARunningDeviceManager) {
    DeviceManager dm(&owner, sim, clock);
    ASSERT_EQ(tool({"id", "C0FFEE01"}).exitCode, 0);
    ASSERT_EQ(dm.EnumDevices(), 1);
    dm.StartReadingThread();
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return tool({"log"}).out == "A\nD\nD"; }));
    EXPECT_EQ(dm.GetDeviceId(0), "C0FFEE01");

    ASSERT_EQ(tool({"key", "4"}).exitCode, 0);
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return !owner.of(msg::kKey).empty(); }));
    EXPECT_EQ(owner.of(msg::kKey)[0].wParam, 0u);
    EXPECT_EQ(owner.of(msg::kKey)[0].lParam, 4);

    // A second board plugged in: arrival, as the main dialog would handle it.
    ASSERT_EQ(tool({"plug", "1"}).exitCode, 0);
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return !owner.of(msg::kDeviceChange).empty(); }));
    const auto arrival = owner.of(msg::kDeviceChange)[0];
    EXPECT_EQ(arrival.wParam, msg::kDeviceArrival);
    EXPECT_EQ(arrival.text, SimBoard(1).path());
    const int n = dm.AddDevice(arrival.text);
    ASSERT_EQ(n, 2);
    dm.SendCommandD(n - 1);
    ASSERT_EQ(tool({"report", "F191000A", "1"}).exitCode, 0);
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return owner.of(msg::kKey).size() == 2; }));
    EXPECT_EQ(owner.of(msg::kKey)[1].wParam, 1u);
    EXPECT_EQ(owner.of(msg::kKey)[1].lParam, 10);

    ASSERT_EQ(tool({"unplug", "1"}).exitCode, 0);
    ASSERT_TRUE(
        MessageRecorder::waitUntil([&] { return owner.of(msg::kDeviceChange).size() == 2; }));
    EXPECT_EQ(owner.of(msg::kDeviceChange)[1].wParam, msg::kDeviceRemoveComplete);
    EXPECT_EQ(dm.RemoveDevice(owner.of(msg::kDeviceChange)[1].text), 1);

    dm.Shutdown();
    EXPECT_EQ(tool({"log"}).out, "A\nD\nD\nE");
    EXPECT_EQ(tool({"log", "1"}).out, "A\nD\nD");  // unplugged before its "E" could reach it
}

TEST_F(SimBoardTest, BadCommandsAreRefusedWithAReason) {
    const QStringList bad[] = {{"key"},
                               {"key", "256"},
                               {"key", "x"},
                               {"key", "1", "8"},
                               {"key", "1", "-1"},
                               {"id", "123"},
                               {"id", "zzzzzzzz"},
                               {"report", "F19"},
                               {"plug"},
                               {"unplug", "3"},
                               {"frobnicate"},
                               {"key", "1", "0", "0"}};
    for (const QStringList& args : bad) {
        const ToolResult r = tool(args);
        EXPECT_EQ(r.exitCode, 1) << qPrintable(args.join(' '));
        EXPECT_TRUE(r.err.startsWith("ostrely-board: error: ")) << qPrintable(r.err);
    }
    EXPECT_EQ(tool({"key", "3", "2"}).exitCode, 1);  // board 2 is unplugged
    EXPECT_EQ(tool({}).exitCode, 2);
    EXPECT_EQ(tool({"list"}).out.split('\n').size(), SimBoardTransport::kMaxBoards);
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(SimBoardTest, SocketIsPrivateAndNotStolen) {
    EXPECT_EQ(QFile::permissions(socket) &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFileDevice::Permissions{});
    QString error;
    SimBoardServer second(socket, [](const QString&) { return QString("ok"); });
    EXPECT_FALSE(second.listen(&error));
    EXPECT_TRUE(error.contains("already listens")) << qPrintable(error);

    const QString plain = dir.file("plain");
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    SimBoardServer onFile(plain, [](const QString&) { return QString("ok"); });
    EXPECT_FALSE(onFile.listen(&error));
    EXPECT_TRUE(QFile::exists(plain));

    QString reply;
    EXPECT_FALSE(SimBoardClient(dir.file("nobody.sock")).request("list", &reply, &error));
}

TEST_F(SimBoardTest, ReportsOfAnUnpluggedBoardFailItsHandle) {
    auto h = sim.open(SimBoard(0).path().toLower());
    ASSERT_TRUE(h);
    ASSERT_TRUE(h->capabilities());
    EXPECT_EQ(h->capabilities()->inputReportByteLength, 64);
    EXPECT_EQ(sim.execute("unplug"), "ok");
    uint8_t buf[64];
    EXPECT_EQ(h->read(buf, sizeof buf, 1), kGone);
    EXPECT_EQ(sim.execute("plug"), "ok");
    EXPECT_EQ(h->read(buf, sizeof buf, 1), kGone);  // an old handle stays dead
    EXPECT_FALSE(sim.open(SimBoard(5).path()));
    EXPECT_TRUE(sim.execute("help").startsWith("ok"));
}

TEST(HidBackendTest, EnvironmentSelectsTheSimulatedBoard) {
    testsupport::TempDir dir;
    MessageRecorder receiver;
    qputenv("OSTRELY_BOARD", "sim");
    qputenv("OSTRELY_BOARD_SOCKET", dir.file("b.sock").toLocal8Bit());
    {
        const HidBackend sim = createHidBackend();
        qunsetenv("OSTRELY_BOARD");
        qunsetenv("OSTRELY_BOARD_SOCKET");
        ASSERT_TRUE(sim.simulated);
        EXPECT_EQ(sim.transport->enumerate().size(), 1u);  // one board plugged in from the start
        ASSERT_TRUE(sim.monitor->start(&receiver));
        QString reply, error;
        ASSERT_TRUE(SimBoardClient(dir.file("b.sock")).request("plug 1", &reply, &error))
            << qPrintable(error);
        EXPECT_EQ(reply.trimmed(), "ok");
        ASSERT_TRUE(
            MessageRecorder::waitUntil([&] { return !receiver.of(msg::kDeviceChange).empty(); }));
        EXPECT_EQ(receiver.of(msg::kDeviceChange)[0].text, SimBoard(1).path());
    }
    const HidBackend real = createHidBackend();
    EXPECT_FALSE(real.simulated);
    EXPECT_TRUE(real.transport && real.monitor);
}

}  // namespace
