#pragma once
// What a UVC camera told when it was recorded: its USB identity, then the output of
// `v4l2-ctl --list-formats-ext` and `v4l2-ctl --list-ctrls-menus`, pasted as they stand.
// Fixed-size, because it is read inside the program under test.
#include <cstddef>
#include <cstdint>

namespace fakeuvc {

constexpr int kMaxFormats = 8;
constexpr int kMaxSizes = 24;
constexpr int kMaxIntervals = 10;
constexpr int kMaxControls = 40;
constexpr int kMaxMenu = 12;
constexpr int kNameLength = 32;
constexpr int kTextLength = 64;

struct Interval {
    uint32_t numerator = 0;
    uint32_t denominator = 0;
};

struct FrameSize {
    uint32_t width = 0;
    uint32_t height = 0;
    int intervalCount = 0;
    Interval intervals[kMaxIntervals];
};

struct Format {
    uint32_t fourcc = 0;
    char description[kNameLength] = {};
    int sizeCount = 0;
    FrameSize sizes[kMaxSizes];
};

struct MenuItem {
    int32_t index = 0;
    char name[kNameLength] = {};
};

struct Control {
    uint32_t id = 0;
    uint32_t type = 0;  // V4L2_CTRL_TYPE_*
    char name[kNameLength] = {};
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t step = 1;
    int32_t defaultValue = 0;
    uint32_t flags = 0;
    int menuCount = 0;
    MenuItem menu[kMaxMenu];
};

struct Description {
    char card[kNameLength] = {};
    char vendorId[5] = {};  // four hex digits
    char productId[5] = {};
    char revision[5] = {};
    char manufacturer[kTextLength] = {};
    char product[kTextLength] = {};
    char serial[kTextLength] = {};
    int formatCount = 0;
    Format formats[kMaxFormats];
    int controlCount = 0;
    Control controls[kMaxControls];

    const Control* control(uint32_t id) const;
};

// Reads a description file; false with a reason in error (errorSize bytes) when it cannot.
bool readDescription(const char* path, Description& out, char* error, size_t errorSize);
// The same from text in memory (one line after another).
bool parseDescription(const char* text, Description& out, char* error, size_t errorSize);

}  // namespace fakeuvc
