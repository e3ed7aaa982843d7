#pragma once
// The video settings of the simulated camera: ranges, values, defaults and automatic exposure,
// behaving as a UVC camera's controls do.
#include <map>
#include <mutex>

namespace camera::sdk {

class SimSettings {
public:
    // unsupported: a setting id the camera pretends not to have; refused: one whose writes it
    // ignores (0 for none).
    explicit SimSettings(int unsupported = 0, int refused = 0);

    int read(int id, int query) const;
    void write(int id, int value, bool automatic);
    void restoreDefaults();

private:
    struct Setting {
        int min, max, def, value;
    };
    mutable std::mutex m_mutex;
    std::map<int, Setting> m_settings;
    int m_refused = 0;
    bool m_autoExposure = true;
    static constexpr bool kAutoExposureDefault = true;
};

}  // namespace camera::sdk
