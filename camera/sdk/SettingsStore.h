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
#include <set>

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

    // Writes the kept values of a camera filed under key (or, with none there yet, under seed)
    // back to it: the six picture settings, then exposure with its automatic flag. Values outside
    // what the camera now offers are left out.
    void reapply(CameraDevice& device, const QString& key, const QString& seed = {});
    // Keeps what the camera has for these settings now, in one write of the file (not what was
    // asked: a camera may refuse or round a value). False when nothing was written.
    bool remember(CameraDevice& device, const std::set<int>& settingIds, const QString& key,
                  const QString& seed = {});
    // The camera is back at its own defaults: nothing kept for it any more.
    void forget(const QString& key);

    // The kept settings of a camera; empty when there are none or the file is damaged.
    KeptSettings load(const QString& cameraKey) const;
    // Under key, or under seed while there is no file under key.
    KeptSettings load(const QString& key, const QString& seed) const;
    bool filed(const QString& cameraKey) const;
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
