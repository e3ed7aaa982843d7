#include "V4l2Settings.h"

#include "camera/sdk/CameraSdk.h"
#include "platform/Log.h"

#include <QByteArray>

#include <linux/videodev2.h>

#include <algorithm>

namespace camera::sdk {

bool V4l2Settings::plausible(const v4l2_queryctrl& q) {
    const bool numeric = q.type == V4L2_CTRL_TYPE_INTEGER || q.type == V4L2_CTRL_TYPE_MENU ||
                         q.type == V4L2_CTRL_TYPE_BOOLEAN;
    if (numeric && q.minimum <= q.maximum) return true;
    // Once per control: the page asks for it again and again.
    if (m_reported.insert(q.id).second) {
        const QString name = QString::fromLatin1(reinterpret_cast<const char*>(q.name),
                                                 int(qstrnlen(reinterpret_cast<const char*>(q.name),
                                                              sizeof q.name)));
        platform::log::failure(platform::log::camera(),
                               QStringLiteral("control \"%1\" (type %2, range %3..%4) is left out")
                                   .arg(name)
                                   .arg(q.type)
                                   .arg(q.minimum)
                                   .arg(q.maximum),
                               QStringLiteral("the camera describes it as no control can be"));
    }
    return false;
}

ControlInfo V4l2Settings::control(uint32_t id) {
    v4l2_queryctrl q{};
    q.id = id;
    if (m_io.controlIoctl(VIDIOC_QUERYCTRL, &q) != 0) return {};
    if (q.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) return {};
    if (!plausible(q)) return {};
    v4l2_control c{};
    c.id = id;
    if (m_io.controlIoctl(VIDIOC_G_CTRL, &c) != 0) c.value = q.default_value;
    // What the page shows stays inside the range it is given.
    return {true, q.minimum, q.maximum, std::clamp(q.default_value, q.minimum, q.maximum),
            std::clamp(c.value, q.minimum, q.maximum)};
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
    // Only the entries the device answers for: UVC cameras leave out the modes they lack. The
    // modes are a handful; a menu claiming billions is not walked to its end.
    constexpr int kMaxModes = 64;
    const int last = std::min(q.maximum, kMaxModes);
    for (int i = std::max(q.minimum, 0); i <= last; ++i) {
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
