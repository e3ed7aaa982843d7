#pragma once
// The picture the simulated camera sees: a board with writing on it, seen as the device's camera
// sees it from its mount above the board (the top edge near and wide, the board steeply
// foreshortened), trembling a little and with a moving pointer so that a live view is visibly live.
#include "camera/sdk/Corners.h"

#include <QImage>
#include <QSize>

namespace camera::sdk {

class SimScene {
public:
    // variant tells cameras apart (another slant and other writing).
    SimScene(QSize frameSize, int variant);

    QSize frameSize() const { return m_frameSize; }
    // The frame at a time since the camera started; brightness shifts it like the real control.
    QImage frameAt(int64_t ms, int brightness = 0) const;

    // Where the board's corners lie in a frame of that size, as fractions (the view at rest).
    // Foreshortened so that the corrected size rule, which divides the height by 0.4 for a board
    // inside the frame, gives the board its true 4:3; the simulated camera's factory calibration.
    static Corners boardCorners(int variant, QSize frame);

    static constexpr int kSway = 3;  // pixels the view trembles at most
    static constexpr QSize kBoardSize{1200, 900};

private:
    static QImage renderBoard(int variant);

    QSize m_frameSize;
    int m_variant;
    QImage m_scene;  // larger than a frame by the sway on each side
};

}  // namespace camera::sdk
