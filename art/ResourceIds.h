#pragma once
// Every icon and button bitmap of the program, by resource id. Normal and pressed bitmaps of one
// picture button come in pairs; the pressed one shows while the button is held or selected.
#include <array>
#include <cstddef>

namespace res {

inline constexpr int kProgramIcon = 128;
inline constexpr int kTrayConnected = 145;     // at least one button board is plugged in
inline constexpr int kTrayDisconnected = 146;  // no button board
inline constexpr int kBackToVideo = 133;       // over a stored picture: back to the live camera

inline constexpr int kCalibration = 179;
inline constexpr int kCalibrationPressed = 180;

// Toolbar panel.
inline constexpr int kHandle = 163;
inline constexpr int kHandlePressed = 173;
inline constexpr int kPictureList = 165;
inline constexpr int kPictureListPressed = 175;
inline constexpr int kCapture = 164;
inline constexpr int kCapturePressed = 174;
inline constexpr int kShare = 168;
inline constexpr int kSharePressed = 178;
inline constexpr int kPen = 166;
inline constexpr int kPenPressed = 176;
inline constexpr int kRedPen = 167;
inline constexpr int kRedPenPressed = 177;
inline constexpr int kBlackPen = 159;
inline constexpr int kBlackPenPressed = 169;
inline constexpr int kBluePen = 160;
inline constexpr int kBluePenPressed = 170;
inline constexpr int kEraser = 162;
inline constexpr int kEraserPressed = 172;
inline constexpr int kClearAll = 161;
inline constexpr int kClearAllPressed = 171;

inline constexpr std::array kAll = {
    kProgramIcon,
    kTrayConnected,
    kTrayDisconnected,
    kBackToVideo,
    kCalibration,
    kCalibrationPressed,
    kHandle,
    kHandlePressed,
    kPictureList,
    kPictureListPressed,
    kCapture,
    kCapturePressed,
    kShare,
    kSharePressed,
    kPen,
    kPenPressed,
    kRedPen,
    kRedPenPressed,
    kBlackPen,
    kBlackPenPressed,
    kBluePen,
    kBluePenPressed,
    kEraser,
    kEraserPressed,
    kClearAll,
    kClearAllPressed,
};

namespace detail {
constexpr bool allUnique() {
    for (std::size_t i = 0; i < kAll.size(); ++i)
        for (std::size_t j = i + 1; j < kAll.size(); ++j)
            if (kAll[i] == kAll[j]) return false;
    return true;
}
}  // namespace detail
static_assert(detail::allUnique(), "two resources share an id");

}  // namespace res
