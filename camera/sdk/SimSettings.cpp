#include "SimSettings.h"

#include "camera/sdk/CameraSdk.h"

#include <algorithm>

namespace camera::sdk {

SimSettings::SimSettings(int unsupported, int refused) : m_refused(refused) {
    m_settings = {
        {kBrightness, {-64, 64, 0, 0}},   {kContrast, {0, 64, 32, 32}},
        {kHue, {-40, 40, 0, 0}},          {kSaturation, {0, 128, 64, 64}},
        {kSharpness, {0, 6, 3, 3}},       {kGamma, {72, 500, 100, 100}},
        {kExposure, {1, 5000, 156, 156}},
    };
    // An unsupported control reports an empty range, as the property page expects.
    if (auto it = m_settings.find(unsupported); it != m_settings.end()) it->second = {0, 0, 0, 0};
}

int SimSettings::read(int id, int query) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_settings.find(id);
    if (it == m_settings.end()) return 0;
    const Setting& s = it->second;
    switch (query) {
        case kQueryMax: return s.max;
        case kQueryMin: return s.min;
        case kQueryCurrent: return s.value;
        case kQueryAuto: return id == kExposure && s.min < s.max && m_autoExposure ? 1 : 0;
        default: return 0;
    }
}

void SimSettings::write(int id, int value, bool automatic) {
    std::lock_guard lock(m_mutex);
    const auto it = m_settings.find(id);
    if (it == m_settings.end() || it->second.min >= it->second.max || id == m_refused) return;
    it->second.value = std::clamp(value, it->second.min, it->second.max);
    if (id == kExposure) m_autoExposure = automatic;
}

void SimSettings::restoreDefaults() {
    std::lock_guard lock(m_mutex);
    for (auto& [id, s] : m_settings) s.value = s.def;
    m_autoExposure = kAutoExposureDefault;
}

}  // namespace camera::sdk
