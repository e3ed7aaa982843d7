#include "RegularFile.h"

#include "UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

RegularFileRead failed(ReadFailure why) {
    RegularFileRead r;
    r.failure = why;
    return r;
}

}  // namespace

int openRegularFile(const QString& path, ReadFailure& why) {
    why = ReadFailure::Missing;
    if (path.isEmpty()) return -1;
    // Non-blocking, or opening a FIFO waits for a writer that never comes.
    UniqueFd file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file) {
        why = errno == ENOENT ? ReadFailure::Missing : ReadFailure::Unreadable;
        return -1;
    }
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        why = ReadFailure::NotRegular;
        return -1;
    }
    return file.release();
}

RegularFileRead readRegularFile(const QString& path, qint64 limitBytes) {
    ReadFailure why = ReadFailure::Missing;
    const UniqueFd file(openRegularFile(path, why));
    if (!file) return failed(why);
    const int fd = file.get();
    QByteArray bytes;
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(ReadFailure::Unreadable);
        if (n == 0) break;
        // A growing file cannot keep us reading.
        if (bytes.size() + n > limitBytes) return failed(ReadFailure::TooLarge);
        bytes.append(buf, static_cast<qsizetype>(n));
    }
    RegularFileRead r;
    r.bytes = std::move(bytes);
    return r;
}

}  // namespace platform
