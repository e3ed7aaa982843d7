#pragma once
// Control ids of the overlay and the toolbar panel; a picture button reports its id on a click.
namespace ctl {

inline constexpr int kBackToVideo = 1013;
inline constexpr int kCalibration = 1046;

inline constexpr int kHandle = 1004;
inline constexpr int kList = 1024;
inline constexpr int kCapture = 1025;
inline constexpr int kShare = 1026;
inline constexpr int kPen = 1027;
inline constexpr int kRedPen = 1035;
inline constexpr int kBlackPen = 1036;
inline constexpr int kBluePen = 1043;
inline constexpr int kEraser = 1037;
inline constexpr int kClear = 1038;

// Main dialog commands the overlay runs.
inline constexpr int kCalibrationCommand = 10005;

}  // namespace ctl
