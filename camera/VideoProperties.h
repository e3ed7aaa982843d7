#pragma once
// What the video property page does, without its widgets: the seven rows, their ranges and values
// read from the current camera, the writes through the controller (both cameras in dual-screen
// mode), and which trackbar scroll codes write.
#include "camera/Camera.h"

#include <array>
#include <functional>
#include <vector>

namespace camera {

class VideoProperties {
public:
    struct Row {
        int settingId;
        int trackbarId;
        int labelId;
        int textId;  // string id of the label
        int valueId;
    };
    static constexpr int kRowCount = 7;
    static constexpr int kExposureRow = 6;
    // Top to bottom: brightness, contrast, hue, saturation, sharpness, gamma, exposure.
    static const std::array<Row, kRowCount>& rows();

    // A trackbar's horizontal scroll notification codes.
    enum ScrollCode : int {
        kLineUp = 0,
        kLineDown = 1,
        kPageUp = 2,
        kPageDown = 3,
        kThumbPosition = 4,
        kThumbTrack = 5,
        kTop = 6,
        kBottom = 7,
        kEndScroll = 8,
    };
    // Page steps and thumb moves write; single steps, home, end and the end of tracking do not.
    static bool writes(int code);

    struct RowState {
        bool supported = false;  // minimum below maximum
        int minimum = 0;
        int maximum = 0;
        int value = 0;
    };
    struct State {
        std::array<RowState, kRowCount> rows;
        bool automatic = false;  // the camera chooses the exposure itself
        bool exposureTrackbarEnabled() const;
        bool automaticBoxEnabled() const;
    };

    // dualScreen: whether the dual-screen flag is set. The camera must outlive this object.
    VideoProperties(CCamera& camera, std::function<bool()> dualScreen);

    const State& state() const { return m_state; }
    // Reads every row and the automatic flag from the current camera.
    const State& refresh();
    // The camera's defaults on the current camera, or on both cameras in dual-screen mode; then
    // the page reads the current camera again.
    const State& restoreDefaults();
    // A scroll of a row's trackbar to position. True when it wrote; the row then holds what the
    // camera has now (the whole page is read again when the camera no longer offers the setting).
    bool scroll(int row, int code, int position);
    // The automatic box changed to ticked. False when the camera has no exposure control.
    bool setAutomatic(bool ticked);

private:
    int read(int settingId, int query) const;
    RowState readRow(int settingId) const;
    bool readAutomatic() const;
    // After a write: the value the camera really took, or a full read when the row went away.
    void readBack(int row);
    std::vector<CCamera::Handle> defaultTargets() const;

    CCamera& m_camera;
    std::function<bool()> m_dualScreen;
    State m_state;
};

}  // namespace camera
