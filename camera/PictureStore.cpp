#include "PictureStore.h"

#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/UniqueFd.h"

#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace camera {

namespace {

// Deeper trees than this are not made by the program; the rest is left rather than risk
// running out of descriptors.
constexpr int kMaxDepth = 64;

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

void removeAt(int parentFd, const char* name, int depth);

// Only the entry's own name is at hand this deep; the store's names are unique enough to find it.
void logNotRemoved(const char* name) {
    platform::log::failure(
        platform::log::camera(),
        QStringLiteral("cannot remove %1 from the picture folders").arg(QFile::decodeName(name)),
        errno);
}

void emptyFolder(platform::UniqueFd dirFd, int depth) {
    DIR* dir = ::fdopendir(dirFd.get());
    if (dir == nullptr) return;
    dirFd.release();  // the stream owns it now
    // Names first, removal after: a stream need not list entries removed under it reliably.
    std::vector<QByteArray> names;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..") names.push_back(name);
    }
    for (const QByteArray& name : names) removeAt(::dirfd(dir), name.constData(), depth + 1);
    ::closedir(dir);
}

void removeAt(int parentFd, const char* name, int depth) {
    struct stat st {};
    if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(parentFd, name, 0) != 0) logNotRemoved(name);
        return;
    }
    if (depth > kMaxDepth) return;
    platform::UniqueFd fd(
        ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) return;
    struct stat opened {};
    // Swapped for something else between the look and the open: leave it alone.
    if (::fstat(fd.get(), &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino)
        return;
    // A read-only folder of ours (copied in by the user) must still be emptied.
    if (opened.st_uid == ::getuid() && (opened.st_mode & 0700) != 0700) ::fchmod(fd.get(), 0700);
    emptyFolder(std::move(fd), depth);
    if (::unlinkat(parentFd, name, AT_REMOVEDIR) != 0) logNotRemoved(name);
}

QString withSlash(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}

// A real folder of ours, or made so: a link or file in its place is removed first.
bool makeFolder(const QString& path) {
    const QByteArray p = native(path.endsWith('/') ? path.chopped(1) : path);
    struct stat st {};
    if (::lstat(p.constData(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(p.constData());
    ::mkdir(p.constData(), 0700);
    return ::lstat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

}  // namespace

PictureStore::PictureStore(const QString& tempFolder) {
    if (tempFolder.isEmpty()) return;
    m_store = withSlash(tempFolder) + "KBCamera/";
    m_image = m_store + "image/";
    m_thumb = m_store + "thumb/";
}

QString PictureStore::tenDigits(long n) {
    return QString::asprintf("%010ld", n);
}

QString PictureStore::picturePath(long n) const {
    return m_image + tenDigits(n) + ".jpg";
}

QString PictureStore::thumbnailPath(long n) const {
    return m_thumb + tenDigits(n) + ".bmp";
}

QString PictureStore::snapshotPath(long n, int cameraSlot) const {
    if (cameraSlot == 1) return m_image + tenDigits(n) + "_1_1.bmp";
    if (cameraSlot == 2) return m_image + tenDigits(n) + "_2_2.bmp";
    return m_image + tenDigits(n) + ".bmp";
}

void PictureStore::DeleteTree(const QString& folder) {
    QString path = folder;
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    if (path.isEmpty()) return;
    const QString parent = platform::folderOf(path);
    const QByteArray name = native(path.mid(parent.size() + (parent == "/" ? 0 : 1)));
    const platform::UniqueFd parentFd(
        ::open(native(parent.isEmpty() ? "." : parent).constData(), O_RDONLY | O_DIRECTORY));
    if (!parentFd) return;
    removeAt(parentFd.get(), name.constData(), 0);
}

void PictureStore::prepare() {
    if (m_store.isEmpty()) return;
    DeleteTree(m_store);
    makeFolder(m_store);
    makeFolder(m_image);
    makeFolder(m_thumb);
}

bool PictureStore::ensureFolders() {
    if (m_store.isEmpty()) return false;
    // The store must stay closed to other users, or what is written could be swapped or read.
    return makeFolder(m_store) && platform::isPrivateFolder(m_store.chopped(1)) &&
           makeFolder(m_image) && makeFolder(m_thumb);
}

void PictureStore::removePicture(long n) const {
    if (m_store.isEmpty()) return;
    QFile::remove(picturePath(n));
    QFile::remove(findFile(thumbnailPath(n)));
}

QString PictureStore::findFile(const QString& path) {
    if (QFileInfo::exists(path)) return path;
    const int dot = path.lastIndexOf('.');
    if (dot < 0 || path.indexOf('/', dot) >= 0) return path;
    const QString ext = path.mid(dot);
    const QString other = ext == ext.toUpper() ? ext.toLower() : ext.toUpper();
    const QString alt = path.left(dot) + other;
    return QFileInfo::exists(alt) ? alt : path;
}

PictureStore::Existence PictureStore::pictureExists(long n) const {
    Existence e;
    e.picture = picturePath(n);
    e.thumbnail = findFile(m_thumb + tenDigits(n) + ".BMP");
    const QFileInfo pic(e.picture), thumb(e.thumbnail);
    e.exists = pic.exists() && !pic.isDir() && thumb.exists() && !thumb.isDir();
    return e;
}

}  // namespace camera
