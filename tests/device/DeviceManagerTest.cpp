// The board protocol and the list operations, on one thread with a fake clock.
#include "BoardDescriptors.h"
#include "FakeHidTransport.h"
#include "device/DeviceManager.h"
#include "platform/hid/InterfaceName.h"
#include "platform/hid/ReportDescriptor.h"
#include "tests/support/FakeClock.h"
#include "tests/support/MessageRecorder.h"

#include <gtest/gtest.h>

using testsupport::boardPath;
using testsupport::FakeBoardSetup;

namespace {

class DeviceManagerTest : public ::testing::Test {
protected:
    testsupport::FakeClock clock;
    testsupport::FakeHidTransport hid{clock};
    testsupport::MessageRecorder owner;
    DeviceManager dm{&owner, hid, clock};
    const QString a = boardPath("7&1A2B&0&0000");
    const QString b = boardPath("7&3C4D&0&0000");

    TouchDevice device(const QString& path) { return TouchDevice(path, hid, clock); }
};

TEST_F(DeviceManagerTest, OpenSendsAReadsIdentificationSendsD) {
    hid.plug(a, {.caps = platform::hid::HidCaps{65, 17, 0}});
    hid.pushIdentification(a, {0x0A, 0x1B, 0xC2, 0xFF});
    TouchDevice d = device(a);
    const int64_t start = clock.nowMs();
    ASSERT_TRUE(d.Open());
    EXPECT_EQ(d.id, "0A1BC2FF");
    EXPECT_EQ(d.inputReportLength, 65);
    EXPECT_EQ(d.outputReportLength, 17);
    EXPECT_EQ(hid.commands(a), "AD");
    // A whole output report of the board's length: id 1, the command, zeros.
    for (const auto& w : hid.writes(a)) {
        ASSERT_EQ(w.size(), 17u);
        EXPECT_EQ(w[0], 0x01);
        EXPECT_TRUE(std::all_of(w.begin() + 2, w.end(), [](uint8_t x) { return x == 0; }));
    }
    EXPECT_EQ(clock.nowMs() - start, 2000);  // one pause after each completed write
}

TEST_F(DeviceManagerTest, IdentificationTakesTheFirstF1ReportOrGivesUpAfter2000ms) {
    hid.plug(a);
    hid.push(a, {0x02, 0, 0, 0, 0, 1, 2, 3, 4});                 // not 0xF1: read past
    hid.push(a, {0xF1, 0x91, 0, 5, 0, 0xDE, 0xAD, 0xBE, 0xEF});  // first 0xF1 ends it
    hid.pushIdentification(a, {1, 2, 3, 4});
    TouchDevice first = device(a);
    first.Open();
    EXPECT_EQ(first.id, "DEADBEEF");

    hid.plug(b);
    TouchDevice silent = device(b);
    const int64_t start = clock.nowMs();
    silent.Open();
    EXPECT_TRUE(silent.id.isEmpty());
    const int64_t waited = clock.nowMs() - start - 2000;  // less the two command pauses
    EXPECT_GT(waited, 2000);
    EXPECT_LE(waited, 2000 + TouchDevice::kReadTimeoutMs);
}

TEST_F(DeviceManagerTest, WriteThatDoesNotCompleteAtOnceIsNotFollowedByAPause) {
    hid.plug(a, {.writeResult = 0});
    hid.pushIdentification(a, {1, 2, 3, 4});
    TouchDevice d = device(a);
    const int64_t start = clock.nowMs();
    d.Open();
    EXPECT_EQ(hid.commands(a), "AD");
    EXPECT_EQ(clock.nowMs() - start, 0);
}

TEST_F(DeviceManagerTest, BoardsThatCannotBeUsedFailQuietly) {
    // Descriptor unusable: the open fails, the handle stays, nothing is sent or read.
    hid.plug(a, {.caps = std::nullopt});
    TouchDevice noCaps = device(a);
    EXPECT_FALSE(noCaps.Open());
    EXPECT_TRUE(noCaps.IsOpen());
    EXPECT_EQ(noCaps.WriteCommand(TouchDevice::kCommandD), 0);
    std::vector<uint8_t> buf;
    EXPECT_EQ(noCaps.ReadReport(buf), 0);
    EXPECT_EQ(hid.commands(a), "");

    // Not openable (a node this user may not open): fails, and later reads try to reopen.
    hid.plug(b, {.openable = false});
    TouchDevice denied = device(b);
    EXPECT_FALSE(denied.Open());
    EXPECT_FALSE(denied.IsOpen());
    EXPECT_EQ(denied.ReadReport(buf), 0);
    EXPECT_EQ(denied.WriteCommand(TouchDevice::kCommandE), 0);

    EXPECT_FALSE(device(QString()).Open());
}

TEST_F(DeviceManagerTest, ReportsShorterOrLongerThanTheBufferAreSafe) {
    // A board whose reports are shorter than the nine examined bytes.
    hid.plug(a, {.caps = platform::hid::HidCaps{4, 2, 0}});
    hid.push(a, {0xF1, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE});
    TouchDevice d = device(a);
    ASSERT_TRUE(d.Open());
    EXPECT_EQ(d.id, "00000000");  // only four bytes came in; the rest stays zero
    EXPECT_EQ(hid.writes(a).front().size(), 2u);

    hid.push(a, std::vector<uint8_t>(5000, 0xF1));
    std::vector<uint8_t> buf;
    EXPECT_EQ(d.ReadReport(buf), 4);
    EXPECT_GE(buf.size(), TouchDevice::kExaminedBytes);
    EXPECT_EQ(buf[4], 0);
    hid.push(a, {});
    EXPECT_EQ(d.ReadReport(buf), 0);
    EXPECT_EQ(buf[0], 0);
}

TEST_F(DeviceManagerTest, VanishedBoardClosesItsHandleAndIsReopenedWhenBack) {
    hid.plug(a);
    TouchDevice d = device(a);
    d.Open();
    hid.unplug(a);
    std::vector<uint8_t> buf;
    EXPECT_EQ(d.ReadReport(buf), 0);
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.ReadReport(buf), 0);  // reopening fails while it is away
    hid.plug(a);
    hid.pressKey(a, 3);
    EXPECT_GT(d.ReadReport(buf), 0);
    EXPECT_EQ(buf[3], 3);
}

