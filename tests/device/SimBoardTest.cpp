// The simulated board end to end: the control socket, the ostrely-board tool, and a running
// device manager that posts its keys.
#include "device/DeviceManager.h"
#include "platform/hid/DeviceMonitor.h"
#include "platform/hid/SimBoard.h"
#include "platform/hid/SimBoardClient.h"
#include "platform/hid/SimBoardTransport.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PacedFakeClock.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QProcess>

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

    ToolResult tool(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(OSTRELY_BIN_DIR "/ostrely-board"), QStringList{"--socket", socket} + args);
        if (!p.waitForFinished(10000)) return {};
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
                QString::fromUtf8(p.readAllStandardError()).trimmed()};
    }

    testsupport::TempDir dir;
    const QString socket = dir.file("board.sock");
    testsupport::PacedFakeClock clock;
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
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return !owner.of(DeviceManager::kKeyMessage).empty(); }));
    EXPECT_EQ(owner.of(DeviceManager::kKeyMessage)[0].wParam, 0u);
    EXPECT_EQ(owner.of(DeviceManager::kKeyMessage)[0].lParam, 4);

    // A second board plugged in: arrival, as the main dialog would handle it.
    ASSERT_EQ(tool({"plug", "1"}).exitCode, 0);
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return !owner.of(kDeviceChangeMessage).empty(); }));
    const auto arrival = owner.of(kDeviceChangeMessage)[0];
    EXPECT_EQ(arrival.wParam, kDeviceArrival);
    EXPECT_EQ(arrival.text, SimBoard(1).path());
    const int n = dm.AddDevice(arrival.text);
    ASSERT_EQ(n, 2);
    dm.SendCommandD(n - 1);
    ASSERT_EQ(tool({"report", "F191000A", "1"}).exitCode, 0);
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return owner.of(DeviceManager::kKeyMessage).size() == 2; }));
    EXPECT_EQ(owner.of(DeviceManager::kKeyMessage)[1].wParam, 1u);
    EXPECT_EQ(owner.of(DeviceManager::kKeyMessage)[1].lParam, 10);

    ASSERT_EQ(tool({"unplug", "1"}).exitCode, 0);
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return owner.of(kDeviceChangeMessage).size() == 2; }));
    EXPECT_EQ(owner.of(kDeviceChangeMessage)[1].wParam, kDeviceRemoveComplete);
    EXPECT_EQ(dm.RemoveDevice(owner.of(kDeviceChangeMessage)[1].text), 1);

    dm.Shutdown();
    EXPECT_EQ(tool({"log"}).out, "A\nD\nD\nE");
    EXPECT_EQ(tool({"log", "1"}).out, "A\nD\nD");  // unplugged before its "E" could reach it
}

TEST_F(SimBoardTest, BadCommandsAreRefusedWithAReason) {
    const QStringList bad[] = {{"key"},           {"key", "256"},      {"key", "x"},
                               {"key", "1", "8"}, {"key", "1", "-1"},  {"id", "123"},
                               {"id", "zzzzzzzz"}, {"report", "F19"}, {"plug"},
                               {"unplug", "3"},   {"frobnicate"},     {"key", "1", "0", "0"}};
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
    EXPECT_EQ(QFile::permissions(socket) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
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

}  // namespace
