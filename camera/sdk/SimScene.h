#pragma once
// The picture the simulated camera sees: a board with writing on it, seen at a slant, swaying a
// little and with a moving pointer so that a live view is visibly live.
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

    static constexpr int kSway = 12;  // pixels the view drifts at most

private:
    static QImage renderBoard(int variant);

    QSize m_frameSize;
    int m_variant;
    QImage m_scene;  // larger than a frame by the sway on each side
};

}  // namespace camera::sdk
