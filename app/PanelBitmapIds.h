#pragma once
// Bitmap resource ids of the overlay's and the toolbar panel's buttons and of the program icon.
namespace bmp {

inline constexpr int kProgramIcon = 128;
inline constexpr int kBackToVideo = 133;
inline constexpr int kBlackPen = 159;
inline constexpr int kBluePen = 160;
inline constexpr int kClear = 161;
inline constexpr int kEraser = 162;
inline constexpr int kHandle = 163;
inline constexpr int kCapture = 164;
inline constexpr int kList = 165;
inline constexpr int kPen = 166;
inline constexpr int kRedPen = 167;
inline constexpr int kShare = 168;
inline constexpr int kBlackPenPressed = 169;
inline constexpr int kBluePenPressed = 170;
inline constexpr int kClearPressed = 171;
inline constexpr int kEraserPressed = 172;
inline constexpr int kHandlePressed = 173;
inline constexpr int kCapturePressed = 174;
inline constexpr int kListPressed = 175;
inline constexpr int kPenPressed = 176;
inline constexpr int kRedPenPressed = 177;
inline constexpr int kSharePressed = 178;
inline constexpr int kCalibration = 179;
inline constexpr int kCalibrationPressed = 180;

}  // namespace bmp
