#pragma once
// The video settings as V4L2 controls: which control stands for which setting, and what the
// SDK's queries answer from a control's description.
#include <cstdint>
#include <optional>
#include <vector>

namespace camera::sdk {

struct ControlInfo {
    bool present = false;
    int minimum = 0;
    int maximum = 0;
    int defaultValue = 0;
    int value = 0;
};

class V4l2Controls {
public:
    // The control id of a setting id; none for ids the cameras do not have.
    static std::optional<uint32_t> controlFor(int settingId);
    // Every setting id that maps to a control, in the property page's order.
    static std::vector<int> settingIds();

    // Answer to a read query (maximum, minimum, current) for a control. A control the camera
    // lacks reads as an empty range, which marks the setting unsupported.
    static int answer(const ControlInfo& control, int query);
    // The automatic flag of exposure from the V4L2 exposure mode.
    static bool isAutoMode(int mode);
    // The exposure mode to set, among those the camera offers: when off, manual (else shutter
    // priority, which also takes the time from us); when on, full automatic, else aperture
    // priority (most UVC cameras offer only that).
    static std::optional<int> modeFor(bool automatic, const std::vector<int>& offeredModes);
};

}  // namespace camera::sdk
