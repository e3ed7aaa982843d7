#include "SettingsStore.h"

#include "camera/sdk/CameraSdk.h"
#include "camera/sdk/FileNames.h"

#include "platform/RegularFile.h"
#include "platform/StagedFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace camera::sdk {

namespace {

constexpr char kMagic[] = "ostrely-settings 1";
constexpr char kAutoKey[] = "auto";
constexpr qint64 kMaxFileSize = 4096;
// Exposure last, so that its mode is set after everything else.
constexpr int kOrder[] = {kBrightness, kContrast, kHue, kSaturation, kSharpness, kGamma, kExposure};

bool inRange(CameraDevice& device, int id, int value) {
    const int max = device.readSetting(id, kQueryMax), min = device.readSetting(id, kQueryMin);
    return min < max && value >= min && value <= max;
}

}  // namespace

void SettingsStore::setFolder(const QString& folder) {
    std::lock_guard lock(m_mutex);
    m_folder = folder;
}

bool SettingsStore::isKeptSetting(int settingId) {
    return std::find(std::begin(kOrder), std::end(kOrder), settingId) != std::end(kOrder);
}

QString SettingsStore::pathFor(const QString& cameraKey) const {
    return m_folder + "/settings-" + safeFileName(cameraKey) + ".txt";
}

QByteArray SettingsStore::format(const KeptSettings& settings) {
    QByteArray text = kMagic;
    text += '\n';
    for (const auto& [id, value] : settings.values)
        text += QByteArray::number(id) + ' ' + QByteArray::number(value) + '\n';
    if (settings.autoExposure)
        text += QByteArray(kAutoKey) + ' ' + (*settings.autoExposure ? '1' : '0') + '\n';
    return text;
}

std::optional<KeptSettings> SettingsStore::parse(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    // Every line ends in a line feed, so the last piece is empty.
    if (lines.size() < 2 || lines[0] != kMagic || !lines.last().isEmpty()) return std::nullopt;
    lines.removeLast();
    KeptSettings out;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> kv = lines[i].split(' ');
        if (kv.size() != 2) return std::nullopt;
        bool ok = false;
        if (kv[0] == kAutoKey) {
            if ((kv[1] != "0" && kv[1] != "1") || out.autoExposure) return std::nullopt;
            out.autoExposure = kv[1] == "1";
            continue;
        }
        const int id = kv[0].toInt(&ok);
        if (!ok || !isKeptSetting(id) || out.values.count(id) != 0) return std::nullopt;
        const int value = kv[1].toInt(&ok);
        if (!ok) return std::nullopt;
        out.values[id] = value;
    }
    return out;
}

KeptSettings SettingsStore::loadLocked(const QString& cameraKey) const {
    if (m_folder.isEmpty()) return {};
    const auto read = platform::readRegularFile(pathFor(cameraKey), kMaxFileSize);
    if (!read.bytes) return {};
    return parse(*read.bytes).value_or(KeptSettings{});
}

KeptSettings SettingsStore::load(const QString& cameraKey) const {
    std::lock_guard lock(m_mutex);
    return loadLocked(cameraKey);
}

bool SettingsStore::save(const QString& cameraKey, const KeptSettings& settings) const {
    std::lock_guard lock(m_mutex);
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder)) return false;
    // Written whole and renamed into place: a crash never leaves half a file, and a planted link
    // is replaced, not written through.
    return platform::StagedFile::replace(pathFor(cameraKey), format(settings));
}

bool SettingsStore::filed(const QString& cameraKey) const {
    std::lock_guard lock(m_mutex);
    return !m_folder.isEmpty() && QFile::exists(pathFor(cameraKey));
}

KeptSettings SettingsStore::load(const QString& key, const QString& seed) const {
    return seed.isEmpty() || filed(key) ? load(key) : load(seed);
}

void SettingsStore::reapply(CameraDevice& device, const QString& key, const QString& seed) {
    const KeptSettings kept = load(key, seed);
    for (const int id : kOrder) {
        const auto it = kept.values.find(id);
        const bool haveValue = it != kept.values.end() && inRange(device, id, it->second);
        if (id != kExposure) {
            if (haveValue) device.writeSetting(id, it->second, false);
            continue;
        }
        // Exposure: the value and the automatic flag go together in one write.
        const bool automatic = kept.autoExposure.value_or(device.readSetting(id, kQueryAuto) != 0);
        if (haveValue)
            device.writeSetting(id, it->second, automatic);
        else if (kept.autoExposure)
            device.writeSetting(id, device.readSetting(id, kQueryCurrent), automatic);
    }
}

bool SettingsStore::remember(CameraDevice& device, const std::set<int>& settingIds,
                             const QString& key, const QString& seed) {
    KeptSettings kept = load(key, seed);
    bool changed = false;
    for (const int id : settingIds) {
        if (!isKeptSetting(id)) continue;
        const int max = device.readSetting(id, kQueryMax);
        const int min = device.readSetting(id, kQueryMin);
        if (min >= max) continue;  // nothing to keep of a setting the camera lacks
        kept.values[id] = device.readSetting(id, kQueryCurrent);
        if (id == kExposure) kept.autoExposure = device.readSetting(kExposure, kQueryAuto) != 0;
        changed = true;
    }
    return changed && save(key, kept);
}

void SettingsStore::forget(const QString& key) {
    std::lock_guard lock(m_mutex);
    if (!m_folder.isEmpty()) QFile::remove(pathFor(key));
}

}  // namespace camera::sdk
