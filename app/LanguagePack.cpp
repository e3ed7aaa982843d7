#include "LanguagePack.h"

#include "lang/StringTable.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

#include <QFile>

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr int32_t kMaxEntries = 65536;
// A pack holds one string table: anything larger is not one of ours.
constexpr off_t kMaxPackBytes = 16 << 20;

#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#elif defined(__arm__)
constexpr int kMachine = EM_ARM;
#else
constexpr int kMachine = -1;  // not checked
#endif

bool readAt(int fd, void* into, size_t size, off_t at) {
    return ::pread(fd, into, size, at) == static_cast<ssize_t>(size);
}

bool fitsIn(ElfW(Off) offset, uint64_t length, off_t fileSize) {
    return offset <= static_cast<uint64_t>(fileSize) &&
           length <= static_cast<uint64_t>(fileSize) - offset;
}

// The loader maps a pack's segments straight from the file: a segment reaching past its end (a
// copy cut short) faults with SIGBUS on first touch, before any check of ours could run.
bool isCompleteElf(int fd, off_t fileSize) {
    ElfW(Ehdr) h{};
    if (fileSize < static_cast<off_t>(sizeof h) || !readAt(fd, &h, sizeof h, 0)) return false;
    if (std::memcmp(h.e_ident, ELFMAG, SELFMAG) != 0) return false;
    const int elfClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    if (h.e_ident[EI_CLASS] != elfClass || h.e_type != ET_DYN) return false;
    if (kMachine >= 0 && h.e_machine != kMachine) return false;
    if (h.e_phentsize != sizeof(ElfW(Phdr)) || h.e_phnum == 0) return false;
    if (!fitsIn(h.e_phoff, uint64_t{h.e_phnum} * h.e_phentsize, fileSize)) return false;
    if (h.e_shnum != 0 && !fitsIn(h.e_shoff, uint64_t{h.e_shnum} * h.e_shentsize, fileSize))
        return false;
    for (int i = 0; i < h.e_phnum; ++i) {
        ElfW(Phdr) ph{};
        if (!readAt(fd, &ph, sizeof ph, static_cast<off_t>(h.e_phoff + i * sizeof ph)))
            return false;
        if (ph.p_type == PT_LOAD && !fitsIn(ph.p_offset, ph.p_filesz, fileSize)) return false;
    }
    return true;
}

int openFailureNumber(platform::ReadFailure why) {
    switch (why) {
        case platform::ReadFailure::Missing: return ENOENT;
        case platform::ReadFailure::Unreadable: return EACCES;
        default: return ENOEXEC;
    }
}

// An open descriptor of a pack that can be loaded safely, or -1 with an error number.
int openPack(const QString& path, int& error) {
    platform::ReadFailure why = platform::ReadFailure::Missing;
    const int fd = platform::openRegularFile(path, why);
    if (fd < 0) {
        error = openFailureNumber(why);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size > kMaxPackBytes || !isCompleteElf(fd, st.st_size)) {
        ::close(fd);
        error = ENOEXEC;
        return -1;
    }
    return fd;
}

// A pack is data only; still, check its table before trusting its pointers and order.
bool isValidTable(const OstrelyStringTable* t) {
    if (t == nullptr || t->version != kOstrelyStringTableVersion || t->count < 0 ||
        t->count > kMaxEntries || (t->count > 0 && t->entries == nullptr))
        return false;
    for (int32_t i = 0; i < t->count; ++i) {
        const OstrelyStringEntry& e = t->entries[i];
        if (e.text == nullptr || e.length < 0) return false;
        if (i > 0 && t->entries[i - 1].id >= e.id) return false;
    }
    return true;
}

}  // namespace

LanguagePack::~LanguagePack() {
    unload();
}

bool LanguagePack::isLoadable(const QString& path, int& error) {
    const int fd = openPack(path, error);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool LanguagePack::load(const QString& path, int& error) {
    unload();
    const int fd = openPack(path, error);
    if (fd < 0) {
        platform::log::failure(platform::log::settings(), "language pack " + path + " refused",
                               error);
        return false;
    }
    // The file checked is the file loaded, whatever appears at the path meanwhile.
    const QByteArray viaFd = "/proc/self/fd/" + QByteArray::number(fd);
    platform::UniqueFd file(fd);
    void* handle = ::dlopen(viaFd.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = ENOEXEC;
        platform::log::failure(platform::log::settings(), "language pack " + path + " not loaded",
                               QString::fromLocal8Bit(::dlerror()));
        return false;
    }
    const auto* table =
        static_cast<const OstrelyStringTable*>(::dlsym(handle, kOstrelyStringTableSymbol));
    if (!isValidTable(table)) {
        ::dlclose(handle);
        error = ENOEXEC;
        platform::log::failure(platform::log::settings(), "language pack " + path + " not loaded",
                               QStringLiteral("no valid string table"));
        return false;
    }
    m_handle = handle;
    m_table = table;
    m_file = std::move(file);
    return true;
}

void LanguagePack::unload() {
    m_table = nullptr;
    if (m_handle != nullptr) ::dlclose(m_handle);
    m_handle = nullptr;
    m_file.reset();
}

QString LanguagePack::text(int id, int maxUnits) const {
    if (m_table == nullptr || maxUnits <= 0) return {};
    const OstrelyStringEntry* begin = m_table->entries;
    const OstrelyStringEntry* end = begin + m_table->count;
    const auto* it = std::lower_bound(begin, end, id,
                                      [](const OstrelyStringEntry& e, int v) { return e.id < v; });
    if (it == end || it->id != id) return {};
    return QString::fromUtf16(it->text, std::min(it->length, maxUnits));
}
