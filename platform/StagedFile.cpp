#include "StagedFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr int kTemporaryAttempts = 64;

QString lastError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

StagedFile::StagedFile(QString path, Sync sync) : m_path(std::move(path)), m_sync(sync) {}

StagedFile::~StagedFile() {
    discard();
}

bool StagedFile::fail(const QString& what) {
    m_error = QStringLiteral("%1: %2: %3").arg(m_path, what, lastError());
    return false;
}

bool StagedFile::openFolder() {
    if (m_dirFd) return true;
    const QByteArray native = QFile::encodeName(m_path);
    const qsizetype slash = native.lastIndexOf('/');
    m_name = native.mid(slash + 1);
    if (m_name.isEmpty() || m_name == "." || m_name == "..") {
        errno = EINVAL;
        return fail(QStringLiteral("not a file name"));
    }
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? "/" : native.left(slash);
    m_dirFd.reset(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return m_dirFd || fail(QStringLiteral("cannot open its folder"));
}

int StagedFile::createTemporary() {
    // A regular file keeps its permissions; anything else (a link among them) gets the defaults.
    struct stat old {};
    const bool keepMode =
        ::fstatat(m_dirFd.get(), m_name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(old.st_mode);
    for (int i = 0; i < kTemporaryAttempts; ++i) {
        const QByteArray name =
            '.' + m_name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::openat(m_dirFd.get(), name.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return -1;
        m_tempName = name;
        if (keepMode) ::fchmod(fd, old.st_mode & 07777);
        return fd;
    }
    return -1;
}

bool StagedFile::write(const QByteArray& bytes) {
    discard();
    if (!openFolder()) return false;
    const int fd = createTemporary();
    if (fd < 0) return fail(QStringLiteral("cannot create a file beside it"));
    bool ok = writeAll(fd, bytes.constData(), bytes.size());
    if (ok && m_sync == Sync::Durable) ok = ::fsync(fd) == 0;
    const int savedErrno = errno;
    // Some file systems report a full disk only when the file is closed.
    const bool closed = ::close(fd) == 0;
    if (!ok) errno = savedErrno;
    if (!ok || !closed) {
        fail(QStringLiteral("writing failed"));
        discard();
        return false;
    }
    return true;
}

bool StagedFile::commit() {
    if (m_tempName.isEmpty()) {
        errno = ENOENT;
        return fail(QStringLiteral("nothing written to commit"));
    }
    // The rename acts on the name itself: a link there is replaced, its target untouched.
    if (::renameat(m_dirFd.get(), m_tempName.constData(), m_dirFd.get(), m_name.constData()) != 0) {
        fail(QStringLiteral("cannot replace it"));
        discard();
        return false;
    }
    m_tempName.clear();
    if (m_sync == Sync::Durable) ::fsync(m_dirFd.get());
    return true;
}

void StagedFile::discard() {
    if (m_tempName.isEmpty()) return;
    ::unlinkat(m_dirFd.get(), m_tempName.constData(), 0);
    m_tempName.clear();
}

bool StagedFile::replace(const QString& path, const QByteArray& bytes, Sync sync, QString* error) {
    StagedFile file(path, sync);
    const bool ok = file.write(bytes) && file.commit();
    if (!ok && error != nullptr) *error = file.error();
    return ok;
}

}  // namespace platform
