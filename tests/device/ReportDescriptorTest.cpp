// Report lengths as the HID capabilities give them, for descriptors written after the examples
// of HID 1.11 and for real boards' layouts; malformed descriptors are refused.
#include "platform/hid/ReportDescriptor.h"
#include "platform/hid/SimBoard.h"

#include <gtest/gtest.h>

using platform::hid::parseReportDescriptor;
using platform::hid::ReportDescriptor;

namespace {

std::optional<ReportDescriptor> parse(const std::vector<uint8_t>& d) {
    return parseReportDescriptor(d.data(), d.size());
}

// clang-format off
// Boot keyboard (HID 1.11, appendix B.1): no report ids, 8 input bytes, 1 output byte.
const std::vector<uint8_t> kKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,                          // generic desktop, keyboard
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,  // modifiers
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,                          // 8 x 1 bit input
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,                          // reserved byte
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02,  // 5 LEDs
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,                          // LED padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65,
    0x81, 0x00,                                                  // 6 key codes
    0xC0,
};

// Boot mouse (appendix B.2): nested physical collection, 3 input bytes, no output.
const std::vector<uint8_t> kMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01,
    0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
    0xC0, 0xC0,
};

// A vendor board with numbered reports of several sizes and a second top-level collection.
const std::vector<uint8_t> kTwoCollections = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,                    // collection 1
    0x75, 0x08,
    0x85, 0xF1, 0x95, 0x3F, 0x09, 0x02, 0x81, 0x02,              // input 0xF1: 63 bytes
    0x85, 0xF2, 0x95, 0x07, 0x09, 0x02, 0x81, 0x02,              // input 0xF2: 7 bytes
    0x85, 0x01, 0x95, 0x3F, 0x09, 0x03, 0x91, 0x02,              // output 1: 63 bytes
    0x85, 0x02, 0x95, 0x02, 0x09, 0x04, 0xB1, 0x02,              // feature 2: 2 bytes
    0xC0,
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01,                          // collection 2: consumer
    0x85, 0x03, 0x75, 0x10, 0x95, 0x01, 0x0A, 0xE9, 0x00, 0x81, 0x00,  // input 3: 2 bytes
    0xC0,
};
// clang-format on

TEST(ReportDescriptorTest, LengthsCountTheIdByteWithOrWithoutReportIds) {
    const auto kb = parse(kKeyboard);
    ASSERT_TRUE(kb);
    EXPECT_FALSE(kb->usesReportIds);
    ASSERT_EQ(kb->collections.size(), 1u);
    EXPECT_EQ(kb->collections[0].inputReportByteLength, 9);
    EXPECT_EQ(kb->collections[0].outputReportByteLength, 2);
    EXPECT_EQ(kb->collections[0].featureReportByteLength, 0);

    const auto mouse = parse(kMouse);
    ASSERT_TRUE(mouse);
    ASSERT_EQ(mouse->collections.size(), 1u);  // the physical collection is nested
    EXPECT_EQ(mouse->collections[0].inputReportByteLength, 4);
    EXPECT_EQ(mouse->collections[0].outputReportByteLength, 0);
}

TEST(ReportDescriptorTest, LargestReportOfEachKindPerTopLevelCollection) {
    const auto d = parse(kTwoCollections);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->usesReportIds);
    ASSERT_EQ(d->collections.size(), 2u);
    EXPECT_EQ(d->collections[0].inputReportByteLength, 64);
    EXPECT_EQ(d->collections[0].outputReportByteLength, 64);
    EXPECT_EQ(d->collections[0].featureReportByteLength, 3);
    EXPECT_EQ(d->collections[1].inputReportByteLength, 3);
    EXPECT_EQ(d->collections[1].outputReportByteLength, 0);

    const std::vector<uint8_t>& sim = platform::hid::SimBoard::descriptor();
    const auto s = parseReportDescriptor(sim.data(), sim.size());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->collections[0].inputReportByteLength, 64);
    EXPECT_EQ(s->collections[0].outputReportByteLength, 64);
}

TEST(ReportDescriptorTest, PushPopLongItemsAndPartialBitsAreHandled) {
    // clang-format off
    const std::vector<uint8_t> d = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
        0x85, 0x05, 0x75, 0x08, 0x95, 0x04,
        0xA4,                          // push: id 5, 4 x 8 bits
        0x85, 0x06, 0x75, 0x01, 0x95, 0x0B, 0x81, 0x02,  // id 6: 11 bits -> 2 bytes
        0xB4,                          // pop
        0x81, 0x02,                    // id 5: 4 bytes
        0xFE, 0x02, 0x10, 0xAA, 0xBB,  // long item, skipped
        0x77, 0x00, 0x00, 0x00, 0x00,  // four-byte global: report size 0
        0x81, 0x02,                    // zero bits add nothing
        0xC0,
    };
    // clang-format on
    const auto r = parse(d);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->collections[0].inputReportByteLength, 5);
}

TEST(ReportDescriptorTest, MalformedDescriptorsAreRefused) {
    // clang-format off
    const std::vector<std::vector<uint8_t>> bad = {
        {},                                              // nothing at all
        {0x05, 0x01},                                    // no collection
        {0xA1, 0x01, 0x75},                              // truncated item
        {0xA1, 0x01, 0xFE, 0x05, 0x00, 0x01},            // truncated long item
        {0xA1, 0x01, 0x81, 0x02},                        // collection never closed
        {0xC0},                                          // end without collection
        {0x75, 0x08, 0x95, 0x01, 0x81, 0x02},            // input outside every collection
        {0xA1, 0x01, 0x85, 0x00, 0xC0},                  // report id 0
        {0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0},            // report id 256
        {0xA1, 0x01, 0xB4, 0xC0},                        // pop without push
        {0xA1, 0x01, 0x76, 0x01, 0x01, 0xC0},            // report size 257
        {0xA1, 0x01, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0xC0},  // report count 2^32-1
        // 64 x (256 bits x 12288): far beyond any report
        {0xA1, 0x01, 0x76, 0x00, 0x01, 0x96, 0x00, 0x30, 0x81, 0x02, 0x81, 0x02, 0x81, 0x02,
         0x81, 0x02, 0x81, 0x02, 0xC0},
    };
    // clang-format on
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(parse(bad[i])) << "case " << i;

    std::vector<uint8_t> pushes = {0xA1, 0x01};
    pushes.insert(pushes.end(), 100, 0xA4);
    pushes.push_back(0xC0);
    EXPECT_FALSE(parse(pushes));
    std::vector<uint8_t> deep(200, 0xA1);
    EXPECT_FALSE(parseReportDescriptor(deep.data(), deep.size()));
    std::vector<uint8_t> huge = kKeyboard;
    huge.resize(platform::hid::kMaxReportDescriptorSize + 1, 0x00);
    EXPECT_FALSE(parse(huge));
    EXPECT_FALSE(parseReportDescriptor(nullptr, 3));
}

}  // namespace
