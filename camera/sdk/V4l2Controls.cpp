#include "V4l2Controls.h"

#include "camera/sdk/CameraSdk.h"

#include <linux/videodev2.h>

#include <algorithm>

namespace camera::sdk {

std::optional<uint32_t> V4l2Controls::controlFor(int settingId) {
    switch (settingId) {
        case kBrightness: return V4L2_CID_BRIGHTNESS;
        case kContrast: return V4L2_CID_CONTRAST;
        case kHue: return V4L2_CID_HUE;
        case kSaturation: return V4L2_CID_SATURATION;
        case kSharpness: return V4L2_CID_SHARPNESS;
        case kGamma: return V4L2_CID_GAMMA;
        case kExposure: return V4L2_CID_EXPOSURE_ABSOLUTE;
        default: return std::nullopt;
    }
}

std::vector<int> V4l2Controls::settingIds() {
    return {kBrightness, kContrast, kHue, kSaturation, kSharpness, kGamma, kExposure};
}

int V4l2Controls::answer(const ControlInfo& c, int query) {
    if (!c.present) return 0;
    switch (query) {
        case kQueryMax: return c.maximum;
        case kQueryMin: return c.minimum;
        case kQueryCurrent: return c.value;
        default: return 0;
    }
}

// Automatic means the camera chooses the exposure time: full automatic or aperture priority.
// Under shutter priority the time is the one set by hand.
bool V4l2Controls::isAutoMode(int mode) {
    return mode == V4L2_EXPOSURE_AUTO || mode == V4L2_EXPOSURE_APERTURE_PRIORITY;
}

std::optional<int> V4l2Controls::modeFor(bool automatic, const std::vector<int>& offered) {
    const auto has = [&](int m) {
        return std::find(offered.begin(), offered.end(), m) != offered.end();
    };
    const int wanted[2] = {
        automatic ? V4L2_EXPOSURE_AUTO : V4L2_EXPOSURE_MANUAL,
        automatic ? V4L2_EXPOSURE_APERTURE_PRIORITY : V4L2_EXPOSURE_SHUTTER_PRIORITY};
    for (const int m : wanted)
        if (has(m)) return m;
    return std::nullopt;
}

}  // namespace camera::sdk
