#pragma once
// How the share key shares: through the maker's cloud, from this computer to the phones in the
// room, or not at all. The administrator chooses in the system file that holds the sharing
// switch ("[Share] Mode=cloud|room|off"); without a choice a build whose cloud host is only a
// placeholder shares in the room.
#include <QString>

#include <chrono>

namespace cloud {

enum class ShareMode { Off, Cloud, Room };

// What decides the mode, as read from the build, the administrator's file and the environment.
struct ModeInputs {
    bool built = true;           // the build has sharing at all
    bool adminEnabled = true;    // "[Share] Enabled" not false
    QString adminMode;           // "[Share] Mode", empty when not set
    QString environmentMode;     // OSTRELY_SHARE_MODE, a developer's choice below the admin's
    QString cloudHost;           // the API host in effect
};

ShareMode chooseShareMode(const ModeInputs& in);

// True when host names no real cloud: empty, or a reserved example or local-only name.
bool placeholderCloudHost(const QString& host);

// The room share's settings from the same file: "[Share] RoomPort" (0: any free port) and
// "RoomMinutes", how long the link stays open after the view is closed.
struct RoomSettings {
    int port = 0;
    std::chrono::seconds linger{std::chrono::minutes(10)};
};

// Read from adminFile and the environment (OSTRELY_ROOM_PORT, OSTRELY_ROOM_LINGER_S).
ShareMode readShareMode(const QString& adminFile);
RoomSettings readRoomSettings(const QString& adminFile);

}  // namespace cloud
