#include "RestoreTokenStore.h"

#include "Folders.h"
#include "Log.h"
#include "RegularFile.h"
#include "StagedFile.h"
#include "UniqueFd.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

bool printable(const QByteArray& bytes) {
    if (bytes.isEmpty()) return false;
    for (char c : bytes)
        if (c <= ' ' || c > '~') return false;
    return true;
}

// The token stands for a permission to type into other programs: its folder and file are the
// user's alone. An existing file keeps its mode through StagedFile, so it is made private first.
bool preparePrivateFile(const QString& path) {
    QDir().mkpath(folderOf(folderOf(path)));
    const QByteArray folder = QFile::encodeName(folderOf(path));
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) return false;
    UniqueFd fd(::open(QFile::encodeName(path).constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    return fd || errno == EEXIST;
}

}  // namespace

RestoreTokenStore::RestoreTokenStore(QString path) : m_path(std::move(path)) {}

QString RestoreTokenStore::defaultPath() {
    const QString folder = commonAppDataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/Ostrely/portal-restore-token");
}

QString RestoreTokenStore::load() const {
    if (m_path.isEmpty()) return {};
    const RegularFileRead read = readRegularFile(m_path, kMaxBytes);
    if (!read.bytes) {
        if (read.failure != ReadFailure::Missing)
            log::failure(log::settings(), QStringLiteral("portal restore token %1 not read").arg(m_path),
                         QStringLiteral("not a small regular file"));
        return {};
    }
    const QByteArray token = read.bytes->trimmed();
    if (token.isEmpty()) return {};
    if (!printable(token)) {
        log::failure(log::settings(), QStringLiteral("portal restore token %1 ignored").arg(m_path),
                     QStringLiteral("it holds more than one printable word"));
        return {};
    }
    return QString::fromLatin1(token);
}

bool RestoreTokenStore::save(const QString& token) const {
    if (m_path.isEmpty()) {
        log::failure(log::settings(), QStringLiteral("portal restore token not kept"),
                     QStringLiteral("no settings folder can be trusted"));
        return false;
    }
    const QByteArray bytes = token.toLatin1();
    if (!printable(bytes) || bytes.size() > kMaxBytes || QString::fromLatin1(bytes) != token) {
        log::failure(log::settings(), QStringLiteral("portal restore token not kept"),
                     QStringLiteral("the portal gave a token that is not one printable word"));
        return false;
    }
    if (!preparePrivateFile(m_path)) {
        log::failure(log::settings(), QStringLiteral("portal restore token %1 not kept").arg(m_path),
                     errno);
        return false;
    }
    QString error;
    if (!StagedFile::replace(m_path, bytes + '\n', StagedFile::Sync::Durable, &error)) {
        log::failure(log::settings(), QStringLiteral("portal restore token %1 not kept").arg(m_path),
                     error);
        return false;
    }
    return true;
}

void RestoreTokenStore::forget() const {
    if (m_path.isEmpty()) return;
    if (::unlink(QFile::encodeName(m_path).constData()) != 0 && errno != ENOENT)
        log::failure(log::settings(), QStringLiteral("used portal restore token %1 not removed").arg(m_path),
                     errno);
}

}  // namespace platform
