#pragma once
#include <QString>

namespace platform {

// The folder every user's settings share: $OSTRELY_COMMON_APPDATA, else $XDG_CONFIG_HOME,
// else ~/.config. Read anew at every call. No trailing slash.
QString commonAppDataFolder();

// Full path of the running executable; and its folder, without trailing slash.
QString executablePath();
QString folderOf(const QString& path);

// A per-user scratch folder that no other local user can plant files or links in
// ($TMPDIR or /tmp, then "ostrely-<uid>", created mode 0700 and checked to be ours).
// Empty when no such folder can be had. No trailing slash.
QString userTempFolder();

// Whether path is a real folder (not a link) owned by this user and closed to everyone else.
bool isPrivateFolder(const QString& path);

}  // namespace platform
