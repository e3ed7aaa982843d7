// The hidraw side without hardware: interface names, a handle over a packet socket standing in
// for the node, and the transport on a machine that may have no boards at all.
#include "platform/hid/HidrawHandle.h"
#include "platform/hid/HidrawTransport.h"
#include "platform/hid/HidrawWriter.h"
#include "platform/hid/InterfaceName.h"
#include "platform/hid/UdevDeviceMonitor.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/RefusedPath.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

using namespace platform::hid;

namespace {

// The main dialog's test: the 17 characters 4 after the first "HID" (or "USB").
QString idsAfter(const QString& name, const QString& word) {
    const int at = name.indexOf(word);
    return at > 0 ? name.mid(at + 4, 17) : QString();
}

TEST(InterfaceNameTest, NamesPassTheChecksWrittenForWindowsNames) {
    const QString board = hidInterfaceName(0x0483, 0x5851, 1, "0003:0483:5851.000A&0000");
    EXPECT_EQ(board,
              "\\\\?\\HID#VID_0483&PID_5851&COL01#0003&0483&5851.000A&0000"
              "#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    EXPECT_EQ(idsAfter(board, "HID"), "VID_0483&PID_5851");
    EXPECT_TRUE(hidInterfaceName(0xABCD, 0x00EF, 12, "x").contains("VID_ABCD&PID_00EF&COL12#X#"));

    const QString camera = usbDeviceName(0x0C45, 0x9102, "1-1.2");
    EXPECT_EQ(camera, "\\\\?\\USB#VID_0C45&PID_9102#1&1.2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    EXPECT_EQ(idsAfter(camera, "USB"), "VID_0C45&PID_9102");
    // Separators in an instance cannot break the name apart.
    EXPECT_FALSE(usbDeviceName(1, 2, "a#b\\c").contains("A#B"));
}

TEST(InterfaceNameTest, CollectionAndInterfacePartsOnlyWhereTheDeviceHasSeveral) {
    const auto names = [](int collections, int usbInterface) {
        return hidInterfaceNames(0x0483, 0x5851, collections, usbInterface, "0003:0483:5851.0007");
    };
    ASSERT_EQ(names(1, -1).size(), 1);
    EXPECT_TRUE(
        names(1, -1)[0].startsWith("\\\\?\\HID#VID_0483&PID_5851#0003&0483&5851.0007&0000#"));
    EXPECT_EQ(names(0, -1).size(), 1) << "an unreadable descriptor still names the interface";
    const QStringList three = names(3, -1);
    ASSERT_EQ(three.size(), 3);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(three[c].contains(QString("PID_5851&COL0%1#").arg(c + 1)));
        EXPECT_TRUE(three[c].contains(QString("5851.0007&000%1#").arg(c)));
        EXPECT_EQ(idsAfter(three[c], "HID"), "VID_0483&PID_5851");
    }
    EXPECT_TRUE(names(1, 0x0A)[0].contains("PID_5851&MI_0A#"));
    EXPECT_TRUE(names(2, 1)[1].contains("PID_5851&MI_01&COL02#"));
}

// A write the other end does not take: the caller waits only its time-out, a second write is
// refused at once while the first still hangs, and the first goes through when taken.
TEST(HidrawWriterTest, AHangingWriteIsLeftAfterTheWaitAndFinishesAlone) {
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    ASSERT_EQ(::fcntl(p[1], F_SETFL, O_NONBLOCK), 0);
    std::vector<uint8_t> fill(4096, 0x55);
    size_t filled = 0;
    for (size_t chunk : {fill.size(), size_t(1)}) {
        for (ssize_t n; (n = ::write(p[1], fill.data(), chunk)) > 0;) filled += size_t(n);
    }
    ASSERT_EQ(::fcntl(p[1], F_SETFL, 0), 0);  // from now on a write blocks
    {
        HidrawWriter writer(p[1]);
        const uint8_t cmd[4] = {0x01, 0x44, 0, 0};
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_FALSE(writer.write(cmd, sizeof cmd, 50).done);
        EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(50));
        EXPECT_FALSE(writer.write(cmd, sizeof cmd, 0).done) << "the first one still hangs";
        // Taking the pipe's contents lets the hanging write finish.
        std::vector<uint8_t> sink(filled + 4);
        size_t got = 0;
        while (got < filled + 4) {
            const ssize_t n = ::read(p[0], sink.data(), sink.size() - got);
            ASSERT_GT(n, 0);
            got += size_t(n);
        }
        const auto r = writer.write(cmd, sizeof cmd, 5000);
        EXPECT_TRUE(r.done);
        EXPECT_EQ(r.put, 4);
    }
    ::close(p[0]);
    ::close(p[1]);
}

class HidrawHandleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0); }
    void TearDown() override {
        if (fds[1] >= 0) ::close(fds[1]);
    }
    void send(std::vector<uint8_t> r) {
        ASSERT_EQ(::write(fds[1], r.data(), r.size()), static_cast<ssize_t>(r.size()));
    }
    int fds[2] = {-1, -1};
};

