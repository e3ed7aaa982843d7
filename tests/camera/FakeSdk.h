#pragma once
// A camera SDK whose cameras are plain numbers: fixed sizes, corners and colours, every call
// recorded. For the controller's rules, where the simulated camera's moving picture is in the way.
#include "camera/sdk/CameraSdk.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <functional>
#include <map>
#include <mutex>
#include <set>

namespace cameratest {

class FakeSdk : public camera::sdk::CameraSdk {
public:
    struct Cam {
        QSize size{1600, 1200};
        camera::sdk::Corners corners;
        QColor colour = Qt::red;
        QByteArray version = "Fake\r\n";
        bool writesSnapshot = true;
        std::map<int, int> settings;  // id -> current value
        bool autoExposure = false;
    };

    explicit FakeSdk(int count = 1) : m_count(count) {}

    // Camera by open index (0, 1), before or after opening.
    Cam& cam(int index) {
        std::lock_guard lock(m_mutex);
        return m_cams[index];
    }
    std::vector<std::string> calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    void clearCalls() {
        std::lock_guard lock(m_mutex);
        m_calls.clear();
    }
    void setCount(int n) { m_count = n; }
    // Open indexes that fail (handle 0), as a busy or vanished camera does.
    std::set<int> refused;
    // Runs on the capture worker's thread as a snapshot begins; set before the capture.
    std::function<void()> beforeSnapshot;

    void start() override { log("start"); }
    void shutdown() override { log("shutdown"); }
    void setDataFolder(const QString& f) override { log("folder " + f.toStdString()); }
    int32_t createContext() override { return log("context"), 77; }
    void setContextDevice(int32_t c, const QString& n) override {
        log("device " + std::to_string(c) + " " + n.toStdString());
    }
    void applyContext(int32_t c) override { log("apply " + std::to_string(c)); }
    int countCameras(int s) override { return log("count " + std::to_string(s)), m_count; }

    // Handles are 10 + index + 100 × the number of earlier opens of that index.
    camera::sdk::Handle open(camera::sdk::VideoSink*, int, int index) override {
        std::lock_guard lock(m_mutex);
        if (refused.count(index) != 0) {
            m_calls.push_back("open " + std::to_string(index) + " -> 0");
            return 0;
        }
        const camera::sdk::Handle h = 10 + index + 100 * m_opens[index]++;
        m_handles[h] = index;
        m_calls.push_back("open " + std::to_string(index) + " -> " + std::to_string(h));
        return h;
    }
    void placeView(camera::sdk::Handle h, int, int, int w, int hh) override {
        log("place " + std::to_string(h) + " " + std::to_string(w) + "x" + std::to_string(hh));
    }
    void runView(camera::sdk::Handle h, bool run) override {
        log("run " + std::to_string(h) + " " + std::to_string(run));
    }
    void close(camera::sdk::Handle h) override { log("close " + std::to_string(h)); }

    bool snapshot(camera::sdk::Handle h, const QString& path) override {
        log("snapshot " + std::to_string(h));
        if (beforeSnapshot) beforeSnapshot();
        const Cam c = camOf(h);
        if (!c.writesSnapshot) return true;  // says it did, as a careless SDK would
        QImage img(c.size, QImage::Format_RGB888);
        img.fill(c.colour);
        return img.save(path, "BMP");
    }
    bool snapshotInto(camera::sdk::Handle h, QImage& target) override {
        log("snapshot " + std::to_string(h));
        if (beforeSnapshot) beforeSnapshot();
        const Cam c = camOf(h);
        if (!c.writesSnapshot || c.size.isEmpty()) return false;
        target.fill(c.colour);
        return true;
    }
    int pictureWidth(camera::sdk::Handle h) override { return camOf(h).size.width(); }
    int pictureHeight(camera::sdk::Handle h) override { return camOf(h).size.height(); }
    camera::sdk::Corners corners(camera::sdk::Handle h) override { return camOf(h).corners; }

    void setCornerEditing(camera::sdk::Handle h, bool on) override {
        log("edit " + std::to_string(h) + " " + std::to_string(on));
    }
    void setCornerColours(camera::sdk::Handle h, uint32_t a, uint32_t b) override {
        log("colours " + std::to_string(h) + " " + std::to_string(a) + " " + std::to_string(b));
    }
    void setCornerLabels(camera::sdk::Handle h, const QStringList& l) override {
        log("labels " + std::to_string(h) + " " + l.join(",").toStdString());
    }
    void saveCalibration(camera::sdk::Handle h) override { log("save " + std::to_string(h)); }
    void restoreDefaults(camera::sdk::Handle h) override { log("defaults " + std::to_string(h)); }
    int readSetting(camera::sdk::Handle h, int id, int query) override {
        std::lock_guard lock(m_mutex);
        Cam& c = m_cams[m_handles[h]];
        if (query == camera::sdk::kQueryAuto) return c.autoExposure;
        return query == camera::sdk::kQueryCurrent ? c.settings[id] : 0;
    }
    void writeSetting(camera::sdk::Handle h, int id, int value, bool automatic) override {
        log("write " + std::to_string(h) + " " + std::to_string(id) + " " + std::to_string(value) +
            " " + std::to_string(automatic));
    }
    QByteArray version(camera::sdk::Handle h) override { return camOf(h).version; }

private:
    void log(const std::string& s) {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(s);
    }
    Cam camOf(camera::sdk::Handle h) {
        std::lock_guard lock(m_mutex);
        const auto it = m_handles.find(h);
        return it == m_handles.end() ? Cam{QSize(), {}} : m_cams[it->second];
    }

    mutable std::mutex m_mutex;
    int m_count;
    std::map<int, Cam> m_cams;
    std::map<camera::sdk::Handle, int> m_handles;
    std::map<int, int> m_opens;
    std::vector<std::string> m_calls;
};

}  // namespace cameratest
