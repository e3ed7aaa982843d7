#include "ShareMode.h"

#include "CloudConfig.h"

#include <QFileInfo>
#include <QSettings>

#include <optional>

namespace cloud {

namespace {

bool isOff(const QString& v) {
    return v == "false" || v == "0" || v == "no" || v == "off";
}

std::optional<ShareMode> parseMode(const QString& text) {
    const QString v = text.trimmed().toLower();
    if (v == "cloud") return ShareMode::Cloud;
    if (v == "room") return ShareMode::Room;
    if (isOff(v)) return ShareMode::Off;
    return std::nullopt;
}

ModeInputs readInputs(const QString& adminFile) {
    ModeInputs in;
    in.built = OSTRELY_SHARING_BUILT;
    in.environmentMode = qEnvironmentVariable("OSTRELY_SHARE_MODE");
    in.cloudHost = CloudConfig::fromEnvironment().apiHost();
    if (!QFileInfo::exists(adminFile)) return in;
    QSettings admin(adminFile, QSettings::IniFormat);
    in.adminEnabled = !isOff(admin.value("Share/Enabled", "true").toString().trimmed().toLower());
    in.adminMode = admin.value("Share/Mode").toString();
    return in;
}

}  // namespace

bool placeholderCloudHost(const QString& host) {
    QString h = host.trimmed().toLower();
    const int colon = h.lastIndexOf(':');
    if (colon >= 0 && !h.contains(']')) h.truncate(colon);
    return h.isEmpty() || h == "example" || h.endsWith(".example") || h.endsWith(".invalid") ||
           h.endsWith(".test");
}

ShareMode chooseShareMode(const ModeInputs& in) {
    if (!in.built || !in.adminEnabled) return ShareMode::Off;
    // An unknown word from the administrator falls back to the default rather than switching
    // sharing off by a typing error.
    if (auto m = parseMode(in.adminMode)) return *m;
    if (auto m = parseMode(in.environmentMode)) return *m;
    return placeholderCloudHost(in.cloudHost) ? ShareMode::Room : ShareMode::Cloud;
}

ShareMode readShareMode(const QString& adminFile) {
    return chooseShareMode(readInputs(adminFile));
}

RoomSettings readRoomSettings(const QString& adminFile) {
    RoomSettings s;
    if (QFileInfo::exists(adminFile)) {
        QSettings admin(adminFile, QSettings::IniFormat);
        bool ok = false;
        const int port = admin.value("Share/RoomPort").toInt(&ok);
        if (ok && port >= 0 && port <= 65535) s.port = port;
        const int minutes = admin.value("Share/RoomMinutes").toInt(&ok);
        if (ok && minutes >= 0 && minutes <= 24 * 60) s.linger = std::chrono::minutes(minutes);
    }
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("OSTRELY_ROOM_PORT", &ok);
    if (ok && port >= 0 && port <= 65535) s.port = port;
    const int seconds = qEnvironmentVariableIntValue("OSTRELY_ROOM_LINGER_S", &ok);
    if (ok && seconds >= 0) s.linger = std::chrono::seconds(seconds);
    return s;
}

}  // namespace cloud
