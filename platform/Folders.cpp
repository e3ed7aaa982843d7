#include "Folders.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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

}  // namespace

QString commonAppDataFolder() {
    QString dir = env("OSTRELY_COMMON_APPDATA");
    if (dir.isEmpty()) dir = env("XDG_CONFIG_HOME");
    if (dir.isEmpty()) dir = QDir::homePath() + "/.config";
    return withoutTrailingSlash(dir);
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
