#pragma once
// The SDK's video settings on a V4L2 device's controls: reading ranges and values, writing values
// and automatic exposure through the exposure mode menu, restoring the defaults.
#include "camera/sdk/V4l2ControlIo.h"
#include "camera/sdk/V4l2Controls.h"

#include <linux/videodev2.h>

#include <cstdint>
#include <set>
#include <vector>

namespace camera::sdk {

class V4l2Settings {
public:
    explicit V4l2Settings(V4l2ControlIo& io) : m_io(io) {}

    int read(int settingId, int query);
    void write(int settingId, int value, bool automatic);
    void restoreDefaults();

    // A control as the device describes it; not present when it is missing, disabled or
    // read-only (the page cannot move it), or described as no control can be (a range upside
    // down, a type that holds no number); the value is kept inside the range.
    ControlInfo control(uint32_t id);
    // The exposure modes the device offers, in menu order.
    std::vector<int> exposureModes();

private:
    bool set(uint32_t id, int value);
    bool exposureIsAutomatic();
    bool plausible(const v4l2_queryctrl& q);

    V4l2ControlIo& m_io;
    std::set<uint32_t> m_reported;  // controls already logged as implausible
};

}  // namespace camera::sdk
