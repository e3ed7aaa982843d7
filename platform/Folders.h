#pragma once
#include <QString>
#include <QStringList>

namespace platform {

// The folder every user's settings share: the first of $OSTRELY_COMMON_APPDATA,
// $XDG_CONFIG_HOME and ~/.config that no other user can change (see isTrustedFolder). Read anew at
// every call. No trailing slash; empty when none of them can be trusted.
QString commonAppDataFolder();

// The same choice with the candidates that were passed over, so start-up can say why.
struct FolderChoice {
    QString folder;
    QStringList refused;
};
FolderChoice chooseCommonAppDataFolder();

// A folder that only this user (and root) can change: owned by one of them and writable by
// nobody else, or, when it does not exist yet, the nearest folder above it that exists is.
// Group write counts only for the user's own private group.
bool isTrustedFolder(const QString& path);

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