TEST_F(DeviceManagerTest, EnumDevicesListsFirstCollectionsOfOurBoardsOnly) {
    hid.plug(a);
    hid.plug(boardPath("7&1A2B&0&0001", 2));  // second collection
    hid.plug(platform::hid::hidInterfaceName(0x046D, 0xC52B, 1, "mouse"),
             {.vendorId = 0x046D, .productId = 0xC52B});
    hid.plug(boardPath("7&9999&0&0000"), {.openable = false});  // probe fails: skipped
    hid.plug(b);
    EXPECT_EQ(dm.EnumDevices(), 2);
    EXPECT_EQ(dm.listReady, 1);
    EXPECT_EQ(dm.EnumDevices(), 2);  // a new scan replaces the records
    EXPECT_EQ(hid.commands(a), "");  // boards are opened by the reading thread, not here
}

TEST_F(DeviceManagerTest, ArrivalAddsAndOpensTheFirstCollectionOnly) {
    const QString col2 = boardPath("7&1A2B&0&0001", 2);
    hid.plug(col2);
    EXPECT_EQ(dm.AddDevice(col2), 0);
    hid.plug(a);
    hid.pushIdentification(a, {0x12, 0x34, 0x56, 0x78});
    EXPECT_EQ(dm.AddDevice(a.toLower()), 1);
    EXPECT_EQ(dm.GetDeviceId(0), "12345678");
    EXPECT_EQ(hid.commands(a), "AD");
    EXPECT_EQ(dm.AddDevice(a), 1);  // the same board again replaces its record
    EXPECT_EQ(dm.AddDevice(QString()), 1);
    EXPECT_EQ(dm.AddDevice(boardPath("nothing")), 1);
    EXPECT_EQ(dm.listReady, 1);
}

TEST_F(DeviceManagerTest, RemovalSendsEAndReturnsTheIndexOrMinusOne) {
    hid.plug(a);
    hid.plug(b);
    dm.AddDevice(a);
    dm.AddDevice(b);
    EXPECT_EQ(dm.RemoveDevice(boardPath("not-here")), -1);
    EXPECT_EQ(dm.GetDeviceCount(), 2);
    EXPECT_EQ(hid.commands(b), "AD");
    const int64_t start = clock.nowMs();
    EXPECT_EQ(dm.RemoveDevice(b.toLower()), 1);
    EXPECT_EQ(clock.nowMs() - start, 100 + 1000);
    EXPECT_EQ(hid.commands(b), "ADE");
    EXPECT_EQ(dm.GetDeviceCount(), 1);
    EXPECT_EQ(dm.listReady, 1);
}

TEST_F(DeviceManagerTest, IndexedOperationsIgnoreIndexesOutsideTheList) {
    hid.plug(a);
    hid.pushIdentification(a, {0xAB, 0xCD, 0xEF, 0x01});
    dm.AddDevice(a);
    dm.SendCommandD(0);
    EXPECT_EQ(dm.WriteCommand(0, TouchDevice::kCommandZ), 64);
    EXPECT_EQ(hid.commands(a), "ADDZ");
    for (int bad : {-1, 1, 1000}) {
        dm.SendCommandD(bad);
        EXPECT_EQ(dm.WriteCommand(bad, TouchDevice::kCommandZ), 0);
        EXPECT_TRUE(dm.GetDeviceId(bad).isEmpty());
        dm.DropDevice(bad);
    }
    EXPECT_EQ(dm.GetDeviceId(0), "ABCDEF01");
    dm.DropDevice(0);
    EXPECT_EQ(dm.GetDeviceCount(), 0);
    EXPECT_EQ(hid.commands(a), "ADDZ");  // dropped without a command
}

