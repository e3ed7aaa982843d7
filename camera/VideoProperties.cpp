#include "VideoProperties.h"

#include "lang/TextIds.h"

namespace camera {

using namespace camera::sdk;

const std::array<VideoProperties::Row, VideoProperties::kRowCount>& VideoProperties::rows() {
    static const std::array<Row, kRowCount> table = {{
        {kBrightness, 353, 387, text::kBrightness, 407},
        {kContrast, 358, 391, text::kContrast, 409},
        {kHue, 346, 395, text::kHue, 410},
        {kSaturation, 341, 399, text::kSaturation, 414},
        {kSharpness, 336, 402, text::kSharpness, 417},
        {kGamma, 330, 405, text::kGamma, 419},
        {kExposure, 363, 432, text::kExposure, 434},
    }};
    return table;
}

bool VideoProperties::writes(int code) {
    return code == kPageUp || code == kPageDown || code == kThumbPosition || code == kThumbTrack;
}

bool VideoProperties::State::exposureTrackbarEnabled() const {
    return rows[kExposureRow].supported && !automatic;
}

bool VideoProperties::State::automaticBoxEnabled() const {
    return rows[kExposureRow].supported;
}

VideoProperties::VideoProperties(CCamera& camera, std::function<bool()> dualScreen)
    : m_camera(camera), m_dualScreen(std::move(dualScreen)) {}

int VideoProperties::read(int settingId, int query) const {
    CameraSdk* sdk = m_camera.sdk();
    return sdk != nullptr ? sdk->readSetting(m_camera.currentCamera(), settingId, query) : 0;
}

VideoProperties::RowState VideoProperties::readRow(int settingId) const {
    RowState r;
    r.maximum = read(settingId, kQueryMax);
    r.minimum = read(settingId, kQueryMin);
    r.value = read(settingId, kQueryCurrent);
    r.supported = r.minimum < r.maximum;
    return r;
}

bool VideoProperties::readAutomatic() const {
    return m_state.rows[kExposureRow].supported && read(kExposure, kQueryAuto) != 0;
}

const VideoProperties::State& VideoProperties::refresh() {
    for (int i = 0; i < kRowCount; ++i) m_state.rows[i] = readRow(rows()[i].settingId);
    m_state.automatic = readAutomatic();
    return m_state;
}

std::vector<CCamera::Handle> VideoProperties::defaultTargets() const {
    const auto& cams = m_camera.cameras();
    if (m_camera.CameraCount() >= 2 && m_dualScreen && m_dualScreen() && cams.size() >= 2)
        return {cams[0], cams[1]};
    return {m_camera.currentCamera()};
}

const VideoProperties::State& VideoProperties::restoreDefaults() {
    if (CameraSdk* sdk = m_camera.sdk())
        for (const CCamera::Handle h : defaultTargets()) sdk->restoreDefaults(h);
    // Ranges too: the current camera may not be the one the page last read.
    return refresh();
}

void VideoProperties::readBack(int row) {
    const RowState now = readRow(rows()[row].settingId);
    if (!now.supported) {
        refresh();
        return;
    }
    m_state.rows[row] = now;
    if (row == kExposureRow) m_state.automatic = readAutomatic();
}

bool VideoProperties::scroll(int row, int code, int position) {
    if (row < 0 || row >= kRowCount || !writes(code) || !m_state.rows[row].supported) return false;
    const int id = rows()[row].settingId;
    if (id == kExposure) {
        // Writing a value switches automatic exposure off; it is put back as it was.
        const bool automatic = read(kExposure, kQueryAuto) != 0;
        m_camera.SetSetting(id, position);
        m_camera.SetExposureAuto(automatic);
    } else {
        m_camera.SetSetting(id, position);
    }
    readBack(row);
    return true;
}

bool VideoProperties::setAutomatic(bool ticked) {
    const RowState exposure = readRow(kExposure);
    if (!exposure.supported) return false;
    m_camera.SetSetting(kExposure, exposure.value);
    m_camera.SetExposureAuto(ticked);
    readBack(kExposureRow);
    return true;
}

}  // namespace camera
