#pragma once
// A path that open(O_RDWR) refuses with EACCES, for tests of "may not open" lines. Mode bits
// do it for a user; root is not held back by them, but a read-only kernel attribute refuses it
// all the same. Empty when neither works here.
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace testsupport {

inline QString refusedPath(const QString& scratchFile) {
    QString path = scratchFile;
    QFile(path).open(QIODevice::WriteOnly);
    QFile::setPermissions(path, QFile::WriteOwner);
    if (::geteuid() == 0) path = QStringLiteral("/sys/kernel/notes");
    const int probe = ::open(QFile::encodeName(path).constData(), O_RDWR);
    const int err = errno;
    if (probe >= 0) ::close(probe);
    return probe < 0 && err == EACCES ? path : QString();
}

}  // namespace testsupport