TEST_F(DeviceManagerTest, OpenAllAndCloseAllSendDAndE) {
    hid.plug(a);
    hid.plug(b, {.openable = false});
    dm.EnumDevices();  // b passes the probe only if openable
    hid.plug(b);
    dm.AddDevice(b);
    hid.setOpenable(b, false);
    dm.OpenAll();
    dm.CloseAll();
    EXPECT_EQ(hid.commands(a), "ADDE");
    EXPECT_EQ(hid.commands(b), "AD");  // it could not be reopened: nothing more
}

// Boards plugged in under the names the hidraw side gives their descriptors' collections.
class RecordedBoardTest : public DeviceManagerTest {
protected:
    QStringList plugRecorded(const std::vector<uint8_t>& descriptor, int usbInterface,
                             const QString& instance, uint8_t idByte) {
        const auto parsed =
            platform::hid::parseReportDescriptor(descriptor.data(), descriptor.size());
        EXPECT_TRUE(parsed);
        if (!parsed) return {};
        const QStringList names = platform::hid::hidInterfaceNames(
            0x0483, 0x5851, static_cast<int>(parsed->collections.size()), usbInterface, instance);
        for (int c = 0; c < names.size(); ++c) {
            hid.plug(names[c], {.caps = parsed->collections[static_cast<size_t>(c)]});
            hid.pushIdentification(names[c], {0xB0, 0xA4, static_cast<uint8_t>(c), idByte});
        }
        return names;
    }
};

TEST_F(RecordedBoardTest, SingleAndThreeCollectionBoardsGiveOneRecordEachUnderTheirNames) {
    const QStringList one =
        plugRecorded(testsupport::kSingleCollectionBoard, -1, "0003:0483:5851.0001", 1);
    const QStringList three =
        plugRecorded(testsupport::kThreeCollectionBoard, -1, "0003:0483:5851.0002", 2);
    const QString guid = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    EXPECT_EQ(one, QStringList{"\\\\?\\HID#VID_0483&PID_5851#0003&0483&5851.0001&0000" + guid});
    EXPECT_EQ(three, (QStringList{
                         "\\\\?\\HID#VID_0483&PID_5851&COL01#0003&0483&5851.0002&0000" + guid,
                         "\\\\?\\HID#VID_0483&PID_5851&COL02#0003&0483&5851.0002&0001" + guid,
                         "\\\\?\\HID#VID_0483&PID_5851&COL03#0003&0483&5851.0002&0002" + guid,
                     }));

    ASSERT_EQ(dm.EnumDevices(), 2);
    dm.OpenAll();
    EXPECT_EQ(dm.GetDeviceId(0), "B0A40001");
    EXPECT_EQ(dm.GetDeviceId(1), "B0A40002") << "the vendor collection, first in the descriptor";
    EXPECT_EQ(hid.commands(one[0]), "ADD");
    EXPECT_EQ(hid.commands(three[0]), "ADD");
    EXPECT_EQ(hid.commands(three[1]), "") << "the keyboard collection is no board";
    EXPECT_EQ(hid.commands(three[2]), "");

    // Each collection arrives on its own; only the first adds a record.
    dm.CloseAll();
    hid.pushIdentification(three[0], {0xB0, 0xA4, 0x00, 0x02});
    for (const QString& n : three) dm.AddDevice(n);
    EXPECT_EQ(dm.GetDeviceCount(), 2);
    EXPECT_EQ(dm.GetDeviceId(1), "B0A40002");
}

TEST_F(RecordedBoardTest, OnACompositeDeviceOnlyTheFirstCollectionOfItsBoardInterfaceCounts) {
    // Interface 0 types (one collection), interface 1 is the board with three.
    const QStringList typing = plugRecorded(testsupport::kSingleCollectionBoard, 0, "kbd", 1);
    const QStringList board = plugRecorded(testsupport::kThreeCollectionBoard, 1, "brd", 2);
    ASSERT_EQ(typing.size(), 1);
    EXPECT_TRUE(typing[0].contains("VID_0483&PID_5851&MI_00#")) << typing[0].toStdString();
    EXPECT_TRUE(board[0].contains("VID_0483&PID_5851&MI_01&COL01#")) << board[0].toStdString();
    ASSERT_EQ(dm.EnumDevices(), 1);
    for (const QString& n : typing + board) EXPECT_EQ(dm.AddDevice(n), 1);
    EXPECT_EQ(dm.GetDeviceId(0), "B0A40002");
    EXPECT_EQ(hid.commands(typing[0]), "");
}

}  // namespace
