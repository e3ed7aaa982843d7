#include "SingleInstance.h"

#include "Folders.h"
#include "UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

SingleInstance::Result SingleInstance::acquire(const QString& name) {
    QString folder = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (folder.isEmpty() || !isPrivateFolder(folder)) folder = userTempFolder();
    return acquireIn(folder, name);
}

SingleInstance::Result SingleInstance::acquireIn(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return Result::Unavailable;
    const QByteArray path = QFile::encodeName(folder + '/' + name + ".lock");
    UniqueFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) return Result::Unavailable;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
        fd.release();  // stays open: the lock lives on
        return Result::Acquired;
    }
    const int err = errno;
    return err == EWOULDBLOCK ? Result::AlreadyHeld : Result::Unavailable;
}

}  // namespace platform
