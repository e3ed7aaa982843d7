#pragma once
// The video settings last written to each camera, kept in the SDK's data folder. Many UVC cameras
// forget their settings when they lose power, so the SDK writes the kept values back whenever
// that camera is opened again; restoring the defaults forgets them.
#include "camera/sdk/CameraDevice.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <mutex>
#include <optional>

namespace camera::sdk {

struct KeptSettings {
    std::map<int, int> values;  // setting id -> value
    std::optional<bool> autoExposure;

    bool operator==(const KeptSettings&) const = default;
};

class SettingsStore {
public:
    explicit SettingsStore(QString folder = {}) : m_folder(std::move(folder)) {}
    void setFolder(const QString& folder);

    // Writes the kept values of this camera back to it: the six picture settings, then exposure
    // with its automatic flag. Values outside what the camera now offers are left out.
    void reapply(CameraDevice& device);
    // Keeps what the camera has for a setting after a write (not what was asked: a camera may
    // refuse or round a value).
    void remember(CameraDevice& device, int settingId);
    // The camera is back at its own defaults: nothing kept for it any more.
    void forget(CameraDevice& device);

    // The kept settings of a camera; empty when there are none or the file is damaged.
    KeptSettings load(const QString& cameraKey) const;
    bool save(const QString& cameraKey, const KeptSettings& settings) const;
    QString pathFor(const QString& cameraKey) const;

    // Text form of a settings file, and its strict reading (nullopt for anything damaged).
    static QByteArray format(const KeptSettings& settings);
    static std::optional<KeptSettings> parse(const QByteArray& text);
    static bool isKeptSetting(int settingId);

private:
    KeptSettings loadLocked(const QString& cameraKey) const;

    mutable std::mutex m_mutex;
    QString m_folder;
};

}  // namespace camera::sdk
