#include "Folders.h"

#include <QDir>
#include <QFileInfo>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace platform {

namespace {

QString env(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

QString withoutTrailingSlash(QString s) {
    while (s.size() > 1 && s.endsWith('/')) s.chop(1);
    return s;
}

// Makes (or accepts) base/name as a private folder; empty when it is not ours.
QString privateFolderIn(const QString& base, const QString& name) {
    if (base.isEmpty()) return {};
    const QString path = withoutTrailingSlash(base) + '/' + name;
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return {};
    return isPrivateFolder(path) ? path : QString();
}

// The group that holds only this user, as distributions with per-user groups make them.
bool isPrivateGroup(gid_t gid) {
    if (gid != ::getgid()) return false;
    char buf[16384];
    passwd pw{};
    passwd* user = nullptr;
    group gr{};
    group* grp = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf, sizeof buf / 2, &user) != 0 || user == nullptr)
        return false;
    if (::getgrgid_r(gid, &gr, buf + sizeof buf / 2, sizeof buf / 2, &grp) != 0 || grp == nullptr)
        return false;
    if (std::strcmp(grp->gr_name, user->pw_name) != 0) return false;
    for (char** member = grp->gr_mem; *member != nullptr; ++member)
        if (std::strcmp(*member, user->pw_name) != 0) return false;
    return true;
}

}  // namespace

FolderChoice chooseCommonAppDataFolder() {
    FolderChoice choice;
    for (const QString& candidate :
         {env("OSTRELY_COMMON_APPDATA"), env("XDG_CONFIG_HOME"), QDir::homePath() + "/.config"}) {
        if (candidate.isEmpty()) continue;
        const QString dir = withoutTrailingSlash(candidate);
        if (isTrustedFolder(dir)) {
            choice.folder = dir;
            return choice;
        }
        choice.refused << dir;
    }
    return choice;
}

QString commonAppDataFolder() {
    return chooseCommonAppDataFolder().folder;
}

bool isTrustedFolder(const QString& path) {
    QString dir = QDir::cleanPath(QDir(path).absolutePath());
    struct stat st {};
    // A folder not made yet is as safe as the one it will be made in.
    while (::stat(QFile::encodeName(dir).constData(), &st) != 0) {
        if (errno != ENOENT || dir == "/") return false;
        dir = QFileInfo(dir).path();
    }
    if (!S_ISDIR(st.st_mode)) return false;
    if (st.st_uid != ::getuid() && st.st_uid != 0) return false;
    if (st.st_mode & S_IWOTH) return false;
    return !(st.st_mode & S_IWGRP) || isPrivateGroup(st.st_gid);
}

QString executablePath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return QFile::decodeName(QByteArray(buf, static_cast<int>(n)));
}

QString folderOf(const QString& path) {
    const int slash = path.lastIndexOf('/');
    return slash <= 0 ? QString(slash == 0 ? "/" : "") : path.left(slash);
}

bool isPrivateFolder(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

QString userTempFolder() {
    const QString name = QStringLiteral("ostrely-%1").arg(::getuid());
    QString dir = privateFolderIn(env("TMPDIR"), name);
    if (dir.isEmpty()) dir = privateFolderIn("/tmp", name);
    // Someone else holds the shared name: fall back to folders only this user can write.
    if (dir.isEmpty()) dir = privateFolderIn(env("XDG_RUNTIME_DIR"), "ostrely-tmp");
    if (dir.isEmpty()) {
        const QString cache = QDir::homePath() + "/.cache";
        QDir().mkpath(cache);
        dir = privateFolderIn(cache, "ostrely-tmp");
    }
    return dir;
}

}  // namespace platform
