#include "V4l2Settings.h"

#include "camera/sdk/CameraSdk.h"

#include <linux/videodev2.h>

#include <algorithm>

namespace camera::sdk {

ControlInfo V4l2Settings::control(uint32_t id) {
    v4l2_queryctrl q{};
    q.id = id;
    if (m_io.controlIoctl(VIDIOC_QUERYCTRL, &q) != 0) return {};
    if (q.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) return {};
    v4l2_control c{};
    c.id = id;
    if (m_io.controlIoctl(VIDIOC_G_CTRL, &c) != 0) c.value = q.default_value;
    return {true, q.minimum, q.maximum, q.default_value, c.value};
}

bool V4l2Settings::set(uint32_t id, int value) {
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return m_io.controlIoctl(VIDIOC_S_CTRL, &c) == 0;
}

std::vector<int> V4l2Settings::exposureModes() {
    std::vector<int> modes;
    v4l2_queryctrl q{};
    q.id = V4L2_CID_EXPOSURE_AUTO;
    if (m_io.controlIoctl(VIDIOC_QUERYCTRL, &q) != 0 || q.type != V4L2_CTRL_TYPE_MENU) return modes;
    // Only the entries the device answers for: UVC cameras leave out the modes they lack.
    for (int i = std::max(q.minimum, 0); i <= q.maximum; ++i) {
        v4l2_querymenu m{};
        m.id = q.id;
        m.index = uint32_t(i);
        if (m_io.controlIoctl(VIDIOC_QUERYMENU, &m) == 0) modes.push_back(i);
    }
    return modes;
}

bool V4l2Settings::exposureIsAutomatic() {
    const ControlInfo mode = control(V4L2_CID_EXPOSURE_AUTO);
    return mode.present && V4l2Controls::isAutoMode(mode.value);
}

int V4l2Settings::read(int settingId, int query) {
    const auto cid = V4l2Controls::controlFor(settingId);
    if (!cid) return 0;
    if (query == kQueryAuto) return settingId == kExposure && exposureIsAutomatic() ? 1 : 0;
    return V4l2Controls::answer(control(*cid), query);
}

void V4l2Settings::write(int settingId, int value, bool automatic) {
    const auto cid = V4l2Controls::controlFor(settingId);
    if (!cid) return;
    if (settingId == kExposure) {
        if (const auto mode = V4l2Controls::modeFor(automatic, exposureModes()))
            set(V4L2_CID_EXPOSURE_AUTO, *mode);
        // While the camera chooses the exposure time itself it refuses one from us.
        if (exposureIsAutomatic()) return;
    }
    const ControlInfo c = control(*cid);
    if (c.present && c.minimum <= c.maximum) set(*cid, std::clamp(value, c.minimum, c.maximum));
}

void V4l2Settings::restoreDefaults() {
    // The mode first, so that a manual default exposure can be written after it.
    const ControlInfo mode = control(V4L2_CID_EXPOSURE_AUTO);
    if (mode.present) set(V4L2_CID_EXPOSURE_AUTO, mode.defaultValue);
    for (const int id : V4l2Controls::settingIds()) {
        if (id == kExposure && exposureIsAutomatic()) continue;
        const ControlInfo c = control(*V4l2Controls::controlFor(id));
        if (c.present) set(*V4l2Controls::controlFor(id), c.defaultValue);
    }
}

}  // namespace camera::sdk
