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

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
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

constexpr char kStoreName[] = "KBCamera";
constexpr char kKeptName[] = "KBCamera.kept";
constexpr char kRunRecord[] = "running";
constexpr int kPictureNameLength = 14;  // "%010ld.jpg"

void logFailure(const QString& what, int err) {
    platform::log::failure(platform::log::camera(), what, err);
}

// A descriptor of a real folder of this user, never reached through a link; -1 otherwise.
int ownFolderFd(int fd) {
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || st.st_uid != ::getuid())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int openOwnFolderAt(int parentFd, const char* name) {
    return ownFolderFd(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

int openOwnFolder(const QString& path) {
    const QByteArray p = native(path.endsWith('/') ? path.chopped(1) : path);
    return ownFolderFd(::open(p.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Closes the descriptors it was given when it goes.
class Fds {
public:
    explicit Fds(std::initializer_list<int> fds) {
        for (int fd : fds) m_fds.emplace_back(fd);
    }

private:
    std::vector<platform::UniqueFd> m_fds;
};

bool hasRunRecord(int storeFd) {
    struct stat st {};
    return storeFd >= 0 && ::fstatat(storeFd, kRunRecord, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(st.st_mode) && st.st_uid == ::getuid();
}

// The number in a picture's file name ("0000000007.jpg"); 0 for any other name.
int pictureNumberOf(const QByteArray& name) {
    if (name.size() != kPictureNameLength || !name.endsWith(".jpg")) return 0;
    long long n = 0;
    for (int i = 0; i < 10; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n <= INT_MAX ? static_cast<int>(n) : 0;
}

std::vector<QByteArray> folderNames(int dirFd) {
    std::vector<QByteArray> names;
    const int own = ::dup(dirFd);
    DIR* dir = own >= 0 ? ::fdopendir(own) : nullptr;
    if (dir == nullptr) {
        if (own >= 0) ::close(own);
        return names;
    }
    while (const dirent* e = ::readdir(dir)) names.emplace_back(e->d_name);
    ::closedir(dir);
    return names;
}

// Moves a file without replacing one of the same name; a link is moved as a link, never followed.
bool moveFile(int fromFd, const char* from, int toFd, const char* to) {
    if (::renameat2(fromFd, from, toFd, to, RENAME_NOREPLACE) == 0) return true;
    logFailure(QStringLiteral("picture file %1 not brought back").arg(QLatin1String(from)), errno);
    return false;
}

// The thumbnail of picture name (either case of its extension) follows its picture.
void moveThumbnail(int fromThumb, int toThumb, const QByteArray& pictureName) {
    const QByteArray base = pictureName.left(10);
    for (const char* ext : {".bmp", ".BMP"}) {
        const QByteArray name = base + ext;
        struct stat st {};
        if (::fstatat(fromThumb, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(st.st_mode))
            moveFile(fromThumb, name.constData(), toThumb, (base + ".bmp").constData());
        return;
    }
}

// A picture worth bringing back: a regular file with content, taken within the kept days.
bool isKeptPicture(int imageFd, const QByteArray& name, std::time_t now) {
    struct stat st {};
    if (::fstatat(imageFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISREG(st.st_mode) || st.st_size == 0) {
        logFailure("picture " + QString::fromLatin1(name) + " of the last run is damaged; not kept",
                   0);
        return false;
    }
    if (now - st.st_mtime > std::time_t{camera::PictureStore::kKeptDays} * 24 * 3600) {
        logFailure("picture " + QString::fromLatin1(name) + " of an earlier run is older than " +
                       QString::number(camera::PictureStore::kKeptDays) + " days; let go",
                   0);
        return false;
    }
    return true;
}

// Moves the pictures of one store tree into another under their numbers; the numbers moved,
// lowest first. Nothing else of the tree (snapshots, files put there by hand) is taken.
std::vector<int> movePictures(int fromFd, int toFd) {
    std::vector<int> moved;
    const int fromImage = openOwnFolderAt(fromFd, "image");
    const int toImage = openOwnFolderAt(toFd, "image");
    const int fromThumb = openOwnFolderAt(fromFd, "thumb");
    const int toThumb = openOwnFolderAt(toFd, "thumb");
    const Fds fds{fromImage, toImage, fromThumb, toThumb};
    if (fromImage < 0 || toImage < 0) return moved;
    const std::time_t now = std::time(nullptr);
    for (const QByteArray& name : folderNames(fromImage)) {
        const int n = pictureNumberOf(name);
        if (n <= 0 || !isKeptPicture(fromImage, name, now)) continue;
        if (!moveFile(fromImage, name.constData(), toImage, name.constData())) continue;
        if (fromThumb >= 0 && toThumb >= 0) moveThumbnail(fromThumb, toThumb, name);
        moved.push_back(n);
    }
    std::sort(moved.begin(), moved.end());
    return moved;
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
    m_kept.clear();
    m_held = false;
    const QString parent = m_store.chopped(QLatin1String(kStoreName).size() + 1);
    const int parentFd = openOwnFolder(parent);
    const Fds fds{parentFd};
    if (parentFd < 0) {
        // Nowhere safe to keep anything: a plain scratch store, as before any record.
        DeleteTree(m_store);
    } else {
        const int storeFd = openOwnFolderAt(parentFd, kStoreName);
        const bool lastRunEnded = !hasRunRecord(storeFd);
        if (storeFd >= 0) ::close(storeFd);
        if (lastRunEnded) removeAt(parentFd, kKeptName, 0);
        if (!lastRunEnded) bringBackKept(parentFd);
        removeAt(parentFd, kStoreName, 0);
    }
    makeFolder(m_store);
    makeFolder(m_image);
    makeFolder(m_thumb);
    m_running = writeRunRecord();
    if (parentFd >= 0) {
        const int keptFd = openOwnFolderAt(parentFd, kKeptName);
        const int storeFd = openOwnFolderAt(parentFd, kStoreName);
        const Fds kept{keptFd, storeFd};
        if (keptFd >= 0 && storeFd >= 0) m_kept = movePictures(keptFd, storeFd);
        removeAt(parentFd, kKeptName, 0);
    }
}

// The store of the run that did not end is moved aside whole, joined first by whatever an
// earlier bring-back had not moved yet (that one was cut short too).
void PictureStore::bringBackKept(int parentFd) {
    const int storeFd = openOwnFolderAt(parentFd, kStoreName);
    const int keptFd = openOwnFolderAt(parentFd, kKeptName);
    {
        const Fds fds{storeFd, keptFd};
        if (storeFd >= 0 && keptFd >= 0) movePictures(keptFd, storeFd);
    }
    removeAt(parentFd, kKeptName, 0);
    if (::renameat(parentFd, kStoreName, parentFd, kKeptName) != 0)
        logFailure("pictures of the last run could not be moved aside", errno);
}

bool PictureStore::writeRunRecord() const {
    const int storeFd = openOwnFolder(m_store);
    const Fds fds{storeFd};
    if (storeFd < 0) return false;
    ::unlinkat(storeFd, kRunRecord, 0);
    const int fd =
        ::openat(storeFd, kRunRecord, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        logFailure("the run could not be recorded in the picture store", errno);
        return false;
    }
    char line[32];
    const int n = std::snprintf(line, sizeof line, "%ld\n", static_cast<long>(::getpid()));
    const bool written = ::write(fd, line, static_cast<size_t>(n)) == n;
    // On disk before the first picture: a power cut must find the record.
    const bool synced = ::fsync(fd) == 0 && ::fsync(storeFd) == 0;
    if (!written || !synced) logFailure("the run record could not be written", errno);
    ::close(fd);
    return true;
}

bool PictureStore::runRecorded() const {
    const int storeFd = m_store.isEmpty() ? -1 : openOwnFolder(m_store);
    const Fds fds{storeFd};
    return hasRunRecord(storeFd);
}

void PictureStore::endRun() {
    if (!m_running) return;
    if (m_held) {
        qCInfo(platform::log::camera(), "the run's pictures are kept for the next start");
        return;
    }
    const int storeFd = openOwnFolder(m_store);
    const Fds fds{storeFd};
    if (storeFd >= 0 && ::unlinkat(storeFd, kRunRecord, 0) != 0 && errno != ENOENT)
        logFailure("the run record could not be cleared", errno);
    m_running = false;
}

bool PictureStore::ensureFolders() {
    if (m_store.isEmpty()) return false;
    // The store must stay closed to other users, or what is written could be swapped or read.
    const bool usable = makeFolder(m_store) && platform::isPrivateFolder(m_store.chopped(1)) &&
                        makeFolder(m_image) && makeFolder(m_thumb);
    // A store removed by hand during the run comes back with its record.
    if (usable && m_running && !runRecorded()) writeRunRecord();
    return usable;
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