TEST_F(HidrawHandleTest, ReadsWholeReportsWithTimeOutAndCutsLongOnes) {
    HidrawHandle h(fds[0], 0);
    EXPECT_FALSE(h.capabilities());  // no descriptor on this node
    uint8_t buf[8] = {};
    EXPECT_EQ(h.read(buf, sizeof buf, 5), 0);
    send({0xF1, 0x91, 0x00, 0x0A});
    EXPECT_EQ(h.read(buf, sizeof buf, 5), 4);
    EXPECT_EQ(buf[3], 0x0A);
    send(std::vector<uint8_t>(100, 0x55));
    EXPECT_EQ(h.read(buf, sizeof buf, 5), 8);
    EXPECT_EQ(h.read(buf, sizeof buf, 5), 0);  // the rest of the long report is gone with it
    EXPECT_EQ(h.read(buf, 0, 5), 0);
}

TEST_F(HidrawHandleTest, WritesAndReportsAVanishedNode) {
    testsupport::LogCapture log;
    HidrawHandle h(fds[0], 0, "/dev/hidraw3");
    const uint8_t cmd[4] = {0x01, 0x44, 0, 0};
    EXPECT_EQ(h.write(cmd, sizeof cmd, 50), 4);
    uint8_t got[8] = {};
    EXPECT_EQ(::read(fds[1], got, sizeof got), 4);
    EXPECT_EQ(got[1], 0x44);
    ::close(fds[1]);
    fds[1] = -1;
    uint8_t buf[8];
    EXPECT_EQ(h.read(buf, sizeof buf, 50), kGone);
    EXPECT_EQ(h.write(cmd, sizeof cmd, 50), kGone);
    EXPECT_EQ(log.matching("ostrely.board", {"/dev/hidraw3", "writing", "gone"}).size(), 1)
        << log.lines().join('\n').toStdString();
}

// A node that is not there, and one we may not open: null, and one line with the node's path
// and the system's reason.
TEST(HidrawOpenTest, NodesThatCannotBeOpenedSayWhy) {
    testsupport::TempDir tmp;
    testsupport::LogCapture log;
    const QString missing = tmp.path() + "/hidraw9";
    EXPECT_EQ(HidrawHandle::open(missing, 0), nullptr);
    EXPECT_EQ(log.matching("ostrely.board", {missing, "No such file or directory"}).size(), 1)
        << log.lines().join('\n').toStdString();
    // Tried again and again while it stays away: said once, and again once it had opened.
    int lastError = 0;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(HidrawHandle::open(missing, 0, &lastError), nullptr);
    EXPECT_EQ(lastError, ENOENT);
    QFile(missing).open(QIODevice::WriteOnly);
    EXPECT_NE(HidrawHandle::open(missing, 0, &lastError), nullptr);
    EXPECT_EQ(lastError, 0);
    QFile::remove(missing);
    EXPECT_EQ(HidrawHandle::open(missing, 0, &lastError), nullptr);
    EXPECT_EQ(log.lines().size(), 3) << log.lines().join('\n').toStdString();

    const QString locked = testsupport::refusedPath(tmp.file("hidraw0"));
    if (locked.isEmpty()) GTEST_SKIP() << "no path here refuses us with EACCES";
    EXPECT_EQ(HidrawHandle::open(locked, 0), nullptr);
    EXPECT_EQ(log.matching("ostrely.board", {locked, "Permission denied"}).size(), 1)
        << log.lines().join('\n').toStdString();
}

TEST(HidrawTransportTest, UnknownNamesDoNotOpen) {
    HidrawTransport t;
    for (const HidInterface& i : t.enumerate()) EXPECT_TRUE(i.path.startsWith("\\\\?\\HID#VID_"));
    EXPECT_FALSE(t.open(QString()));
    EXPECT_FALSE(t.open(hidInterfaceName(0x0483, 0x5851, 1, "no-such-board")));
}

TEST(UdevDeviceMonitorTest, StartsOnceAndStopsCleanly) {
    testsupport::MessageRecorder receiver;
    UdevDeviceMonitor none(true, true);
    EXPECT_FALSE(none.start(nullptr));
    UdevDeviceMonitor monitor(true, true);
    // Containers may refuse the udev socket; either way nothing is posted without a hot-plug.
    if (monitor.start(&receiver)) {
        EXPECT_FALSE(monitor.start(&receiver));
    }
    EXPECT_TRUE(receiver.messages.empty());
}

}  // namespace
